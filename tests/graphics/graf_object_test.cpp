#include "graphics/graf_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"
#include "graphics/logo.h"

namespace veldrim {
namespace {

class GrafObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetGraphicsDefaults();
        ResetGraphicsWindow();
        SetGraphicsWindow(&window);
    }
    void TearDown() override { SetGraphicsWindow(nullptr); }
    TFveldgra window;
    ScriptedUi ui;
    ScopedUi scope{ui};
};

TEST(ColorOfIndex16, ExchangeColoursToWindowColours) {
    const std::pair<int, int> cases[] = {{0, 0},   {1, 12},  {2, 14}, {3, 10},  {4, 11},
                                         {5, 9},   {6, 13},  {7, 15}, {8, 1},   {15, 8},
                                         {16, 16}, {17, 12}, {23, 15}, {255, 8}};
    for (const auto& [n, c] : cases) EXPECT_EQ(ColorOfIndex16(static_cast<uint8_t>(n)), c) << n;
}

TEST(GraphicsDefaults, ColourTableTwinsAndReset) {
    ColorTable[4] = 7;
    ResetColorTable();
    EXPECT_EQ(ColorTable[2], ColorTable[10]);
    EXPECT_EQ(ColorTable[3], ColorTable[11]);
    EXPECT_EQ(ColorTable[4], ColorTable[12]);
    EXPECT_EQ(ColorTable[4], RgbColour(255, 0, 0));
    EXPECT_EQ(ColorTable[1], 128u * 65536u);  // navy
    EXPECT_EQ(BackgroundColour, 1u);
}

TEST_F(GrafObjectTest, ForwardsRecordTheWindowRecords) {
    GrafObject graf;
    GrafLine(0, 0, 1, 1);
    GrafSetColor16(1);  // red
    GrafSetColor(12);    // the same window colour: not recorded twice
    GrafOutText(1, 2, "Maß"_cp850);
    GrafSolid(0, 0, 1, 0, 1, 1, 0, 1);
    GrafPause(5);
    ASSERT_EQ(DisplayList.size(), 5u);
    EXPECT_EQ(DisplayList[1], "8;12");
    // The stored code page 850 text is converted for display before it is recorded.
    EXPECT_EQ(DisplayList[2], "6;1;2;Ma\xDF");
    EXPECT_EQ(DisplayList[4], "13;5");
    GrafClear();
    EXPECT_TRUE(DisplayList.empty());
}

TEST_F(GrafObjectTest, CurrentDataFilePath) {
    dataDirectory = "/data";
    currentFileName = "demo";
    dataFileExtension = "qb3";
    EXPECT_EQ(CurrentDataFilePath(), "/data/demo.qb3");
    dataDirectory = "/data/";
    EXPECT_EQ(CurrentDataFilePath(), "/data/demo.qb3");
    archiveModeFlag = true;
    EXPECT_EQ(CurrentDataFilePath(), "demo");
    currentFileName.clear();
    EXPECT_EQ(CurrentDataFilePath(), "");
}

TEST_F(GrafObjectTest, MissingPlotFileGivesMessageAndCancel) {
    const auto dir = std::filesystem::temp_directory_path() / "veldrim_g1_plot";
    std::filesystem::create_directories(dir);
    const std::string present = (dir / "a.plt").string();
    std::ofstream(present) << "IN;";
    cancelFlag = false;
    GrafCheckPlotFile(present);
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(ui.CallsOf("message").empty());
    GrafCheckPlotFile((dir / "no such.plt").string());
    EXPECT_TRUE(cancelFlag);
    ASSERT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(ui.CallsOf("message")[0].text, (dir / "nosuch.plt").string() + " nicht gefunden !");
    std::filesystem::remove_all(dir);
}

TEST_F(GrafObjectTest, LogoIsSolidsInTwoColoursInsideItsWindow) {
    GrafDrawLogo();
    int windows = 0, colours = 0, solids = 0;
    std::vector<std::string> colourRecords;
    for (const std::string& r : DisplayList) {
        const std::string code = r.substr(0, r.find(';'));
        if (code == "10") ++windows;
        if (code == "8") colourRecords.push_back(r);
        if (code != "7") continue;
        ++solids;
        // Corners inside the window, in outline order (a convex, not
        // self-crossing quadrilateral).
        std::vector<double> v;
        size_t p = 2;
        while (p < r.size()) {
            size_t q = r.find(';', p);
            v.push_back(std::stod(r.substr(p, q - p)));
            if (q == std::string::npos) break;
            p = q + 1;
        }
        ASSERT_EQ(v.size(), 8u) << r;
        int sign = 0;
        for (int i = 0; i < 4; ++i) {
            EXPECT_GE(v[2 * i], -1.0);
            EXPECT_LE(v[2 * i], 38.0);
            EXPECT_GE(v[2 * i + 1], -1.0);
            EXPECT_LE(v[2 * i + 1], 33.0);
            const int j = (i + 1) % 4, k = (i + 2) % 4;
            const double cross = (v[2 * j] - v[2 * i]) * (v[2 * k + 1] - v[2 * j + 1]) -
                                 (v[2 * j + 1] - v[2 * i + 1]) * (v[2 * k] - v[2 * j]);
            const int s = cross > 0 ? 1 : -1;
            if (sign == 0) sign = s;
            EXPECT_EQ(s, sign) << r;
        }
    }
    colours = static_cast<int>(colourRecords.size());
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(colours, 3);
    EXPECT_EQ(solids, kLogoBlueSolidsFirst + kLogoFuchsiaSolids + kLogoBlueSolidsLast);
    EXPECT_EQ(solids, 57);
    EXPECT_EQ(colourRecords, (std::vector<std::string>{"8;9", "8;13", "8;9"}));
    EXPECT_EQ(DisplayList.front(), "10;1;1;639;479;-1;-1;38;33");
}

}  // namespace
}  // namespace veldrim
