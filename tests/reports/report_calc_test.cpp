#include "reports/calc_report.h"

#include <cstdio>
#include <map>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/message_display.h"
#include "foundation/text_conv.h"
#include "report_test_support.h"

namespace veldrim {
namespace {
using namespace testing_support;

class CalcReport : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        RunCalculation();
        ASSERT_FALSE(fatalFlag);
        cancelFlag = false;
        askBeforeOverwriteFlag = false;
    }
    // The report of `mode` on a destination; the text of the written file.
    std::string Report(std::uint16_t mode, std::uint16_t destination) {
        textDevice = static_cast<std::int16_t>(destination);
        textDeviceWindow = false;
        std::string name = In("report-" + std::to_string(mode) + "-" + std::to_string(destination));
        if (destination == kReportTextFile) ui.QueueText(name + ".txt");
        if (destination == kReportHtmlFile) ui.QueueText(name + ".htm");
        if (destination == kReportScreen) ui.batch = true;  // the file stays
        PrintResultReport(mode);
        EXPECT_FALSE(cancelFlag);
        return Slurp(reportOutputName);
    }
    static bool IsFormFeedLine(const std::string& line) { return !line.empty() && line[0] == '\f'; }
};

// Layout invariants of the text report: margin, frames, page length, no
// marker, for every mode and rule style.
TEST_F(CalcReport, TextLayoutHoldsInEveryMode) {
    wormGear.din3996Switch = 1;
    linesPerPage = 20;
    for (std::int16_t style : {1, 2, 3, 4}) {
        for (std::uint16_t mode = 0; mode <= 6; ++mode) {
            for (std::uint16_t destination : {kReportScreen, kReportTextFile}) {
                SCOPED_TRACE("style " + std::to_string(style) + " mode " + std::to_string(mode) +
                             " destination " + std::to_string(destination));
                reportRuleStyle = style;
                const std::string text = Report(mode, destination);
                ASSERT_FALSE(text.empty());
                EXPECT_EQ(text.find("$!$"), std::string::npos);
                // Characters that begin and end a frame line or frame rule.
                const std::string starts = style == 1 ? "*" : style == 2 ? "\xBA\xC9\xC8\xCC" : "";
                const std::string ends = style == 1 ? "*" : "\xBA\xBB\xBC\xB9";
                int sinceFeed = 0, longest = 0, feeds = 0, framed = 0;
                for (const auto& line : LinesOf(text)) {
                    if (IsFormFeedLine(line)) {
                        ++feeds;
                        ASSERT_TRUE(line == "\f") << "form feed with text";
                        sinceFeed = 0;
                        continue;
                    }
                    longest = std::max(longest, ++sinceFeed);
                    ASSERT_EQ(line.rfind("       ", 0), 0u) << "[" << line << "]";
                    if (starts.empty() || line.size() <= 7 || starts.find(line[7]) == std::string::npos)
                        continue;
                    ++framed;
                    ASSERT_EQ(line.size(), 77u) << "[" << line << "]";
                    EXPECT_NE(ends.find(line[76]), std::string::npos) << "[" << line << "]";
                }
                if (!starts.empty()) {
                    EXPECT_GE(framed, 11);
                }
                // Text files have no form feeds; the screen's file shows the pages.
                if (destination == kReportScreen) {
                    EXPECT_LE(longest, 20);
                }
                if (destination == kReportScreen && style != 4) {
                    EXPECT_GE(feeds, 1);
                }
                if (destination == kReportTextFile) {
                    EXPECT_EQ(feeds, 0);
                }
            }
        }
    }
}

TEST_F(CalcReport, PagesStayShortWithHeaderVariants) {
    wormGear.din3996Switch = 1;
    linesPerPage = 20;
    struct Variant {
        std::int16_t headerMode;
        std::int32_t spacing;
    };
    for (const Variant v : {Variant{2, 0}, Variant{1, 3}, Variant{2, 3}}) {
        for (std::uint16_t mode = 0; mode <= 6; ++mode) {
            SCOPED_TRACE("header mode " + std::to_string(v.headerMode) + " spacing " +
                         std::to_string(v.spacing) + " report mode " + std::to_string(mode));
            printoutHeaderMode = v.headerMode;
            headerSpaceLines = v.spacing;
            int sinceFeed = 0, longest = 0;
            for (const auto& line : LinesOf(Report(mode, kReportScreen))) {
                if (IsFormFeedLine(line)) {
                    sinceFeed = 0;
                    continue;
                }
                longest = std::max(longest, ++sinceFeed);
                ASSERT_EQ(line.rfind("       ", 0), 0u) << "[" << line << "]";
            }
            EXPECT_LE(longest, EffectiveLinesPerPage());
        }
    }
}

