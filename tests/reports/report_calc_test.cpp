// The calculation report and the Niemann excerpt on the default data set:
// every mode and both DIN 3996 editions on paged text, TXT and HTML.

#include <algorithm>
#include <gmock/gmock.h>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/message_display.h"
#include "report_test_support.h"
#include "reports/calc_report.h"
#include "reports/report_din3996.h"
#include "reports/report_excerpt.h"
#include "reports/report_niemann.h"

using ::testing::AnyOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace veldrim {
namespace {
using namespace testing_support;

struct Printer {
    int mode;  // -1: the Niemann excerpt
    bool geometry, niemann;
    const char* edition;  // nullptr: no DIN 3996 part
    void Print() const {
        mode < 0 ? PrintNiemannExcerpt() : PrintResultReport(static_cast<std::uint16_t>(mode));
    }
};
const Printer kPrinters[] = {
    {0, true, true, "DIN 3996:2012"},   {1, true, false, nullptr},
    {2, false, true, "DIN 3996:2012"},  {3, true, true, "DIN 3996:2012"},
    {4, false, true, nullptr},          {5, false, false, "DIN 3996:1998"},
    {6, false, false, "DIN 3996:2012"}, {-1, false, false, nullptr},
};

// The calculated default data set with texts to escape in HTML; headless, so the screen report stays on disk.
class CalcReport : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        RunCalculation();
        ASSERT_FALSE(fatalFlag);
        ASSERT_GT(messageList.count, 0);
        wormGear.partName[1] = "A&B<x>";
        gearPair.materialName[1] = "St<50> & Cü"_cp850;
        ui.batch = true;
        askBeforeOverwriteFlag = false;
    }
};

// The 7-blank margin, frames closed at column 77, pages no longer than the
// lines per page and no marker, in every rule style and header variant.
TEST_F(CalcReport, PagedTextKeepsMarginFramesAndPageLength) {
    const struct {
        std::int16_t style, headerMode;
        std::int32_t spacing;
    } variants[] = {{1, 1, 0}, {2, 1, 0}, {4, 1, 0}, {3, 1, 3}, {1, 2, 3}};
    linesPerPage = 20;
    for (const auto& v : variants) {
        reportRuleStyle = v.style;
        printoutHeaderMode = v.headerMode;
        headerSpaceLines = v.spacing;
        const std::string starts = v.style == 1 ? "*" : v.style == 2 ? "\xBA\xC9\xC8\xCC" : "";
        const std::string ends = v.style == 1 ? "*" : "\xBA\xBB\xBC\xB9";
        for (const Printer& p : kPrinters) {
            for (std::uint16_t destination : {kReportScreen, kReportTextFile}) {
                SCOPED_TRACE("style " + std::to_string(v.style) + " header " +
                             std::to_string(v.headerMode) + " mode " + std::to_string(p.mode) +
                             " destination " + std::to_string(destination));
                const std::string text = Produce(destination, [&] { p.Print(); });
                EXPECT_FALSE(Contains(text, "$!$"));
                int sinceFeed = 0, longest = 0, feeds = 0, framed = 0;
                for (const auto& line : CrLfLines(text)) {
                    if (line == "\f") {
                        ++feeds, sinceFeed = 0;
                        continue;
                    }
                    longest = std::max(longest, ++sinceFeed);
                    ASSERT_THAT(line, StartsWith(kReportMargin)) << "[" << line << "]";
                    ASSERT_THAT(line, Not(HasSubstr("\f"))) << "[" << line << "]";
                    if (line.size() <= 7 || starts.find(line[7]) == std::string::npos) continue;
                    ++framed;
                    ASSERT_EQ(line.size(), 77u) << "[" << line << "]";
                    ASSERT_NE(ends.find(line[76]), std::string::npos) << "[" << line << "]";
                }
                if (!starts.empty()) {
                    EXPECT_GE(framed, 11);
                }
                if (destination == kReportScreen) {
                    EXPECT_LE(longest, 20);
                    if (v.style != 4) {
                        EXPECT_GE(feeds, 1);
                    }
                } else if (v.headerMode == 1) {
                    // Text files break pages only after a first-page header.
                    EXPECT_EQ(feeds, 0);
                }
            }
        }
    }
}

// TXT: rows of 4 or 5 tab-separated fields (header and messages 3), no
// rules, no margin; each mode prints its parts, the DIN part in its edition.
TEST_F(CalcReport, TxtRowsAreTabSeparatedAndTheModesPrintTheirParts) {
    for (std::uint8_t din : {1, 0}) {
        wormGear.din3996Switch = din;
        for (const Printer& p : kPrinters) {
            SCOPED_TRACE("mode " + std::to_string(p.mode) + " DIN switch " + std::to_string(din));
            const std::string text = Produce(kReportTxtFile, [&] { p.Print(); });
            EXPECT_THAT(text, Not(HasSubstr("$!$")));
            EXPECT_THAT(text, Not(HasSubstr(std::string(70, '-'))));
            std::size_t rows = 0;
            const auto messages = MessageTexts();
            for (const auto& line : CrLfLines(text)) {
                const auto fields = SplitTabs(line);
                if (fields.size() == 1) continue;
                if (fields[0] == windowTitle + " V" + programVersion ||
                    std::ranges::count(messages, fields[0])) {
                    EXPECT_EQ(fields.size(), 3u) << line;
                } else {
                    EXPECT_THAT(fields.size(), AnyOf(4u, 5u)) << line;
                    EXPECT_NE(line.rfind(kReportMargin, 0), 0u) << "margin on TXT: " << line;
                    ++rows;
                }
            }
            if (p.geometry) {
                EXPECT_GT(rows, 70u);
            }
            EXPECT_TRUE(Contains(text, "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN"));
            EXPECT_EQ(Contains(text, "BASISDATEN"), p.geometry);
            EXPECT_EQ(Contains(text, "WIRKUNGSGRAD (NACH NIEMANN)\r\n"), p.niemann);
            EXPECT_EQ(Contains(text, "BETRIEBSDATEN NACH DIN 3996:"), p.edition && din);
            if (!p.edition || !din) continue;
            const std::string other =
                std::string(p.edition) == "DIN 3996:1998" ? "DIN 3996:2012" : "DIN 3996:1998";
            EXPECT_TRUE(
                Contains(text, std::string("ZAHNBRUCHSICHERHEIT NACH ") + p.edition + "\r\n"));
            EXPECT_FALSE(Contains(text, "NACH " + other));
        }
    }
    EXPECT_TRUE(Contains(Produce(kReportTxtFile, PrintNiemannExcerpt),
                         "Verschleißsicherheit\tSW\t\t"_cp850));
}

