#include "reports/report_tables.h"

#include <algorithm>
#include <gmock/gmock.h>

#include "foundation/codepage.h"
#include "foundation/message_display.h"
#include "report_test_support.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

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
    auto lines = CrLfLines(Written());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].back(), ' ');  // cut after a blank
    for (auto& l : lines) {
        EXPECT_THAT(l, StartsWith(kReportMargin));
        EXPECT_LE(l.size(), 7u + 64u) << l;
    }
    EXPECT_EQ(lines[0].substr(7) + lines[1].substr(7) + lines[2].substr(7), cause);
    Open(kReportHtmlFile);
    ReportWrappedLine(cause);
    HtmlTableClose();
    lines = CrLfLines(Written());
    ASSERT_EQ(lines.size(), 3u);  // table, one cell row, end of table
    EXPECT_EQ(lines[1], "<TR><TD>" + cause + "</TD></TR>");
}

// A zero width ends the columns and at most seven print; TXT drops the rules.
TEST_F(Tables, TextTablesPadTheirColumnsAndHtmlTablesEscapeTheirCells) {
    for (std::uint16_t destination : {kReportOutDos, kReportHtmlFile, kReportTxtFile}) {
        Open(destination);
        ReportTableLayout layout;
        HtmlTableHeader(layout, {6, 4, 0, 5, 0, 0, 0, 0}, {"Name", "Wert", "", "h4", "", "", ""});
        HtmlTableRow(layout, {"Bronze & Öl"_cp850.data(), "12", "", "c4", "", "", ""});
        HtmlTableEnd(layout);
        const std::string dbl = "       " + std::string(70, '='),
                          single = "       " + std::string(70, '-');
        const std::vector<std::vector<std::string>> expected = {
            {dbl, "       Name  Wert ", dbl, "       Bronze12   ", single, single},
            {"<TABLE BORDER = \"1\" WIDTH= \"100%\">",
             "<TR><TD><CENTER>Name</CENTER></TD><TD><CENTER>Wert</CENTER></TD></TR>",
             "<TR><TD>Bronze &amp; \xD6l</TD><TD><DIV ALIGN=RIGHT>12</DIV></TD></TR>", "</TABLE>"},
            {"Name\tWert", "Bronze & \x99l\t12"}};
        EXPECT_EQ(CrLfLines(Written()), expected[destination == kReportOutDos     ? 0
                                                 : destination == kReportHtmlFile ? 1
                                                                                  : 2]);
    }
    Open(kReportTxtFile);
    ReportTableLayout layout;
    HtmlTableHeader(layout, {3, 3, 3, 3, 3, 3, 3, 3}, {"1", "2", "3", "4", "5", "6", "7"});
    EXPECT_EQ(CrLfLines(Written()), std::vector<std::string>{"1\t2\t3\t4\t5\t6\t7"});
}

// Every message with the cause and remedy of its entry in the message text
// file; a message without entry gets the file's fallback texts.
TEST_F(Tables, TheTxtMessageSectionIsOneTabSeparatedLinePerMessage) {
    const std::string longCause(300, 'c');
    UseMessageFile("Fehler : erste M\r\n" + longCause +
                   "\r\nAbhilfe eins\r\n"
                   "Warnung: zweite M\r\nUrsache zwei\r\nAbhilfe zwei\r\n");
    for (const char* m :
         {"Fehler : erste Meldung", "Warnung: zweite Meldung", "Warnung: ohne Eintrag"})
        AddMessage(m);
    Open(kReportTxtFile);
    ReportMessageSection();
    EXPECT_EQ(CrLfLines(Written()),
              (std::vector<std::string>{
                  "", "", "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN",
                  "Fehler : erste Meldung\t" + longCause + "\tAbhilfe eins",
                  "Warnung: zweite Meldung\tUrsache zwei\tAbhilfe zwei",
                  "Warnung: ohne Eintrag\tkeine Beschreibung dieser Fehlermeldung vorhanden.\t"}));
}

// A message the message text file does not explain prints the file's
// fallback cause under it and no remedy line; a framed report, as the
// calculation report prints its messages page.
TEST_F(Tables, AMessageWithoutRecordPrintsTheFallbackCause) {
    UseMessageFile("Fehler : erste M\r\nUrsache eins\r\nAbhilfe eins\r\n");
    AddMessage("Fehler : erste Meldung");
    AddMessage("Warnung: ohne Eintrag");
    Open(kReportOutDos);
    ReportMessageSection();
    const std::string m = "       ";
    EXPECT_EQ(
        CrLfLines(Written()),
        (std::vector<std::string>{
            m, m, m + "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN", m + std::string(70, '='), m,
            m + std::string(70, '-'), m + "Fehler : erste Meldung", m + "Ursache eins",
            m + "Abhilfe eins", m + std::string(70, '-'), m + "Warnung: ohne Eintrag",
            m + "keine Beschreibung dieser Fehlermeldung vorhanden.", m + std::string(70, '-')}));
}