TEST_F(CalcReport, TxtRowsHaveFourOrFiveFields) {
    wormGear.din3996Switch = 1;
    for (std::uint16_t mode = 0; mode <= 6; ++mode) {
        SCOPED_TRACE(mode);
        const auto lines = LinesOf(Report(mode, kReportTxtFile));
        ASSERT_FALSE(lines.empty());
        std::size_t rows = 0;
        for (const auto& line : lines) {
            const auto fields = SplitTabs(line);
            if (fields.size() == 1) continue;
            bool message = false;
            for (int k = 1; k <= messageList.count; ++k)
                message = message || fields[0] == messageList.slot[static_cast<std::size_t>(k)];
            const bool header = fields[0] == windowTitle + " V" + programVersion;
            if (message || header) {
                EXPECT_EQ(fields.size(), 3u);
                continue;
            }
            EXPECT_TRUE(fields.size() == 4 || fields.size() == 5) << line;
            ++rows;
        }
        if (ReportModePrintsGeometry(mode)) {
            EXPECT_GT(rows, 70u);
        }
    }
}

TEST_F(CalcReport, HtmlIsWellFormedAndEscapesData) {
    wormGear.din3996Switch = 1;
    wormGear.partName[1] = "A&B<x>";
    reportHeaderLines[1] = "Info <1> & \"2\"";
    for (std::uint16_t mode = 0; mode <= 6; ++mode) {
        SCOPED_TRACE(mode);
        const std::string html = Report(mode, kReportHtmlFile);
        const std::string file = reportOutputName;
        EXPECT_EQ(html.find("A&B<x>"), std::string::npos);
        EXPECT_NE(html.find("A&amp;B&lt;x&gt;"), std::string::npos);
        EXPECT_NE(html.find("Info &lt;1&gt; &amp;"), std::string::npos);
        std::size_t opened = 0, closed = 0;
        for (std::size_t p = 0; (p = html.find("<TABLE", p)) != std::string::npos; ++p) ++opened;
        for (std::size_t p = 0; (p = html.find("</TABLE>", p)) != std::string::npos; ++p) ++closed;
        EXPECT_EQ(opened, closed);
        const std::string errors = In("xmllint.err");
        const std::string command =
            "xmllint --html --noout '" + file + "' 2> '" + errors + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(Slurp(errors), "");
        EXPECT_EQ(html.find("$!$"), std::string::npos);
    }
}

TEST_F(CalcReport, TheModesPrintTheirParts) {
    struct Case {
        std::uint16_t mode;
        bool din;
        bool geometry, niemann, din3996;
    };
    const Case cases[] = {
        {0, true, true, true, true},    {0, false, true, true, false},
        {1, true, true, false, false},  {2, true, false, true, true},
        {2, false, false, true, false}, {3, true, true, true, true},
        {4, true, false, true, false},  {5, true, false, false, true},
        {5, false, false, false, false}, {6, true, false, false, true},
        {6, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.din ? " with" : " without") + " DIN 3996");
        wormGear.din3996Switch = c.din;
        const std::string text = Report(c.mode, kReportTextFile);
        EXPECT_EQ(text.find("BASISDATEN") != std::string::npos, c.geometry);
        EXPECT_EQ(text.find("Festigkeit n. Niemann") != std::string::npos, c.niemann);
        EXPECT_EQ(text.find("Festigkeit n. DIN 3996") != std::string::npos, c.din3996);
        EXPECT_NE(text.find("BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN"), std::string::npos);
    }
    EXPECT_EQ(Din3996EditionOfMode(5), 1);
    for (std::uint16_t mode : {0, 2, 3, 6}) EXPECT_EQ(Din3996EditionOfMode(mode), 2);
}

TEST_F(CalcReport, WithoutMessagesAPartlessReportIsEmpty) {
    ClearMessages();
    wormGear.din3996Switch = 0;
    EXPECT_EQ(Report(5, kReportTextFile), "");
}

TEST_F(CalcReport, EveryMessageIsListedWithCauseAndRemedy) {
    ASSERT_GT(messageList.count, 0);
    const std::string text = Report(1, kReportTxtFile);
    for (int k = 1; k <= messageList.count; ++k) {
        const std::string& message = messageList.slot[static_cast<std::size_t>(k)];
        auto entry = FindMessageHelp(MessageTextFileName(), message);
        ASSERT_TRUE(entry.has_value()) << message;
        ASSERT_FALSE(entry->cause.empty());
        EXPECT_NE(text.find(message + "\t" + entry->cause + "\t" + entry->remedy + "\r\n"),
                  std::string::npos)
            << message;
    }
}

