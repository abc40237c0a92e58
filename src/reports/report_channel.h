#pragma once
// The report channel: the one way the program writes a text report.
//
// The calculation report, the Niemann excerpt, the error-message report, the
// drawing documentation pages and the printed tables of the table editor all
// go through it. A report is one pass:
//
//   SetReportHeader -> (SetReportColumnHeads) -> ReportOpen
//     -> ReportRewrite (when the cancel flag is clear) -> ReportPageHeader(1, 1)
//     -> lines, rules and rows (ReportText, ReportRow, ReportRowPair, tables)
//        with ReportNewPageIfNearEnd / ReportEndPage where a break is wanted
//     -> ReportMessagesPage (report_tables.h) -> ReportClose
//
// A caller that stops on the cancel flag before ReportClose calls
// ReportAbandon, which closes the unfinished output and removes temporary
// files.
//
// The channel decides, per destination, what a line looks like and what
// happens to the finished file. Destination codes (ReportDestinationCode):
//
//   | code | name                    | output                               | on close                          |
//   |------|-------------------------|--------------------------------------|-----------------------------------|
//   | 0    | (ask)                   | the default destination, or asked    | -                                 |
//   | 1    | "Bildschirm"            | temporary "$OUT<n>.TMP"              | text viewer, then deleted         |
//   | 2    | "Textdrucker"           | temporary file                       | raw bytes to the print queue (lp) |
//   | 3    | "Datei"                 | chosen ".txt" file                   | display copy "outwin.txt"         |
//   | 4    | "Windows-Drucker"       | temporary file                       | printed by the window system      |
//   | 5    | "externes Textprogramm" | temporary file                       | "outwin.txt" opened by the editor |
//   | 6    | "TXT Datei"             | "$$$<k>.txt" or chosen               | display copy "$$<k>.txt"          |
//   | 7    | "HTML Datei"            | <short name>.htm or chosen           | closing tags; opened when set up  |
//   | 8    | -                       | "OUTDOS.TXT"                         | display copy "outwin.txt"         |
//   | 9    | -                       | as 6, never asks                     | display copy <file name>.txt      |
//   | 90   | -                       | nothing: the names in the choice buffer                                  |
//
// Three kinds of destination decide every line writer:
//   * text (1, 2, 3, 4, 5, 8): a 7-blank margin, page accounting, frames, rules;
//   * TXT (6, 9): no margin, no paging, no rules, fields separated by TAB;
//   * HTML (7): markup, no paging, no rules. Texts that come from data are
//     escaped (& < >); the file is Windows-1252 and says so.
//
// Rules are 70 characters in the report rule style (1 ASCII, 2 box drawing in
// code page 850, 3 blanks, 4 "$!$"). "$!$" marks a rule that is not written:
// every line writer drops a line equal to it.
//
// The channel state is program-wide (one report at a time); ResetReportChannel
// restores the start values. Settings it reads live in program_state.h:
// reportRuleStyle, linesPerPage, headerSpaceLines (header spacing lines),
// printoutHeaderMode (page header mode), textDevice (default report
// destination), textDeviceWindow (ask report destination), printerPort,
// htmlBrowserPath (HTML program path), textEditorPath, reportCounter (TXT
// file counter). The few settings only the reports use are declared here.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/text_conv.h"  // HtmlEscape

