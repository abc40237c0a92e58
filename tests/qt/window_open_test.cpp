// Öffnen in the main window, by the open dialog and by the recent-file items,
// and the window's start on a data file named on the command line: what is
// no data file is refused with a message that names what stands at the name,
// and a recent file renamed since in other letters is opened and saved as
// the file on disk spells it.
#include <gmock/gmock.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/main_commands.h"
#include "app/qt/window_start.h"
#include "app/startup.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/data_file_path.h"
#include "foundation/program_state.h"
#include "qt/main_window_fixture.h"
#include "qt/qt_test_support.h"
#include "support/fifo_watch.h"
#include "support/scripted_ui.h"
#include "support/socket_file.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::MakeSocket;
using testing::Slurp;
using testing::Spit;
using WindowOpenTest = test::MainWindowFixture;

// The window the start-up runner below shows, and the boxes it plays.
Thh* startedWindow = nullptr;
ScriptedUi* startedBoxes = nullptr;

// The window's start as the program's runner makes it, with the boxes of the
// test in place of the window's own.
int ShowStarted(const CommandLine& cl, const std::string& notice) {
    SetUi(startedBoxes);
    ShowStartedWindow(*startedWindow, cl, notice);
    SetMainWidget(nullptr);
    return kExitOk;
}

// Öffnen of a folder, a pipe, a socket and a link to /dev/zero, by the open
// dialog and by a recent-file item, each with a ".qb3" name: one message box
// names the folder as a folder and the others as no plain file; nothing
// waits on the pipe, and the opened set "G.qb3" stays the window's set. The
// program started on such a name (`veldrim <name>`) opens the window on the
// start-up set with the same message in its one box.
TEST_F(WindowOpenTest, OeffnenOfWhatIsNoDataFileNamesWhatStandsThere) {
    const std::string folderText = " ist ein Ordner und wird nicht gelesen !";
    const std::string noFileText = " ist keine gew\x94hnliche Datei und wird nicht gelesen !";
    struct Case {
        const char* kind;
        const char* item;  // the menu item the user chooses
        std::string says;  // what the message says after the name
    };
    const Case cases[] = {
        {"folder", "mi_fileOpen", folderText},
        {"folder", "mi_fileRecent1", folderText},
        {"pipe", "mi_fileOpen", noFileText},
        {"pipe", "mi_fileRecent1", noFileText},
        {"socket", "mi_fileOpen", noFileText},
        {"link to /dev/zero", "mi_fileRecent1", noFileText},
        // The start comes last: the window is on the start-up set after it.
        {"folder", "start", folderText},
        {"pipe", "start", noFileText},
        {"socket", "start", noFileText},
        {"link to /dev/zero", "start", noFileText},
    };
    configurationDirectory = dir.path();  // no configuration or session of the user's
    const std::string opened = dir / "G.qb3";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", opened);
    ASSERT_TRUE(OpenDataSet(opened));
    window->AfterCommand();
    const QString title = window->windowTitle();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " by " + c.item);
        const std::string name = dir / "satz.qb3";
        const std::string kind = c.kind;
        std::optional<testing::FifoWatch> watch;
        if (kind == "folder") fs::create_directory(name);
        if (kind == "pipe") watch.emplace(name);
        if (kind == "socket") {
            ASSERT_TRUE(MakeSocket(name));
        }
        if (kind == "link to /dev/zero") fs::create_symlink("/dev/zero", name);
        recentFilesList = {name, opened};
        window->UpdateRecentFiles();

        test::ModalMessageUi boxes;
        const bool start = std::string(c.item) == "start";
        if (start) {
            // The program starts without a window: its messages are held
            // until the window shows them.
            ScriptedUi starting;
            starting.batch = true;
            SetUi(&starting);
            startedWindow = window.get();
            startedBoxes = &boxes;
            windowRunner = &ShowStarted;
            const char* args[] = {"veldrim", name.c_str()};
            EXPECT_EQ(RunProgram(2, args), kExitOk);
            windowRunner = nullptr;
        } else {
            boxes.QueueText(name);  // the open dialog's answer
            SetUi(&boxes);
            window->Item(c.item)->trigger();
        }
        SetUi(&ui);
        if (watch) {
            EXPECT_TRUE(watch->Stop()) << "the open waited on the pipe";
        }
        const auto shown = boxes.CallsOf("message");
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Datei " + name + c.says);
        EXPECT_EQ(boxes.closedByOk, 1) << "the message's box ran";
        if (start) {
            EXPECT_EQ(CurrentDataFile(), "") << "the start-up set has no file";
        } else {
            EXPECT_EQ(CurrentDataFile(), opened);
            EXPECT_EQ(window->windowTitle(), title);
            EXPECT_EQ(wormGear.a, 100) << "the demo set's centre distance";
        }
        watch.reset();
        fs::remove(name);
    }
}

// g.qb3 is opened; outside the program it is renamed to G.QB3; another set
// is opened, then the recent item of g.qb3. The set of G.QB3 opens, and the
// title, the recent list and Speichern name G.QB3: no g.qb3 appears.
TEST_F(WindowOpenTest, ARecentFileRenamedInOtherLettersIsSavedUnderItsNewName) {
    const std::string demo = Slurp(fs::path(VELDRIM_DATA_DIR) / "demo.qb3");
    const std::string before = dir / "g.qb3", after = dir / "G.QB3", other = dir / "other.qb3";
    Spit(before, demo);
    Spit(other, demo);
    ASSERT_TRUE(OpenDataSet(before));
    fs::rename(before, after);
    ASSERT_TRUE(OpenDataSet(other));
    window->AfterCommand();
    ASSERT_EQ(recentFilesList[1], before);

    ScriptedUi scripted;
    SetUi(&scripted);
    window->Item("mi_fileRecent2")->trigger();
    EXPECT_EQ(CurrentDataFile(), after);
    EXPECT_TRUE(window->windowTitle().endsWith("G.QB3[*]")) << window->windowTitle().toStdString();
    EXPECT_EQ(recentFilesList[0], after);
    EXPECT_EQ(recentFilesList[1], other);
    EXPECT_EQ(recentFilesList[2], "") << "g.qb3 names no file any more";
    EXPECT_TRUE(window->Item("mi_fileRecent1")->text().endsWith("G.QB3"))
        << window->Item("mi_fileRecent1")->text().toStdString();

    wormGear.a = 125;  // the demo set has 100
    modifiedFlag = true;
    window->Item("mi_fileSave")->trigger();
    SetUi(&ui);
    EXPECT_TRUE(scripted.CallsOf("ask").empty()) << scripted.CallsOf("ask")[0].text;
    EXPECT_TRUE(scripted.CallsOf("message").empty()) << scripted.CallsOf("message")[0].text;
    EXPECT_FALSE(fs::exists(before));
    ResetGearData();
    ASSERT_TRUE(ReadDataFile(after));
    EXPECT_EQ(wormGear.a, 125);
}

}  // namespace
}  // namespace veldrim
