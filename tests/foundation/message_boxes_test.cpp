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

TEST_F(MessageBoxesTest, CaptionsByKindAndShownTexts) {
    const std::pair<int, const char*> cases[] = {
        {kMessageError, "Fehler : "}, {kMessageHelp, "Hilfe"}, {kMessageInfo, "Meldung:"}, {kMessageNotice, "Meldung:"}};
    for (auto [kind, caption] : cases) {
        ui.calls.clear();
        MessageBoxKind("Text", kind);
        ASSERT_EQ(ui.calls.size(), 1u);
        EXPECT_EQ(ui.calls[0].title + "|" + ui.calls[0].text, std::string(caption) + "|Text");
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
    struct Case { Answer answer; bool flagBefore, result, flagAfter; } cases[] = {
        {Answer::Yes, false, true, false}, {Answer::No, true, false, true}, {Answer::Cancel, false, false, true}};
    for (const auto& c : cases) {
        cancelFlag = c.flagBefore;
        ui.QueueAnswer(c.answer);
        EXPECT_EQ(AskYesNoCancel("Weiter ?"), c.result);
        EXPECT_EQ(cancelFlag, c.flagAfter);
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
    const std::pair<Answer, bool> cases[] = {{Answer::No, true}, {Answer::Cancel, true}, {Answer::Yes, false}};
    for (auto [answer, cancelled] : cases) {
        cancelFlag = false;
        ui.calls.clear();
        ui.QueueAnswer(answer);
        CheckNewFileName(path);
        EXPECT_EQ(cancelFlag, cancelled);
        ASSERT_EQ(ui.CallsOf("ask").size(), 1u);
        EXPECT_EQ(ui.CallsOf("ask")[0].text, path + " existiert bereits.   " + std::string("überschreiben"_cp850) + " ?");
        EXPECT_EQ(Slurp(path), "old\r\n");
        EXPECT_EQ(FilesInDir(), 1u) << "no probe file is left behind";
    }
    // The working file "aktuell" and a switched-off question are replaced silently.
    ui.calls.clear();
    Spit(Path("aktuell.EXT"), "x");
    CheckNewFileName(Path("aktuell.EXT"));
    askBeforeOverwriteFlag = false;
    CheckNewFileName(path);
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
    EXPECT_EQ(ui.calls.back().text, "File- und User- Befehle sind im Archivierungsmodus nicht möglich."_cp850);
}

TEST_F(MessageBoxesTest, OpenDialogsCancelled) {
    std::string folder = dir + "/", name = "keep";
    ui.QueueText(Path("set.qb9"));
    ChooseOpenFile(4, folder, "*.qb9", name);
    EXPECT_EQ(folder + "|" + name + "|" + dataFileExtension, dir + "|set|qb9");
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
}

TEST_F(MessageBoxesTest, WindowTitle) {
    std::string title;
    currentFileName = "";
    UpdateWindowTitle(title);
    EXPECT_EQ(title, "V E L D R I M    -    Software   V 1.0");
    currentFileName = "demo";
    UpdateWindowTitle(title);
    EXPECT_EQ(title, "V E L D R I M    -    Software  -  demo.EXT");
}

}  // namespace
}  // namespace veldrim
