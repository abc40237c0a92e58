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

// With the code-page option 1 the window shows the record in plain ASCII.
// Edits the record of "Fehler : b2 > da1 !": the cause when `editCause`,
// else the remedy, gets `typed`; the other box is left alone and the change
// saved. Returns the message text file afterwards.
std::string SaveOneEditedBox(bool editCause, const QString& typed) {
    veldrim::testing::TempDir dir{"veldrim-explanation"};
    helpDirectory = userDataDirectory = dir.path();
    const std::string file = dir / "VELDRIM.err";
    Spit(file, kKeyLine + kCause + "\r\n" + kRemedy + "\r\n" + kTail);
    codePageOption = 1;
    ClearMessages();
    AddMessage("Fehler : b2 > da1 !");

    QString shownCause, shownRemedy;
    test::ModalDriver edit([&](QWidget* w) {
        if (w->objectName() != "Thelperr") return false;
        auto* cause = w->findChild<QPlainTextEdit*>("Memo_ursache");
        auto* remedy = w->findChild<QPlainTextEdit*>("Memo_abhilfe");
        auto* ok = w->findChild<QPushButton*>("Button_ok");
        if (!cause || !remedy || !ok) return false;
        shownCause = cause->toPlainText();
        shownRemedy = remedy->toPlainText();
        (editCause ? cause : remedy)->setPlainText(typed);
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
    EXPECT_EQ(shownCause.toStdString(), "Radbreite groesser als der Kopfkreis.");
    EXPECT_EQ(shownRemedy.toStdString(), "Mit Muehe eine kleinere Breite waehlen.");
    return Slurp(file);
}

// Only the cause is edited and saved: the remedy keeps its bytes.
TEST_F(ExplanationFormTest, UntouchedRemedyIsSavedAsItWasRead) {
    EXPECT_EQ(SaveOneEditedBox(true, "Radbreite zu gross."),
              kKeyLine + "Radbreite zu gross.\r\n" + kRemedy + "\r\n" + kTail);
}

// The mirror case: only the remedy is edited and saved; the cause, shown in
// plain ASCII, keeps its code page 850 bytes.
TEST_F(ExplanationFormTest, UntouchedCauseIsSavedAsItWasRead) {
    EXPECT_EQ(SaveOneEditedBox(false, "Breite verkleinern."),
              kKeyLine + kCause + "\r\nBreite verkleinern.\r\n" + kTail);
}

}  // namespace
}  // namespace veldrim
