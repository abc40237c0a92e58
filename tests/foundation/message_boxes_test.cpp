#include "foundation/message_boxes.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "foundation/codepage.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

using testing::FileFixture;

class MessageBoxesTest : public FileFixture {
protected:
    void SetUp() override {
        FileFixture::SetUp();
        archiveModeLockOption = false;
    }
};

TEST_F(MessageBoxesTest, CaptionsByKindAndStatusTextsStayHidden) {
    struct Case {
        int kind;
        const char* caption;
        MessageKind portKind;
    } cases[] = {{kMessageError, "Fehler : ", MessageKind::Error},
                 {kMessageHelp, "Hilfe", MessageKind::Information},
                 {kMessageInfo, "Meldung:", MessageKind::Information},
                 {kMessageNotice, "Meldung:", MessageKind::Warning}};
    for (const auto& c : cases) {
        ui.calls.clear();
        MessageBoxKind("Text", c.kind);
        ASSERT_EQ(ui.calls.size(), 1u);
        EXPECT_EQ(ui.calls[0].title, c.caption);
        EXPECT_EQ(ui.calls[0].text, "Text");
    }
    ui.calls.clear();
    ShowStatus("Hilfebild wird ausgegeben ..");
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(MessageBoxesTest, ShownTextIsCutAndSpelledPlainOnRequest) {
    ShowInfo(std::string(300, 'x'));
    EXPECT_EQ(ui.calls.back().text.size(), 255u);
    codePageOption = 1;
    ShowInfo("Maß 20°"_cp850);
    EXPECT_EQ(ui.calls.back().text, "Mass 20deg");
}

TEST_F(MessageBoxesTest, ErrorsOnlyWhileErrorDisplayIsOn) {
    ShowErrorIfEnabled("a");
    errorDisplayFlag = false;
    ShowErrorIfEnabled("b");
    ShowErrorBox("c");
    ASSERT_EQ(ui.calls.size(), 2u);
    EXPECT_EQ(ui.calls[0].text, "a");
    EXPECT_EQ(ui.calls[1].text, "c");
}

TEST_F(MessageBoxesTest, YesNoCancelAnswers) {
    struct Case {
        Answer answer;
        bool flagBefore;
        bool result;
        bool flagAfter;
    } cases[] = {{Answer::Yes, false, true, false},  {Answer::No, false, false, false},
                 {Answer::No, true, false, true},    {Answer::Cancel, false, false, true}};
    for (const auto& c : cases) {
        cancelFlag = c.flagBefore;
        ui.QueueAnswer(c.answer);
        EXPECT_EQ(AskYesNoCancel("Weiter ?"), c.result);
        EXPECT_EQ(cancelFlag, c.flagAfter);
        EXPECT_EQ(ui.calls.back().title, windowTitle);
    }
}

TEST_F(MessageBoxesTest, NameWithTwoDotsIsRefusedBeforeAnythingIsTouched) {
    CheckNewFileName(Path("a.b.EXT"));
    EXPECT_TRUE(cancelFlag);
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, Path("a.b.EXT") + " not allowed (too many dots)!");
    EXPECT_EQ(FilesInDir(), 0u);
}

TEST_F(MessageBoxesTest, ExistingFileIsAskedForAndNeverErased) {
    const std::string path = Path("gear.EXT");
    Spit(path, "old\r\n");
    struct Case {
        Answer answer;
        bool cancelled;
    } cases[] = {{Answer::No, true}, {Answer::Cancel, true}, {Answer::Yes, false}};
    for (const auto& c : cases) {
        cancelFlag = false;
        ui.calls.clear();
        ui.QueueAnswer(c.answer);
        CheckNewFileName(path);
        EXPECT_EQ(cancelFlag, c.cancelled);
        ASSERT_EQ(ui.CallsOf("ask").size(), 1u);
        EXPECT_EQ(ui.CallsOf("ask")[0].text,
                  path + " existiert bereits.   " + std::string("überschreiben"_cp850) + " ?");
        EXPECT_EQ(currentHelpNumber, 3055);
        EXPECT_EQ(Slurp(path), "old\r\n");
        EXPECT_EQ(FilesInDir(), 1u) << "no probe file is left behind";
    }
}

