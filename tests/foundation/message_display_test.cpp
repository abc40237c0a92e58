#include "foundation/message_display.h"

#include <gtest/gtest.h>

#include "foundation/codepage.h"
#include "foundation/text_conv.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

using testing::FileFixture;
using testing::FileSizeLimit;

// A message text file with free text between the records, a record whose key
// agrees with another in 14 characters only, and a key line that ends the file.
const std::string kMessageFile =
    "Meldungen des Berechnungsmoduls\r\n\r\n"
    "Fatal  : a = 0 ! Achsabstand null\r\nDer Achsabstand ist null.\r\nAchsabstand eingeben.\r\n"
    "Warnung: x > 1,4\r\nDecoy cause\r\nDecoy remedy\r\n"
    "Warnung: x > 1.5   (\r\nProfilverschiebung sehr gross.\r\nProfilverschiebung verkleinern.\r\n"
    "Fehler : zuletzt\r\n";

class MessageDisplayTest : public FileFixture {
protected:
    void SetUp() override {
        FileFixture::SetUp();
        helpDirectory = dir;
        userDirectory = dir;
        // The file is spelled in another case than the program asks for.
        fileName = Path("veldrim.ERR");
        Spit(fileName, kMessageFile);
        SetProgramParams(0, nullptr);
    }
    void Messages(std::initializer_list<std::string> texts) {
        ClearMessages();
        for (const auto& t : texts) AddMessage(t);
    }
    std::string fileName;
};

TEST_F(MessageDisplayTest, CauseAndRemedyByTheFifteenCharacterKey) {
    EXPECT_EQ(MessageTextFileName(), fileName);
    Messages({"Warnung: x > 1.5   (1)", "Warnung: x > 1.5   (2)", "Fatal  : a = 0 !", "Warnung: unbekannt", "Fehler : zuletzt"});
    struct Case { int k; const char *cause, *remedy; } cases[] = {
        {1, "Profilverschiebung sehr gross.", "Profilverschiebung verkleinern."},
        // Two messages that share their first 15 characters share the record.
        {2, "Profilverschiebung sehr gross.", "Profilverschiebung verkleinern."},
        {3, "Der Achsabstand ist null.", "Achsabstand eingeben."},
        // Not in the file, a key line that ends the file, outside the list: empty texts.
        {4, "", ""}, {5, "", ""}, {0, "", ""}, {6, "", ""},
    };
    for (bool fileThere : {true, false}) {
        if (!fileThere) std::filesystem::remove(fileName);  // no file: every text empty
        for (const auto& c : cases) {
            std::string cause = "text of an earlier message", remedy = "earlier remedy";
            GetMessageCause(c.k, cause);
            GetMessageRemedy(c.k, remedy);
            EXPECT_EQ(cause, fileThere ? c.cause : "") << c.k;
            EXPECT_EQ(remedy, fileThere ? c.remedy : "") << c.k;
        }
    }
}

TEST_F(MessageDisplayTest, NoMessagesGiveOnlyTheSuccessNoticeAndNoWindowNothing) {
    ClearMessages();
    ShowCalculationMessages();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, "Berechnung erfolgreich ohne Fehlermeldungen");
    const char* argv[] = {"veldrim", "demo.qb3", "/nogui"};
    SetProgramParams(3, argv);
    Messages({"Fatal  : a = 0 !"});
    ShowCalculationMessages();
    EXPECT_EQ(ui.calls.size(), 1u);
}

TEST_F(MessageDisplayTest, ListLeadsToTheExplanations) {
    Messages({"Fatal  : a = 0 !", "Warnung: x > 1.5   (2)"});
    ui.QueueChoice(0);  // the first message
    ui.QueueChoice(2);  // "Weiter/zurück..."
    ShowCalculationMessages();
    auto lists = ui.CallsOf("list");
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].title, "Berechnungsmodul meldet Warnungen oder Fehler, siehe Ursache und Abhilfe.");
    EXPECT_EQ(lists[0].text, "Fatal  : a = 0 !\nWarnung: x > 1.5   (2)\n" + std::string("Weiter/zurück..."_cp850) + "\n");
    auto explanations = ui.CallsOf("explanation");
    ASSERT_EQ(explanations.size(), 1u);
    EXPECT_EQ(explanations[0].title, "Fatal  : a = 0 !");
    EXPECT_EQ(explanations[0].text, "Der Achsabstand ist null.\nAchsabstand eingeben.");
    EXPECT_EQ(currentHelpNumber, 1210);
    EXPECT_FALSE(cancelFlag);
}

