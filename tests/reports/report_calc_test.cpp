#include "reports/calc_report.h"

#include "calc/worm_geometry.h"
#include "foundation/message_display.h"
#include "report_test_support.h"
#include "reports/report_excerpt.h"

namespace veldrim {
namespace {
using namespace testing_support;

class CalcReport : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        RunCalculation();
        ASSERT_FALSE(fatalFlag);
        askBeforeOverwriteFlag = false;
    }
};

TEST_F(CalcReport, EveryMessageIsListedWithCauseAndRemedy) {
    ASSERT_GT(messageList.count, 0);
    const std::string text = Produce(kReportTxtFile, [] { PrintResultReport(1); });
    for (int k = 1; k <= messageList.count; ++k) {
        const std::string& message = messageList.slot[static_cast<std::size_t>(k)];
        const auto entry = FindMessageHelp(MessageTextFileName(), message);
        ASSERT_TRUE(entry.has_value()) << message;
        ASSERT_FALSE(entry->cause.empty());
        EXPECT_TRUE(Contains(text, message + "\t" + entry->cause + "\t" + entry->remedy + "\r\n")) << message;
    }
    ClearMessages();  // without messages a report without parts is empty
    wormGear.din3996Switch = 0;
    EXPECT_EQ(Produce(kReportTextFile, [] { PrintResultReport(5); }), "");
}

// A fatal calculation shows the message list instead of any report.
TEST_F(CalcReport, AFatalCalculationWritesNothing) {
    fatalFlag = true;
    AddMessage("Fatal  : a = 0 !");
    textDevice = kReportTextFile;
    PrintResultReport(0);
    PrintNiemannExcerpt();
    EXPECT_TRUE(ui.CallsOf("save").empty());
    ASSERT_EQ(ui.CallsOf("list").size(), 2u);
    EXPECT_TRUE(Contains(ui.CallsOf("list")[1].text, "Fatal  : a = 0 !"));
    EXPECT_EQ(WriteBatchTextReport(), "");
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(fs::is_empty(dir));
}

// "/I": mode 0 to a TXT file without any dialog; the user's default destination stays.
TEST_F(CalcReport, TheCommandLineReportWritesATxtFileAndKeepsTheSettings) {
    textDevice = kReportHtmlFile;
    textDeviceWindow = true;
    const std::string path = WriteBatchTextReport();
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(path, In("$$$1.txt"));
    EXPECT_TRUE(ui.CallsOf("save").empty());
    EXPECT_TRUE(ui.CallsOf("list").empty());
    EXPECT_EQ(textDevice, kReportHtmlFile);
    EXPECT_TRUE(textDeviceWindow);
    EXPECT_TRUE(Contains(Slurp(path), "BASISDATEN"));
    EXPECT_TRUE(fs::exists(In(currentFileName + ".txt")));
    // A display copy that cannot be written does not undo the report.
    fs::remove(In(currentFileName + ".txt"));
    fs::create_directory(In(currentFileName + ".txt"));
    EXPECT_EQ(WriteBatchTextReport(), In("$$$2.txt"));
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(ui.CallsOf("message").empty());
}

// The report asks for the destination when the user wants to be asked; a
// cancelled question writes nothing and keeps the settings.
TEST_F(CalcReport, ACancelledDestinationQuestionWritesNothingAndKeepsTheSettings) {
    textDeviceWindow = true;
    textDevice = kReportTextFile;
    PrintResultReport(1);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ui.CallsOf("list").size(), 1u);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(textDevice, kReportTextFile);
    EXPECT_TRUE(textDeviceWindow);
    textDevice = kReportHtmlFile;  // the spreadsheet route restores it too
    textDeviceWindow = false;
    cancelFlag = false;
    PrintoutToSpreadsheet(1);
    EXPECT_EQ(textDevice, kReportHtmlFile);
    EXPECT_TRUE(fs::exists(In("$$$1.txt")));
}

// The printer's next-sheet question refused on the first page.
TEST_F(CalcReport, AStoppedReportLeavesNoOutputBehind) {
    textDevice = kReportTextPrinter;
    ui.QueueAnswer(Answer::Yes);  // pause after each page
    ui.QueueAnswer(Answer::No);   // do not continue
    PrintResultReport(1);
    EXPECT_TRUE(cancelFlag);
    for (const auto& entry : fs::directory_iterator(dir)) ADD_FAILURE() << "left behind: " << entry.path();
}

}  // namespace
}  // namespace veldrim
