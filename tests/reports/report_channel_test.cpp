#include "reports/report_channel.h"

#include <sys/stat.h>

#include <cstdio>

#include "foundation/codepage.h"
#include "report_test_support.h"
#include "reports/report_tables.h"

namespace veldrim {
namespace {
using namespace testing_support;

class Channel : public ReportTest {
protected:
    // Opens the channel on a destination that needs no dialog and rewrites.
    void Open(std::uint16_t destination) {
        SetReportHeader("Titel", "Sub 1", "Sub 2", "Sub 3", "", 0);
        ReportOpen(destination, "x");
        ASSERT_FALSE(cancelFlag);
        ReportRewrite();
        ASSERT_FALSE(cancelFlag);
    }
    // Closes the file without handing it over and returns its text.
    std::string Written() {
        CloseChecked(sharedTextFile);
        return Slurp(reportOutputName);
    }
    std::vector<std::string> MessagesShown() const {
        std::vector<std::string> texts;
        for (const auto& c : ui.CallsOf("message")) texts.push_back(c.text);
        return texts;
    }
    bool AnyMessageContains(const std::string& part) const {
        for (const auto& t : MessagesShown())
            if (t.find(part) != std::string::npos) return true;
        return false;
    }
};

TEST_F(Channel, ListingTheNamesOpensNothingAndKeepsTheDestination) {
    reportDestination = kReportHtmlFile;
    ReportOpen(kReportListNames, "x");
    EXPECT_EQ(reportDestination, kReportHtmlFile);
    EXPECT_EQ(choiceBuffer[1], "Bildschirm");
    EXPECT_EQ(choiceBuffer[5], "externes Textprogramm");
    EXPECT_EQ(choiceBuffer[7], "HTML Datei");
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_FALSE(cancelFlag);
}

TEST_F(Channel, TheMarkerAndStyleFourRulesVanishOnEveryDestination) {
    for (std::uint16_t destination : {kReportOutDos, kReportTxtNoDialog, kReportHtmlFile}) {
        SCOPED_TRACE(destination);
        reportRuleStyle = 4;
        htmlBrowserPath.clear();
        if (destination == kReportHtmlFile) ui.QueueText(In("marker.htm"));
        Open(destination);
        ReportText(kNoRuleMarker);
        ReportText(ReportRuleSingle());
        ReportText(ReportRuleDouble());
        ReportText(ReportBoxTop());
        ReportRow("a", "b", "c", "d");
        EXPECT_EQ(Written().find("$!$"), std::string::npos);
    }
}

TEST_F(Channel, TxtDropsSingleAndDoubleRulesButKeepsFrameRules) {
    Open(kReportTxtNoDialog);
    ReportText(ReportRuleSingle());
    ReportText(ReportRuleDouble());
    ReportText(ReportBoxTop());
    ReportText("text");
    EXPECT_EQ(Written(), std::string(70, '*') + "\r\ntext\r\n");
}

// Destination 1 in a headless run keeps its file, so its form feeds can be
// read back.
TEST_F(Channel, TheSixtySixthCountedLineBreaksThePageBeforeItIsWritten) {
    ui.batch = true;
    Open(kReportScreen);
    for (int i = 1; i <= 66; ++i) ReportText("line " + std::to_string(i));
    auto lines = LinesOf(Written());
    // 65 lines, the form feed, a header of nine lines, the empty line, line 66.
    ASSERT_EQ(lines.size(), 65u + 1 + 9 + 1 + 1);
    EXPECT_EQ(lines[64], "       line 65");
    EXPECT_EQ(lines[65], "\f");
    EXPECT_EQ(lines[66], "       " + std::string(70, '*'));
    EXPECT_NE(lines[67].find("Bl. 1"), std::string::npos);
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
    EXPECT_EQ(text.find("Bl."), std::string::npos);
    EXPECT_NE(text.find("Titel"), std::string::npos);
    auto lines = LinesOf(text);
    int frames = 0, feeds = 0;
    for (const auto& l : lines) {
        if (l == "       " + std::string(70, '*')) ++frames;
        if (l == "\f") ++feeds;
    }
    EXPECT_EQ(frames, 3);  // top, middle and bottom rule of the one header
    EXPECT_EQ(feeds, 1);
}

TEST_F(Channel, RowValuesArePlacedByLength) {
    Open(kReportOutDos);
    ReportRow("Label", "sym", "mm", "12345678901234567890");
    ReportRow("Label", "sym", "mm", "   1.5 ");
    ReportRow("Label", "sym", "mm", "        1.50000000");  // 18 characters, 10 once trimmed
    auto lines = LinesOf(Written());
    ASSERT_EQ(lines.size(), 6u);
    // Column c of the row is byte 7 + c - 1 of the line.
    EXPECT_EQ(lines[0].substr(7 + 49, 20), "12345678901234567890");
    EXPECT_EQ(lines[0].size(), 77u);
    EXPECT_EQ(lines[0][7 + 68], '0');  // ends in column 69
    EXPECT_EQ(lines[2].substr(7 + 55, 7), "   1.5 ");
    EXPECT_EQ(lines[4].substr(7 + 55, 10), "1.50000000");
    EXPECT_EQ(lines[0].substr(7 + 34, 3), "sym");
    EXPECT_EQ(lines[0].substr(7 + 43, 2), "mm");
    EXPECT_EQ(lines[1], "       " + std::string(70, '-'));
}

TEST_F(Channel, PairValuesStartInTheirColumnsWithoutTrimming) {
    Open(kReportOutDos);
    ReportRowPair("Label", "s", "u", " worm", " wheel");
    auto lines = LinesOf(Written());
    EXPECT_EQ(lines[0].substr(7 + 50, 5), " worm");
    EXPECT_EQ(lines[0].substr(7 + 61, 6), " wheel");
}

TEST_F(Channel, TempNamesFallBackToElevenAndTheOpenFailsWhenNoneCanBeCreated) {
    userDirectory = In("missing/folder");
    EXPECT_EQ(MakeReportTempName(), userDirectory + "/$OUT11.TMP");
    ReportOpen(kReportScreen, "x");
    EXPECT_TRUE(cancelFlag);
}

TEST_F(Channel, TempNamesTakeTheFirstThatCanBeCreated) {
    EXPECT_EQ(MakeReportTempName(), In("$OUT1.TMP"));
}

TEST_F(Channel, TwoTxtReportsInARowCountUpWithTheirDisplayCopies) {
    for (int k = 1; k <= 2; ++k) {
        Open(kReportTxtFile);
        EXPECT_EQ(reportOutputName, In("$$$" + std::to_string(k) + ".txt"));
        ReportText("Maß"_cp850);
        ReportClose();
        EXPECT_FALSE(cancelFlag);
        EXPECT_EQ(reportCounter, k);
        // The display copy is in the window code page.
        EXPECT_EQ(Slurp(In("$$" + std::to_string(k) + ".txt")), "Ma\xDF\r\n");
    }
}

TEST_F(Channel, DisplayCopiesKeepLongLinesWhole) {
    const std::string longLine(600, 'x');
    Open(kReportOutDos);
    ReportText(longLine);
    ReportClose();
    EXPECT_EQ(Slurp(In("outwin.txt")), "       " + longLine + "\r\n");
}

TEST_F(Channel, APageTooShortForItsHeaderIsRaisedInsteadOfBreakingWithoutEnd) {
    ui.batch = true;
    linesPerPage = 3;
    headerSpaceLines = 2;
    Open(kReportScreen);
    EXPECT_GE(EffectiveLinesPerPage(), 2 + 14 + 2);
    ReportPageHeader(1, 1);
    for (int i = 0; i < 100; ++i) ReportText("row");
    auto lines = LinesOf(Written());
    int sinceFeed = 0, most = 0;
    for (const auto& l : lines) {
        sinceFeed = l == "\f" ? 0 : sinceFeed + 1;
        most = std::max(most, sinceFeed);
    }
    EXPECT_LE(most, EffectiveLinesPerPage());
    EXPECT_GT(std::count(lines.begin(), lines.end(), "\f"), 3);
}

TEST_F(Channel, RuleStyleTwoIsBoxDrawingInCodePage850) {
    reportRuleStyle = 2;
    Open(kReportOutDos);
    ReportPageHeader(1, 1);
    ReportText(ReportRuleSingle());
    ReportText(ReportRuleDouble());
    ReportClose();
    const std::string utf8File = In("utf8.txt");
    const std::string command =
        "iconv -f CP850 -t UTF-8 '" + reportOutputName + "' > '" + utf8File + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string text = Slurp(utf8File);
    for (const char* box : {"╔", "╗", "╚", "╝", "╠", "╣", "║", "═", "─"}) {
        SCOPED_TRACE(box);
        EXPECT_NE(text.find(box), std::string::npos);
    }
    const std::string top = "╔" + [] {
        std::string s;
        for (int i = 0; i < 68; ++i) s += "═";
        return s;
    }() + "╗";
    EXPECT_NE(text.find("       " + top + "\r\n"), std::string::npos);
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

TEST_F(Channel, HtmlCancelAndFailureRestoreTheDataFileExtension) {
    dataFileExtension = "EXT";
    // The save dialog cancelled.
    ReportOpen(kReportHtmlFile, "x");
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
    EXPECT_EQ(dataFileExtension, "EXT");
    fs::create_directory(In("report.htm"));  // a folder where the file should go
    ReportRewrite();
    EXPECT_TRUE(cancelFlag);
    ReportAbandon();
    EXPECT_EQ(dataFileExtension, "EXT");
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_EQ(dataDirectory, dir);
}

TEST_F(Channel, HtmlEscapesDataAndDeclaresItsCharacterSet) {
    ui.QueueText(In("esc.htm"));
    SetReportHeader("", "A&B<x>", "", "", "", 0);
    ReportOpen(kReportHtmlFile, "x");
    ReportRewrite();
    ReportPageHeader(1, 1);
    ReportText("Werkstoff <1> & ü"_cp850);
    ReportRow("L<", "s", "u", "v&");
    ReportClose();
    const std::string html = Slurp(In("esc.htm"));
    EXPECT_NE(html.find("charset=windows-1252"), std::string::npos);
    EXPECT_NE(html.find("<h5>A&amp;B&lt;x&gt;</h5>"), std::string::npos);
    EXPECT_NE(html.find("<br>Werkstoff &lt;1&gt; &amp; \xFC"), std::string::npos);
    EXPECT_NE(html.find("<TR><TD>L&lt;</TD>"), std::string::npos);
    EXPECT_EQ(html.find("A&B<x>"), std::string::npos);
    EXPECT_NE(html.find("</BODY>\r\n</HTML>\r\n"), std::string::npos);
}

TEST_F(Channel, ScreenReportIsShownThenDeleted) {
    Open(kReportScreen);
    const std::string output = reportOutputName;
    ReportText("shown");
    ReportClose();
    auto shown = ui.CallsOf("show-text");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, output);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(Slurp(In("outwin.txt")), "       shown\r\n");
}

TEST_F(Channel, ScreenReportModeOneCopiesTheTextToTheClipboard) {
    screenReportMode = 1;
    Open(kReportScreen);
    ReportText("clip");
    ReportClose();
    EXPECT_TRUE(ui.CallsOf("show-text").empty());
    EXPECT_EQ(ui.clipboard, "       clip\r\n");
}

TEST_F(Channel, HeadlessScreenReportKeepsItsFileAndNamesIt) {
    ui.batch = true;
    Open(kReportScreen);
    ReportClose();
    ASSERT_EQ(ui.CallsOf("show-text").size(), 1u);
    EXPECT_TRUE(fs::exists(reportOutputName));
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

TEST_F(Channel, WindowsPrinterIsNotAvailableHeadless) {
    ui.batch = true;
    Open(kReportWindowsPrinter);
    ReportClose();
    EXPECT_TRUE(ui.CallsOf("print-text").empty());
    EXPECT_TRUE(AnyMessageContains("nicht verf"));
}

TEST_F(Channel, AMissingTextProgramFallsBackToTheDesktopHandler) {
    textEditorPath = "no-such-editor-veldrim";
    Open(kReportTextProgram);
    ui.QueueBool(true);
    ReportClose();
    auto opened = ui.CallsOf("open-document");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, In("outwin.txt"));
    EXPECT_FALSE(AnyMessageContains("not found"));
}

TEST_F(Channel, NoTextProgramAtAllIsReported) {
    textEditorPath = "no-such-editor-veldrim";
    Open(kReportTextProgram);
    ui.QueueBool(false);
    ReportClose();
    EXPECT_TRUE(AnyMessageContains("no-such-editor-veldrim not found"));
}

TEST_F(Channel, HtmlProgramOpensTheReportOrIsReportedMissing) {
    htmlBrowserPath = "/bin/true";
    Open(kReportHtmlFile);
    EXPECT_EQ(reportOutputName, In(programShortName + ".htm"));
    ui.QueueBool(true);
    ReportClose();
    ASSERT_EQ(ui.CallsOf("open-document").size(), 1u);
    EXPECT_EQ(ui.CallsOf("open-document")[0].text, reportOutputName);

    htmlBrowserPath = In("no-browser");
    askBeforeOverwriteFlag = false;
    Open(kReportHtmlFile);
    ReportClose();
    EXPECT_EQ(ui.CallsOf("open-document").size(), 1u);
    EXPECT_TRUE(AnyMessageContains("no-browser not found"));
}

class TextPrinter : public Channel {
protected:
    void SetUp() override {
        Channel::SetUp();
        // A stand-in for lp: keeps its arguments and the job it was given.
        script = In("fake-lp");
        std::ofstream(script) << "#!/bin/sh\n"
                                 "printf '%s\\n' \"$@\" > '" << In("lp-args") << "'\n"
                                 "for last; do :; done\n"
                                 "cp \"$last\" '" << In("lp-job") << "'\n"
                                 "exit ${FAKE_LP_STATUS:-0}\n";
        fs::permissions(script, fs::perms::owner_all);
        textPrinterCommand = script;
    }
    void TearDown() override {
        unsetenv("FAKE_LP_STATUS");
        Channel::TearDown();
    }
    void PrintOnePage() {
        ui.QueueAnswer(Answer::No);  // no pause after each page
        Open(kReportTextPrinter);
        ReportText("Drucker");
        ReportEndPage();
        ReportClose();
    }
    std::string script;
};

TEST_F(TextPrinter, SendsTheRawJobBehindTheSetUpCodes) {
    std::ofstream(In("TEXT.VRP"), std::ios::binary) << "\x1b@";
    textPrinterQueue = "office";
    PrintOnePage();
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Slurp(In("lp-job")), "\x1b@       Drucker\r\n\f");
    const std::string args = Slurp(In("lp-args"));
    EXPECT_EQ(args.rfind("-o\nraw\n-d\noffice\n", 0), 0u) << args;
    EXPECT_FALSE(fs::exists(reportOutputName));
}

TEST_F(TextPrinter, ARefusedJobIsReported) {
    setenv("FAKE_LP_STATUS", "1", 1);
    PrintOnePage();
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(AnyMessageContains("Textdrucker"));
}

TEST_F(TextPrinter, AMissingPrintCommandIsReported) {
    textPrinterCommand = "veldrim-no-such-lp";
    PrintOnePage();
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(AnyMessageContains("veldrim-no-such-lp not found"));
}

TEST_F(TextPrinter, RefusingTheNextSheetStopsTheHeader) {
    ui.QueueAnswer(Answer::Yes);  // pause after each page
    Open(kReportTextPrinter);
    EXPECT_TRUE(pauseAfterEachPage);
    ui.QueueAnswer(Answer::No);
    ReportPageHeader(1, 1);
    EXPECT_TRUE(cancelFlag);
    ReportAbandon();
    EXPECT_FALSE(fs::exists(reportOutputName));
}

TEST_F(Channel, AnAskedDestinationIsTakenAndACancelledQuestionStops) {
    textDeviceWindow = true;
    ui.QueueChoice(5);  // 0-based: "TXT Datei"
    ui.QueueText(In("chosen.txt"));
    ReportOpen(kReportAsk, "x");
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(reportDestination, kReportTxtFile);
    EXPECT_EQ(reportOutputName, In("chosen.txt"));
    EXPECT_EQ(dataFileExtension, "EXT");

    ReportOpen(kReportAsk, "x");  // no answer queued: cancelled
    EXPECT_TRUE(cancelFlag);
}

TEST_F(Channel, ADamagedDefaultDestinationShowsOnTheScreen) {
    textDevice = 77;
    ReportOpen(kReportAsk, "x");
    EXPECT_EQ(reportDestination, kReportScreen);
}

}  // namespace
}  // namespace veldrim
