#include "reports/report_tables.h"

#include "foundation/codepage.h"
#include "foundation/message_display.h"
#include "report_test_support.h"

namespace veldrim {
namespace {
using namespace testing_support;

class Tables : public ReportTest {
protected:
    void Open(std::uint16_t destination) {
        SetReportHeader("Titel", "Sub 1", "Sub 2", "Sub 3", "", 0);
        if (destination == kReportHtmlFile) ui.QueueText(In("t.htm"));
        ReportOpen(destination, "x");
        ASSERT_FALSE(cancelFlag);
        ReportRewrite();
        ASSERT_FALSE(cancelFlag);
    }
    std::string Written() {
        CloseChecked(sharedTextFile);
        return Slurp(reportOutputName);
    }
    // A message text file of our own in the help folder.
    void UseMessageFile(const std::string& content) {
        helpDirectory = dir;
        std::ofstream(In(programShortName + ".err"), std::ios::binary) << content;
    }
};

TEST_F(Tables, ALongCauseIsWrappedAtBlanksOnTextAndWholeOnHtml) {
    std::string cause;
    while (cause.size() < 150) cause += "Ursache " + std::to_string(cause.size()) + " ";
    cause.resize(150);
    for (std::uint16_t destination : {kReportOutDos, kReportHtmlFile}) {
        SCOPED_TRACE(destination);
        Open(destination);
        ReportWrappedLine(cause);
        HtmlTableClose();
        auto lines = LinesOf(Written());
        if (destination == kReportOutDos) {
            ASSERT_EQ(lines.size(), 3u);
            std::string joined;
            for (const auto& l : lines) {
                ASSERT_EQ(l.rfind("       ", 0), 0u);
                const std::string piece = l.substr(7);
                EXPECT_LE(piece.size(), 64u);
                joined += piece;
            }
            EXPECT_EQ(joined, cause);
            EXPECT_EQ(lines[0].back(), ' ');  // cut after a blank
        } else {
            ASSERT_EQ(lines.size(), 3u);  // table, one cell row, end of table
            EXPECT_EQ(lines[1], "<TR><TD>" + cause + "</TD></TR>");
        }
    }
}

TEST_F(Tables, EmptyCauseWritesNothing) {
    Open(kReportOutDos);
    ReportWrappedLine("");
    EXPECT_EQ(Written(), "");
}

TEST_F(Tables, AZeroWidthEndsTheColumnsAndAtMostSevenPrint) {
    struct Case {
        std::array<std::int32_t, 8> widths;
        std::size_t fields;
    };
    for (const Case& c : {Case{{10, 12, 0, 5, 5, 5, 5, 5}, 2u}, Case{{3, 3, 3, 3, 3, 3, 3, 3}, 7u}}) {
        Open(kReportTxtFile);
        ReportTableLayout layout;
        HtmlTableHeader(layout, c.widths, {"h1", "h2", "h3", "h4", "h5", "h6", "h7"});
        HtmlTableRow(layout, {"c1", "c2", "c3", "c4", "c5", "c6", "c7"});
        HtmlTableEnd(layout);
        auto lines = LinesOf(Written());
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(SplitTabs(lines[0]).size(), c.fields);
        EXPECT_EQ(SplitTabs(lines[1]).size(), c.fields);
        EXPECT_EQ(layout.width[8], 0);
    }
}

TEST_F(Tables, TextTablesPadTheirColumnsBetweenRules) {
    Open(kReportOutDos);
    ReportTableLayout layout;
    HtmlTableHeader(layout, {6, 4, 0, 0, 0, 0, 0, 0}, {"Name", "Wert", "", "", "", "", ""});
    HtmlTableRow(layout, {"Bronze-Legierung", "12", "", "", "", "", ""});
    HtmlTableEnd(layout);
    auto lines = LinesOf(Written());
    const std::string single = "       " + std::string(70, '-');
    const std::string dbl = "       " + std::string(70, '=');
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], dbl);
    EXPECT_EQ(lines[1], "       Name  Wert ");
    EXPECT_EQ(lines[2], dbl);
    EXPECT_EQ(lines[3], "       Bronze12   ");
    EXPECT_EQ(lines[4], single);
    EXPECT_EQ(lines[5], single);
}

TEST_F(Tables, HtmlTablesEscapeAndCloseTheirCells) {
    Open(kReportHtmlFile);
    ReportTableLayout layout;
    HtmlTableHeader(layout, {6, 4, 0, 0, 0, 0, 0, 0}, {"N<", "W", "", "", "", "", ""});
    HtmlTableRow(layout, {"Öl & Fett"_cp850.data(), "1", "", "", "", "", ""});
    HtmlTableEnd(layout);
    auto lines = LinesOf(Written());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "<TABLE BORDER = \"1\" WIDTH= \"100%\">");
    EXPECT_EQ(lines[1], "<TR><TD><CENTER>N&lt;</CENTER></TD><TD><CENTER>W</CENTER></TD></TR>");
    EXPECT_EQ(lines[2], "<TR><TD>\xD6l &amp; Fett</TD><TD><DIV ALIGN=RIGHT>1</DIV></TD></TR>");
    EXPECT_EQ(lines[3], "</TABLE>");
}