TEST_F(MessageDisplayTest, HelpLevelTwoWalksThroughAllMessages) {
    helpLevel = 2;
    Messages({"Fatal  : a = 0 !", "Warnung: x > 1.5   (2)", "Warnung: unbekannt"});
    for (int i = 0; i < 3; ++i) ui.QueueChoice(i);
    ShowCalculationMessages();
    EXPECT_EQ(ui.CallsOf("list").size(), 3u);
    EXPECT_EQ(ui.CallsOf("explanation").size(), 2u);
    // The third has no record: the notice instead of the window.
    EXPECT_EQ(ui.CallsOf("message").back().text, "keine Beschreibung dieser Fehlermeldung vorhanden.");
    EXPECT_EQ(ui.CallsOf("message").back().title, "Meldung");
}

TEST_F(MessageDisplayTest, CancelOrAMissingFileEndsTheListAtOnce) {
    Messages({"Fatal  : a = 0 !"});
    ShowCalculationMessages();  // no queued answer: cancel
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ui.CallsOf("list").size(), 1u);
    EXPECT_TRUE(ui.CallsOf("explanation").empty());

    std::filesystem::remove(fileName);
    cancelFlag = false;
    ui.QueueChoice(0);
    ShowCalculationMessages();
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ui.CallsOf("list").size(), 2u);
    ASSERT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_NE(ui.CallsOf("message")[0].text.find("nicht gefunden oder kein Zugriffsrecht !"), std::string::npos);
}

TEST_F(MessageDisplayTest, SaveReplacesTheRecordOfTheSameKeyOnly) {
    for (int round = 0; round < 3; ++round) {
        SaveMessageHelp("Warnung: x > 1.5   (1)", "Neue Ursache", "Neue\r\nAbhilfe");
        ASSERT_FALSE(cancelFlag);
    }
    std::string expected = kMessageFile;
    expected.replace(expected.find("Profilverschiebung sehr gross."), 30, "Neue Ursache");
    expected.replace(expected.find("Profilverschiebung verkleinern."), 31, "Neue  Abhilfe");
    EXPECT_EQ(Slurp(fileName), expected) << "the decoy stays, no empty lines grow";
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(MessageDisplayTest, SaveCompletesARecordAtTheEndAndLeavesUnknownMessagesAlone) {
    SaveMessageHelp("Warnung: nicht da", "c", "r");
    EXPECT_EQ(Slurp(fileName), kMessageFile);
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, "Warnung: nicht da not found.");
    SaveMessageHelp("Fehler : zuletzt", "Ursache", "Abhilfe");
    EXPECT_EQ(Slurp(fileName), kMessageFile + "Ursache\r\nAbhilfe\r\n");
}

TEST_F(MessageDisplayTest, FailedSaveKeepsTheFileAndSaysSo) {
    {
        FileSizeLimit limit(64);
        SaveMessageHelp("Fatal  : a = 0 !", "c", "r");
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Slurp(fileName), kMessageFile);
    EXPECT_EQ(FilesInDir(), 1u);
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, "Diskette/Platte voll");
}

// An edited explanation is saved when the user agrees; a long cause stays whole.
TEST_F(MessageDisplayTest, EditedExplanationIsSavedWhenTheUserAgrees) {
    const std::string longCause(300, 'u');
    SaveMessageHelp("Fatal  : a = 0 !", longCause, "alt");
    Messages({"Fatal  : a = 0 !"});
    const std::pair<Answer, const char*> edits[] = {{Answer::Yes, "neu"}, {Answer::No, "declined"}};
    for (auto [answer, remedy] : edits) {
        ui.explanationReplies.push_back(MessageExplanation{"Fatal  : a = 0 !", longCause, remedy});
        ui.QueueAnswer(answer);
        ShowMessageHelp(1);
    }
    EXPECT_EQ(ui.CallsOf("explanation")[0].text, longCause + "\nalt");
    EXPECT_EQ(ui.CallsOf("ask")[0].text, "Save Changes ?");
    std::string cause, remedy;
    GetMessageCause(1, cause);
    GetMessageRemedy(1, remedy);
    EXPECT_EQ(cause, longCause);
    EXPECT_EQ(remedy, "neu");
}

}  // namespace
}  // namespace veldrim
