#pragma once
// The table browser and editor window: navigator, grid, search buttons,
// the record-number box and the menus of HTML export, delimited export and
// import, appending a table, packing, printing and help. It shows the
// table of the one table editor (Tdbf4) modally, to edit it or to pick one
// record, and leaves through OK (the record accepted) or Cancel.

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "tables/datasets/table_access.h"
#include "tables/datasets/table_editor.h"
#include "tables/qt/tz_grid.h"
#include "tables/qt/tz_navigator.h"

namespace veldrim {

class TableEditorWindow : public QDialog {
    Q_OBJECT
public:
    TableEditorWindow(Tdbf4& form, QWidget* parent = nullptr);

    // The mode of ShowTableEditor: 1, 4, 5 pick, others edit.
    void Configure(const std::string& caption, int mode);
    bool PickMode() const { return pick_; }

    // Accept and close: the record taken, the grid's place kept.
    void AcceptRecord();
    void reject() override;

    TzGrid* grid = nullptr;
    TzNavigator* navigator = nullptr;
    TzTableModel* model = nullptr;
    QPushButton *buttonOk = nullptr, *buttonCancel = nullptr, *buttonSearch = nullptr,
                *buttonSearchNext = nullptr;
    QLineEdit* editRecno = nullptr;
    QLabel *labelReccount = nullptr, *labelTitle1 = nullptr, *labelTitle2 = nullptr,
           *labelFilename = nullptr;
    QMenu *miFile = nullptr, *miEdit = nullptr, *miView = nullptr, *miHelp = nullptr;
    QAction *miFileExportHtml = nullptr, *miFileSaveAsDelimited = nullptr,
            *miFileAppendDbf = nullptr, *miFileAppendDelimited = nullptr,
            *miPrintSeparator = nullptr, *miFilePrint = nullptr, *miFileExit = nullptr,
            *miEditAppend = nullptr, *miEditPack = nullptr, *miViewSearch = nullptr,
            *miViewSearchNext = nullptr, *miHelpDbf = nullptr, *miHelpCommon = nullptr,
            *miHelpPicture = nullptr, *miHelpDatei = nullptr;
    TableEditorCommands commands;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void BuildMenus();
    void ShowPosition();
    // After a command that changed the rows.
    void Reread();
    void SearchDone(bool hit);

    Tdbf4& form_;
    QMenuBar* menuBar_ = nullptr;
    bool pick_ = false;
    bool closing_ = false;
    // A pick opened on a record it was not asked for takes a record only
    // once the user chose one (click, keys, navigator, search, number).
    bool chosen_ = true;
    bool settled_ = false;  // shown: a move of the grid's row is the user's
};

// Makes the window the table editor of the table access.
void InstallQtTableEditor();

}  // namespace veldrim
