#include "reports/report_channel.h"

#include <algorithm>

#include "foundation/codepage.h"
#include "report_test_support.h"
#include "reports/report_tables.h"

namespace veldrim {
namespace {
using namespace testing_support;

using Channel = ReportTest;

const std::string kStars = std::string(kReportMargin) + std::string(70, '*');

TEST_F(Channel, TheMarkerAndStyleFourRulesVanishOnEveryDestination) {
    for (std::uint16_t destination : {kReportOutDos, kReportTxtNoDialog, kReportHtmlFile}) {
        SCOPED_TRACE(destination);
        reportRuleStyle = 4;
        Open(destination);
        for (const std::string& t : {std::string(kNoRuleMarker), ReportRuleSingle(), ReportRuleDouble(), ReportBoxTop()})
            ReportText(t);
        ReportRow("a", "b", "c", "d");
        EXPECT_FALSE(Contains(Written(), "$!$"));
    }
    reportRuleStyle = 1;  // TXT drops single and double rules but keeps frame rules
    Open(kReportTxtNoDialog);
    for (const std::string& t : {ReportRuleSingle(), ReportRuleDouble(), ReportBoxTop(), std::string("text")})
        ReportText(t);
    EXPECT_EQ(Written(), std::string(70, '*') + "\r\ntext\r\n");
}

// Destination 1 in a headless run keeps its file, so its form feeds can be read back.
TEST_F(Channel, TheSixtySixthCountedLineBreaksThePageBeforeItIsWritten) {
    ui.batch = true;
    Open(kReportScreen);
    for (int i = 1; i <= 66; ++i) ReportText("line " + std::to_string(i));
    const auto lines = LinesOf(Written());
    // 65 lines, the form feed, a header of nine lines, the empty line, line 66.
    ASSERT_EQ(lines.size(), 65u + 1 + 9 + 1 + 1);
    EXPECT_EQ(lines[64], "       line 65");
    EXPECT_EQ(lines[65], "\f");
    EXPECT_EQ(lines[66], kStars);
    EXPECT_TRUE(Contains(lines[67], "Bl. 1"));
    EXPECT_EQ(lines[75], "       ");
    EXPECT_EQ(lines[76], "       line 66");
}

TEST_F(Channel, HeaderOnFirstPageOnlyWritesAFormFeedLineAndNoSheetNumber) {
    ui.batch = true;
    printoutHeaderMode = 2;
    linesPerPage = 30;
    Open(kReportScreen);
    ReportPageHeader(1, 0);
    for (int i = 1; i <= 40; ++i) ReportText("row");
    const std::string text = Written();
    EXPECT_FALSE(Contains(text, "Bl."));
    EXPECT_TRUE(Contains(text, "Titel"));
    const auto lines = LinesOf(text);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kStars), 3);  // the rules of the one header
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "\f"), 1);
}

TEST_F(Channel, APageTooShortForItsHeaderIsRaisedInsteadOfBreakingWithoutEnd) {
    ui.batch = true;
    linesPerPage = 3;
    headerSpaceLines = 2;
    Open(kReportScreen);
    EXPECT_GE(EffectiveLinesPerPage(), 2 + 14 + 2);
    ReportPageHeader(1, 1);
    for (int i = 0; i < 100; ++i) ReportText("row");
    const auto lines = LinesOf(Written());
    int sinceFeed = 0, most = 0;
    for (const auto& l : lines) most = std::max(most, sinceFeed = l == "\f" ? 0 : sinceFeed + 1);
    EXPECT_LE(most, EffectiveLinesPerPage());
    EXPECT_GT(std::count(lines.begin(), lines.end(), "\f"), 3);
}

