#include "foundation/program_state.h"

#include <gmock/gmock.h>

#include "foundation/codepage.h"
#include "foundation/form_placement.h"
#include "foundation/system_info.h"
#include "foundation_file_fixture.h"

using ::testing::IsEmpty;

namespace veldrim {
namespace {

class ProgramStateTest : public testing::StateFixture {};

// The text buffers are rows of blanks, never empty, also after a reset.
TEST_F(ProgramStateTest, ResetRestoresWhatARunChanged) {
    decimalsSetting = 5;
    cancelFlag = fatalFlag = hideWarningsFlag = true;
    errorDisplayFlag = false;
    choiceBuffer[7] = "DXF";
    recentFilesList[2] = "wheel.qb3";
    helpPicturePosition = {300, 200};
    ResetProgramState();
    EXPECT_EQ(decimalsSetting, 3);
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(fatalFlag);
    EXPECT_FALSE(hideWarningsFlag);
    EXPECT_TRUE(errorDisplayFlag);
    EXPECT_EQ(choiceBuffer.size(), 136u);  // entries 1..135 of 65 blanks
    for (int i = 1; i <= kChoiceBufferSize; ++i) EXPECT_EQ(choiceBuffer[i], std::string(65, ' '));
    for (int i = 1; i <= kLineBufferCount; ++i)
        EXPECT_EQ(lineBuffers[i], std::string(kLineBufferWidth, ' '));
    EXPECT_THAT(recentFilesList[2], IsEmpty());
    EXPECT_EQ(helpPicturePosition.left, 1);
}

class SystemInfo : public testing::StateFixture {};

TEST_F(SystemInfo, DatesInEveryFormatAndClockTextsFromAFixedMoment) {
    const std::pair<int, const char*> cases[] = {{1, "07.03.2024"},
                                                 {2, "03/07/2024"},
                                                 {3, "2024-03-07"},
                                                 {4, "07/03/2024"},
                                                 {9, "2024/03/07"}};
    for (auto [format, text] : cases) {
        dateFormat = format;
        EXPECT_EQ(DateText(2024, 3, 7), text) << format;
    }
    SetFixedNow(testing::Moment(2026, 12, 6, 9, 5));
    dateFormat = 1;
    EXPECT_EQ(TimeHourMinuteText() + " " + TimeText() + " " + TodayText() + " " + TodayIsoDate(),
              "9:05 09:05:00 06.12.2026 2026-12-06");
    int y, m, d, w;
    GetDate(y, m, d, w);
    EXPECT_EQ(w, 0);  // a Sunday
}

TEST_F(SystemInfo, VersionTexts) {
    EXPECT_EQ(VersionTextOf(2, 1, 0, 7) + " " + VersionTextOf(2, 1, 3, 0) + " " +
                  VersionTextOf(2, 1, 3, 4),
              "2.1 2.1.3 2.1.3.4");
    // The program's own build version, "0" for any other file.
    EXPECT_EQ(FileVersionText("/no/such/file"), "0");
    EXPECT_NE(FileVersionText(""), "0");
    EXPECT_EQ(DiskSizeOf("/no/such/folder"), 0u);
}

TEST_F(SystemInfo, FormsAreCentredAndScaled) {
    mainWindowGeometry = FormGeometry{.left = 100, .top = 50, .width = 800, .height = 600};
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

// The window measures the screen after the configuration file was read: the
// measured pixels per inch replace 96, the configured dialog percentages stay.
TEST_F(SystemInfo, ScreenDpiMeasuredByTheWindowKeepsTheConfiguredPercentages) {
    dialogWindowPercentage = 150;
    dialogElementPercentage = 80;
    ProbeScreenDpi(144);
    EXPECT_EQ(screenDpi, 144);
    EXPECT_EQ(dialogWindowPercentage, 150);
    EXPECT_EQ(dialogElementPercentage, 80);
    ProbeScreenDpi(0);  // unreadable: the value stays
    EXPECT_EQ(screenDpi, 144);
    FormGeometry f;
    f.width = 400, f.height = 300;
    dialogElementPercentage = 100;
    ScaleFormSizeDpi(f);
    EXPECT_EQ(f.width, 600);
    EXPECT_EQ(f.height, 450);
}

// Replies in order are exercised by every dialog test; here the ends of the queue.
TEST(ScriptedUi, AnEmptyQueueOrAReplyOfTheWrongKindCancels) {
    ScriptedUi ui;
    EXPECT_EQ(ui.Ask("t", "q", AskButtons::YesNoCancel, MessageKind::Confirmation), Answer::Cancel);
    EXPECT_EQ(ui.Ask("t", "q", AskButtons::YesNo, MessageKind::Confirmation), Answer::No);
    ui.QueueAnswer(Answer::Ok);  // a reply of the wrong kind is used up as cancel
    EXPECT_FALSE(ui.EnterText("t", "p", "").has_value());
    EXPECT_THAT(ui.replies, IsEmpty());
    EXPECT_EQ(ui.CallsOf("ask").size(), 2u);
}

TEST(BatchUi, NeverAsksAndAnswersCancel) {
    BatchUi ui;
    EXPECT_EQ(ui.Ask("t", "q", AskButtons::YesNoCancel, MessageKind::Confirmation), Answer::Cancel);
    EXPECT_FALSE(ui.OpenFileName("t", "/", "*.*").has_value());
}

TEST(SpawnProgram, ReportsMissingProgram) {
    EXPECT_FALSE(SpawnProgram("veldrim-no-such-program-xyz", {}));
    EXPECT_TRUE(SpawnProgram("true", {}));
}

}  // namespace
}  // namespace veldrim
