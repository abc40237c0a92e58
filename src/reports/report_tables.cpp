// Report tables, the column-head row and the message section: the writers of
// the report channel that produce more than one line of markup.

#include "reports/report_tables.h"

#include "foundation/message_boxes.h"
#include "foundation/message_display.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "reports/report_channel.h"

namespace veldrim {

namespace {

constexpr int kMaxTableColumns = 7;
constexpr std::string_view kMessageSectionTitle = "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN";

// A cell text of the HTML table writer: escaped, then display-converted by
// the line writer.
std::string HtmlCell(const std::string& s) { return HtmlEscape(s); }

int ColumnCount(const ReportTableLayout& layout) {
    int n = 0;
    while (n + 1 <= kMaxTableColumns && layout.width[static_cast<std::size_t>(n + 1)] != 0) ++n;
    return n;
}

// One head or row of the table writer from the layout's texts.
void WriteTableLine(const ReportTableLayout& layout, bool head) {
    const int columns = ColumnCount(layout);
    if (columns == 0) return;
    const auto text = [&](int i) -> const std::string& {
        return layout.text[static_cast<std::size_t>(i)];
    };
    const auto width = [&](int i) { return layout.width[static_cast<std::size_t>(i)]; };

    switch (ReportDestination()) {
        case kReportHtmlFile: {
            if (head) {
                HtmlTableClose();
                ReportWriteLine("<TABLE BORDER = \"1\" WIDTH= \"100%\">");
                htmlTableOpen = true;
                std::string line = "<TR><TD><CENTER>" + HtmlCell(text(1)) + "</CENTER></TD>";
                for (int i = 2; i <= columns; ++i)
                    line += "<TD><CENTER>" + HtmlCell(text(i)) + "</CENTER></TD>";
                ReportWriteLine(line + "</TR>");
            } else {
                std::string line = "<TR><TD>" + HtmlCell(text(1)) + "</TD>";
                for (int i = 2; i <= columns; ++i)
                    line += "<TD><DIV ALIGN=RIGHT>" + HtmlCell(text(i)) + "</DIV></TD>";
                ReportWriteLine(line + "</TR>");
            }
            return;
        }
        case kReportTxtFile: {
            ReportTextPart(text(1));
            for (int i = 2; i <= columns; ++i) ReportWritePart("\t" + text(i));
            WriteTextLine("");
            return;
        }
        default: {
            if (head) ReportText(ReportRuleDouble());
            // A style-4 rule is the marker: every line writer drops it.
            ReportTextPart(PadRight(text(1), width(1)));
            for (int i = 2; i <= columns; ++i) ReportWritePart(PadRight(text(i), width(i)));
            WriteTextLine(" ");
            if (head)
                ReportText(ReportRuleDouble());
            else if (!layout.noRule)
                ReportText(ReportRuleSingle());
            return;
        }
    }
}

}  // namespace

void HtmlTableOpen() {
    HtmlTableClose();
    ReportWriteLine("<TABLE BORDER = \"2\" WIDTH= \"100%\">");
    htmlTableOpen = true;
}

void HtmlTableClose() {
    if (!htmlTableOpen) return;
    ReportWriteLine("</TABLE>");
    htmlTableOpen = false;
}

void ReportColumnHeadRow() {
    const auto& h = reportColumnHeads;
    if (IsHtmlReportDestination()) {
        HtmlTableOpen();
        std::string line = "<TR><TD><CENTER>" + HtmlEscape(h[1]) + "</CENTER></TD>";
        for (int i = 2; i <= 5; ++i)
            line += "<TD>" + HtmlEscape(h[static_cast<std::size_t>(i)]) + "</TD>";
        ReportWriteLine(line + "</TR>");
        return;
    }
    std::string line = ReportFramedBlankLine();
    const int columns[] = {3, reportColumnPositions.symbol, reportColumnPositions.unit,
                           reportColumnPositions.value1, reportColumnPositions.value2};
    for (int i = 1; i <= 5; ++i) {
        std::string_view head = h[static_cast<std::size_t>(i)];
        const int col = columns[i - 1];
        // Heads end before the right border.
        const int room = kReportWidth - col;
        if (room <= 0) continue;
        if (static_cast<int>(head.size()) > room)
            head = head.substr(0, static_cast<std::size_t>(room));
        OverwriteAt(head, line, col);
    }
    ReportText(line);
    ReportText(ReportBoxBottom());
    ReportText("");
}

void ReportCellLine(const std::string& s) {
    if (IsHtmlReportDestination()) {
        if (!htmlTableOpen) HtmlTableOpen();
        ReportWriteLine("<TR><TD>" + HtmlEscape(s) + "</TD></TR>");
        return;
    }
    ReportText(s);
}

void ReportWrappedLine(const std::string& s) {
    if (s.empty()) return;
    if (IsTextReportDestination() && s.size() > 72) {
        int lines = 0;
        int maxLen = 0;
        WrapToLines(s, ' ', 64, lines, maxLen);
        for (int i = 1; i <= lines; ++i) ReportCellLine(lineBuffers[static_cast<std::size_t>(i)]);
        return;
    }
    ReportCellLine(s);
}

void HtmlTableHeader(ReportTableLayout& layout, const std::array<std::int32_t, 8>& widths,
                     const std::array<std::string, 7>& heads) {
    for (int i = 1; i <= 7; ++i) {
        layout.width[static_cast<std::size_t>(i)] = widths[static_cast<std::size_t>(i - 1)];
        layout.text[static_cast<std::size_t>(i)] = heads[static_cast<std::size_t>(i - 1)];
    }
    layout.width[8] = 0;
    layout.text[8].clear();
    WriteTableLine(layout, true);
}

void HtmlTableRow(ReportTableLayout& layout, const std::array<std::string, 7>& cells) {
    for (int i = 1; i <= 7; ++i)
        layout.text[static_cast<std::size_t>(i)] = cells[static_cast<std::size_t>(i - 1)];
    WriteTableLine(layout, false);
}

void HtmlTableEnd(const ReportTableLayout& layout) {
    if (!layout.noRule) ReportText(ReportRuleSingle());
    if (IsHtmlReportDestination()) HtmlTableClose();
}

void ReportMessageSection() {
    if (messageList.count == 0) return;
    const bool txt = IsTxtReportDestination();
    const bool html = IsHtmlReportDestination();
    ReportSpacerLine();
    ReportSpacerLine();
    ReportText(kMessageSectionTitle);
    if (!txt) {
        ReportText(ReportRuleDouble());
        ReportSpacerLine();
        ReportText(ReportRuleSingle());
    }
    if (html) HtmlTableOpen();
    const int count = std::min<int>(messageList.count, kMaxMessages);
    for (int k = 1; k <= count; ++k) {
        const std::string& message = messageList.slot[static_cast<std::size_t>(k)];
        std::string cause;
        std::string remedy;
        GetMessageCause(k, cause);
        GetMessageRemedy(k, remedy);
        if (txt) {
            ReportWriteLine(message + "\t" + cause + "\t" + remedy);
            continue;
        }
        ReportCellLine(message);
        ReportWrappedLine(cause);
        ReportWrappedLine(remedy);
        if (reportRuleStyle != 4 && !html) ReportText(ReportRuleSingle());
        if (html) {
            HtmlTableClose();
            ReportText("");
            HtmlTableOpen();
        }
    }
    if (html) HtmlTableClose();
}

void ReportMessagesPage() {
    if (messageList.count == 0) return;
    AskNextSheet();
    if (cancelFlag) return;
    ReportPageHeader(0, 0);
    ReportMessageSection();
    ReportPageBreak();
}

void ShowErrorMessageReport() {
    cancelFlag = false;
    if (messageList.count == 0) {
        ShowInfo("Berechnung erfolgreich ohne Fehlermeldungen");
        return;
    }
    if (fatalFlag) {
        ShowCalculationMessages();
        return;
    }
    SetReportHeader(productName + " V" + programVersion, "Error Messages", reportHeaderLines[1],
                    reportHeaderLines[2], reportHeaderLines[3], 1);
    ReportOpen(kReportScreen, currentFileName + ".txt");
    if (cancelFlag) return;
    ReportRewrite();
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    ReportMessagesPage();
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    ReportClose();
}

}  // namespace veldrim
