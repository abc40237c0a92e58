// Layout of the rating parts of the calculation report (Niemann, DIN 3996 in
// both editions) and of the Niemann excerpt, on the default data set, written
// to the three kinds of destination: paged text, TXT and HTML.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/message_display.h"
#include "foundation/messages.h"
#include "report_test_support.h"
#include "reports/calc_report.h"
#include "reports/report_channel.h"
#include "reports/report_din3996.h"
#include "reports/report_niemann.h"
#include "reports/report_excerpt.h"

namespace veldrim {
namespace {
using namespace testing_support;

class RatingLayout : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        wormGear.din3996Switch = 1;
        RunCalculation();
        ASSERT_FALSE(fatalFlag);
        ui.batch = true;  // the screen report stays on disk
    }

    // Writes one report to a destination and returns the file's bytes.
    std::string Produce(std::uint16_t destination, const std::function<void()>& print) {
        cancelFlag = false;
        textDevice = static_cast<std::int16_t>(destination);
        if (destination == kReportHtmlFile) ui.QueueText(In("report-" + std::to_string(++serial) + ".htm"));
        print();
        EXPECT_FALSE(cancelFlag);
        return Slurp(reportOutputName);
    }

    int serial = 0;
};

struct Mode {
    std::uint16_t mode;
    bool niemann;
    const char* edition;  // nullptr: no DIN 3996 part
};
const Mode kModes[] = {
    {0, true, "DIN 3996:2012"}, {1, false, nullptr},        {2, true, "DIN 3996:2012"},
    {3, true, "DIN 3996:2012"}, {4, true, nullptr},         {5, false, "DIN 3996:1998"},
    {6, false, "DIN 3996:2012"},
};

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// The paged-text invariants: margin, frame columns, page length, no markers.
// Bare empty lines are allowed only where the messages section writes its
// uncounted spacing lines.
void CheckTextLayout(const std::string& text, int linesPerPage, char border,
                     const std::string& context, bool withMessages = true) {
    SCOPED_TRACE(context);
    EXPECT_FALSE(Contains(text, "$!$"));
    int linesOnPage = 0;
    int formFeeds = 0;
    for (const std::string& line : LinesOf(text)) {
        if (!line.empty() && line.find_first_not_of('\f') == std::string::npos) {
            ++formFeeds;
            linesOnPage = 0;
            continue;
        }
        ++linesOnPage;
        EXPECT_LE(linesOnPage, linesPerPage) << "page too long before: " << line;
        if (line.empty()) {
            EXPECT_TRUE(withMessages) << "bare empty line";
            continue;
        }
        EXPECT_EQ(line.substr(0, 7), std::string(kReportMargin)) << line;
        EXPECT_EQ(line.find('\f'), std::string::npos) << line;
        EXPECT_LE(line.size(), 7u + 71u) << line;
        if (line.size() > 7 && line[7] == border) {
            // Frame lines and framed lines: both frame columns, nothing beyond.
            EXPECT_EQ(line.size(), 77u) << line;
            EXPECT_EQ(line[76], border) << line;
        }
    }
    EXPECT_GT(formFeeds, 0);
}

