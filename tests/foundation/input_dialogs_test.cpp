#include "foundation/input_dialogs.h"

#include <algorithm>
#include <unistd.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <gmock/gmock.h>

#include "app/app_state.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/message_boxes.h"
#include "foundation/text_file.h"
#include "foundation_file_fixture.h"

using ::testing::EndsWith;
using ::testing::StartsWith;

using ::testing::IsEmpty;

namespace veldrim {
namespace {

using testing::AsOrdinaryUser;
using testing::FileFixture;
using testing::HandToOrdinaryUser;

class InputDialogsTest : public FileFixture {
protected:
    void Replies(std::initializer_list<const char*> texts) {
        for (const char* t : texts) ui.QueueText(std::string(t));
    }
};

const std::string kInvalid = "Ungültige Eingabe "_cp850.data();
const std::string kRange = "Gültiger Wertebereich: "_cp850.data();

TEST_F(InputDialogsTest, ListChoice) {
    for (int i = 1; i <= 8; ++i) choiceBuffer[i] = "Eintrag " + std::to_string(i);
    struct Case {
        int count, indexBefore;
        std::optional<int> reply;
        int indexAfter;
        bool cancelled;
    } cases[] = {
        {7, 3, 4, 5, false}, {8, 0, 0, 1, false},
        {8, 9, 7, 8, false}, {8, 3, std::nullopt, 3, true},
        {8, 3, 8, 3, true},  // cancel; a reply outside the list
        {0, 3, 0, 3, true},
    };
    for (const auto& c : cases) {
        cancelFlag = !c.cancelled;
        ui.replies.clear();
        ui.QueueChoice(c.reply);
        int index = c.indexBefore;
        ChooseFromList("Wahl", c.count, index);
        EXPECT_EQ(std::make_pair(index, bool(cancelFlag)),
                  std::make_pair(c.indexAfter, c.cancelled))
            << c.count << " " << c.indexBefore;
    }
    const std::string firstList = ui.CallsOf("list").at(0).text;  // the seven entries offered
    EXPECT_THAT(firstList, StartsWith("Eintrag 1\n")) << firstList;
    EXPECT_THAT(firstList, EndsWith("\nEintrag 7\n")) << firstList;
    EXPECT_EQ(std::count(firstList.begin(), firstList.end(), '\n'), 7);
}

TEST_F(InputDialogsTest, YesNoAndCancel) {
    // The reply: a choice and OK, OK on what is shown, or a close without OK.
    struct Case {
        std::optional<Answer> reply;
        char before, after;
        bool cancelled;
    } cases[] = {{Answer::Yes, 'N', 'J', false},   {Answer::No, 'J', 'N', false},
                 {Answer::Ok, 'n', 'N', false},    {Answer::Ok, 'J', 'J', false},
                 {Answer::Ok, 'x', 'J', false},  // anything but N shows "&Ja"
                 {Answer::Cancel, 'J', 'J', true}, {std::nullopt, 'N', 'N', true}};
    for (const auto& c : cases) {
        ui.replies.clear();
        if (c.reply) ui.QueueAnswer(*c.reply);
        char answer = c.before;
        AskYesNoChar("Weiter ?", answer);
        EXPECT_EQ(answer, c.after) << "before " << c.before;
        EXPECT_EQ(cancelFlag, c.cancelled) << "before " << c.before;
    }
    const auto asked = ui.CallsOf("yes-no");
    ASSERT_EQ(asked.size(), 7u);
    // The answer shown first: "&Nein" for N and n, "&Ja" otherwise.
    const char* preselected[] = {"N", "J", "N", "J", "J", "J", "N"};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(asked[i].title, preselected[i]) << i;
    EXPECT_EQ(asked[0].text, "Weiter ?");
    bool flag = false;
    ui.QueueAnswer(Answer::Ok);
    AskYesNo("Frage", flag);
    EXPECT_FALSE(flag) << "no stays no";
    EXPECT_EQ(ui.calls.back().title, "N");
    flag = true;
    ui.QueueAnswer(Answer::No);
    AskYesNo("Frage", flag),
        AskYesNo("Frage", flag);  // the second is cancelled: the answer No stays
    EXPECT_FALSE(flag);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, TextEntryCutsToTheLengthAndKeepsTheTextOnCancel) {
    std::string text = "alt";
    Replies({"Zahnrad-Getriebe"});
    InputTextDialog("Name", 8, text);
    EXPECT_EQ(text, "Zahnrad-");
    EXPECT_FALSE(cancelFlag);
    InputText("Name", 8, text);
    EXPECT_EQ(text, "Zahnrad-");
    EXPECT_TRUE(cancelFlag);
}

// The entry itself takes no more than its length (30 characters for a
// number, 12 for a whole number), and a refused entry beeps before its box.
TEST_F(InputDialogsTest, EntriesLimitTheirLengthAndBeepBeforeARefusal) {
    std::string text = "alt";
    Replies({"neu"});
    InputTextDialog("Name", 8, text);
    Real x = 5;
    Replies({"abc", "500", "12,5"});
    InputRealInRange("Modul", x, 0.1L, 100);
    std::int32_t n = 3;
    Replies({"0", "4"});
    InputLongInRange("z", n, 1, 10);
    ASSERT_EQ(ui.textEntries.size(), 6u);
    EXPECT_EQ(ui.textEntries[0].maxLength, 8);
    EXPECT_EQ(ui.textEntries[0].initial, "alt");
    EXPECT_EQ(ui.textEntries[1].maxLength, 30);
    EXPECT_EQ(ui.textEntries[1].initial, "5");
    EXPECT_EQ(ui.textEntries[4].maxLength, 12);
    std::vector<std::string> kinds;
    for (const auto& c : ui.calls) kinds.push_back(c.kind);
    EXPECT_EQ(kinds,
              (std::vector<std::string>{"text", "text", "beep", "message", "text", "beep",
                                        "message", "text", "text", "beep", "message", "text"}));
    EXPECT_EQ(x, 12.5L);
    EXPECT_EQ(n, 4);
}

TEST_F(InputDialogsTest, NumberEntryRetriesUntilValidAndKeepsTheValueOnCancel) {
    Real x = 5;
    Replies({"abc", "500", "12,5"});
    InputRealInRange("Modul", x, 0.1L, 100);
    EXPECT_EQ(x, 12.5L);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Shown(), (std::vector<std::string>{kInvalid + "\"abc\" !", kRange + "0.1 .. 100 !"}));
    EXPECT_EQ(ui.CallsOf("text").size(), 3u);