TEST_F(MessageBoxesTest, CurrentFileAndSwitchedOffQuestionAreReplacedSilently) {
    Spit(Path("aktuell.EXT"), "x");
    CheckNewFileName(Path("aktuell.EXT"));
    EXPECT_FALSE(cancelFlag);
    Spit(Path("b.EXT"), "x");
    askBeforeOverwriteFlag = false;
    CheckNewFileName(Path("b.EXT"));
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(MessageBoxesTest, UnwritableFolderGivesInvalidName) {
    for (const std::string& path : {std::string("/proc/gear.EXT"), Path("no-such-folder/gear.EXT")}) {
        cancelFlag = false;
        ui.calls.clear();
        CheckNewFileName(path);
        EXPECT_TRUE(cancelFlag);
        ASSERT_EQ(ui.calls.size(), 1u);
        EXPECT_EQ(ui.calls[0].text, std::string("Ungültiger Dateiname "_cp850) + "\"" + path + "\" !");
    }
}

TEST_F(MessageBoxesTest, SaveNameFromDialogAndFromName) {
    dataDirectory = dir;
    dataFileExtension = "qb3";
    ui.QueueText(Path("neu.qb3"));
    std::string path;
    AskSaveFileName("", path);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(path, Path("neu.qb3"));
    EXPECT_EQ(currentFileName, "neu");
    EXPECT_EQ(ui.CallsOf("save")[0].text, dir);

    AskSaveFileName("zwei", path);
    EXPECT_EQ(path, Path("zwei.qb3"));
    AskSaveFileName(Path("drei.txt"), path);
    EXPECT_EQ(path, Path("drei.txt"));
    EXPECT_FALSE(cancelFlag);

    // No choice in the dialog.
    AskSaveFileName("", path);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(currentFileName, "neu");
}

TEST_F(MessageBoxesTest, ArchiveModeRefusesWithItsLockOption) {
    archiveModeFlag = true;
    archiveModeLockOption = true;
    std::string path = "unchanged";
    AskSaveFileName("x", path);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(ui.calls.back().text,
              "File- und User- Befehle sind im Archivierungsmodus nicht möglich."_cp850);

    // Without the lock option archive mode is switched off here.
    cancelFlag = false;
    archiveModeLockOption = false;
    dataDirectory = dir;
    AskSaveFileName("x", path);
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(archiveModeFlag);
}

TEST_F(MessageBoxesTest, OpenDialogs) {
    std::string folder = dir + "/";
    std::string name = "keep";
    ui.QueueText(Path("set.qb9"));
    ChooseOpenFile(4, folder, "*.qb9", name);
    EXPECT_EQ(folder, dir);
    EXPECT_EQ(name, "set");
    EXPECT_EQ(dataFileExtension, "qb9");
    EXPECT_EQ(ui.CallsOf("open")[0].text, dir);

    ui.QueueText(Path("set.qb9"));
    ChooseOpenFile(5, folder, "*.qb9", name);
    EXPECT_EQ(name, Path("set.qb9"));

    ChooseOpenFile(1, folder, "*.qb9", name);
    EXPECT_EQ(name, "");
    EXPECT_TRUE(cancelFlag);

    cancelFlag = false;
    ChooseFile(Path("default.plt"), "*.plt", name);
    EXPECT_EQ(name, Path("default.plt"));
    EXPECT_TRUE(cancelFlag);

    std::string chosen;
    BrowseDirectory(dir, chosen);
    EXPECT_EQ(chosen, dir);
    ui.QueueText(dir + "/sub/");
    BrowseDirectory(dir, chosen);
    EXPECT_EQ(chosen, dir + "/sub");
}

TEST_F(MessageBoxesTest, WindowTitle) {
    std::string title;
    currentFileName = "";
    UpdateWindowTitle(title);
    EXPECT_EQ(title, "V E L D R I M    -    Software   V 1.0");
    currentFileName = "demo";
    UpdateWindowTitle(title);
    EXPECT_EQ(title, "V E L D R I M    -    Software  -  demo.EXT");
    currentFileName = "demo.qb9";
    UpdateWindowTitle(title);
    EXPECT_EQ(title, "V E L D R I M    -    Software  -  demo.qb9");
    EXPECT_EQ(applicationTitle, title);
}

}  // namespace
}  // namespace veldrim
