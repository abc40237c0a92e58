#include "foundation/help_texts.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/message_display.h"
#include "foundation/text_conv.h"
#include "foundation_file_fixture.h"
#include "support/fault_calls.h"

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace veldrim {
namespace {

using testing::AsOrdinaryUser;
using testing::FaultCalls;
using testing::FileFixture;
using testing::FileSizeLimit;
using testing::HandToOrdinaryUser;
using testing::Slurp;

// Entries of the program's own help file: a picture, numbered line choices,
// an entry ending at the next header, one with five full lines, and one whose
// header and first line end the file.
const std::string kOwnHelp =
    "4500:SCHNECK\r\nZeile eins\r\nZeile zwei\r\n4502\r\nZeile drei "
    "gewaehlt\r\n4509\r\nuebersprungen\r\nZeile fuenf\r\n"
    "4010\r\nEins\r\nZwei\r\n"
    "4015\r\na\r\nb\r\nc\r\nd\r\ne\r\n"
    "4020\r\nnur eine Zeile\r\n";

class HelpTextsTest : public FileFixture {
protected:
    void SetUp() override {
        FileFixture::SetUp();
        helpDirectory = dir;
        Spit(Path("veldrim.hlp"), "3055\r\nDatei existiert.\r\nueberschreiben?\r\n4000\r\nx\r\n");
        programShortName = "WORMS";
        Spit(Path("Worms.Hlp"), kOwnHelp);  // spelled differently on disk
    }
    static void Capture(const std::string& path) { pictures.push_back(path); }
    static inline std::vector<std::string> pictures;
};

TEST_F(HelpTextsTest, HeaderParsingAndFileByNumber) {
    struct Case {
        const char* line;
        int number;
        const char* picture;
    } cases[] = {{"4500:SCHNECK", 4500, "SCHNECK"},
                 {"4500", 4500, "NULL"},
                 {"Text", -1, "NULL"},
                 {"12ab:x", -1, "x"},
                 {"", -1, "NULL"},
                 {"4500: bild ", 4500, "bild"}};
    for (const auto& c : cases) {
        int n = 0;
        std::string pic;
        ParseHelpHeader(c.line, n, pic);
        EXPECT_EQ(std::to_string(n) + " " + pic, std::to_string(c.number) + " " + c.picture)
            << c.line;
    }
    std::string common, own;
    HelpFileName(3055, common), HelpFileName(4000, own);
    EXPECT_EQ(common + "|" + own, Path("veldrim.hlp") + "|" + Path("worms.hlp"));
}

TEST_F(HelpTextsTest, EntryLinesByTheFormatRules) {
    HelpEntry e = FindHelpEntry(4500);
    ASSERT_EQ(e.status, HelpEntry::Status::Found);
    EXPECT_EQ(e.picture, "SCHNECK");
    EXPECT_FALSE(e.endedAtNextHeader);
    EXPECT_EQ(e.lines,
              (HelpLines{"Zeile eins", "Zeile zwei", "Zeile drei gewaehlt", "", "Zeile fuenf"}));
    e = FindHelpEntry(4010);
    EXPECT_EQ(e.lines, (HelpLines{"Eins", "Zwei", "", "", ""}));
    EXPECT_TRUE(e.endedAtNextHeader);
    // 4020: the header ends the file.
    for (int n : {4020, 4025})
        EXPECT_EQ(FindHelpEntry(n).status, HelpEntry::Status::EntryMissing) << n;
}

TEST_F(HelpTextsTest, HintTexts) {
    const std::pair<int, std::string> cases[] = {
        // five full lines never get the number
        {4010, "Eins Zwei    (4010)"},
        {4015, "a b c d e"},
        {4020, "Hilfetext Nr 4020: keine Hilfe vorhanden."}};
    helpLevel = 2;
    std::string text;
    for (const auto& [n, want] : cases) {
        GetHelpText(n, text);
        EXPECT_EQ(text, want) << n;
    }
    // A read of the file that fails, its first or the one that would find
    // the end of 4020, is told as such: neither an entry nor a missing one.
    for (const auto& [n, read] : {std::pair{4500, 1L}, std::pair{4020, 2L}}) {
        FaultCalls fail(FaultCalls::kFailRead, read, EIO);
        FaultCalls::ReadsOf("Worms.Hlp");
        GetHelpText(n, text);
        EXPECT_EQ(text, "Fehler beim Lesen von " + Path("Worms.Hlp") + " (Input/output error)")
            << n;
        FaultCalls again(FaultCalls::kFailRead, read, EIO);
        FaultCalls::ReadsOf("Worms.Hlp");
        EXPECT_EQ(FindHelpEntry(n).status, HelpEntry::Status::Unreadable) << n;
    }
    std::filesystem::remove(Path("Worms.Hlp"));
    cancelFlag = true;
    GetHelpText(4500, text);
    EXPECT_EQ(text, "Datei " + Path("worms.hlp") + " nicht gefunden !");
    EXPECT_FALSE(cancelFlag);
}

TEST_F(HelpTextsTest, ShowModesPicturesAndTheCancelFlag) {
    pictures.clear();
    helpPictureHook = &HelpTextsTest::Capture;
    Spit(Path("schneck.plt"), "IN;");
    cancelFlag = true;
    ShowHelpText(4500, "", kHelpTextOnly);
    EXPECT_FALSE(cancelFlag);
    EXPECT_THAT(pictures, IsEmpty());
    ShowHelpText(4500, "", kHelpPictureOnly);
    EXPECT_EQ(Calls(),
              std::vector<std::string>{
                  "HILFETEXT Nr.4500|Zeile eins Zeile zwei Zeile drei gewaehlt  Zeile fuenf "});
    // An entry without picture leaves the window alone; a missing entry asks for "null.plt".
    cancelFlag = true;
    ShowHelpText(4010, "", kHelpTextAndPicture);
    EXPECT_TRUE(cancelFlag);  // ended at the next header
    ShowHelpText(4095, "", kHelpPictureOnly);
    EXPECT_EQ(pictures, (std::vector<std::string>{Path("schneck.plt"), Path("null.plt")}));
    SetHelpNumber(4095);
    ShowHelpText(0, "", kHelpTextOnly);
    EXPECT_EQ(ui.calls.back().text, "Hilfetext Nr 4095: keine Hilfe vorhanden.     ");
}

TEST_F(HelpTextsTest, PictureWithoutGraphicsGivesANotice) {
    ShowHelpText(4500, "", kHelpPictureOnly);
    EXPECT_EQ(Shown(),
              std::vector<std::string>{
                  "Hilfebild SCHNECK kann nicht gezeigt werden: keine Grafikausgabe vorhanden."});
}

// The picture of an entry that has none ("KA ?" asks for entry 4010's) shows
// the entry's text, and the window is not cleared for it.
TEST_F(HelpTextsTest, AskedForAPictureItDoesNotHaveAnEntryShowsItsText) {
    pictures.clear();
    helpPictureHook = &HelpTextsTest::Capture;
    ShowHelpText(4010, "", kHelpPictureOnly);
    EXPECT_THAT(pictures, IsEmpty());
    EXPECT_EQ(Calls(), std::vector<std::string>{"HILFETEXT Nr.4010|Eins Zwei    "});
}

TEST_F(HelpTextsTest, MalformedFilesNeverCrash) {
    const std::string inputs[] = {"",
                                  "\n",
                                  "4500",
                                  "4500\r\n",
                                  "4500\r\n\r\n4501",
                                  "4500:\r\n4501\r\n",
                                  std::string(5000, '9'),
                                  "4500\r\nx\r\n4501\r\n",
                                  std::string("4500\r\n\0\0\0\r\n4502\r\n\xff\xfe", 19)};
    for (const auto& in : inputs) {
        Spit(Path("Worms.Hlp"), in);
        std::string text;
        GetHelpText(4500, text);
        for (const auto& l : FindHelpEntry(4500).lines) EXPECT_LE(l.size(), in.size());
    }
}

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
        helpDirectory = userDirectory = dir;
        // The file is spelled in another case than the program asks for.
        fileName = Path("veldrim.ERR");
        Spit(fileName, kMessageFile);
        SetProgramParams(0, nullptr);
        userDataDirectory = Path("user");
        userCopy = Path("user/VELDRIM.err");
    }
    std::size_t FilesInUserFolder() const {
        std::error_code ec;
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(userDataDirectory, ec), {}));
    }
    void Messages(std::initializer_list<std::string> texts) {
        ClearMessages();
        for (const auto& t : texts) AddMessage(t);
    }
    std::string fileName;
    std::string userCopy;  // where edited explanations go
};