TEST_F(RatingLayout, PagedTextKeepsMarginFramesAndPageLength) {
    const MessageList messages = messageList;
    // Without messages no line at all may lack the margin.
    const struct {
        int linesPerPage;
        bool withMessages;
    } runs[] = {{66, true}, {20, true}, {20, false}};
    for (const auto& run : runs) {
        const int linesPerPageSetting = run.linesPerPage;
        const bool withMessages = run.withMessages;
        for (const Mode& m : kModes) {
            messageList = withMessages ? messages : MessageList{};
            linesPerPage = linesPerPageSetting;
            const std::string text = Produce(kReportScreen, [&] { PrintResultReport(m.mode); });
            const std::string context = "mode " + std::to_string(m.mode) + ", lines per page " +
                                        std::to_string(linesPerPageSetting);
            CheckTextLayout(text, linesPerPageSetting, '*', context, withMessages);
            EXPECT_EQ(Contains(text, "BETRIEBSDATEN\r\n"), m.niemann) << context;
            EXPECT_EQ(Contains(text, "ZAHNFUSSTRAGFÄHIGKEIT NIEMANN  SF=Sig.FE*m*b2/(Ftm2*KA)"_cp850),
                      m.niemann)
                << context;
            EXPECT_EQ(Contains(text, "BETRIEBSDATEN NACH DIN 3996:"), m.edition != nullptr) << context;
            if (m.edition) {
                EXPECT_TRUE(Contains(text, std::string("ZAHNBRUCHSICHERHEIT NACH ") + m.edition + "\r\n"))
                    << context;
                const char* other = std::string(m.edition) == "DIN 3996:1998" ? "DIN 3996:2012"
                                                                               : "DIN 3996:1998";
                EXPECT_FALSE(Contains(text, std::string("NACH ") + other)) << context;
            }
        }
    }
}

TEST_F(RatingLayout, BoxDrawingFramesStayInTheirColumns) {
    reportRuleStyle = 2;
    linesPerPage = 20;
    for (const Mode& m : kModes) {
        const std::string text = Produce(kReportScreen, [&] { PrintResultReport(m.mode); });
        CheckTextLayout(text, 20, '\xBA', "mode " + std::to_string(m.mode));
        for (const std::string& line : LinesOf(text)) {
            for (char corner : {'\xC9', '\xC8', '\xCC'}) {
                if (line.size() > 7 && line[7] == corner) {
                    EXPECT_EQ(line.size(), 77u) << line;
                }
            }
        }
    }
}

TEST_F(RatingLayout, CompressedStyleWritesNoRulesAndNoMarkers) {
    reportRuleStyle = 4;
    for (const Mode& m : kModes) {
        const std::string text = Produce(kReportScreen, [&] { PrintResultReport(m.mode); });
        EXPECT_FALSE(Contains(text, "$!$"));
        EXPECT_FALSE(Contains(text, std::string(70, '-')));
    }
}

TEST_F(RatingLayout, TxtFilesAreTabSeparatedRowsWithoutRules) {
    for (const Mode& m : kModes) {
        SCOPED_TRACE("mode " + std::to_string(m.mode));
        const std::string text = Produce(kReportTxtNoDialog, [&] { PrintResultReport(m.mode); });
        EXPECT_FALSE(Contains(text, "$!$"));
        EXPECT_FALSE(Contains(text, std::string(70, '-')));
        EXPECT_FALSE(Contains(text, "       "  "Anwendungsfaktor"));  // no margin
        for (const std::string& line : LinesOf(text)) {
            const auto fields = SplitTabs(line);
            if (fields.size() > 1 && fields[0] == "Anwendungsfaktor") {
                ASSERT_EQ(fields.size(), 4u);
                EXPECT_EQ(fields[1], "KA");
            }
            if (fields[0] == "Nenn-Radialkraft" || fields[0] == "Max.Radialkraft") {
                ASSERT_EQ(fields.size(), 5u) << line;
                EXPECT_EQ(fields[3], fields[4]) << line;  // the same force in both columns
            }
        }
        EXPECT_EQ(Contains(text, "WIRKUNGSGRAD (NACH NIEMANN)\r\n"), m.niemann);
        if (m.edition) {
            EXPECT_TRUE(Contains(text, std::string("WIRKUNGSGRAD NACH ") + m.edition + "\r\n"));
        }
    }
}

