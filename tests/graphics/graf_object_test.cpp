// The drawing object's forwards, the plot file check and the logo.

#include "graphics/graf_object.h"

#include <gtest/gtest.h>

#include "foundation/codepage.h"
#include "graphics/logo.h"
#include "graphics/recording_canvas.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

using GrafObjectTest = test::WindowTest<ScriptedUi>;

TEST_F(GrafObjectTest, ForwardsRecordTheWindowRecords) {
    GrafObject graf;
    GrafLine(0, 0, 1, 1);
    GrafSetColor16(1);  // exchange red is window colour 12
    GrafSetColor(12);   // the same window colour: not recorded twice
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

TEST_F(GrafObjectTest, MissingPlotFileGivesMessageAndCancel) {
    testing::TempDir dir{"veldrim_g1_plot"};
    testing::Spit(dir / "a.plt", "IN;");
    GrafCheckPlotFile(dir / "a.plt");
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(ui.CallsOf("message").empty());
    GrafCheckPlotFile(dir / "no such.plt");
    EXPECT_TRUE(cancelFlag);
    ASSERT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(ui.CallsOf("message")[0].text, dir / "nosuch.plt" + " nicht gefunden !");

}

// The logo: one window, two colours, and every solid a convex quadrilateral
// in outline order inside that window.
TEST_F(GrafObjectTest, LogoIsSolidsInTwoColoursInsideItsWindow) {
    GrafDrawLogo();
    EXPECT_EQ(DisplayList.front(), "10;1;1;639;479;-1;-1;38;33");
    std::vector<std::string> colours;
    int solids = 0;
    for (const std::string& r : DisplayList) {
        if (r.starts_with("8;")) colours.push_back(r);
        if (!r.starts_with("7;")) continue;
        ++solids;
        std::vector<Real> v;
        for (std::size_t p = 2; p != std::string::npos + 1; p = r.find(';', p) + 1) {
            Real x = 0;
            ASSERT_TRUE(ParseDisplayReal(r.substr(p, r.find(';', p) - p), x)) << r;
            v.push_back(x);
        }
        ASSERT_EQ(v.size(), 8u) << r;
        int sign = 0;
        for (int i = 0, j = 2, k = 4; i < 8; i += 2, j = (j + 2) % 8, k = (k + 2) % 8) {
            EXPECT_TRUE(v[i] >= -1 && v[i] <= 38 && v[i + 1] >= -1 && v[i + 1] <= 33) << r;
            const int turn = (v[j] - v[i]) * (v[k + 1] - v[j + 1]) > (v[j + 1] - v[i + 1]) * (v[k] - v[j]) ? 1 : -1;
            EXPECT_EQ(turn, sign == 0 ? (sign = turn) : sign) << r;
        }
    }
    EXPECT_EQ(solids, 57);
    EXPECT_EQ(colours, (std::vector<std::string>{"8;9", "8;13", "8;9"}));
}

}  // namespace
}  // namespace veldrim