    // An unchanged text keeps the value exactly.
    x = 1.0L / 3;
    ui.QueueText(FormatNum(x));
    InputRealInRange("q", x, 0, 1);
    EXPECT_EQ(x, 1.0L / 3);

    x = 7;
    Replies({"x"});
    InputRealInRange("a", x, 0, 10);  // invalid, then cancel
    EXPECT_EQ(x, 7);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, IntegerEntryWithSwappedLimits) {
    std::int32_t n = 3;
    Replies({"11", "2.5", "10"});
    InputLongInRange("z", n, 10, 1);
    EXPECT_EQ(n, 10);
    EXPECT_EQ(Shown(), (std::vector<std::string>{kRange + "1 .. 10 !", kInvalid + "\"2.5\" !"}));
    std::uint16_t w = 4;
    Replies({"70000"});
    InputWordInRange("w", w, 0, 65535);  // refused, then cancel
    EXPECT_EQ(w, 4);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, LengthInInches) {
    unitSystem = 1;
    Real a = 50.8L;
    Replies({"3"});
    InputLength("Achsabstand a ", a, 0.01L, 100000);
    EXPECT_NEAR(static_cast<double>(a), 76.2, 1E-12);
    EXPECT_EQ(ui.calls.back().text, "Achsabstand a  [inch]");
    // Left unchanged or cancelled, the millimetres stay exactly.
    Real b = 40.123456789L;
    ui.QueueText(FormatNum(MmToInch(b)));
    InputLength("b", b, 0, 1000), InputLength("b", b, 0, 1000);
    EXPECT_EQ(b, 40.123456789L);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, InfoScreen) {
    productName = "VELDRIM";
    choiceBuffer[1] = "Zeile 1   ";
    choiceBuffer[22] = "Zeile 22";
    choiceBuffer[23] = "nicht gezeigt";
    ShowInfoScreen();
    const auto shown = ui.CallsOf("info-screen");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "VELDRIM");
    EXPECT_EQ(shown[0].text, "Zeile 1" + std::string(21, '\n') + "Zeile 22");
}

class MessageBoxesTest : public FileFixture {
protected:
    void SetUp() override {
        FileFixture::SetUp();
        archiveModeLockOption = false;
    }
};

TEST_F(MessageBoxesTest, CaptionsByKindAndShownTexts) {
    const std::pair<int, const char*> cases[] = {{kMessageError, "Fehler : "},
                                                 {kMessageHelp, "Hilfe"},
                                                 {kMessageInfo, "Meldung:"},
                                                 {kMessageNotice, "Meldung:"}};
    for (auto [kind, caption] : cases) {
        ui.calls.clear();
        MessageBoxKind("Text", kind);
        EXPECT_EQ(Calls(), std::vector<std::string>{std::string(caption) + "|Text"});
    }
    ui.calls.clear();
    ShowStatus("Hilfebild wird ausgegeben ..");  // status texts stay hidden
    errorDisplayFlag = false;
    ShowErrorIfEnabled("b");
    EXPECT_TRUE(ui.calls.empty());
    ShowInfo(std::string(300, 'x'));
    EXPECT_EQ(ui.calls.back().text.size(), 255u);
    codePageOption = 1;
    ShowInfo("Maß 20°"_cp850);
    EXPECT_EQ(ui.calls.back().text, "Mass 20deg");
}