TEST_F(MessageDisplayTest, CauseAndRemedyByTheFifteenCharacterKey) {
    EXPECT_EQ(MessageTextFileName(), fileName);
    Messages({"Warnung: x > 1.5   (1)", "Warnung: x > 1.5   (2)", "Fatal  : a = 0 !",
              "Warnung: unbekannt", "Fehler : zuletzt"});
    struct Case {
        int k;
        const char *cause, *remedy;
    } cases[] = {
        {1, "Profilverschiebung sehr gross.", "Profilverschiebung verkleinern."},
        // Two messages that share their first 15 characters share the record.
        {2, "Profilverschiebung sehr gross.", "Profilverschiebung verkleinern."},
        {3, "Der Achsabstand ist null.", "Achsabstand eingeben."},
        // Not in the file, a key line that ends the file: the file's fallback
        // cause and no remedy; outside the list: empty texts.
        {4, "keine Beschreibung dieser Fehlermeldung vorhanden.", ""},
        {5, "keine Beschreibung dieser Fehlermeldung vorhanden.", ""},
        {0, "", ""},
        {6, "", ""},
    };
    // A read that fails on the way, where the file would end after the key
    // of message 5, gives the failure in place of the cause.
    {
        FaultCalls fail(FaultCalls::kFailRead, 2, EIO);
        FaultCalls::ReadsOf("veldrim.ERR");
        std::string cause, remedy = "earlier remedy";
        GetMessageCause(5, cause);
        EXPECT_EQ(cause, "Fehler beim Lesen von " + fileName + " (Input/output error)");
        FaultCalls::ReadsOf("");
        FaultCalls again(FaultCalls::kFailRead, 1, EIO);
        GetMessageRemedy(5, remedy);
        EXPECT_EQ(remedy, "");
    }
    for (bool fileThere : {true, false}) {
        if (!fileThere) std::filesystem::remove(fileName);  // no file: every text empty
        for (const auto& c : cases) {
            std::string cause = "text of an earlier message", remedy = "earlier remedy";
            GetMessageCause(c.k, cause), GetMessageRemedy(c.k, remedy);
            EXPECT_EQ(cause + "|" + remedy, fileThere ? std::string(c.cause) + "|" + c.remedy : "|")
                << c.k;
        }
    }
}

