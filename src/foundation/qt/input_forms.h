#pragma once
// The standard input dialogs and the explanation window of a calculation
// message. Each is created for one call, shown modally and freed.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "foundation/ui_services.h"

class QLineEdit;
class QKeyEvent;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;

namespace veldrim {

// The row of help buttons every standard dialog carries: "&Hilfetext" and
// "Hilfe&bild" show the current help number's text or picture, and the
// dialog stays open.
class HelpDialog : public QDialog {
public:
    explicit HelpDialog(QWidget* parent, const QString& caption);
    void AddButtonRow(bool withCancel);
};

// List choice ("Auswahl"): a list from 8 entries, radio buttons below.
std::optional<int> RunChoiceDialog(const std::string& prompt, const std::vector<std::string>& items,
                                   int preselected);
// Text entry ("Eingabe"); with maxLength above 0 at most that many characters.
std::optional<std::string> RunTextDialog(const std::string& title, const std::string& prompt,
                                         const std::string& initial, int maxLength = 0);

// The yes/no dialog `Tin_janeindialog` ("Eingabe"): "&Ja" or "&Nein" in the
// group "Auswahl", the given answer checked. Only OK takes the choice; Enter
// closes it like Cancel and Escape.
class Tin_janeindialog : public HelpDialog {
public:
    Tin_janeindialog(QWidget* parent, const std::string& prompt, bool yesPreselected);
    bool Yes() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QRadioButton* yes_ = nullptr;
};
std::optional<bool> RunYesNoDialog(const std::string& prompt, bool yesPreselected);

// The information screen `TShowScreen`: the lines in a read-only memo under
// the caption, and OK.
void RunInfoScreen(const std::string& caption, const std::vector<std::string>& lines);

// The explanation window `Thelperr`: message, cause and remedy. Returns the
// edited texts when cause or remedy changed (the caller asks before saving).
class Thelperr : public HelpDialog {
public:
    explicit Thelperr(QWidget* parent, const MessageExplanation& shown);
    QLineEdit* Edit_meldung = nullptr;
    QPlainTextEdit* Memo_ursache = nullptr;
    QPlainTextEdit* Memo_abhilfe = nullptr;
    bool modified = false;
    void Button_okClick();
    std::optional<MessageExplanation> result;

private:
    static QString BoxText(const QPlainTextEdit* box);
    // What the window was given, and what each box held once filled: a box
    // whose text still reads the same gives back the given bytes unchanged.
    MessageExplanation shown_;
    QString loadedCause_, loadedRemedy_;
};

}  // namespace veldrim