TEST_F(MessageBoxesTest, YesNoCancelAnswers) {
    struct Case {
        Answer answer;
        bool flagBefore, result, flagAfter;
    } cases[] = {{Answer::Yes, false, true, false},
                 {Answer::No, true, false, true},
                 {Answer::Cancel, false, false, true}};
    for (const auto& c : cases) {
        cancelFlag = c.flagBefore;
        ui.QueueAnswer(c.answer);
        EXPECT_EQ(AskYesNoCancel("Weiter ?"), c.result);
        EXPECT_EQ(cancelFlag, c.flagAfter) << int(c.answer);
    }
}

TEST_F(MessageBoxesTest, ExistingFileIsAskedForAndNeverErased) {
    const std::string path = Path("gear.EXT");
    Spit(path, "old\r\n");
    const std::pair<Answer, bool> cases[] = {
        {Answer::No, true}, {Answer::Cancel, true}, {Answer::Yes, false}};
    for (auto [answer, cancelled] : cases) {
        cancelFlag = false, ui.calls.clear();
        ui.QueueAnswer(answer);
        CheckNewFileName(path);
        EXPECT_EQ(cancelFlag, cancelled);
        EXPECT_EQ(Shown("ask"),
                  std::vector<std::string>{path + " existiert bereits.   " +
                                           std::string("überschreiben"_cp850) + " ?"});
        EXPECT_EQ(Slurp(path), "old\r\n") << "never erased, no probe file left behind";
        EXPECT_EQ(FilesInDir(), 1u) << "never erased, no probe file left behind";
    }
    // The working file "aktuell" and a switched-off question are replaced silently.
    ui.calls.clear();
    Spit(Path("aktuell.EXT"), "x");
    CheckNewFileName(Path("aktuell.EXT"));
    askBeforeOverwriteFlag = false;
    CheckNewFileName(path);
    EXPECT_FALSE(cancelFlag);
    EXPECT_THAT(ui.calls, IsEmpty());
}

// Two dots are refused before anything is touched; an unwritable folder gives an invalid name.
// The dots of the set's name "teil.v2" are its own only where the name ends
// there: "teil.v2x.y.stp" holds two dots of its own.
TEST_F(MessageBoxesTest, RefusedNamesAreReportedAndTouchNothing) {
    const std::string invalid = "Ungültiger Dateiname \""_cp850.data();
    currentFileName = "teil.v2";
    const std::pair<std::string, std::string> cases[] = {
        {Path("a.b.EXT"), Path("a.b.EXT") + " not allowed (too many dots)!"},
        {Path("teil.v2x.y.stp"), Path("teil.v2x.y.stp") + " not allowed (too many dots)!"},
        {"/proc/gear.EXT", invalid + "/proc/gear.EXT\" !"},
        {Path("no-such-folder/gear.EXT"), invalid + Path("no-such-folder/gear.EXT") + "\" !"}};
    for (const auto& [path, text] : cases) {
        cancelFlag = false, ui.calls.clear();
        CheckNewFileName(path);
        EXPECT_TRUE(cancelFlag) << path;
        EXPECT_EQ(FilesInDir(), 0u) << path;
        EXPECT_EQ(Shown(), std::vector<std::string>{text});
    }
}

// Run as an ordinary user (root writes anywhere): a folder without write
// permission and a write-protected file each say in German which of them
// may not be written, both at the name check of Save As and at the save.
TEST_F(MessageBoxesTest, SavesThatMayNotBeWrittenSayWhyInGerman) {
    const std::string locked = Path("locked"), file = Path("alt.qb3");
    ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
    Spit(file, "old\r\n");
    ASSERT_TRUE(HandToOrdinaryUser(locked));
    ASSERT_TRUE(HandToOrdinaryUser(file));
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
    const std::string got = AsOrdinaryUser([&] {
        askBeforeOverwriteFlag = false;
        ui.calls.clear();
        cancelFlag = false;
        CheckNewFileName(locked + "/neu.qb3");
        cancelFlag = false;
        CheckNewFileName(file);
        WriteWholeFile(file, [] { WriteTextLine("neu"); });
        std::string out;
        for (const std::string& text : Shown()) out += text + "\n";
        return out;
    });
    const std::string folderText =
        "In den Ordner \"" + locked + "\" darf nicht geschrieben werden: kein Schreibrecht !";
    const std::string fileText = "Die Datei \"" + file + "\" ist schreibgesch\x81tzt und darf " +
                                 "nicht \x81" + "berschrieben werden !";
    EXPECT_EQ(got, folderText + "\n" + fileText + "\n" + fileText + "\n");
    EXPECT_EQ(Slurp(file), "old\r\n");
}