TEST_F(RatingLayout, HtmlEscapesDataTextsOfTheRatingParts) {
    gearPair.materialName[1] = "St<50> & Co";
    gearPair.materialName[2] = "CuSn12 <b>";
    for (const Mode& m : kModes) {
        SCOPED_TRACE("mode " + std::to_string(m.mode));
        const std::string html = Produce(kReportHtmlFile, [&] { PrintResultReport(m.mode); });
        EXPECT_FALSE(Contains(html, "$!$"));
        EXPECT_TRUE(Contains(html, "</BODY>\r\n</HTML>\r\n"));
        if (m.edition) {
            EXPECT_TRUE(Contains(html, std::string("<br>DURCHBIEGUNG\r\n")));
            EXPECT_TRUE(Contains(html, std::string("<br>BETRIEBSDATEN NACH ") + m.edition + "\r\n"));
        }
        if (!m.niemann) continue;
        EXPECT_FALSE(Contains(html, "<b>"));
        EXPECT_FALSE(Contains(html, "St<50>"));
        EXPECT_TRUE(Contains(html, "<br>Werkstoff Schnecke: St&lt;50&gt; &amp; Co"));
        EXPECT_TRUE(Contains(html, "Rad2: CuSn12 &lt;b&gt;"));
        // The material group of a kind without a table text comes from the name.
        EXPECT_TRUE(Contains(html, "<br>WERKSTOFF UND BEARBEITUNG"));
        // Degree and square signs reach the Windows code page of the HTML file.
        EXPECT_TRUE(Contains(html, "<TD>mm\xB2/s</TD>"));
    }
    const std::string html = Produce(kReportHtmlFile, [] { PrintNiemannExcerpt(); });
    EXPECT_TRUE(Contains(html, "<br>Werkstoff  Schnecke: St&lt;50&gt; &amp; Co"));
    EXPECT_FALSE(Contains(html, "<b>"));
}

TEST_F(RatingLayout, HtmlRatingPartsPassAnHtmlChecker) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint missing";
    gearPair.materialName[1] = "A & B <c>";
    for (std::uint16_t mode : {2, 5}) {
        Produce(kReportHtmlFile, [&] { PrintResultReport(mode); });
        const std::string errors = In("xmllint.err");
        const std::string command =
            "xmllint --html --noout '" + reportOutputName + "' 2> '" + errors + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(Slurp(errors), "") << "mode " << mode;
    }
}

TEST_F(RatingLayout, ExcerptOnEveryDestination) {
    linesPerPage = 20;
    const std::string text = Produce(kReportScreen, [] { PrintNiemannExcerpt(); });
    CheckTextLayout(text, 20, '*', "excerpt");
    EXPECT_TRUE(Contains(text, NiemannExcerptTitle()));
    EXPECT_EQ(NiemannExcerptTitle(), "VELDRIM V1.0   Schneckengetriebe n. Niemann  (Auszug)");
    const std::string txt = Produce(kReportTxtNoDialog, [] { PrintNiemannExcerpt(); });
    EXPECT_FALSE(Contains(txt, std::string(70, '-')));
    EXPECT_TRUE(Contains(txt, "Verschleißsicherheit\tSW\t\t"_cp850));
    const std::string html = Produce(kReportHtmlFile, [] { PrintNiemannExcerpt(); });
    EXPECT_TRUE(Contains(html, "</HTML>"));
}

// The excerpt is one list: after the column heads, rows and their rules only,
// without section titles or empty lines, up to the messages page.
TEST_F(RatingLayout, ExcerptRowsFollowEachOtherWithoutGaps) {
    reportRuleStyle = 4;  // no rules: every line of the list is a row
    const std::string text = Produce(kReportScreen, [] { PrintNiemannExcerpt(); });
    const auto lines = LinesOf(text);
    std::vector<std::string> labels;
    bool inList = false;
    for (const std::string& line : lines) {
        if (line.find("Zeichen  Unit") != std::string::npos) {
            inList = true;
            continue;
        }
        if (!inList) continue;
        if (line.find('\f') != std::string::npos) break;
        if (line.size() <= 7) continue;  // the empty line after the head row
        labels.push_back(line.substr(7, 27));
        while (!labels.back().empty() && labels.back().back() == ' ') labels.back().pop_back();
    }
    const std::vector<std::string> expected = {
        std::string("Zähnezahl"_cp850), "Achsabstand", "Profilverschiebungsfaktor",
        "Mittenkreisdurchmesser", "Form der Schnecke", "Zahnbreite", "Steigungswinkel", "Modul",
        "Nennleistung", "Nenndrehmoment", "Drehzahl", "Werkstoff  Schnecke:", "Nenn-Umfangskraft",
        "Nenn-Axialkraft", "Nenn-Radialkraft", "Nenn-Normalkraft", "Anwendungsfaktor",
        "Zahnreibungszahl", "Verzahn.wirkungsgrad", "Gesamtwirkungsgrad",
        std::string("Sicherh. Grübchenbildung"_cp850), std::string("Sicherh. Zahnfußdauerbruch"_cp850),
        std::string("Verschleißsicherheit"_cp850)};
    EXPECT_EQ(labels, expected);
}

