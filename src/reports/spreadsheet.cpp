#include "reports/spreadsheet.h"

#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/data_file_path.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/text_pages.h"
#include "foundation/ui_services.h"
#include "reports/calc_report.h"
#include "reports/report_channel.h"

namespace veldrim {

namespace {

std::vector<std::string> SplitAtTabs(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        cells.push_back(
            line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

// Writes the workbook of a text file and opens it.
std::string WriteAndOpenWorkbook(const std::string& textPath, const std::string& xlsx,
                                 bool splitColumns) {
    if (!TextFileToWorkbook(textPath, xlsx, splitColumns)) {
        ShowErrorIfEnabled(NotSavedText(xlsx));
        cancelFlag = true;
        return {};
    }
    // Written all the same: the message names it, to be opened by hand.
    if (!Ui().OpenDocument(xlsx)) ShowInfo(NoOpenerText(xlsx));
    return xlsx;
}

}  // namespace

bool TextFileToWorkbook(const std::string& textPath, const std::string& xlsxPath,
                        bool splitColumns) {
    std::vector<std::string> lines;
    if (!ReadTextFileLines(textPath, lines)) return false;
    // Saved as every file is: into a temporary file beside the target, renamed
    // over it when whole. The library opens its file by name, so it is given
    // the temporary file through this process's own descriptor of it: a pipe
    // at the chosen name is refused before anything opens it, and a name as
    // long as the folder takes still leaves room for the temporary name.
    std::string target, temp;
    const int fd = BeginSave(xlsxPath, target, temp);
    if (fd < 0) return false;
    const auto discard = [&] {
        FileCalls.close(fd);
        FileCalls.unlink(temp.c_str());
        return false;
    };
    const std::string viaDescriptor = "/proc/self/fd/" + std::to_string(fd);
    lxw_workbook* book = workbook_new(viaDescriptor.c_str());
    if (!book) return discard();
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    bool ok = sheet != nullptr;
    for (std::size_t row = 0; ok && row < lines.size(); ++row) {
        const std::vector<std::string> cells =
            splitColumns ? SplitAtTabs(lines[row]) : std::vector<std::string>{lines[row]};
        for (std::size_t col = 0; ok && col < cells.size(); ++col) {
            const auto r = static_cast<lxw_row_t>(row);
            const auto c = static_cast<lxw_col_t>(col);
            const std::string text = splitColumns ? TrimBoth(cells[col]) : cells[col];
            if (text.empty()) continue;
            Real value = 0;
            if (splitColumns && ParseRealLine(text, value))
                ok = worksheet_write_number(sheet, r, c, static_cast<double>(value), nullptr) ==
                     LXW_NO_ERROR;
            else
                ok = worksheet_write_string(sheet, r, c, Cp850ToUtf8(text).c_str(), nullptr) ==
                     LXW_NO_ERROR;
        }
    }
    if (splitColumns && ok) worksheet_set_column(sheet, 0, 0, 40, nullptr);
    ok = workbook_close(book) == LXW_NO_ERROR && ok;
    if (!ok) return discard();
    return CommitSaveTemp(fd, temp, target) == 0;
}

std::string FileToSpreadsheet(const std::string& name) {
    // The current set's name stands for the file the set was read from or
    // last saved to ("G.QB3", "gear.bak", ".qb3"), not for another set's
    // file that the name with the data-file extension would find beside it.
    const std::string own = name == currentFileName ? currentDataFile : std::string();
    if (own.empty() && TrimBoth(name).empty()) {
        Ui().ShowMessage("", "File not found. Use \"File->Save\"", MessageKind::Information);
        cancelFlag = true;
        return {};
    }
    // Any other name is that of its own data file in the data directory; a
    // file of the same name in the working folder is another file.
    std::string path = own;
    if (path.empty())
        path = name.find('/') != std::string::npos
                   ? name
                   : FindFileNoCase(EnsureTrailingBackslash(dataDirectory) + name + "." +
                                    dataFileExtension);
    CheckFileReadable(path);
    if (cancelFlag) return {};
    // A copy for viewing only: the program's own folder keeps it.
    return WriteAndOpenWorkbook(
        path, InPrivateFolder(std::filesystem::path(path).stem().string() + ".xlsx"), false);
}

std::string ReportToSpreadsheet(std::uint16_t mode) {
    cancelFlag = false;
    // The workbook is the user's: it goes where the user says, proposed
    // beside the data file under the data file's name.
    const std::string proposed =
        EnsureTrailingBackslash(dataDirectory) +
        (currentFileName.empty() ? std::string("report") : currentFileName) + ".xlsx";
    const auto chosen = Ui().SaveFileName("Tabellenkalkulation", proposed, "Excel|*.xlsx");
    if (!chosen || chosen->empty()) {
        cancelFlag = true;
        return {};
    }
    // A name given without an extension of its own is the workbook's with
    // ".xlsx", as every save dialog of the program completes it.
    const std::string xlsx = WithExtensionIfNone(*chosen, "xlsx");
    CheckNewFileName(xlsx);
    if (cancelFlag) return {};
    PrintoutToSpreadsheet(mode);
    if (cancelFlag || !reportOutputComplete || !FileExists(reportOutputName)) return {};
    return WriteAndOpenWorkbook(reportOutputName, xlsx, true);
}

}  // namespace veldrim
