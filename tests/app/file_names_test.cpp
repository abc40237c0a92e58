// Data sets whose file names hold a backslash or ':': on this system those
// are letters of the name, so every save and every report copy lands in the
// set's own file and never in another file that ends like it. And the
// working set "aktuell" is that set alone, not "aktuell.alt".
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/data_file_sections.h"
#include "app/main_commands.h"
#include "app/startup.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

const std::string kDemo = std::string(VELDRIM_DATA_DIR) + "/demo.qb3";
const std::string kOther = "ein anderer Datensatz\r\n";

// The window's part of a start with a data file: it takes the file's folder
// as the data folder (as the window does), the user changes the centre
// distance and presses Speichern.
int SaveFromTheWindow(const CommandLine& cl, const std::string&) {
    dataDirectory = fs::absolute(cl.file).parent_path().string();
    wormGear.a = 125;
    modifiedFlag = true;
    SaveDataSet();
    return cancelFlag ? kExitOutputFailed : kExitOk;
}

class FileNames : public AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        before = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(before);
        windowRunner = nullptr;
        AppFileTest::TearDown();
    }
    int Run(std::vector<const char*> args) {
        args.insert(args.begin(), "veldrim");
        return RunProgram(static_cast<int>(args.size()), args.data());
    }
    // The centre distance stored in a data file.
    static Real CentreDistanceIn(const std::string& path) {
        ResetGearData();
        wormGear.a = 0;
        EXPECT_TRUE(ReadDataFile(path)) << path;
        return wormGear.a;
    }
    fs::path before;
};

// Started as `veldrim 'a\b.qb3'` (or 'x:y.qb3'), Speichern writes that file;
// the set "b.qb3" (or "y.qb3") beside it is never touched.
TEST_F(FileNames, SpeichernOfASetStartedWithABackslashOrColonWritesItsOwnFile) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string platformBefore = platform ? platform : "";
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // a window could open
    const std::pair<std::string, std::string> cases[] = {{"a\\b.qb3", "b.qb3"},
                                                         {"x:y.qb3", "y.qb3"}};
    for (const auto& [started, other] : cases) {
        SCOPED_TRACE(started);
        Spit(dir + "/" + started, Slurp(kDemo));
        Spit(dir + "/" + other, kOther);
        windowRunner = &SaveFromTheWindow;
        const int status = Run({started.c_str()});
        windowRunner = nullptr;
        EXPECT_EQ(status, kExitOk);
        EXPECT_EQ(currentFileName, started.substr(0, started.size() - 4));
        EXPECT_EQ(Slurp(dir + "/" + other).substr(0, 60), kOther);
        EXPECT_EQ(CentreDistanceIn(dir + "/" + started), 125);
    }
    if (platform)
        ::setenv("QT_QPA_PLATFORM", platformBefore.c_str(), 1);
    else
        ::unsetenv("QT_QPA_PLATFORM");
}

// `veldrim 'a\b.qb3' /I /NOGUI` puts the report's copy into "a\b.txt", and
// "Getriebe 12:1.qb3" into "Getriebe 12:1.txt": "b.txt" and "1.txt" stay.
TEST_F(FileNames, ReportCopyOfABackslashOrColonNameKeepsTheWholeName) {
    const std::string cases[][3] = {{"a\\b.qb3", "a\\b.txt", "b.txt"},
                                    {"Getriebe 12:1.qb3", "Getriebe 12:1.txt", "1.txt"}};
    for (const auto& [data, copy, other] : cases) {
        SCOPED_TRACE(data);
        Spit(dir + "/" + data, Slurp(kDemo));
        Spit(dir + "/" + other, kOther);
        EXPECT_EQ(Run({data.c_str(), "/I", "/NOGUI"}), kExitOk);
        // The start of what stands there: a report, should it be one.
        EXPECT_EQ(Slurp(dir + "/" + other).substr(0, 60), kOther);
        EXPECT_NE(Slurp(dir + "/" + copy).find("BASISDATEN"), std::string::npos)
            << copy << " holds no report";
    }
}

class SaveNames : public GearSessionTest {
protected:
    void SetUp() override {
        GearSessionTest::SetUp();
        configurationDirectory = dir;
    }
};

// Save As "Stand 12:00.qb3" writes a file of exactly that name in the chosen
// folder, and the set goes on under it.
TEST_F(SaveNames, SaveAsANameWithAColonWritesThatName) {
    Spit(dir + "/00.qb3", kOther);
    wormGear.a = 140;
    ui.QueueText(dir + "/Stand 12:00.qb3");
    SaveDataSetAs();
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(ui.CallsOf("message").empty())
        << ui.CallsOf("message").front().text;  // no "Ungültiger Dateiname"
    EXPECT_EQ(currentFileName, "Stand 12:00");
    EXPECT_EQ(dataDirectory, dir);
    EXPECT_EQ(MainWindowTitle(), windowTitle + "  -  Stand 12:00.qb3");
    EXPECT_EQ(Slurp(dir + "/00.qb3"), kOther);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"00.qb3", "Stand 12:00.qb3"}));
    ResetGearData();
    ASSERT_TRUE(ReadDataFile(dir + "/Stand 12:00.qb3"));
    EXPECT_EQ(wormGear.a, 140);
}

// Under the archive lock a set read from "aktuell.alt.qb3" is an archived set
// like any other: Speichern shows the notice and leaves the file, and Save
// As onto it writes nothing either. The working set "aktuell" is saved.
TEST_F(SaveNames, UnderTheArchiveLockASetNamedAktuellAltIsNotTheWorkingFile) {
    const std::string notice =
        "File- und User- Befehle sind im Archivierungsmodus nicht m\x94glich.";
    const std::string alt = dir + "/aktuell.alt.qb3";
    Spit(alt, Slurp(kDemo));
    archiveModeFlag = true;
    archiveModeLockOption = true;
    ASSERT_TRUE(OpenDataSet(alt));
    EXPECT_EQ(currentFileName, "aktuell.alt");
    wormGear.a = 125;
    modifiedFlag = true;
    ui.calls.clear();
    SaveDataSet();
    auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, notice);
    EXPECT_EQ(Slurp(alt), Slurp(kDemo));
    EXPECT_TRUE(modifiedFlag);

    ui.calls.clear();
    ui.QueueText(alt);  // would answer a save dialog
    SaveDataSetAs();
    shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, notice);
    EXPECT_EQ(Slurp(alt), Slurp(kDemo));
    EXPECT_EQ(currentFileName, "aktuell.alt");

    const std::string working = dir + "/aktuell.qb3";
    Spit(working, Slurp(kDemo));
    ASSERT_TRUE(OpenDataSet(working));
    wormGear.a = 125;
    ui.calls.clear();
    SaveDataSet();
    EXPECT_TRUE(ui.CallsOf("message").empty());
    EXPECT_FALSE(cancelFlag);
    ResetGearData();
    ASSERT_TRUE(ReadDataFile(working));
    EXPECT_EQ(wormGear.a, 125);
}

}  // namespace
}  // namespace veldrim::testing