TEST_F(RatingLayout, ExcerptWithFatalFlagShowsTheMessagesAndWritesNothing) {
    fatalFlag = true;
    AddMessage("Fatal  : a = 0 !");
    textDevice = kReportTxtNoDialog;
    const std::string before = reportOutputName;
    PrintNiemannExcerpt();
    EXPECT_EQ(reportOutputName, before);  // the channel was never opened
    EXPECT_FALSE(fs::exists(In("$$$1.txt")));
    const auto lists = ui.CallsOf("list");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_NE(lists[0].text.find("Fatal  : a = 0 !"), std::string::npos);
}

TEST_F(RatingLayout, ExcerptCancelledDestinationWritesNothing) {
    textDevice = kReportHtmlFile;  // asks for a file name; the dialog is cancelled
    ui.QueueText(std::nullopt);
    PrintNiemannExcerpt();
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(fs::exists(In("VELDRIM.htm")));
    EXPECT_TRUE(ui.CallsOf("show-text").empty());
}

// Each part stops at its first cancel check: the Niemann part after its
// materials, the DIN 3996 part after its general factors.
TEST_F(RatingLayout, SectionsStopAtTheirFirstCancelCheck) {
    textDevice = kReportTxtNoDialog;
    ReportOpen(kReportAsk, currentFileName);
    ReportRewrite();
    ASSERT_FALSE(cancelFlag);
    cancelFlag = true;  // as if a sheet prompt had been refused on the way
    ReportNiemannSections();
    ReportDin3996Sections(1);
    cancelFlag = false;
    ReportClose();
    const std::string text = Slurp(reportOutputName);
    EXPECT_TRUE(Contains(text, "WERKSTOFF UND BEARBEITUNG\r\n"));
    EXPECT_FALSE(Contains(text, "ALLGEMEINE EINFLUSSFAKTOREN\r\n"));
    EXPECT_FALSE(Contains(text, "ZAHNFUSSTRAGF"));
    EXPECT_TRUE(Contains(text, "ALLGEMEINE EINFLUSSFAKTOREN NACH DIN 3996:1998\r\n"));
    EXPECT_FALSE(Contains(text, "WIRKUNGSGRAD NACH"));
}

// After a rating the wheel column of the Niemann power row is the output
// power the rating reached: the driving power times the total efficiency,
// not the nominal power that was entered.
TEST_F(RatingLayout, NiemannPowerRowShowsTheOutputPowerReached) {
    const std::string text = Produce(kReportTxtNoDialog, [] { PrintResultReport(4); });
    double p1 = 0, p2 = 0, eta = 0;
    for (const std::string& line : LinesOf(text)) {
        const auto f = SplitTabs(line);
        if (f[0] == "Nennleistung (Niemann)" && f.size() == 5) {
            p1 = std::stod(f[3]);
            p2 = std::stod(f[4]);
        }
        if (f[0] == "Gesamtwirkungsgrad" && f.size() == 4) eta = std::stod(f[3]);
    }
    ASSERT_GT(p1, 0);
    ASSERT_GT(eta, 0);
    EXPECT_NEAR(p2, p1 * eta, 0.003);
}

}  // namespace
}  // namespace veldrim