TEST_F(Tables, TableEndOnTxtWithoutRuleWritesNothing) {
    Open(kReportTxtFile);
    ReportTableLayout layout;
    layout.noRule = true;
    HtmlTableEnd(layout);
    layout.noRule = false;
    HtmlTableEnd(layout);  // the single rule is dropped on TXT anyway
    EXPECT_EQ(Written(), "");
}

TEST_F(Tables, TheTxtMessageSectionIsOneTabSeparatedLinePerMessage) {
    const std::string longCause(300, 'c');
    UseMessageFile("Fehler : erste M\r\n" + longCause + "\r\nAbhilfe eins\r\n"
                   "Warnung: zweite M\r\nUrsache zwei\r\nAbhilfe zwei\r\n");
    AddMessage("Fehler : erste Meldung");
    AddMessage("Warnung: zweite Meldung");
    AddMessage("Warnung: ohne Eintrag");
    Open(kReportTxtFile);
    ReportMessageSection();
    auto lines = LinesOf(Written());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN");
    EXPECT_EQ(lines[3], "Fehler : erste Meldung\t" + longCause + "\tAbhilfe eins");
    EXPECT_EQ(lines[4], "Warnung: zweite Meldung\tUrsache zwei\tAbhilfe zwei");
    std::string cause, remedy;
    GetMessageCause(3, cause);
    GetMessageRemedy(3, remedy);
    EXPECT_EQ(lines[5], "Warnung: ohne Eintrag\t" + cause + "\t" + remedy);
}

TEST_F(Tables, TheTextMessageSectionFramesEachMessage) {
    UseMessageFile("Fehler : erste M\r\nUrsache eins\r\nAbhilfe eins\r\n");
    AddMessage("Fehler : erste Meldung");
    Open(kReportOutDos);
    ReportMessageSection();
    auto lines = LinesOf(Written());
    const std::vector<std::string> expected = {
        "       ", "       ", "       BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN",
        "       " + std::string(70, '='), "       ", "       " + std::string(70, '-'),
        "       Fehler : erste Meldung", "       Ursache eins", "       Abhilfe eins",
        "       " + std::string(70, '-')};
    EXPECT_EQ(lines, expected);
}

TEST_F(Tables, TheHtmlMessageSectionKeepsItsTablesBalanced) {
    const std::string longRemedy(400, 'r');
    UseMessageFile("Fehler : <erste> \r\nUrsache & eins\r\n" + longRemedy + "\r\n");
    AddMessage("Fehler : <erste> Meldung");
    AddMessage("Warnung: zweite");
    Open(kReportHtmlFile);
    ReportMessageSection();
    const std::string html = Written();
    EXPECT_NE(html.find("<TR><TD>Fehler : &lt;erste&gt; Meldung</TD></TR>"), std::string::npos);
    EXPECT_NE(html.find("<TR><TD>Ursache &amp; eins</TD></TR>"), std::string::npos);
    EXPECT_NE(html.find("<TR><TD>" + longRemedy + "</TD></TR>"), std::string::npos);
    std::size_t opened = 0, closed = 0;
    for (std::size_t p = 0; (p = html.find("<TABLE", p)) != std::string::npos; ++p) ++opened;
    for (std::size_t p = 0; (p = html.find("</TABLE>", p)) != std::string::npos; ++p) ++closed;
    EXPECT_EQ(opened, 3u);
    EXPECT_EQ(opened, closed);
    EXPECT_FALSE(htmlTableOpen);
}

TEST_F(Tables, NoMessagesNoSectionAndNoPage) {
    Open(kReportOutDos);
    ReportMessagesPage();
    EXPECT_EQ(Written(), "");
}

TEST_F(Tables, TheMessagesPageBeginsANewSheet) {
    ui.batch = true;
    AddMessage("Warnung: eine");
    Open(kReportScreen);
    ReportPageHeader(1, 1);
    ReportText("Inhalt");
    ReportMessagesPage();
    auto lines = LinesOf(Written());
    auto feed = std::find(lines.begin(), lines.end(), "\f");
    ASSERT_NE(feed, lines.end());
    EXPECT_NE((feed + 2)->find("Bl. 2"), std::string::npos);
    EXPECT_EQ(lines.back(), "\f");
}

TEST_F(Tables, ErrorMessageReport) {
    ShowErrorMessageReport();
    ASSERT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(ui.CallsOf("message")[0].text, "Berechnung erfolgreich ohne Fehlermeldungen");

    AddMessage("Warnung: Zahnbreite !  (2)");
    ShowErrorMessageReport();
    ASSERT_EQ(ui.CallsOf("show-text").size(), 1u);
    EXPECT_EQ(Slurp(In("outwin.txt")).find("Error Messages") != std::string::npos, true);
    EXPECT_NE(Slurp(In("outwin.txt")).find("Zahnbreite weicht stark"), std::string::npos);
}

}  // namespace
}  // namespace veldrim