// Column c of a row is byte 7 + c - 1 of the line.
TEST_F(Channel, RowValuesArePlacedByLengthAndPairValuesInTheirColumns) {
    Open(kReportOutDos);
    ReportRow("Label", "sym", "mm", "12345678901234567890");
    ReportRow("Label", "sym", "mm", "   1.5 ");
    ReportRow("Label", "sym", "mm", "        1.50000000");  // 18 characters, 10 once trimmed
    ReportRowPair("Label", "s", "u", " worm", " wheel");
    const auto lines = LinesOf(Written());
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].substr(7 + 49, 21), "12345678901234567890 ");
    EXPECT_EQ(lines[0].substr(7 + 34, 3), "sym");
    EXPECT_EQ(lines[0].substr(7 + 43, 2), "mm");
    EXPECT_EQ(lines[1], "       " + std::string(70, '-'));
    EXPECT_EQ(lines[2].substr(7 + 55, 7), "   1.5 ");
    EXPECT_EQ(lines[4].substr(7 + 55, 10), "1.50000000");
    EXPECT_EQ(lines[6].substr(7 + 50, 5), " worm");
    EXPECT_EQ(lines[6].substr(7 + 61, 6), " wheel");
}

TEST_F(Channel, FramesStayClosedWithALongDataPathAndLongTexts) {
    dataDirectory = In(std::string(50, 'd'));
    currentFileName = "name";
    Open(kReportOutDos);
    SetReportHeader(std::string(80, 'T'), std::string(80, 'S'), "", "", "", 12);
    ReportPageHeader(1, 1);
    for (const auto& line : LinesOf(Written())) {
        if (line.size() < 8 || line[7] != '*') continue;
        EXPECT_EQ(line.size(), 77u) << line;
        EXPECT_EQ(line.back(), '*') << line;
    }
}

TEST_F(Channel, RuleStyleTwoIsBoxDrawingInCodePage850) {
    reportRuleStyle = 2;
    Open(kReportOutDos);
    ReportPageHeader(1, 1);
    ReportText(ReportRuleSingle());
    ReportText(ReportRuleDouble());
    ReportClose();
    const std::string command = "iconv -f CP850 -t UTF-8 '" + reportOutputName + "' > '" + In("utf8.txt") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string text = Slurp(In("utf8.txt"));
    for (const char* box : {"╔", "╗", "╚", "╝", "╠", "╣", "║", "═", "─"}) EXPECT_TRUE(Contains(text, box)) << box;
    std::string top = "       ╔";
    for (int i = 0; i < 68; ++i) top += "═";
    EXPECT_TRUE(Contains(text, top + "╗\r\n"));
}

TEST_F(Channel, TempNamesTakeTheFirstFreeAndTheOpenFailsWhenNoneCanBeCreated) {
    EXPECT_EQ(MakeReportTempName(), In("$OUT1.TMP"));
    userDirectory = In("missing/folder");
    EXPECT_EQ(MakeReportTempName(), userDirectory + "/$OUT11.TMP");
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
        EXPECT_FALSE(cancelFlag);
        EXPECT_EQ(reportCounter, k);
        EXPECT_EQ(Slurp(In("$$" + std::to_string(k) + ".txt")), "Ma\xDF\r\n");
    }
    const std::string longLine(600, 'x');
    Open(kReportOutDos);
    ReportText(longLine);
    ReportClose();
    EXPECT_EQ(Slurp(In("outwin.txt")), "       " + longLine + "\r\n");
}

TEST_F(Channel, HtmlCancelAndFailureRestoreTheDataFileExtension) {
    dataFileExtension = "EXT";
    ReportOpen(kReportHtmlFile, "x");  // the save dialog cancelled
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(dataFileExtension, "EXT");
    // An existing file that the user does not want replaced.
    cancelFlag = false;
    htmlBrowserPath = "/bin/true";
    std::ofstream(In(programShortName + ".htm")) << "old";
    ui.QueueAnswer(Answer::No);
    ReportOpen(kReportHtmlFile, "x");
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(dataFileExtension, "EXT");
    EXPECT_EQ(Slurp(In(programShortName + ".htm")), "old");
    // The output cannot be written: the report stops without ReportClose.
    cancelFlag = false;
    htmlBrowserPath.clear();
    ui.QueueText(In("report.htm"));
    ReportOpen(kReportHtmlFile, "x");
    ASSERT_FALSE(cancelFlag);
    fs::create_directory(In("report.htm"));  // a folder where the file should go
    ReportRewrite();
    EXPECT_TRUE(cancelFlag);
    ReportAbandon();
    EXPECT_EQ(dataFileExtension, "EXT");
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_EQ(dataDirectory, dir);
}

