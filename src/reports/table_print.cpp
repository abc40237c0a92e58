// The table editor's printout through the report channel.

#include "reports/table_print.h"

#include <algorithm>
#include <array>

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "reports/report_channel.h"
#include "reports/report_tables.h"
#include "tables/datasets/table_editor.h"
#include "tables/datasets/tz_dbf.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"

namespace veldrim {

namespace {
constexpr int kPrintedFields = 7;
}  // namespace

void PrintDbfTable(TTzDbf& table, const std::string& windowCaption, const std::string& title1) {
    if (!table.Active()) return;
    SetReportHeader(productName + " V" + programVersion, FileNameText(table.DbfFileName()),
                    windowCaption, title1, "", 0);
    ReportOpen(kReportAsk, currentFileName);
    if (cancelFlag) return;
    ReportRewrite();
    if (!cancelFlag) ReportPageHeader(0, 0);
    if (!cancelFlag) ReportText("");
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    const TDbfFieldProps& props = table.FieldProps();
    const int columns = std::min(kPrintedFields, props.Count());
    // Report texts are code page 850: an ANSI table's values are converted.
    const bool oem = table.TableLanguage == tlOem;
    std::array<std::int32_t, 8> widths{};
    std::array<std::string, 7> heads;
    for (int c = 0; c < columns; ++c) {
        const TDTField& f = props.items[static_cast<std::size_t>(c)];
        widths[static_cast<std::size_t>(c)] = f.length + 1;
        heads[static_cast<std::size_t>(c)] = f.name;
    }
    ReportTableLayout layout;
    HtmlTableHeader(layout, widths, heads);
    if (table.SelectForOperation("Peek")) {
        const int32_t count = RecCount();
        for (int32_t r = 1; r <= count && !cancelFlag; ++r) {
            std::array<std::string, 7> cells;
            for (int c = 0; c < columns; ++c) {
                const std::string v = table.Peek(static_cast<std::uint8_t>(c + 1), r);
                cells[static_cast<std::size_t>(c)] = oem ? v : AnsiToOemStr(v);
            }
            HtmlTableRow(layout, cells);
        }
    }
    HtmlTableEnd(layout);
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    ReportClose();
}

void InstallTableEditorPrint() { tableEditorPrintHook = PrintDbfTable; }

}  // namespace veldrim