TEST_F(MessageDisplayTest, NoMessagesGiveOnlyTheSuccessNoticeAndNoWindowNothing) {
    ClearMessages();
    ShowCalculationMessages();
    const char* argv[] = {"veldrim", "demo.qb3", "/nogui"};
    SetProgramParams(3, argv);
    Messages({"Fatal  : a = 0 !"});
    ShowCalculationMessages();
    EXPECT_EQ(Shown(), std::vector<std::string>{"Berechnung erfolgreich ohne Fehlermeldungen"});
    EXPECT_EQ(ui.calls.size(), 1u);
}

TEST_F(MessageDisplayTest, ListLeadsToTheExplanations) {
    Messages({"Fatal  : a = 0 !", "Warnung: x > 1.5   (2)"});
    ui.QueueChoice(0);  // the first message
    ui.QueueChoice(2);  // "Weiter/zurück..."
    ShowCalculationMessages();
    const auto lists = ui.CallsOf("list");
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].title + "|" + lists[0].text,
              "Berechnungsmodul meldet Warnungen oder Fehler, siehe Ursache und Abhilfe.|"
              "Fatal  : a = 0 !\nWarnung: x > 1.5   (2)\n" +
                  std::string("Weiter/zurück..."_cp850) + "\n");
    EXPECT_EQ(Calls("explanation"),
              std::vector<std::string>{
                  "Fatal  : a = 0 !|Der Achsabstand ist null.\nAchsabstand eingeben."});
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
    EXPECT_EQ(Calls("message"), std::vector<std::string>{
                                    "Meldung|keine Beschreibung dieser Fehlermeldung vorhanden."});
}

