#include "foundation/system_info.h"
#include "foundation/form_placement.h"

#include <gtest/gtest.h>

#include <ctime>

#include "foundation/program_state.h"

namespace veldrim {
namespace {

class SystemInfo : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetFormPlacement();
    }
    void TearDown() override { SetFixedNow(std::nullopt); }
};

TEST_F(SystemInfo, DateInEveryFormat) {
    const std::pair<int, const char*> cases[] = {
        {1, "07.03.2024"}, {2, "03/07/2024"}, {3, "2024-03-07"}, {4, "07/03/2024"}, {9, "2024/03/07"}};
    for (auto [format, text] : cases) {
        dateFormat = format;
        EXPECT_EQ(DateText(2024, 3, 7), text) << format;
    }
}

TEST_F(SystemInfo, ClockTextsFromAFixedMoment) {
    SetFixedNow(std::tm{.tm_min = 5, .tm_hour = 9, .tm_mday = 6, .tm_mon = 11, .tm_year = 2026 - 1900});
    dateFormat = 1;
    EXPECT_EQ(TimeHourMinuteText() + " " + TimeText() + " " + TodayText() + " " + TodayIsoDate(),
              "9:05 09:05:00 06.12.2026 2026-12-06");
    int y, m, d, w;
    GetDate(y, m, d, w);
    EXPECT_EQ(w, 0);  // a Sunday
}

TEST_F(SystemInfo, VersionTexts) {
    EXPECT_EQ(VersionTextOf(2, 1, 0, 7), "2.1");
    EXPECT_EQ(VersionTextOf(2, 1, 3, 0), "2.1.3");
    EXPECT_EQ(VersionTextOf(2, 1, 3, 4), "2.1.3.4");
    EXPECT_EQ(FileVersionText("/no/such/file"), "0");
    EXPECT_NE(FileVersionText(""), "0");
    EXPECT_EQ(DiskSizeOf("/no/such/folder"), 0u);
}

TEST_F(SystemInfo, FormsAreCentredAndScaled) {
    mainWindowGeometry.left = 100;
    mainWindowGeometry.top = 50;
    mainWindowGeometry.width = 800;
    mainWindowGeometry.height = 600;
    auto placed = [](int width) {
        FormGeometry f{.width = width, .height = 300};
        ScaleAndCentreForm(f);
        return std::vector<int>{f.left, f.top, f.width, f.height};
    };
    EXPECT_EQ(placed(400), (std::vector<int>{300, 220, 400, 300}));
    EXPECT_EQ(placed(1000)[0], 100);  // wider than the main window: its left edge
    dialogWindowPercentage = 150;
    EXPECT_EQ(placed(400), (std::vector<int>{200, 145, 600, 450}));
    formPlacementOption = 2;  // forms unscaled and unplaced
    EXPECT_EQ(placed(400), (std::vector<int>{0, 0, 400, 300}));
}

TEST_F(SystemInfo, ScreenScalingAndUnitToggle) {
    screenDpi = 120;
    EXPECT_EQ(ScaleToScreen(100), 125);
    dialogElementPercentage = 50;
    EXPECT_EQ(ScaleToScreen(100), 62);
    unitSystem = 3;
    ToggleUnitSystem();
    EXPECT_EQ(unitSystem, 1);
    FormGeometry main;
    horizontalResolution = verticalResolution = 0;  // unknown screen
    SetupMainWindow(main, 7);
    EXPECT_EQ(std::make_pair(main.clientWidth, main.clientHeight), std::make_pair(641, 481));
}

}  // namespace
}  // namespace veldrim