TEST_F(Channel, HtmlEscapesDataAndDeclaresItsCharacterSet) {
    SetReportHeader("", "A&B<x>", "", "", "", 0);
    ui.QueueText(In("esc.htm"));
    ReportOpen(kReportHtmlFile, "x");
    ReportRewrite();
    ReportPageHeader(1, 1);
    ReportText("Werkstoff <1> & ü"_cp850);
    ReportRow("L<", "s", "u", "v&");
    ReportClose();
    const std::string html = Slurp(In("esc.htm"));
    EXPECT_TRUE(Contains(html, "charset=windows-1252"));
    EXPECT_TRUE(Contains(html, "<h5>A&amp;B&lt;x&gt;</h5>"));
    EXPECT_TRUE(Contains(html, "<br>Werkstoff &lt;1&gt; &amp; \xFC"));
    EXPECT_TRUE(Contains(html, "<TR><TD>L&lt;</TD>"));
    EXPECT_FALSE(Contains(html, "A&B<x>"));
    EXPECT_TRUE(Contains(html, "</BODY>\r\n</HTML>\r\n"));
}

TEST_F(Channel, ScreenReportIsShownThenDeletedOrCopiedToTheClipboard) {
    Open(kReportScreen);
    const std::string output = reportOutputName;
    ReportText("shown");
    ReportClose();
    ASSERT_EQ(ui.CallsOf("show-text").size(), 1u);
    EXPECT_EQ(ui.CallsOf("show-text")[0].text, output);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(Slurp(In("outwin.txt")), "       shown\r\n");
    screenReportMode = 1;
    Open(kReportScreen);
    ReportText("clip");
    ReportClose();
    EXPECT_EQ(ui.CallsOf("show-text").size(), 1u);
    EXPECT_EQ(ui.clipboard, "       clip\r\n");
}

// Headless, the screen report keeps its file and prints the path.
TEST_F(Channel, HeadlessScreenReportPrintsThePathAndThePrinterIsUnavailable) {
    ui.batch = true;
    Open(kReportScreen);
    ReportClose();
    ASSERT_EQ(ui.CallsOf("show-text").size(), 1u);
    EXPECT_EQ(ui.CallsOf("show-text")[0].text, reportOutputName);
    EXPECT_TRUE(fs::exists(reportOutputName));
    Open(kReportWindowsPrinter);
    ReportClose();
    EXPECT_TRUE(ui.CallsOf("print-text").empty());
    EXPECT_TRUE(AnyMessageContains("nicht verf"));
}

TEST_F(Channel, WindowsPrinterPrintsThroughTheWindowSystem) {
    Open(kReportWindowsPrinter);
    const std::string output = reportOutputName;
    ui.QueueBool(true);
    ReportClose();
    ASSERT_EQ(ui.CallsOf("print-text").size(), 1u);
    EXPECT_EQ(ui.CallsOf("print-text")[0].text, output);
    EXPECT_FALSE(fs::exists(output));
}

