#pragma once
// The help-picture form: the help pictures of the help directory in a list;
// the one chosen is drawn in the graphics window while the form stays open.
// It opens where it was last closed (the help-picture position) and keeps
// that position when it closes.

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace veldrim {

class THelpPictureForm : public QDialog {
public:
    THelpPictureForm(QWidget* parent, const std::vector<std::string>& names);
    // Draws the picture of the current row.
    void Button_showClick();

    QListWidget* ListBox_pictures = nullptr;

protected:
    void hideEvent(QHideEvent* e) override;
};

// Opens the form over the main window (or brings the open one to the front);
// nothing but a notice when the help directory holds no pictures.
void ShowHelpPictureForm(QWidget* mainWindow);

}  // namespace veldrim