TEST_F(MessageDisplayTest, CancelOrAMissingFileEndsTheListAtOnce) {
    Messages({"Fatal  : a = 0 !"});
    ShowCalculationMessages();  // no queued answer: cancel
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ui.CallsOf("list").size(), 1u);
    EXPECT_THAT(ui.CallsOf("explanation"), IsEmpty());

    std::filesystem::remove(fileName);
    cancelFlag = false;
    ui.QueueChoice(0);
    ShowCalculationMessages();
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ui.CallsOf("list").size(), 2u);
    EXPECT_EQ(Shown(), std::vector<std::string>{"Datei " + Path("VELDRIM.err") +
                                                " nicht gefunden oder kein Zugriffsrecht !"});
}

TEST_F(MessageDisplayTest, SaveReplacesTheRecordOfTheSameKeyOnly) {
    for (int round = 0; round < 3; ++round) {
        SaveMessageHelp("Warnung: x > 1.5   (1)", "Neue Ursache", "Neue\r\nAbhilfe");
        ASSERT_FALSE(cancelFlag);
    }
    std::string expected = kMessageFile;
    expected.replace(expected.find("Profilverschiebung sehr gross."), 30, "Neue Ursache");
    expected.replace(expected.find("Profilverschiebung verkleinern."), 31, "Neue  Abhilfe");
    EXPECT_EQ(Slurp(userCopy), expected) << "the decoy stays, no empty lines grow";
    EXPECT_EQ(Slurp(fileName), kMessageFile) << "the installed file";
    EXPECT_EQ(FilesInUserFolder(), 1u) << "no temporary file left";
}

TEST_F(MessageDisplayTest, SaveCompletesARecordAtTheEndAndLeavesUnknownMessagesAlone) {
    SaveMessageHelp("Warnung: nicht da", "c", "r");
    EXPECT_FALSE(std::filesystem::exists(userCopy));
    EXPECT_EQ(Shown(), std::vector<std::string>{"Warnung: nicht da not found."});
    SaveMessageHelp("Fehler : zuletzt", "Ursache", "Abhilfe");
    EXPECT_EQ(Slurp(userCopy), kMessageFile + "Ursache\r\nAbhilfe\r\n");
    EXPECT_EQ(Slurp(fileName), kMessageFile) << "the installed file";
}