// Messages that name a file show its name as it is, also with letters that
// code page 850 lacks (the euro sign), where the window shows them.
TEST_F(MessageBoxesTest, MessagesNameFilesWithLettersOutsideCodePage850) {
    const std::string euro = Path("Getriebe-\xE2\x82\xAC.qb3");
    CheckFileReadable(euro);
    EXPECT_TRUE(cancelFlag);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Cp850ToUtf8Carried(Shown()[0]),
              "Datei " + euro + " nicht gefunden oder kein Zugriffsrecht !");
    ui.calls.clear();
    cancelFlag = false;
    CheckNewFileName(Path("a.b.") + "\xE2\x82\xAC");
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Cp850ToUtf8Carried(Shown()[0]),
              Path("a.b.") + "\xE2\x82\xAC not allowed (too many dots)!");
}

TEST_F(MessageBoxesTest, SaveNameFromDialogAndFromName) {
    dataDirectory = dir;
    dataFileExtension = "qb3";
    ui.QueueText(Path("neu.qb3"));
    std::string path;
    AskSaveFileName("", path);
    EXPECT_FALSE(cancelFlag) << path;
    EXPECT_EQ(path, Path("neu.qb3")) << path;
    EXPECT_EQ(currentFileName, "neu") << path;
    AskSaveFileName("zwei", path);
    EXPECT_EQ(path, Path("zwei.qb3"));
    AskSaveFileName("", path);  // no choice in the dialog
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(currentFileName, "neu");

    archiveModeFlag = archiveModeLockOption = true;
    path = "unchanged";
    AskSaveFileName("x", path);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(ui.calls.back().text,
              "File- und User- Befehle sind im Archivierungsmodus nicht möglich."_cp850);
}

// A name chosen in the dialog and then refused moves nothing: the data
// directory and the current file name stay those of the open data set.
TEST_F(MessageBoxesTest, RefusedDialogNameKeepsTheDataSetsFolderAndName) {
    const std::string other = Path("kunde");
    ASSERT_EQ(::mkdir(other.c_str(), 0755), 0);
    Spit(other + "/anderes.qb3", "x");
    dataDirectory = dir;
    dataFileExtension = "qb3";
    currentFileName = "G";
    ui.QueueText(other + "/anderes.qb3");
    ui.QueueAnswer(Answer::No);
    std::string path;
    AskSaveFileName("", path);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(dataDirectory, dir);
    EXPECT_EQ(currentFileName, "G");
    cancelFlag = false;
    ui.QueueText(other + "/anderes.qb3");
    ui.QueueAnswer(Answer::Yes);
    AskSaveFileName("", path);
    EXPECT_EQ(dataDirectory, other);
    EXPECT_EQ(currentFileName, "anderes");
}

// A folder where the file would go is not offered for replacing: it is
// refused as a folder.
TEST_F(MessageBoxesTest, AFolderInTheFilesPlaceIsNotAskedAbout) {
    ASSERT_EQ(::mkdir(Path("x.pdf").c_str(), 0755), 0);
    EXPECT_FALSE(ConfirmReplace(Path("x.pdf")));
    EXPECT_TRUE(cancelFlag);
    EXPECT_THAT(ui.CallsOf("ask"), IsEmpty());
    EXPECT_EQ(Shown(),
              std::vector<std::string>{"Datei " + Path("x.pdf") +
                                       " ist ein Ordner und wird nicht \x81" + "berschrieben !"});
}

TEST_F(MessageBoxesTest, OpenDialogsCancelled) {
    std::string folder = dir + "/", name = "keep";
    ui.QueueText(Path("set.qb9"));
    ChooseOpenFile(4, folder, "*.qb9", name);
    EXPECT_EQ(folder + "|" + name + "|" + dataFileExtension, dir + "|set|qb9");
    ChooseOpenFile(1, folder, "*.qb9", name);
    EXPECT_THAT(name, IsEmpty());
    EXPECT_TRUE(cancelFlag);
    cancelFlag = false;
    ChooseFile(Path("default.plt"), "*.plt", name);
    EXPECT_EQ(name, Path("default.plt"));
    EXPECT_TRUE(cancelFlag);
    std::string chosen;
    BrowseDirectory(dir, chosen);
    EXPECT_EQ(chosen, dir);
}

TEST_F(MessageBoxesTest, WindowTitle) {
    std::string title, named;
    currentFileName = "";
    UpdateWindowTitle(title);
    currentFileName = "demo";
    UpdateWindowTitle(named);
    EXPECT_EQ(title + "|" + named,
              "V E L D R I M    -    Software   V 1.0|V E L D R I M    -    Software  -  demo.EXT");
}

}  // namespace
}  // namespace veldrim
