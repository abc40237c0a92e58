// Editing a message's explanation in its window: what the user changed is
// written back, and what the user left alone stays in the message text file
// exactly as it was, also when the window showed it in plain ASCII.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>

#include "foundation/message_display.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "qt/qt_test_support.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

using testing::Slurp;
using testing::Spit;
using ExplanationFormTest = test::QtFixture;

// A record whose cause and remedy hold umlauts and a sharp s, code page 850:
// "Radbreite größer als der Kopfkreis." and "Mit Mühe eine kleinere Breite
// wählen.", then a record behind it.
const std::string kKeyLine = "Fehler : b2 > da1 ! Radbreite\r\n";
const std::string kCause =
    "Radbreite gr\x94\xE1"
    "er als der Kopfkreis.";
const std::string kRemedy = "Mit M\x81he eine kleinere Breite w\x84hlen.";
const std::string kTail = "Warnung: x > 1.5   (\r\nVerschiebung\r\nkleiner\r\n";

// The same cause with the code page's no-break space (0xFF) between two words.
const std::string kCauseNoBreak =
    "Radbreite gr\x94\xE1"
    "er als\xFF"
    "der Kopfkreis.";

// Edits the record of "Fehler : b2 > da1 !" whose cause is `cause`, with the
// code-page option `option` (1: the window shows the record in plain ASCII):
// the cause when `editCause`, else the remedy, gets `typed`; the other box is
// left alone and the change saved. `shownCause` is what the cause box showed
// (as plain text). Returns the message text file afterwards.
std::string SaveOneEditedBox(const std::string& cause, int option, bool editCause,
                             const QString& typed, const std::string& shownCause) {
    veldrim::testing::TempDir dir{"veldrim-explanation"};
    helpDirectory = userDataDirectory = dir.path();
    const std::string file = dir / "VELDRIM.err";
    Spit(file, kKeyLine + cause + "\r\n" + kRemedy + "\r\n" + kTail);
    codePageOption = option;
    ClearMessages();
    AddMessage("Fehler : b2 > da1 !");

    QString shownCauseText, shownRemedyText;
    test::ModalDriver edit([&](QWidget* w) {
        if (w->objectName() != "Thelperr") return false;
        auto* causeBox = w->findChild<QPlainTextEdit*>("Memo_ursache");
        auto* remedyBox = w->findChild<QPlainTextEdit*>("Memo_abhilfe");
        auto* ok = w->findChild<QPushButton*>("Button_ok");
        if (!causeBox || !remedyBox || !ok) return false;
        shownCauseText = causeBox->toPlainText();
        shownRemedyText = remedyBox->toPlainText();
        (editCause ? causeBox : remedyBox)->setPlainText(typed);
        ok->click();
        return true;
    });
    test::ModalDriver agree([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->text().startsWith("Save Changes")) return false;
        box->button(QMessageBox::Yes)->click();
        return true;
    });
    ShowMessageHelp(1);
    EXPECT_TRUE(edit.acted());
    EXPECT_TRUE(agree.acted());
    EXPECT_EQ(shownCauseText.toStdString(), shownCause);
    EXPECT_EQ(shownRemedyText.toStdString(), option == 1 ? "Mit Muehe eine kleinere Breite waehlen."
                                                         : "Mit M\xC3\xBChe eine kleinere Breite "
                                                           "w\xC3\xA4hlen.");
    return Slurp(file);
}

// One box is edited and saved; the box left alone keeps its code page 850
// bytes, also when the window showed it in plain ASCII and when it holds a
// no-break space (which the box's plain text gives as a blank). An edited
// box keeps a no-break space typed into it.
TEST_F(ExplanationFormTest, UntouchedBoxIsSavedAsItWasRead) {
    const std::string ascii = "Radbreite groesser als der Kopfkreis.";
    const std::string utf8 =
        "Radbreite gr\xC3\xB6\xC3\x9F"
        "er als der Kopfkreis.";
    struct Case {
        const char* what;
        std::string cause;
        int option;
        bool editCause;
        QString typed;
        std::string shownCause;
        std::string file;
    };
    const Case cases[] = {
        {"remedy untouched, plain ASCII", kCause, 1, true, "Radbreite zu gross.", ascii,
         kKeyLine + "Radbreite zu gross.\r\n" + kRemedy + "\r\n" + kTail},
        {"cause untouched, plain ASCII", kCause, 1, false, "Breite verkleinern.", ascii,
         kKeyLine + kCause + "\r\nBreite verkleinern.\r\n" + kTail},
        {"cause with a no-break space untouched", kCauseNoBreak, 0, false, "Breite verkleinern.",
         utf8, kKeyLine + kCauseNoBreak + "\r\nBreite verkleinern.\r\n" + kTail},
        {"cause with a no-break space untouched, plain ASCII", kCauseNoBreak, 1, false,
         "Breite verkleinern.", ascii,
         kKeyLine + kCauseNoBreak + "\r\nBreite verkleinern.\r\n" + kTail},
        {"a no-break space typed into the cause", kCause, 0, true,
         QString("Radbreite zu") + QChar(0xA0) + "gross.", utf8,
         kKeyLine + "Radbreite zu\xFFgross.\r\n" + kRemedy + "\r\n" + kTail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SaveOneEditedBox(c.cause, c.option, c.editCause, c.typed, c.shownCause), c.file);
    }
}

}  // namespace
}  // namespace veldrim
