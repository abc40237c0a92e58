#include "reports/report_tables.h"

#include <algorithm>

#include "foundation/codepage.h"
#include "foundation/message_display.h"
#include "report_test_support.h"

namespace veldrim {
namespace {
using namespace testing_support;

class Tables : public ReportTest {
protected:
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
    Open(kReportOutDos);
    ReportWrappedLine(cause);
    ReportWrappedLine("");  // an empty cause writes nothing
    auto lines = LinesOf(Written());
    ASSERT_EQ(lines.size(), 3u);
    std::string joined;
    for (const auto& l : lines) {
        ASSERT_EQ(l.rfind(kReportMargin, 0), 0u);
        EXPECT_LE(l.size(), 7u + 64u);
        joined += l.substr(7);
    }
    EXPECT_EQ(joined, cause);
    EXPECT_EQ(lines[0].back(), ' ');  // cut after a blank
    Open(kReportHtmlFile);
    ReportWrappedLine(cause);
    HtmlTableClose();
    lines = LinesOf(Written());
    ASSERT_EQ(lines.size(), 3u);  // table, one cell row, end of table
    EXPECT_EQ(lines[1], "<TR><TD>" + cause + "</TD></TR>");
}

TEST_F(Tables, AZeroWidthEndsTheColumnsAndAtMostSevenPrint) {
    for (const auto& [widths, fields] : std::vector<std::pair<std::array<std::int32_t, 8>, std::size_t>>{
             {{10, 12, 0, 5, 5, 5, 5, 5}, 2u}, {{3, 3, 3, 3, 3, 3, 3, 3}, 7u}}) {
        Open(kReportTxtFile);
        ReportTableLayout layout;
        HtmlTableHeader(layout, widths, {"h1", "h2", "h3", "h4", "h5", "h6", "h7"});
        HtmlTableRow(layout, {"c1", "c2", "c3", "c4", "c5", "c6", "c7"});
        HtmlTableEnd(layout);
        layout.noRule = true;
        HtmlTableEnd(layout);  // TXT drops the rules: nothing more
        const auto lines = LinesOf(Written());
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(SplitTabs(lines[0]).size(), fields);
        EXPECT_EQ(SplitTabs(lines[1]).size(), fields);
    }
}

TEST_F(Tables, TextTablesPadTheirColumnsAndHtmlTablesEscapeTheirCells) {
    for (std::uint16_t destination : {kReportOutDos, kReportHtmlFile}) {
        Open(destination);
        ReportTableLayout layout;
        HtmlTableHeader(layout, {6, 4, 0, 0, 0, 0, 0, 0}, {"Name", "Wert", "", "", "", "", ""});
        HtmlTableRow(layout, {"Bronze & Öl"_cp850.data(), "12", "", "", "", "", ""});
        HtmlTableEnd(layout);
        const std::string dbl = "       " + std::string(70, '='), single = "       " + std::string(70, '-');
        const std::vector<std::string> expected =
            destination == kReportOutDos
                ? std::vector<std::string>{dbl, "       Name  Wert ", dbl, "       Bronze12   ",
                                           single, single}
                : std::vector<std::string>{
                      "<TABLE BORDER = \"1\" WIDTH= \"100%\">",
                      "<TR><TD><CENTER>Name</CENTER></TD><TD><CENTER>Wert</CENTER></TD></TR>",
                      "<TR><TD>Bronze &amp; \xD6l</TD><TD><DIV ALIGN=RIGHT>12</DIV></TD></TR>", "</TABLE>"};
        EXPECT_EQ(LinesOf(Written()), expected);
    }
}

// Every message with the cause and remedy of its entry in the message text
// file; a message without entry gets the file's fallback texts.
TEST_F(Tables, TheTxtMessageSectionIsOneTabSeparatedLinePerMessage) {
    const std::string longCause(300, 'c');
    UseMessageFile("Fehler : erste M\r\n" + longCause + "\r\nAbhilfe eins\r\n"
                   "Warnung: zweite M\r\nUrsache zwei\r\nAbhilfe zwei\r\n");
    AddMessage("Fehler : erste Meldung");
    AddMessage("Warnung: zweite Meldung");
    AddMessage("Warnung: ohne Eintrag");
    Open(kReportTxtFile);
    ReportMessageSection();
    std::string cause, remedy;
    GetMessageCause(3, cause);
    GetMessageRemedy(3, remedy);
    EXPECT_EQ(LinesOf(Written()),
              (std::vector<std::string>{"", "", "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN",
                                        "Fehler : erste Meldung\t" + longCause + "\tAbhilfe eins",
                                        "Warnung: zweite Meldung\tUrsache zwei\tAbhilfe zwei",
                                        "Warnung: ohne Eintrag\t" + cause + "\t" + remedy}));
}

TEST_F(Tables, TheTextMessageSectionFramesEachMessage) {
    UseMessageFile("Fehler : erste M\r\nUrsache eins\r\nAbhilfe eins\r\n");
    AddMessage("Fehler : erste Meldung");
    Open(kReportOutDos);
    ReportMessageSection();
    const std::string m = "       ";
    EXPECT_EQ(LinesOf(Written()),
              (std::vector<std::string>{m, m, m + "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN", m + std::string(70, '='), m,
                                        m + std::string(70, '-'), m + "Fehler : erste Meldung", m + "Ursache eins",
                                        m + "Abhilfe eins", m + std::string(70, '-')}));
}

TEST_F(Tables, TheHtmlMessageSectionKeepsItsTablesBalanced) {
    const std::string longRemedy(400, 'r');
    UseMessageFile("Fehler : <erste> \r\nUrsache & eins\r\n" + longRemedy + "\r\n");
    AddMessage("Fehler : <erste> Meldung");
    AddMessage("Warnung: zweite");
    Open(kReportHtmlFile);
    ReportMessageSection();
    const std::string html = Written();
    EXPECT_TRUE(Contains(html, "<TR><TD>Fehler : &lt;erste&gt; Meldung</TD></TR>"));
    EXPECT_TRUE(Contains(html, "<TR><TD>Ursache &amp; eins</TD></TR>"));
    EXPECT_TRUE(Contains(html, "<TR><TD>" + longRemedy + "</TD></TR>"));
    EXPECT_EQ(CountOf(html, "<TABLE"), 3u);
    EXPECT_EQ(CountOf(html, "</TABLE>"), 3u);
    EXPECT_FALSE(htmlTableOpen);
}

TEST_F(Tables, TheMessagesPageBeginsANewSheetAndNoMessagesWriteNone) {
    Open(kReportOutDos);
    ReportMessagesPage();
    EXPECT_EQ(Written(), "");
    ui.batch = true;
    AddMessage("Warnung: eine");
    Open(kReportScreen);
    ReportPageHeader(1, 1);
    ReportText("Inhalt");
    ReportMessagesPage();
    const auto lines = LinesOf(Written());
    const auto feed = std::find(lines.begin(), lines.end(), "\f");
    ASSERT_NE(feed, lines.end());
    EXPECT_TRUE(Contains(*(feed + 2), "Bl. 2"));
    EXPECT_EQ(lines.back(), "\f");
}

TEST_F(Tables, ErrorMessageReport) {
    ShowErrorMessageReport();
    ASSERT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(ui.CallsOf("message")[0].text, "Berechnung erfolgreich ohne Fehlermeldungen");
    AddMessage("Warnung: Zahnbreite !  (2)");
    ShowErrorMessageReport();
    ASSERT_EQ(ui.CallsOf("show-text").size(), 1u);
    EXPECT_TRUE(Contains(Slurp(In("outwin.txt")), "Error Messages"));
    EXPECT_TRUE(Contains(Slurp(In("outwin.txt")), "Zahnbreite weicht stark"));
}

}  // namespace
}  // namespace veldrim
