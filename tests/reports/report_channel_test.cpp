#include "reports/report_channel.h"

#include <algorithm>
#include <gmock/gmock.h>

#include "foundation/codepage.h"
#include "report_test_support.h"

using ::testing::IsEmpty;

namespace veldrim {
namespace {
using namespace testing_support;

using Channel = ReportTest;

TEST_F(Channel, TheMarkerAndStyleFourRulesVanishOnEveryDestination) {
    for (std::uint16_t destination : {kReportOutDos, kReportTxtNoDialog, kReportHtmlFile}) {
        SCOPED_TRACE(destination);
        reportRuleStyle = 4;
        Open(destination);
        for (const std::string& t :
             {std::string(kNoRuleMarker), ReportRuleSingle(), ReportRuleDouble(), ReportBoxTop()})
            ReportText(t);
        EXPECT_FALSE(Contains(Written(), "$!$"));
    }
    reportRuleStyle = 1;  // TXT drops single and double rules but keeps frame rules
    Open(kReportTxtNoDialog);
    for (const std::string& t :
         {ReportRuleSingle(), ReportRuleDouble(), ReportBoxTop(), std::string("text")})
        ReportText(t);
    EXPECT_EQ(Written(), std::string(70, '*') + "\r\ntext\r\n");
}

// Destination 1 in a headless run keeps its file, so its form feeds can be read back.
TEST_F(Channel, PagesBreakBeforeOverfillingAndAPageTooShortForItsHeaderIsRaised) {
    ui.batch = true;
    Open(kReportScreen);
    for (int i = 1; i <= 66; ++i) ReportText("line " + std::to_string(i));
    auto lines = CrLfLines(Written());
    // 65 lines, the form feed, a header of nine lines, the empty line, line 66.
    ASSERT_EQ(lines.size(), 65u + 1 + 9 + 1 + 1);
    EXPECT_EQ(lines[64] + "|" + lines[65] + "|" + lines[76], "       line 65|\f|       line 66");
    EXPECT_TRUE(Contains(lines[67], "Bl. 1"));
    // A page too short for its header is raised instead of breaking without end.
    linesPerPage = 3, headerSpaceLines = 2;
    Open(kReportScreen);
    EXPECT_GE(EffectiveLinesPerPage(), 2 + 14 + 2);
    ReportPageHeader(1, 1);
    for (int i = 0; i < 100; ++i) ReportText("row");
    lines = CrLfLines(Written());
    int sinceFeed = 0, most = 0;
    for (const auto& l : lines) most = std::max(most, sinceFeed = l == "\f" ? 0 : sinceFeed + 1);
    EXPECT_LE(most, EffectiveLinesPerPage());
    EXPECT_GT(std::count(lines.begin(), lines.end(), "\f"), 3);
}

// With a long data path and long header texts.
TEST_F(Channel, FramesStayClosedAndRuleStyleTwoIsBoxDrawingInCodePage850) {
    dataDirectory = In(std::string(50, 'd'));
    for (std::int16_t style : {1, 2}) {
        reportRuleStyle = style;
        Open(kReportOutDos);
        SetReportHeader(std::string(80, 'T'), std::string(80, 'S'), "", "", "", 12);
        ReportPageHeader(1, 1), ReportText(ReportRuleSingle()), ReportText(ReportRuleDouble());
        ReportClose();
        for (const auto& line : CrLfLines(Slurp(reportOutputName))) {
            if (line.size() < 8 ||
                std::string(style == 1 ? "*" : "\xBA\xC9\xC8\xCC").find(line[7]) ==
                    std::string::npos)
                continue;
            EXPECT_EQ(line.size(), 77u) << line;
            EXPECT_NE(std::string(style == 1 ? "*" : "\xBA\xBB\xBC\xB9").find(line.back()),
                      std::string::npos)
                << line;
        }
    }
    int status = -1;
    const std::string text =
        testing::RunOutside({"iconv", "-f", "CP850", "-t", "UTF-8", reportOutputName}, &status);
    ASSERT_EQ(status, 0);
    for (const char* box : {"╔", "╗", "╚", "╝", "╠", "╣", "║", "═", "─"})
        EXPECT_TRUE(Contains(text, box)) << box;
    std::string top = "       ╔";
    while (top.size() < 10 + 68 * 3) top += "═";  // three bytes each in UTF-8
    EXPECT_TRUE(Contains(text, top + "╗\r\n"));
}

TEST_F(Channel, TheOpenFailsWhenNoTemporaryFileCanBeCreated) {
    userDirectory = In("missing/folder");
    ReportOpen(kReportScreen, "x");
    EXPECT_TRUE(cancelFlag);
}

// Display copies are in the window code page and keep long lines whole.
TEST_F(Channel, TxtReportsCountUpAndDisplayCopiesKeepLongLines) {
    for (int k = 1; k <= 2; ++k) {
        Open(kReportTxtFile);
        EXPECT_EQ(reportOutputName, In("$$$" + std::to_string(k) + ".txt"));
        ReportText("Maß"_cp850);
        ReportClose();
        EXPECT_EQ(reportCounter, k);
        EXPECT_EQ(Slurp(In("$$" + std::to_string(k) + ".txt")), "Ma\xDF\r\n");  // Windows-1252
    }
    const std::string longLine(600, 'x');
    Open(kReportOutDos);
    ReportText(longLine);
    ReportClose();
    EXPECT_EQ(Slurp(In("outwin.txt")), "       " + longLine + "\r\n");
}

// A report name that another run holds already is never written: the next
// free number is taken, and the counter follows it.
TEST_F(Channel, TxtReportsTakeTheNextNameThatNoOtherRunHolds) {
    testing::Spit(In("$$$1.txt"), "another run's report");
    fs::create_symlink(In("elsewhere"), In("$$$2.txt"));  // even a dangling link holds its name
    Open(kReportTxtFile);
    EXPECT_EQ(reportOutputName, In("$$$3.txt"));
    ReportText("mine");
    ReportClose();
    EXPECT_EQ(reportCounter, 3);
    EXPECT_EQ(Slurp(In("$$$1.txt")), "another run's report");
    EXPECT_FALSE(fs::exists(In("elsewhere")));
    EXPECT_EQ(Slurp(In("$$$3.txt")), "mine\r\n");
}

TEST_F(Channel, HtmlCancelAndFailureRestoreTheDataFileExtension) {
    dataFileExtension = "EXT";
    ReportOpen(kReportHtmlFile, "x");  // the save dialog cancelled
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(dataFileExtension, "EXT");
    // An existing file that the user does not want replaced.
    cancelFlag = false, htmlBrowserPath = "/bin/true";
    std::ofstream(In(programShortName + ".htm")) << "old";
    ui.QueueAnswer(Answer::No);
    ReportOpen(kReportHtmlFile, "x");
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(dataFileExtension, "EXT");
    EXPECT_EQ(Slurp(In(programShortName + ".htm")), "old");
    // The output cannot be written: the report stops without ReportClose.
    cancelFlag = false, htmlBrowserPath.clear();
    ui.QueueText(In("report.htm"));
    ReportOpen(kReportHtmlFile, "x");
    ASSERT_FALSE(cancelFlag);
    fs::create_directory(In("report.htm"));  // a folder where the file should go
    ReportRewrite();
    EXPECT_TRUE(cancelFlag);
    ReportAbandon();
    EXPECT_EQ(dataFileExtension + "|" + currentFileName + "|" + dataDirectory, "EXT|demo|" + dir);
}

// Screen and printer hand the file to the window system; headless, the screen report keeps it.
TEST_F(Channel, FinishedReportsAreHandedOverAndDeleted) {
    const struct {
        std::uint16_t destination;
        bool batch;
        const char* call;
    } cases[] = {{kReportWindowsPrinter, false, "print-text"},
                 {kReportScreen, false, "show-text"},
                 {kReportScreen, true, "show-text"}};
    for (const auto& c : cases) {
        ui.calls.clear(), ui.batch = c.batch;
        Open(c.destination);
        const std::string output = reportOutputName;
        ReportText("shown");
        ui.QueueBool(true);  // printed
        ReportClose();
        ASSERT_EQ(ui.CallsOf(c.call).size(), 1u) << c.call;
        EXPECT_EQ(ui.CallsOf(c.call)[0].text, output) << c.call;
        EXPECT_EQ(fs::exists(output), c.batch) << c.call;
        if (c.destination == kReportScreen) {
            EXPECT_EQ(Slurp(In("outwin.txt")), "       shown\r\n");
        }
    }
    Open(kReportWindowsPrinter);  // headless: no printer
    ReportClose();
    EXPECT_THAT(ui.CallsOf("print-text"), IsEmpty());
    EXPECT_TRUE(AnyMessageContains("nicht verf"));
}

// The raw job behind the set-up codes goes to lp; a refused job or a missing lp is reported.
TEST_F(Channel, TheTextPrinterSendsARawJobAndReportsFailures) {
    // A stand-in for lp in the test folder: keeps its arguments and the job, exits with the status in lp-status.
    std::ofstream(In("fake-lp"))
        << "#!/bin/sh\nprintf '%s\\n' \"$@\" > lp-args\nfor last; do :; done\n"
           "cp \"$last\" lp-job\nexit $(cat lp-status)\n";
    fs::permissions(In("fake-lp"), fs::perms::owner_all);
    const auto printOnePage = [&](int lpStatus) {
        std::ofstream(In("lp-status")) << lpStatus;
        cancelFlag = false;
        ui.QueueAnswer(Answer::No);  // no pause after each page
        Open(kReportTextPrinter);
        ReportText("Drucker");
        ReportEndPage();
        ReportClose();
    };
    std::ofstream(In("TEXT.VRP"), std::ios::binary) << "\x1b@";
    textPrinterQueue = "office";
    textPrinterCommand = In("fake-lp");
    printOnePage(0);
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(fs::exists(reportOutputName));
    EXPECT_EQ(Slurp(In("lp-job")), "\x1b@       Drucker\r\n\f");
    // "--" ends the options: a report name beginning with '-' is still a file.
    EXPECT_EQ(Slurp(In("lp-args")).substr(0, 20), "-o\nraw\n-d\noffice\n--\n");
    printOnePage(1);  // a refused job, e.g. an unknown queue
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(AnyMessageContains("Textdrucker"));
    textPrinterCommand = "veldrim-no-such-lp";
    printOnePage(0);
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(AnyMessageContains("veldrim-no-such-lp not found"));
}

// A cancelled question: CalcReport.ACancelledReportWritesNothingAndKeepsTheSettings.
TEST_F(Channel, AnAskedDestinationIsTakenAndADamagedDefaultShowsOnTheScreen) {
    textDeviceWindow = true;
    ui.QueueChoice(5);  // 0-based: "TXT Datei"
    ui.QueueText(In("chosen.txt"));
    ReportOpen(kReportAsk, "x");
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(reportDestination, kReportTxtFile);
    EXPECT_EQ(reportOutputName, In("chosen.txt"));

    textDeviceWindow = false, textDevice = 77;  // a damaged default shows on the screen
    ReportOpen(kReportAsk, "x");
    EXPECT_EQ(reportDestination, kReportScreen);
}

}  // namespace
}  // namespace veldrim
