#include "drawings/result_view.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

int drawn = 0;
void CountDrawing() { ++drawn; }

TEST(ShowResultView, DrawsOnlyAboveHelpLevelZeroAndClearsCancel) {
    ResetAllProgramState();
    ShowResultView();  // nothing registered: nothing drawn
    ResultViewDrawer = CountDrawing;
    drawn = 0;
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {2, 1}};
    for (const auto& [level, expected] : cases) {
        drawn = 0;
        helpLevel = static_cast<std::int16_t>(level);
        cancelFlag = true;
        ShowResultView();
        EXPECT_EQ(drawn, expected) << level;
        EXPECT_FALSE(cancelFlag);
    }
    ResetAllProgramState();
}

}  // namespace
}  // namespace veldrim