// A missing text program falls back to the desktop handler; failing that too, it is reported.
TEST_F(Channel, TextAndHtmlProgramsOpenTheReportOrAreReportedMissing) {
    textEditorPath = "no-such-editor-veldrim";
    for (bool handlerOpens : {true, false}) {
        Open(kReportTextProgram);
        ui.QueueBool(handlerOpens);
        ReportClose();
        EXPECT_EQ(AnyMessageContains("no-such-editor-veldrim not found"), !handlerOpens);
    }
    ASSERT_EQ(ui.CallsOf("open-document").size(), 2u);
    EXPECT_EQ(ui.CallsOf("open-document")[0].text, In("outwin.txt"));

    htmlBrowserPath = "/bin/true";
    ReportOpen(kReportHtmlFile, "x");
    ReportRewrite();
    EXPECT_EQ(reportOutputName, In(programShortName + ".htm"));
    ui.QueueBool(true);
    ReportClose();
    ASSERT_EQ(ui.CallsOf("open-document").size(), 3u);
    EXPECT_EQ(ui.CallsOf("open-document")[2].text, reportOutputName);
    htmlBrowserPath = In("no-browser");
    askBeforeOverwriteFlag = false;
    ReportOpen(kReportHtmlFile, "x");
    ReportRewrite();
    ReportClose();
    EXPECT_EQ(ui.CallsOf("open-document").size(), 3u);
    EXPECT_TRUE(AnyMessageContains("no-browser not found"));
}

class TextPrinter : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        // A stand-in for lp: keeps its arguments and the job it was given.
        const std::string script = In("fake-lp");
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << In("lp-args")
                              << "'\nfor last; do :; done\ncp \"$last\" '" << In("lp-job")
                              << "'\nexit ${FAKE_LP_STATUS:-0}\n";
        fs::permissions(script, fs::perms::owner_all);
        textPrinterCommand = script;
    }
    void TearDown() override {
        unsetenv("FAKE_LP_STATUS");
        ReportTest::TearDown();
    }
    void PrintOnePage() {
        ui.QueueAnswer(Answer::No);  // no pause after each page
        Open(kReportTextPrinter);
        ReportText("Drucker");
        ReportEndPage();
        ReportClose();
    }
};

TEST_F(TextPrinter, SendsTheRawJobBehindTheSetUpCodes) {
    std::ofstream(In("TEXT.VRP"), std::ios::binary) << "\x1b@";
    textPrinterQueue = "office";
    PrintOnePage();
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Slurp(In("lp-job")), "\x1b@       Drucker\r\n\f");
    EXPECT_EQ(Slurp(In("lp-args")).rfind("-o\nraw\n-d\noffice\n", 0), 0u);
    EXPECT_FALSE(fs::exists(reportOutputName));
}

TEST_F(TextPrinter, ARefusedJobOrAMissingCommandIsReported) {
    setenv("FAKE_LP_STATUS", "1", 1);  // e.g. an unknown queue
    PrintOnePage();
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(AnyMessageContains("Textdrucker"));
    cancelFlag = false;
    textPrinterCommand = "veldrim-no-such-lp";
    PrintOnePage();
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(AnyMessageContains("veldrim-no-such-lp not found"));
}

TEST_F(Channel, AnAskedDestinationIsTakenAndACancelledQuestionStops) {
    reportDestination = kReportHtmlFile;
    ReportOpen(kReportListNames, "x");  // only fills the list of names
    EXPECT_EQ(reportDestination, kReportHtmlFile);
    EXPECT_EQ(choiceBuffer[7], "HTML Datei");
    EXPECT_TRUE(fs::is_empty(dir));

    textDeviceWindow = true;
    ui.QueueChoice(5);  // 0-based: "TXT Datei"
    ui.QueueText(In("chosen.txt"));
    ReportOpen(kReportAsk, "x");
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(reportDestination, kReportTxtFile);
    EXPECT_EQ(reportOutputName, In("chosen.txt"));
    ReportOpen(kReportAsk, "x");  // no answer queued: cancelled
    EXPECT_TRUE(cancelFlag);

    textDeviceWindow = false;
    textDevice = 77;  // a damaged default shows on the screen
    ReportOpen(kReportAsk, "x");
    EXPECT_EQ(reportDestination, kReportScreen);
}

}  // namespace
}  // namespace veldrim