// Paged text frames each message; HTML keeps its tables balanced and long cells whole.
TEST_F(Tables, TheTextAndHtmlMessageSections) {
    const std::string longRemedy(400, 'r');
    UseMessageFile("Fehler : <erste> \r\nUrsache & eins\r\nAbhilfe\r\nWarnung: zweite\r\nU\r\n" +
                   longRemedy + "\r\n");
    AddMessage("Fehler : <erste> Meldung");
    Open(kReportOutDos);
    ReportMessageSection();
    const std::string m = "       ";
    EXPECT_EQ(CrLfLines(Written()),
              (std::vector<std::string>{m, m, m + "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN",
                                        m + std::string(70, '='), m, m + std::string(70, '-'),
                                        m + "Fehler : <erste> Meldung", m + "Ursache & eins",
                                        m + "Abhilfe", m + std::string(70, '-')}));
    AddMessage("Warnung: zweite");
    Open(kReportHtmlFile);
    ReportMessageSection();
    const std::string html = Written();
    for (const std::string& cell : {std::string("Fehler : &lt;erste&gt; Meldung"),
                                    std::string("Ursache &amp; eins"), longRemedy})
        EXPECT_TRUE(Contains(html, "<TR><TD>" + cell + "</TD></TR>")) << cell;
    EXPECT_EQ(CountOf(html, "<TABLE"), 3u);
    EXPECT_EQ(CountOf(html, "</TABLE>"), 3u);
    EXPECT_FALSE(htmlTableOpen);
}

// Without messages the page writes nothing and the screen report only says so.
TEST_F(Tables, TheMessagesPageBeginsANewSheetAndTheScreenReportListsThem) {
    Open(kReportOutDos);
    ReportMessagesPage();
    EXPECT_EQ(Written(), "");
    ShowErrorMessageReport();
    EXPECT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_TRUE(AnyMessageContains("Berechnung erfolgreich ohne Fehlermeldungen"));
    AddMessage("Warnung: Zahnbreite !  (2)");
    ShowErrorMessageReport();
    const std::string shown = Slurp(In("outwin.txt"));
    EXPECT_EQ(ui.CallsOf("show-text").size(), 1u);
    EXPECT_THAT(shown, HasSubstr("Error Messages"));
    EXPECT_THAT(shown, HasSubstr("Zahnbreite weicht stark"));
    ui.batch = true;
    Open(kReportScreen);
    ReportPageHeader(1, 1), ReportText("Inhalt"), ReportMessagesPage();
    const auto lines = CrLfLines(Written());
    const auto feed = std::find(lines.begin(), lines.end(), "\f");
    ASSERT_NE(feed, lines.end());
    EXPECT_THAT(*(feed + 2), HasSubstr("Bl. 2"));
    EXPECT_EQ(lines.back(), "\f");
}

// The page header names the file the set was read from or last saved to, as
// the window's title does: "G.QB3" and "gear.bak" as they are, never the
// "G.qb3" or "gear.qb3" beside them, another set's file. A data set never
// saved has no file: the report names none rather than the data folder with
// the bare extension.
TEST_F(Tables, TheMessageReportNamesTheSetsOwnFile) {
    struct Case {
        const char* name;   // the set's name
        const char* file;   // the file it was read from, "" none
        const char* named;  // the file the header names, "" none
        const char* other;  // a file it must not name, "" none
    };
    const Case cases[] = {
        {"", "", "", ".qb3"},
        {"Getriebe", "", "Getriebe.qb3", ""},
        {"G", "G.QB3", "G.QB3", "G.qb3"},
        {"gear", "gear.bak", "gear.bak", "gear.qb3"},
        {"", ".qb3", ".qb3", ""},
    };
    dataFileExtension = "qb3";
    AddMessage("Warnung: Zahnbreite !  (2)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        currentFileName = c.name;
        currentDataFile = *c.file ? In(c.file) : "";
        ShowErrorMessageReport();
        const std::string shown = Slurp(In("outwin.txt"));
        EXPECT_THAT(shown, HasSubstr("Error Messages"));
        if (*c.named) {
            EXPECT_THAT(shown, HasSubstr(" " + In(c.named) + " "));
        }
        if (*c.other) {
            EXPECT_EQ(shown.find(c.other), std::string::npos) << shown;
        }
    }
}

}  // namespace
}  // namespace veldrim
