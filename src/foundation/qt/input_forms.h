#pragma once
// The standard input dialogs and the explanation window of a calculation
// message. Each is created for one call, shown modally and freed.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "foundation/ui_services.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;

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
// Text entry ("Eingabe").
std::optional<std::string> RunTextDialog(const std::string& title, const std::string& prompt,
                                         const std::string& initial);

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
};

}  // namespace veldrim
