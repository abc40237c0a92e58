#include "app/config_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/app_state.h"
#include "app/startup.h"
#include "foundation/codepage.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/display_list.h"
#include "app_test_support.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

class ConfigFile : public testing::AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        configurationDirectory = dir;
    }
};

TEST_F(ConfigFile, WrittenAndReadBack) {
    decimalsSetting = 5;
    linesPerPage = 20;
    unitSystem = 3;
    decimalSeparatorOption = 2;
    userDirectory = "/tmp/ü"_cp850.data();
    hardcopyTurned90 = 'N';
    colourGraphics = false;
    printScaleVertical = 1.25;
    ZoomFactor = 1.5L;
    CadOutputState.cadDecimals = 8;
    CadOutputState.layerWidthCodes[5] = 7;
    archiveModeLockOption = true;
    ASSERT_TRUE(WriteConfigFile());
    EXPECT_EQ(decimalSeparatorOption, 2);  // restored after writing

    const std::string text = testing::Slurp(ConfigFilePath());
    EXPECT_NE(text.find("Dezimalstellen\r\n5\r\n"), std::string::npos);
    EXPECT_NE(text.find("Print Scale Vertical\r\n1.2500000"), std::string::npos);  // point, not comma
    EXPECT_NE(text.find("Dot=1 Komma=2\r\n2\r\n"), std::string::npos);
    EXPECT_NE(text.find(std::string("Auflösung horizontal"_cp850)), std::string::npos);

    ResetProgramState();
    configurationDirectory = dir;
    CadOutputState = CadOutputRecord{};
    ZoomFactor = 1.2L;
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(decimalsSetting, 5);
    EXPECT_EQ(linesPerPage, 20);
    EXPECT_EQ(unitSystem, 3);
    EXPECT_EQ(decimalSeparatorOption, 2);
    EXPECT_EQ(userDirectory, "/tmp/\x81");
    EXPECT_EQ(hardcopyTurned90, 'N');
    EXPECT_FALSE(colourGraphics);
    EXPECT_DOUBLE_EQ(printScaleVertical, 1.25);
    EXPECT_EQ(ZoomFactor, 1.5L);
    EXPECT_EQ(CadOutputState.cadDecimals, 8);
    EXPECT_EQ(CadOutputState.layerWidthCodes[5], 7);
    EXPECT_TRUE(archiveModeLockOption);
    archiveModeLockOption = false;
}

TEST_F(ConfigFile, UnknownAndMissingLabelsAndBadValues) {
    std::ofstream(ConfigFilePath(), std::ios::binary)
        << "Label from a newer version\r\n42\r\n"
           "Zeilen pro Seite f\x81r Drucker\n30\n"
           "Dezimalstellen\r\nviele\r\n"
           "Decimals DXF,TXT\r\n99\r\n"
           "Hilfegrad\r\n";  // a label without its value line at the end
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(linesPerPage, 30);
    EXPECT_EQ(decimalsSetting, 3);               // "viele" keeps the start-up value
    EXPECT_EQ(CadOutputState.cadDecimals, 6);    // outside 1..32
    EXPECT_EQ(helpLevel, 1);
    EXPECT_EQ(unitSystem, 0);                    // missing label: start-up value
}

TEST_F(ConfigFile, MissingFileKeepsDefaults) {
    EXPECT_FALSE(ReadConfigFile());
    EXPECT_EQ(decimalsSetting, 3);
    EXPECT_EQ(linesPerPage, 66);
}

TEST_F(ConfigFile, LabelsAreUnique) {
    auto labels = ConfigLabels();
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end());
}

TEST_F(ConfigFile, SessionFileKeepsFolderAndRecentFiles) {
    dataDirectory = "/data/gears";
    AddRecentFile("/a.qb3");
    AddRecentFile("/b.qb3");
    AddRecentFile("/a.qb3");  // moves to the top, no duplicate
    for (int i = 0; i < 5; ++i) AddRecentFile("/c" + std::to_string(i) + ".qb3");
    AddRecentFile("/a.qb3");
    ASSERT_TRUE(WriteSessionFile());
    const auto list = recentFilesList;
    dataDirectory.clear();
    recentFilesList = {};
    ASSERT_TRUE(ReadSessionFile());
    EXPECT_EQ(dataDirectory, "/data/gears");
    EXPECT_EQ(recentFilesList, list);
    EXPECT_EQ(recentFilesList[0], "/a.qb3");
    EXPECT_EQ(recentFilesList[1], "/c4.qb3");
}

TEST(CommandLine, SwitchesIgnoreCaseAndPathsWin) {
    auto cl = ParseCommandLine({"demo.qb3", "/i", "/NoGui"});
    EXPECT_EQ(cl.file, "demo.qb3");
    EXPECT_TRUE(cl.report);
    EXPECT_TRUE(cl.noGui);
    cl = ParseCommandLine({"/cad1:3", "x.qb3"});
    EXPECT_EQ(cl.cadFormat, 1);
    EXPECT_EQ(cl.cadItem, 3);
    cl = ParseCommandLine({"/tmp", "/E"});  // an existing path is the file
    EXPECT_EQ(cl.file, "/tmp");
    EXPECT_TRUE(cl.exchange);
    cl = ParseCommandLine({"/?"});
    EXPECT_TRUE(cl.usage);
    cl = ParseCommandLine({"/no/such/file.qb3", "/I"});
    EXPECT_EQ(cl.file, "/no/such/file.qb3");
    cl = ParseCommandLine({"a.qb3", "/X", "/CAD:1"});
    ASSERT_EQ(cl.unknown.size(), 2u);
    EXPECT_EQ(UsageText("veldrim").substr(0, 46), "veldrim Filename [/I] [/CADi:j] [/E] [/NOGUI]\n");
}

}  // namespace
}  // namespace veldrim
