#include "foundation/program_state.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/codepage.h"

namespace veldrim {
namespace {

class ProgramStateTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
};

// Without a configuration file the program starts with these settings.
TEST_F(ProgramStateTest, StartsWithTheDocumentedSettings) {
    EXPECT_EQ(decimalsSetting, 3);
    EXPECT_EQ(linesPerPage, 66);
    EXPECT_EQ(helpLevel, 1);
    EXPECT_EQ(unitSystem, 0);
    EXPECT_EQ(dateFormat, 3);
    EXPECT_EQ(angleFormat, 1);
    EXPECT_EQ(codePageOption, 0);
    EXPECT_EQ(decimalSeparatorOption, 1);
    EXPECT_EQ(cadTextCharacterSet, 2);
    EXPECT_EQ(reportRuleStyle, 1);
    EXPECT_EQ(productName, "VELDRIM");
    EXPECT_EQ(windowTitle, "V E L D R I M    -    Software");
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_EQ(dataDirectory, "TRAIN");
    EXPECT_EQ(tableEditorPath, "C:\\TABLYST\\TABLYST.EXE");
    EXPECT_EQ(printoutFont, "Courier New");
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(fatalFlag);
    EXPECT_TRUE(errorDisplayFlag);
    EXPECT_FALSE(modifiedFlag);
    EXPECT_FALSE(archiveModeFlag);
    EXPECT_FALSE(hideWarningsFlag);
    EXPECT_TRUE(userDirectory.empty());
    EXPECT_EQ(helpPicturePosition.left, 1);
    EXPECT_EQ(helpPicturePosition.top, 1);
}

// The screen probe runs last at start-up: 100, not the configured 102.
TEST_F(ProgramStateTest, ScreenProbeLeavesBothDialogPercentagesAt100) {
    EXPECT_EQ(dialogWindowPercentage, 100);
    EXPECT_EQ(dialogElementPercentage, 100);
    EXPECT_EQ(screenDpi, 96);
    dialogWindowPercentage = 130;
    ScreenProbe(0);  // unreadable screen: 96 stays
    EXPECT_EQ(screenDpi, 96);
    EXPECT_EQ(dialogWindowPercentage, 100);
    ScreenProbe(144);
    EXPECT_EQ(screenDpi, 144);
}

TEST_F(ProgramStateTest, TextBuffersAreRowsOfBlanksNeverEmpty) {
    struct Case {
        const char* name;
        const std::string* first;
        int count;
        int width;
    } cases[] = {
        {"choice buffer", &choiceBuffer[1], kChoiceBufferSize, kChoiceBufferWidth},
        {"line buffers", &lineBuffers[1], kLineBufferCount, kLineBufferWidth},
        {"report header lines", &reportHeaderLines[1], kReportHeaderLineCount, kReportHeaderLineWidth},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(c.first[i], std::string(c.width, ' ')) << c.name << " entry " << i + 1;
        }
    }
    EXPECT_EQ(choiceBuffer.size(), 136u);  // entries 1..135
    EXPECT_EQ(choiceBuffer[135].size(), 65u);
    EXPECT_EQ(lineBuffers[5].size(), 64u);
    EXPECT_EQ(reportHeaderLines[3].size(), 65u);
}

TEST_F(ProgramStateTest, DirectoriesOfTheProcessStartAreTheCurrentDirectory) {
    const std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(startDirectory, here);
    EXPECT_EQ(defaultDataDirectory, here);
    EXPECT_EQ(configurationDirectory, here);
}

TEST_F(ProgramStateTest, UnitSystemNamesAreCodePage850Texts) {
    EXPECT_EQ(unitSystemNames[0], "metrisch (mm, N, MPa, Nmm, °C)"_cp850);
    EXPECT_EQ(unitSystemNames[1], "englisch (in, lbf, psi, lbfin, degF)");
    EXPECT_EQ(unitSystemNames[3], "metrisch (mm, N, N/mm², Nmm, °C)"_cp850);
    // The degree sign is the single code page 850 byte 0xF8.
    EXPECT_EQ(unitSystemNames[2].back(), ')');
    EXPECT_NE(unitSystemNames[2].find('\xF8'), std::string::npos);
}

TEST_F(ProgramStateTest, ResetRestoresWhatARunChanged) {
    decimalsSetting = 5;
    unitSystem = 4;
    cancelFlag = true;
    fatalFlag = true;
    errorDisplayFlag = false;
    hideWarningsFlag = true;
    choiceBuffer[7] = "DXF";
    recentFilesList[2] = "wheel.qb3";
    productName = "OTHER";
    printWord2 = 9;
    helpPicturePosition = {300, 200};
    ResetProgramState();
    EXPECT_EQ(decimalsSetting, 3);
    EXPECT_EQ(unitSystem, 0);
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(fatalFlag);
    EXPECT_TRUE(errorDisplayFlag);
    EXPECT_FALSE(hideWarningsFlag);
    EXPECT_EQ(choiceBuffer[7], std::string(65, ' '));
    EXPECT_TRUE(recentFilesList[2].empty());
    EXPECT_EQ(productName, "VELDRIM");
    EXPECT_EQ(printWord2, 0);
    EXPECT_EQ(helpPicturePosition.left, 1);
    EXPECT_EQ(dialogWindowPercentage, 100);
}

}  // namespace
}  // namespace veldrim