TEST_F(MessageDisplayTest, FailedSaveKeepsTheFileAndSaysSo) {
    {
        FileSizeLimit limit(64);
        SaveMessageHelp("Fatal  : a = 0 !", "c", "r");
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(FilesInUserFolder(), 0u) << "neither a copy nor a temporary file";
    EXPECT_EQ(Slurp(fileName), kMessageFile);
    EXPECT_EQ(Shown(), std::vector<std::string>{"Diskette/Platte voll"});
}

// Edited explanations go into the user's copy and are read back from it;
// the installed file, in a folder the user may not write, keeps every byte
// and its inode (it is not even replaced by an equal file). The copy holds
// the other records as the installed file has them.
TEST_F(MessageDisplayTest, EditsGoIntoTheUserCopyAndTheInstalledFileStaysAsItWas) {
    namespace fs = std::filesystem;
    const std::string installed = Path("share/VELDRIM.err");
    fs::create_directories(Path("share"));
    fs::rename(fileName, installed);
    helpDirectory = Path("share");
    userDataDirectory = Path("home/.local/share/veldrim");  // made by the save
    ASSERT_EQ(::chmod(installed.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(Path("share").c_str(), 0555), 0);
    struct stat before {};
    ASSERT_EQ(::stat(installed.c_str(), &before), 0);
    EXPECT_EQ(MessageTextFileName(), installed) << "no copy yet";

    Messages({"Fatal  : a = 0 !", "Warnung: x > 1.5   (1)"});
    ui.explanationReplies.push_back(MessageExplanation{
        "Fatal  : a = 0 !", "Der Achsabstand ist null.", "Achsabstand > 0 eingeben."});
    ui.QueueAnswer(Answer::Yes);
    ShowMessageHelp(1);
    EXPECT_FALSE(cancelFlag);
    EXPECT_THAT(Shown(), IsEmpty()) << "no failure to report";

    const std::string copy = Path("home/.local/share/veldrim/VELDRIM.err");
    EXPECT_EQ(MessageTextFileName(), copy);
    std::string remedy, cause;
    GetMessageRemedy(1, remedy);
    EXPECT_EQ(remedy, "Achsabstand > 0 eingeben.");
    GetMessageCause(2, cause);
    EXPECT_EQ(cause, "Profilverschiebung sehr gross.") << "the other records come along";
    // A second edit changes the copy again, still not the installed file.
    SaveMessageHelp("Warnung: x > 1.5   (1)", "Neue Ursache", "Neue Abhilfe");
    GetMessageCause(2, cause);
    EXPECT_EQ(cause, "Neue Ursache");

    EXPECT_EQ(Slurp(installed), kMessageFile);
    struct stat after {};
    ASSERT_EQ(::stat(installed.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    ::chmod(Path("share").c_str(), 0755);
}

// Installed into the user's own folder (make install PREFIX=~/.local), the
// help directory is the user data folder: the edit goes into the one file
// there and is read back from it.
TEST_F(MessageDisplayTest, InstalledIntoTheUserDataFolderTheEditIsSavedThere) {
    userDataDirectory = dir + "/";
    Messages({"Fatal  : a = 0 !"});
    ui.explanationReplies.push_back(MessageExplanation{
        "Fatal  : a = 0 !", "Der Achsabstand ist null.", "Achsabstand > 0 eingeben."});
    ui.QueueAnswer(Answer::Yes);
    ShowMessageHelp(1);
    EXPECT_FALSE(cancelFlag);
    EXPECT_THAT(Shown(), IsEmpty()) << "no refusal";
    std::string remedy;
    GetMessageRemedy(1, remedy);
    EXPECT_EQ(remedy, "Achsabstand > 0 eingeben.");
    std::string expected = kMessageFile;
    expected.replace(expected.find("Achsabstand eingeben."), 21, "Achsabstand > 0 eingeben.");
    EXPECT_EQ(Slurp(fileName), expected);
    EXPECT_EQ(FilesInDir(), 1u) << "no second copy, no temporary file";
}

// The same folder without write permission (run as an ordinary user: root
// writes anywhere) refuses the edit with the message about rights, and the
// file keeps every byte.
TEST_F(MessageDisplayTest, InstalledIntoAReadOnlyUserDataFolderTheEditIsRefused) {
    const std::string share = Path("share"), file = Path("share/veldrim.err");
    ASSERT_EQ(::mkdir(share.c_str(), 0755), 0);
    std::filesystem::rename(fileName, file);
    helpDirectory = userDataDirectory = share;
    ASSERT_TRUE(HandToOrdinaryUser(share));
    ASSERT_TRUE(HandToOrdinaryUser(file));
    ASSERT_EQ(::chmod(share.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    const std::string got = AsOrdinaryUser([&] {
        SaveMessageHelp("Fatal  : a = 0 !", "c", "r");
        std::string out = cancelFlag ? "cancelled\n" : "";
        for (const std::string& text : Shown()) out += text + "\n";
        return out;
    });
    EXPECT_EQ(got, "cancelled\nIn den Ordner \"" + share +
                       "\" darf nicht geschrieben werden: kein Schreibrecht !\n");
    EXPECT_EQ(Slurp(file), kMessageFile);
    ::chmod(share.c_str(), 0755);
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
    EXPECT_EQ(Shown("explanation")[0] + "|" + Shown("ask")[0], longCause + "\nalt|Save Changes ?");
    std::string cause, remedy;
    GetMessageCause(1, cause), GetMessageRemedy(1, remedy);
    EXPECT_EQ(cause + "|" + remedy, longCause + "|neu");
}

// The shipped message and help text files are complete and keep their format.
const std::string kDataDir = VELDRIM_DATA_DIR;

// One message the calculation can add per record key (its first 15 characters).
const char* const kCalculationMessages[] = {
    "Fatal  : z2 = 0 !",
    "Warnung: alpha !",
    "Fatal  : dm1/a >= 2 !",
    "Fatal  : m <= 0 !",
    "Fatal  : a <= 0 !",
    "Fatal  : gamma-b (div)",
    "Error : Fatal  : gamma-b arccos(1,2)",
    "Fatal  : db (div)",
    "Fatal  : xz2 (sqrt)",
    "Fatal  : q (sqrt)",
    "Warnung: ZI: x < -0.5 !",
    "Warnung: ZH: x < 0 !",
    "Warnung: dm1/a < 0.25 !",
    "Fehler : b2 > da1 !",
    "Fehler : da1-df2 Collision !",
    "Fehler : da2-df1 Collision !",
    "Fehler : db > da  (1)",
    "Fehler : db2 > 2a-da1 ! (1)",
    "Fehler : dw cut (sqrt)",
    "Fehler : df < dBore ! (1)",
    "Fatal  : E1 = 0 !",
    "Fatal  : E2 = 0 !",
    "Fehler : z1 <= 0 !",
    "Fehler : z2 <= 0 !",
    "Fatal  : u (div)",
    "Fatal  : n1 (div)",
    "Fatal  : n2 (div)",
    "Fatal  : vgm (div)",
    "Fatal  : Pv0 (pow)",
    "Fatal  : P0 = 0 !",
    "Fatal  : Pv > P !",
    "Fatal  : eta-z (div)",
    "Fatal  : Ftm (div)",
    "Fatal  : Ftm2 (div)",
    "Fatal  : Fnm (div)",
    "Fatal  : Frm (div)",
    "Fehler : ZE (sqrt)",
    "SigHlim2 ! (div)",
    "Fatal  : CHE (pow)",
    "Fatal  : Zn (pow)",
    "Fatal  : SH ! (div)",
    "Fatal  : SF (div)",
    "Fatal  : NL = 0 !",
    "Fehler : T2 = 0 !",
    "Fehler : visko = 0 !",
    "Warnung: SH<1  (1)",
    "Warnung: SF<1  (1)",
    "Warnung: Zahnbreite !  (1)",
    "Kn (pow)",
    "Ks (pow)",
    "Kv (pow)",
    "YNL (pow)",
    "Fatal  : a = 0 !",
    "Fatal  : gamma m = 0 !",
    "Fatal  : z = 0 !",
    "Fehler : DmMess (pow)",
    "Error : Fehler : DmMess arccos(1,2)",
    "Fatal  : Kugelmaß DmMess !",
    "Error : kmess arccos(1,2)",
    "Fehler : Dm ball !  (3.5mm)",
    "Warnung: Dm ball   (3.5mm)",
    "Fehler : dbk > dFa1 !",
    "Fatal  : pm < 0 !",
    "Fehler : pm < 0 ! DIN 3996:1998",
    "Fehler : SW < 1.1 ! DIN 3996:1998",
    "Fehler : SH < 1.0 !  DIN 3996:2012",
    "Fehler : SF < 1.1 ! DIN 3996:2012",
    "Fehler : T1/Wt>Sig.Flim !",
    "YG (sqrt)",
    "zvdin (sqrt)",
    "Fatal  : alpha !",
    "Fatal  : beta > 45!",
    "Fatal  : mn <= 0!",
    "Fatal  : b <= 0!",
    "Fehler : z1 < 0 !",
    "Fehler : z2 < z1 !",
    "Achsabstand angepaßt !",
    "Warnung: q tol < Tsn/2  (1)",
    "Fatal  : Unit0",
    "Fatal  : Unit1",
    "Fatal  : Unit2",
    "Fehler : Fp (pow)",
    "Fehler : Fr (pow)",
    "Fehler : Rs (pow)",
    "Fehler : FHß5 (pow)",
    "Fi' (pow)",
    "Fp2 (pow)",
    "Fpz (pow)",
    "Fr (pow)",
    "Warnung: Fr: (0.5<=mn<=70)",
    "Warnung: Fr: (5<=d<=15000)",
    "Warnung: fis: (1<=mn<=50)",
    "Warnung: Tsn < 2Rs !  (1)",
    "Fatal: Fhfbeta !",
    "Invalid Data !",
    "Fatal  : Zahnweite !",
    "Warnung: Spitzzahn ! (1)",
    "Warnung: Unterschnitt ! (1)",
    "Warnung: cffmin < 0 ! (-0.1mm)",
    "Fehler : Zahnspiel < 0 ! (1)",
    "Warnung: Zahnspiel < 0.12mn ! (1)",
    "eps.alpha < 1 !",
    "eps.beta < 1 !",
    "eps.gamma < 1 !",
    "Warnung: x > 1.5   (1) !",
    "alfa prP0 > alfa !",
    "alfa kP0 < alfa !",
    "Warnung: k measure  W 1 !",
    "Warnung: b < b min. (1)",
    "Warnung: Asne < Aau !  (1)",
    "Warnung: jtmin < 0 !",
    "Warnung: Tsn DIN d<2 !",
    "Warnung: Tol. Asne,Asni!",
    "Warnung: ISO 6336 -> ISO 1328",
    "Fatal  : Asni > mn ! (1)",
    "Fehler : xemin>xemax (1)",
    "Fehler : dw < df ! (1)",
    "Fehler : dw > da ! (1)",
    "Warnung: beff > b ! (1)",
    "Warnung: x2 > 0",
    "Fehler : confgraf",
    "Fatal  : da = 0 !",
    "Fehler : cos(alpha t)*d/da)>1",
    "Fehler : Eingr.stör. da1 !",
    "Fehler : eps.alpha (sqrt)",
    "Fehler : g alpha (sqrt)",
    "Fatal  : epsilon alpha <=0 !",
    "Fehler : dnf1 (sqrt)",
    "Fehler : dnf2 (sqrt)",
    "Fehler : kmn < 0 !  (1)",
    "Fatal  : ArcCos(cos(alpha t)*d/da)>1 !",
    "Error :  arccos(1,2)",
    "Error: ArcInv in unit math",
    "Fehler in GetArcCenter (dphi = 0)",
};
// The warnings of a design variant that cannot be applied.
const char* const kDesignVariantMessages[] = {"Warnung: z1 < 1 ! Variante entfällt",
                                              "Warnung: dm1 <= 0 ! Variante entfällt",
                                              "Warnung: a <= 0 ! Variante entfällt"};

// Every help number the program sets, with the hints of the online dialogs.
const int kHelpNumbers[] = {
    1000, 1050, 1060, 1070, 1210, 1950, 1970, 2050, 2055, 2060, 2080, 2090, 2120, 2130,
    2140, 2145, 2150, 2160, 2280, 2450, 2900, 3055, 3210, 4000, 4010, 4030, 4500, 5040,
    6000, 6010, 6020, 6030, 6040, 6050, 6060, 6070, 6080, 6090, 6100, 6110, 6120, 6130,
    6140, 6150, 6160, 6170, 6180, 6190, 6200, 6210, 6220, 7000, 7010, 7020, 7030, 7040,
    7050, 7060, 7070, 7080, 7090, 7100, 7110, 7120, 7520, 9260, 9500,
};

class ShippedTextsTest : public testing::StateFixture {
protected:
    void SetUp() override { StateFixture::SetUp(), helpDirectory = kDataDir; }
};

TEST_F(ShippedTextsTest, EveryCalculationMessageHasCauseAndRemedy) {
    const std::string file = MessageTextFileName();
    std::vector<std::string> messages(std::begin(kCalculationMessages),
                                      std::end(kCalculationMessages));
    messages.insert(messages.end(), std::begin(kDesignVariantMessages),
                    std::end(kDesignVariantMessages));
    // The angle guards name the tenth of the angle range they check.
    for (char tenth : std::string("-123456789IN"))
        for (const char* f : {"Sin ", "Cos "})
            messages.push_back(std::string("Error: Arc") + f + tenth + "5");
    for (const std::string& utf8 : messages) {
        const auto entry = FindMessageHelp(file, Utf8ToCp850(utf8));
        ASSERT_TRUE(entry.has_value()) << utf8;
        EXPECT_TRUE(entry->hasRemedy) << utf8;
        EXPECT_THAT(entry->cause, Not(IsEmpty())) << utf8;
        EXPECT_THAT(entry->remedy, Not(IsEmpty())) << utf8;
    }
}

TEST_F(ShippedTextsTest, MessageFileHasOneRecordPerKey) {
    const std::string bytes = Slurp(MessageTextFileName());
    // Records are key, cause, remedy and an empty line after two heading lines.
    const auto lines = testing::CrLfLines(bytes);
    ASSERT_GT(lines.size(), 100u);
    EXPECT_THAT(bytes, EndsWith("\r\n")) << "every line ends with CR LF";
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), std::ssize(lines))
        << "every line ends with CR LF";
    std::set<std::string> keys;
    for (std::size_t i = 3; i + 2 < lines.size(); i += 4) {
        EXPECT_TRUE(keys.insert(lines[i].substr(0, kMessageKeyLength)).second) << lines[i];
        if (i + 3 < lines.size()) {
            EXPECT_THAT(lines[i + 3], IsEmpty()) << lines[i];
        }
    }
    EXPECT_EQ(keys.size(), (lines.size() - 3) / 4);
}

TEST_F(ShippedTextsTest, EveryHelpNumberHasAnEntry) {
    for (int n : kHelpNumbers) {
        HelpEntry e = FindHelpEntry(n);
        ASSERT_EQ(e.status, HelpEntry::Status::Found) << n;
        EXPECT_THAT(e.lines[0], Not(IsEmpty())) << n;
        // A named help picture is shipped beside the help file.
        if (e.picture != "NULL") {
            EXPECT_TRUE(FileExists(FindFileNoCase(kDataDir + "/" + e.picture + ".plt")))
                << e.picture;
        }
        std::string text;
        GetHelpText(n, text);
        EXPECT_EQ(text.find("keine Hilfe vorhanden"), std::string::npos) << n;
    }
}

TEST_F(ShippedTextsTest, FilesAreCodePage850) {
    for (const char* name : {"VELDRIM.err", "veldrim.hlp"}) {
        const std::string bytes = Slurp(kDataDir + "/" + name);
        // German umlauts appear as code page 850 bytes, never as UTF-8.
        EXPECT_NE(bytes.find('\x84'), std::string::npos) << name;
        EXPECT_THAT(bytes, Not(HasSubstr("\xC3\xA4"))) << name;
    }
}

}  // namespace
}  // namespace veldrim
