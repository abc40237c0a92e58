// Saves onto what may stand at a chosen name: a named pipe, a name as long as
// the folder takes, a name too long for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "app/data_file_sections.h"
#include "app/main_commands.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "graphics/cad_output.h"
#include "app/app_test_support.h"
#include "support/demo_data_set.h"
#include "support/fifo_watch.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::FifoWatch;

class SaveEdges : public testing::AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        InstallDataFileSections();
        testing::LoadDemoDataSet();
        userDirectory = dataDirectory = cadDirectory = configurationDirectory = dir;
        currentFileName = "gear";
        dataFileExtension = "qb3";
        modifiedFlag = true;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("message")) out.push_back(Cp850ToUtf8Carried(c.text));
        return out;
    }
    static std::string Refusal(const std::string& path) {
        return "Datei " + path +
               " ist keine gew\xC3\xB6hnliche Datei und wird nicht \xC3\xBC"
               "berschrieben !";
    }
};

// Save As, a CAD export and the session file written at the end, each with a
// named pipe at its file: refused at once, the pipe stays, nothing changes.
TEST_F(SaveEdges, APipeAtTheChosenNameIsRefusedAtOnce) {
    struct Command {
        const char* name;
        std::string pipe;
        std::function<void()> run;
    };
    const Command commands[] = {
        {"Save As", dir + "/pipe.qb3",
         [this] {
             ui.QueueText(dir + "/pipe.qb3");
             ui.QueueAnswer(Answer::Yes);  // replace the existing file
             SaveDataSetAs();
         }},
        {"DXF export", dir + "/pipe.dxf",
         [this] {
             ui.QueueText(dir + "/pipe.dxf");
             ui.QueueAnswer(Answer::Yes);
             CadBeginOutput(kCadDxf);
             if (!cancelFlag) CadEndOutput();
         }},
        {"STL export", dir + "/pipe.stl",
         [this] {
             ui.QueueText(dir + "/pipe.stl");
             ui.QueueAnswer(Answer::Yes);
             CadBeginOutput(kCadStl);
             if (!cancelFlag) CadEndOutput();
         }},
        {"session file", SessionFilePath(), [] { WriteSessionFile(); }},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        ui.calls.clear();
        cancelFlag = false;
        FifoWatch watch(c.pipe);
        ASSERT_TRUE(watch.Made());
        c.run();
        ui.replies.clear();  // the answer to a question that is no longer asked
        EXPECT_TRUE(watch.Stop()) << "waited on the pipe";
        ASSERT_FALSE(Shown().empty());
        EXPECT_EQ(Shown().back(), Refusal(c.pipe));
        EXPECT_TRUE(watch.StillAPipe());
        EXPECT_TRUE(modifiedFlag);
        EXPECT_EQ(currentFileName, "gear");
        fs::remove(c.pipe);
    }
}

// A name of 250 bytes (the folder takes 255) is saved, and reads back.
TEST_F(SaveEdges, ANameAsLongAsTheFolderTakesIsSavedAndReadsBack) {
    const std::string base(246, 'G');
    const std::string path = dir + "/" + base + ".qb3";
    ASSERT_EQ(base.size() + 4, 250u);
    wormGear.a = 123.5L;
    ui.QueueText(path);
    SaveDataSetAs();
    ASSERT_FALSE(cancelFlag) << ::testing::PrintToString(Shown());
    EXPECT_EQ(Shown(), std::vector<std::string>{});
    EXPECT_EQ(currentFileName, base);
    // Nothing but the file is left in the folder.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{base + ".qb3"});
    wormGear.a = 0;
    ASSERT_TRUE(ReadDataFile(path));
    EXPECT_EQ(wormGear.a, 123.5L);
    // Saved again over itself (Speichern), through the same temporary name.
    wormGear.a = 80;
    ASSERT_TRUE(WriteDataFile(path));
    wormGear.a = 0;
    ASSERT_TRUE(ReadDataFile(path));
    EXPECT_EQ(wormGear.a, 80);
}

// A failing save of a long name shows the system's reason at the end of its
// message, however long the name.
TEST_F(SaveEdges, AFailingSaveOfALongNameShowsItsReason) {
    const std::string tooLong = dir + "/" + std::string(252, 'L') + ".qb3";  // 256 bytes
    const std::string missing = dir + "/fehlt/" + std::string(246, 'M') + ".qb3";
    for (const auto& [path, reason] :
         {std::pair{tooLong, std::string("File name too long")},
          std::pair{missing, std::string("No such file or directory")}}) {
        ui.calls.clear();
        cancelFlag = false;
        EXPECT_FALSE(WriteDataFile(path));
        ASSERT_EQ(Shown().size(), 1u);
        const std::string shown = Shown()[0];
        EXPECT_LE(shown.size(), 255u);
        ASSERT_GE(shown.size(), reason.size());
        EXPECT_EQ(shown.substr(shown.size() - reason.size()), reason) << shown;
        EXPECT_EQ(shown.substr(0, 18), "file write error: ") << shown;
    }
}

}  // namespace
}  // namespace veldrim