namespace veldrim {

enum ReportDestinationCode : std::uint16_t {
    kReportAsk = 0,
    kReportScreen = 1,
    kReportTextPrinter = 2,
    kReportTextFile = 3,
    kReportWindowsPrinter = 4,
    kReportTextProgram = 5,
    kReportTxtFile = 6,
    kReportHtmlFile = 7,
    kReportOutDos = 8,
    kReportTxtNoDialog = 9,
    kReportListNames = 90,
};

// The marker of a rule that is not written.
inline constexpr std::string_view kNoRuleMarker = "$!$";
// Width of rules and framed lines, and the left margin of text destinations.
inline constexpr int kReportWidth = 70;
inline constexpr std::string_view kReportMargin = "       ";

// ---- Channel state (start values in brackets) -------------------------------

extern std::uint16_t reportDestination;       // 1: current destination code
extern std::int32_t reportPageCounter;        // 0: pages begun since SetReportHeader / ReportOpen
extern std::int32_t reportLineCounter;        // 0: lines counted on the current page
extern std::int32_t reportColumnHeadsSwitch;  // 0: column heads of the last page header
extern bool pauseAfterEachPage;               // false: ask for the next sheet before a page
extern bool reportPageHeaderSwitch;           // true
extern std::string reportOutputName;          // "$out.tmp": the file the report goes to
extern bool htmlTableOpen;                    // false: an HTML table is open
extern std::string reportSavedExtension;      // "": data-file extension kept during a dialog
extern std::string reportTitle;               // header line 1
extern std::array<std::string, 5> reportSubtitles;  // 1..4: header lines under the title
extern std::int32_t reportSheetTotal;               // 0: printed behind the sheet number when not 0
extern std::array<std::string, 6> reportColumnHeads;  // 1..5: label, symbol, unit, value 1, value 2
// false: set by ReportClose once the output file is closed intact (before it
// is handed over), cleared by ReportOpen.
extern bool reportOutputComplete;
// The file that the TXT page header names; none: the output file. A report
// that only passes through a scratch file names what it reports on.
extern std::optional<std::string> reportNamedFile;
// 1-based columns of a 70-column row: symbol, unit, value 1, value 2, single value.
struct ReportColumnPositions {
    int symbol = 35;
    int unit = 44;
    int value1 = 51;
    int value2 = 62;
    int single = 56;
};
extern ReportColumnPositions reportColumnPositions;

// ---- Settings that only the reports use -------------------------------------

// 0: the screen report is shown in the text viewer; 1: its text goes to the
// clipboard without a window.
extern std::uint16_t screenReportMode;
// The print queue of the text printer ("" = the system's default queue) and
// the program that takes the raw job ("lp").
extern std::string textPrinterQueue;
extern std::string textPrinterCommand;

// Start values of the channel state and of the settings above.
void ResetReportChannel();

// ---- One report ------------------------------------------------------------------

// Stores the header texts; an empty title becomes window title + "  V" +
// program version. Page and line counters := 0.
void SetReportHeader(const std::string& title, const std::string& subtitle1,
                     const std::string& subtitle2, const std::string& subtitle3,
                     const std::string& subtitle4, std::int32_t sheetTotal);
// Stores the five column heads and resets the column positions.
void SetReportColumnHeads(const std::string& head1, const std::string& head2,
                          const std::string& head3, const std::string& head4,
                          const std::string& head5);
void ResetReportColumns();

// Prepares the output on a destination (0: the default destination, asked
// for when the ask setting is on; 90: only the seven names into the choice
// buffer). name is the caller's proposed report name. Leaves the shared text
// file assigned, not open. A cancelled dialog, a refused name or a failed
// creation sets the cancel flag. The data-file extension, the current file
// name and the data directory are as before on every way out.
void ReportOpen(std::uint16_t destination, const std::string& name);
// The caller's rewrite of the shared text file after ReportOpen; a failure is
// reported through the file-error texts and sets the cancel flag.
void ReportRewrite();
// Finishes the output and hands it over (shows, prints, copies, opens).
void ReportClose();
// Closes an unfinished output without handing it over (the caller stopped on
// the cancel flag); temporary outputs are deleted. The cancel flag stays.
void ReportAbandon();

// The page header. sheet 1: first sheet, 0: the next number. withColumnHeads
// 1 ends it with the column-head row, anything else with a closing rule.
void ReportPageHeader(std::int32_t sheet, std::int32_t withColumnHeads);

// ---- Lines ---------------------------------------------------------------------

// One report line (margin and page accounting on text destinations, "<br>"
// and escaping on HTML, dropped rules on TXT).
void ReportText(std::string_view s);
// As ReportText for the start of a line, without line end.
void ReportTextPart(std::string_view s);
// One line as it is, uncounted; HTML lines pass the display conversion.
void ReportWriteLine(std::string_view s);
void ReportWritePart(std::string_view s);
// An empty spacing line: counted, with the margin, on text destinations; a
// bare empty line (no "<br>") on TXT and HTML destinations.
void ReportSpacerLine();

// Rules in the current rule style.
std::string ReportRuleSingle();
std::string ReportRuleDouble();
std::string ReportBoxTop();
std::string ReportBoxBottom();
std::string ReportBoxMiddle();
char ReportBorderChar();
// A 70-blank line with the border character in columns 1 and 70.
std::string ReportFramedBlankLine();

// A result row with one value, and with the worm's and the wheel's value.
void ReportRow(const std::string& label, const std::string& symbol, const std::string& unit,
               const std::string& value);
void ReportRowPair(const std::string& label, const std::string& symbol, const std::string& unit,
                   const std::string& value1, const std::string& value2);
// 64 blanks with text from column 1 and "Nr.: " + number from column 40.
std::string ReportNumberLine(const std::string& text, const std::string& number);

// ---- Paging ----------------------------------------------------------------------

void ReportPageBreak();
void ReportEndPage();
void ReportLineCheck(std::int32_t withColumnHeads);
void ReportNewPageIfNearEnd(std::int32_t withColumnHeads);
// The lines per page in force: the setting, raised to the least number that
// holds a page header, the empty line after it and one line of text.
std::int32_t EffectiveLinesPerPage();

std::uint16_t ReportDestination();
// The name of destination 1..7 as the destination question offers it; empty
// for any other code.
std::string ReportDestinationName(int code);
bool IsTextReportDestination();  // 1, 2, 3, 4, 5, 8 (and any unknown code)
bool IsTxtReportDestination();   // 6, 9
bool IsHtmlReportDestination();  // 7
// Asks for the next sheet when pausing after each page; No or Cancel sets the
// cancel flag.
void AskNextSheet();
// "$OUT<n>.TMP" in the user directory: the first n = 1..11 that can be
// claimed (created exclusively, never through a link; an earlier report's
// plain file there is removed first). Also the output name. Empty (cancel
// flag set, the reason shown) when none can be claimed.
std::string MakeReportTempName();

}  // namespace veldrim
