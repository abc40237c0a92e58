// Window commands whose chosen file is a named pipe or a folder: each returns
// at once, names the file it will not overwrite as what it is, asks nothing,
// leaves the pipe or folder where it was and the data set marked changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "app/main_commands.h"
#include "app/qt/main_window.h"
#include "app/qt/settings_forms.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "qt/main_window_fixture.h"
#include "support/fifo_watch.h"
#include "support/scripted_ui.h"

namespace veldrim {
namespace {

using testing::FifoWatch;

class PipeSaves : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetUi(&scripted);
        modifiedFlag = true;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : scripted.CallsOf("message")) out.push_back(Cp850ToUtf8Carried(c.text));
        return out;
    }
    static std::string Refusal(const std::string& path) {
        return "Datei " + path +
               " ist keine gew\xC3\xB6hnliche Datei und wird nicht \xC3\xBC"
               "berschrieben !";
    }
    static std::string FolderRefusal(const std::string& path) {
        return "Datei " + path + " ist ein Ordner und wird nicht \xC3\xBC" + "berschrieben !";
    }
    // Every message runs a real modal box, as in the window.
    test::ModalMessageUi scripted;
};

// A folder or a pipe at the name a save writes: Speichern of the set, the
// configuration and the session file, a name chosen in Save As or for
// "Grafik als PDF". Each save names what stands there in the same words and
// is refused before any replace question; nothing is written.
TEST_F(PipeSaves, AFolderOrAPipeAtASavesNameIsNamedAndNeverAskedAbout) {
    namespace fs = std::filesystem;
    configurationDirectory = dir.path();
    const std::string set = dir / "gear.qb3";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", set);
    ASSERT_TRUE(OpenDataSet(set));
    fs::remove(set);  // a folder or a pipe takes the set's place below
    const auto command = [this](const char* item) {
        return [this, item] { window->Item(item)->trigger(); };
    };
    struct Case {
        const char* what;
        std::string name;
        bool folder;  // else a pipe
        bool typed;   // the name is chosen in the command's save dialog
        std::function<void()> save;
    };
    const Case cases[] = {
        {"Speichern", set, true, false, command("mi_fileSave")},
        {"Speichern", set, false, false, command("mi_fileSave")},
        {"configuration", ConfigFilePath(), true, false, [] { WriteConfigFile(); }},
        {"session file", SessionFilePath(), true, false, [] { WriteSessionFile(); }},
        {"Save As", dir / "ordner.qb3", true, true, command("mi_fileSaveAs")},
        {"Save As", dir / "pipe.qb3", false, true, command("mi_fileSaveAs")},
        {"Grafik als PDF", dir / "ordner.pdf", true, true, command("mi_filePrintPdf")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.folder ? ", folder" : ", pipe"));
        std::unique_ptr<FifoWatch> watch;
        if (c.folder) {
            ASSERT_TRUE(fs::create_directory(c.name));
        } else {
            watch = std::make_unique<FifoWatch>(c.name);
        }
        scripted.calls.clear();
        scripted.replies.clear();
        if (c.typed) scripted.QueueText(c.name);
        scripted.QueueAnswer(Answer::Yes);  // would let a question replace it
        modifiedFlag = true;
        c.save();
        if (watch) {
            EXPECT_TRUE(watch->Stop()) << "the save waited on the pipe";
        }
        EXPECT_EQ(Shown(),
                  std::vector<std::string>{c.folder ? FolderRefusal(c.name) : Refusal(c.name)});
        EXPECT_TRUE(scripted.CallsOf("ask").empty()) << scripted.CallsOf("ask")[0].text;
        EXPECT_EQ(scripted.closedByOk, 1) << "the message's box ran";
        scripted.closedByOk = 0;
        if (c.folder) {
            EXPECT_TRUE(fs::is_directory(c.name));
        } else {
            EXPECT_TRUE(watch->StillAPipe());
        }
        EXPECT_TRUE(modifiedFlag);
        watch.reset();
        fs::remove(c.name);
    }
}

TEST_F(PipeSaves, GraphicsAsPdfOntoAPipeIsRefusedAtOnce) {
    const std::string pdf = dir / "zeichnung.pdf";
    FifoWatch watch(pdf);
    ASSERT_TRUE(watch.Made());
    scripted.QueueText(pdf);
    scripted.QueueAnswer(Answer::Yes);  // replace the existing file
    window->Item("mi_filePrintPdf")->trigger();
    EXPECT_TRUE(watch.Stop()) << "the command waited on the pipe";
    ASSERT_FALSE(Shown().empty());
    EXPECT_EQ(Shown().back(), Refusal(pdf));
    EXPECT_TRUE(watch.StillAPipe());
    EXPECT_TRUE(modifiedFlag);
}

TEST_F(PipeSaves, ConfigurationFormOkOntoAPipeIsRefusedAtOnce) {
    configurationDirectory = dir.path();
    const std::string cfg = ConfigFilePath();
    FifoWatch watch(cfg);
    ASSERT_TRUE(watch.Made());
    Tconfig form;
    form.Button_okClick();
    EXPECT_TRUE(watch.Stop()) << "the form waited on the pipe";
    // The refusal, then the form names the file it did not save.
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{Refusal(cfg), "Datei " + cfg + " nicht geschrieben"}));
    EXPECT_TRUE(watch.StillAPipe());
    EXPECT_TRUE(modifiedFlag);
}

}  // namespace
}  // namespace veldrim