// HTML: passes xmllint, tables balanced, data texts escaped, character set declared.
TEST_F(CalcReport, HtmlPassesAnHtmlCheckerAndEscapesData) {
    for (const Printer& p : kPrinters) {
        SCOPED_TRACE("mode " + std::to_string(p.mode));
        const std::string html = Produce(kReportHtmlFile, [&] { p.Print(); });
        const auto lint =
            testing::RunOutsideProgram({"xmllint", "--html", "--noout", reportOutputName});
        EXPECT_EQ(lint.status, 0) << lint.err;
        EXPECT_EQ(lint.err, "");
        EXPECT_THAT(html, HasSubstr("charset=windows-1252"));
        EXPECT_THAT(html, EndsWith("</BODY>\r\n</HTML>\r\n"));
        EXPECT_THAT(html, Not(HasSubstr("$!$")));
        EXPECT_THAT(html, Not(HasSubstr("A&B<x>")));
        EXPECT_THAT(html, Not(HasSubstr("St<50>")));
        EXPECT_EQ(CountOf(html, "<TABLE"), CountOf(html, "</TABLE>"));
        if (p.mode >= 0) {
            EXPECT_THAT(html, HasSubstr("A&amp;B&lt;x&gt;"));
        }
        if (p.niemann) {
            EXPECT_THAT(html, HasSubstr("<br>Werkstoff Schnecke: St&lt;50&gt; &amp; C\xFC"));
        }
    }
    EXPECT_TRUE(
        Contains(Slurp(reportOutputName), "<br>Werkstoff  Schnecke: St&lt;50&gt; &amp; C\xFC"));
}

TEST_F(CalcReport, EveryMessageIsListedWithCauseAndRemedy) {
    const std::string text = Produce(kReportTxtFile, [] { PrintResultReport(1); });
    for (const std::string& message : testing_support::MessageTexts()) {
        const auto entry = FindMessageHelp(MessageTextFileName(), message);
        ASSERT_TRUE(entry.has_value()) << message;
        ASSERT_THAT(entry->cause, Not(IsEmpty())) << message;
        EXPECT_TRUE(Contains(text, message + "\t" + entry->cause + "\t" + entry->remedy + "\r\n"))
            << message;
    }
    ClearMessages(),
        wormGear.din3996Switch = 0;  // without messages a report without parts is empty
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
    textDevice = kReportHtmlFile, textDeviceWindow = true;
    const std::string path = WriteBatchTextReport();
    EXPECT_EQ(path, In("$$$1.txt"));
    EXPECT_FALSE(cancelFlag) << "no dialog";
    EXPECT_THAT(ui.CallsOf("save"), IsEmpty()) << "no dialog";
    EXPECT_THAT(ui.CallsOf("list"), IsEmpty()) << "no dialog";
    EXPECT_EQ(textDevice, kReportHtmlFile);
    EXPECT_TRUE(textDeviceWindow);
    EXPECT_THAT(Slurp(path), HasSubstr("BASISDATEN"));
    EXPECT_TRUE(fs::exists(In(currentFileName + ".txt")));
    // A display copy that cannot be written fails the run: its output is
    // not complete.
    fs::remove(In(currentFileName + ".txt"));
    fs::create_directory(In(currentFileName + ".txt"));
    EXPECT_EQ(WriteBatchTextReport(), "");
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(ui.CallsOf("message").empty());
}

// A cancelled destination question or a refused sheet leaves nothing behind.
TEST_F(CalcReport, ACancelledReportWritesNothingAndKeepsTheSettings) {
    textDeviceWindow = true, textDevice = kReportTextFile;
    PrintResultReport(1);
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(ui.CallsOf("list").size(), 1u);
    EXPECT_EQ(textDevice, kReportTextFile);
    EXPECT_TRUE(textDeviceWindow);
    textDeviceWindow = false,
    textDevice = kReportTextPrinter;  // the next-sheet question refused on page 1
    ui.QueueAnswer(Answer::Yes);      // pause after each page
    ui.QueueAnswer(Answer::No);       // do not continue
    PrintResultReport(1);
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(textDevice, kReportTextPrinter);
    textDevice = kReportHtmlFile, cancelFlag = false;  // the spreadsheet route restores it too
    PrintoutToSpreadsheet(1);
    EXPECT_EQ(textDevice, kReportHtmlFile);
    EXPECT_TRUE(fs::exists(In("$$$1.txt")));
}

}  // namespace
}  // namespace veldrim