TEST_F(CalcReport, AFatalCalculationWritesNothing) {
    fatalFlag = true;
    textDevice = kReportTextFile;
    PrintResultReport(0);
    EXPECT_TRUE(ui.CallsOf("save").empty());
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_FALSE(ui.calls.empty());  // the message list is shown instead
    EXPECT_EQ(WriteBatchTextReport(), "");
    EXPECT_TRUE(cancelFlag);
}

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
    EXPECT_NE(Slurp(path).find("BASISDATEN"), std::string::npos);
    EXPECT_TRUE(fs::exists(In(currentFileName + ".txt")));
    EXPECT_EQ(reportCounter, 1);
}

TEST_F(CalcReport, AFailedDisplayCopyDoesNotUndoTheCommandLineReport) {
    fs::create_directory(In(currentFileName + ".txt"));  // the copy cannot be written
    const std::string path = WriteBatchTextReport();
    EXPECT_EQ(path, In("$$$1.txt"));
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(ui.CallsOf("message").empty());
}

TEST_F(CalcReport, ACancelledDestinationQuestionWritesNothingAndKeepsTheSettings) {
    textDeviceWindow = true;
    textDevice = kReportTextFile;
    PrintResultReport(1);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ui.CallsOf("list").size(), 1u);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(textDevice, kReportTextFile);
    EXPECT_TRUE(textDeviceWindow);
}

TEST_F(CalcReport, AStoppedReportLeavesNoOutputBehind) {
    // The printer's next-sheet question refused on the first page.
    textDevice = kReportTextPrinter;
    ui.QueueAnswer(Answer::Yes);  // pause after each page
    ui.QueueAnswer(Answer::No);   // do not continue
    PrintResultReport(1);
    EXPECT_TRUE(cancelFlag);
    for (const auto& entry : fs::directory_iterator(dir))
        ADD_FAILURE() << "left behind: " << entry.path();
}

TEST_F(CalcReport, ThePrinterAndSpreadsheetRoutesRestoreTheSavedDestination) {
    textDevice = kReportHtmlFile;
    PrintoutToSpreadsheet(1);
    EXPECT_EQ(textDevice, kReportHtmlFile);
    EXPECT_TRUE(fs::exists(In("$$$1.txt")));
}

TEST_F(CalcReport, ReportValueHelpers) {
    EXPECT_EQ(AbsMax(-3, 2), 3);
    EXPECT_EQ(AbsMin(-3, 2), 2);
    EXPECT_EQ(ReportCodeText(kLubricantKindTexts, 5), std::string("Polyalphaolefin (PAO)"));
    EXPECT_EQ(ReportCodeText(kLubricantKindTexts, 6), "");
    EXPECT_EQ(ReportCodeText(kLubricantKindTexts, 0), "");
    EXPECT_EQ(ReportCodeText(kLubricationTexts, 1, 0), "Tauchschmierung");
    EXPECT_EQ(ReportCodeText(kLubricationTexts, -1, 0), "");
    EXPECT_EQ(ReportCodeText(kLubricationTexts, 70000, 0), "");
    unitSystem = 1;
    EXPECT_EQ(TrimBoth(FormatMicronFixed(4, 1, 25.4L)), "1000.0");
    unitSystem = 0;
    EXPECT_EQ(TrimBoth(FormatMicronFixed(4, 1, 25.4L)), "25.4");
}

TEST_F(CalcReport, ThePageTitlesAreComposedAsPrinted) {
    productName = "P";
    programVersion = "2.1";
    EXPECT_EQ(GeometryReportTitle(), "P V2.1 Schneckengetriebe Abmessungen n. DIN 3975");
    EXPECT_EQ(NiemannReportTitle(), "P V2.1  Schneckengetriebe  Festigkeit n. Niemann");
    EXPECT_EQ(Din3996ReportTitle(), "P V2.1  Schneckengetriebe  Festigkeit n. DIN 3996");
    wormGear.partName[1] = "Schnecke";
    wormGear.drawingNumber[1] = "Z-1";
    wormGear.drawingNumber[2] = "Z-2";
    SetCalcReportHeader("T");
    EXPECT_EQ(reportSubtitles[1], ReportNumberLine("Schnecke", "Z-1"));
    EXPECT_EQ(reportSubtitles[2].substr(39, 8), "Nr.: Z-2");
    EXPECT_EQ(reportSheetTotal, 0);
}

}  // namespace
}  // namespace veldrim
