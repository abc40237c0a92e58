#include "foundation/program_state.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/codepage.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

class ProgramStateTest : public testing::StateFixture {};

// The screen probe runs last at start-up: 100, not the configured 102.
TEST_F(ProgramStateTest, ScreenProbeLeavesBothDialogPercentagesAt100) {
    EXPECT_EQ(dialogWindowPercentage, 100);
    EXPECT_EQ(dialogElementPercentage, 100);
    dialogWindowPercentage = 130;
    ScreenProbe(0);  // unreadable screen: 96 dpi stays
    EXPECT_EQ(screenDpi, 96);
    EXPECT_EQ(dialogWindowPercentage, 100);
    ScreenProbe(144);
    EXPECT_EQ(screenDpi, 144);
}

TEST_F(ProgramStateTest, TextBuffersAreRowsOfBlanksNeverEmpty) {
    for (int i = 1; i <= kChoiceBufferSize; ++i) EXPECT_EQ(choiceBuffer[i], std::string(kChoiceBufferWidth, ' '));
    for (int i = 1; i <= kLineBufferCount; ++i) EXPECT_EQ(lineBuffers[i], std::string(kLineBufferWidth, ' '));
    for (int i = 1; i <= kReportHeaderLineCount; ++i)
        EXPECT_EQ(reportHeaderLines[i], std::string(kReportHeaderLineWidth, ' '));
    EXPECT_EQ(choiceBuffer.size(), 136u);  // entries 1..135 of 65 blanks
    EXPECT_EQ(choiceBuffer[135].size(), 65u);
}

TEST_F(ProgramStateTest, ResetRestoresWhatARunChanged) {
    decimalsSetting = 5;
    cancelFlag = fatalFlag = hideWarningsFlag = true;
    errorDisplayFlag = false;
    choiceBuffer[7] = "DXF";
    recentFilesList[2] = "wheel.qb3";
    helpPicturePosition = {300, 200};
    ResetProgramState();
    EXPECT_EQ(decimalsSetting, 3);
    EXPECT_FALSE(cancelFlag || fatalFlag || hideWarningsFlag);
    EXPECT_TRUE(errorDisplayFlag);
    EXPECT_EQ(choiceBuffer[7], std::string(65, ' '));
    EXPECT_TRUE(recentFilesList[2].empty());
    EXPECT_EQ(helpPicturePosition.left, 1);
}

}  // namespace
}  // namespace veldrim
