#pragma once
// Report tables, the column-head row and the message section.
//
// The writers of the report channel (report_channel.h) that produce more than
// one line of markup: the HTML table bracket, the column-head row of the page
// header, the general table writer (up to seven columns, used by the table
// editor to print a table), and the closing section of every calculation
// report that lists the calculation messages with cause and remedy from the
// message text file. Also the View command that writes the messages as a
// report of their own.

#include <array>
#include <cstdint>
#include <string>

namespace veldrim {

// One printed table, owned by the caller. Columns 1..8; a width of 0 ends
// the list and the eighth is always 0, so at most seven columns print.
struct ReportTableLayout {
    std::array<std::int32_t, 9> width{};  // 1..8 (index 0 unused)
    std::array<std::string, 9> text{};    // 1..8: heads, then the cells of the last row
    bool noRule = false;                  // false: a single rule closes head, rows and end
};

// Closes an open table, writes <TABLE BORDER = "2" WIDTH= "100%">, marks it open.
void HtmlTableOpen();
// Writes </TABLE> when a table is open and marks it closed.
void HtmlTableClose();
// The column-head row of the page header (heads 1..5 of the channel).
void ReportColumnHeadRow();
// One cell line: HTML a one-cell row (a table is opened when none is),
// other destinations ReportText.
void ReportCellLine(const std::string& s);
// Nothing for an empty text; on text destinations a text longer than 72
// characters goes as up to five pieces cut at blanks within 64 characters.
void ReportWrappedLine(const std::string& s);

// The general table writer. widths are columns 1..8, heads and cells 1..7
// (index 0 of each array is column 1).
void HtmlTableHeader(ReportTableLayout& layout, const std::array<std::int32_t, 8>& widths,
                     const std::array<std::string, 7>& heads);
void HtmlTableRow(ReportTableLayout& layout, const std::array<std::string, 7>& cells);
void HtmlTableEnd(const ReportTableLayout& layout);

// The section "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN" with every message of
// the message list and its cause and remedy; nothing when the list is empty.
void ReportMessageSection();
// The last page of a calculation report: a page header and the message
// section, then a page break; nothing when the list is empty.
void ReportMessagesPage();
// View > error messages: the messages as a report on the screen.
void ShowErrorMessageReport();

}  // namespace veldrim
