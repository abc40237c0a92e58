#pragma once
// Text files and the calculation report as spreadsheet workbooks (.xlsx),
// opened afterwards with the desktop's spreadsheet program.

#include <cstdint>
#include <string>

namespace veldrim {

// Writes the lines of a text file as the rows of a one-sheet workbook. With
// splitColumns, a line is cut at its tabs into cells (the report's TXT form:
// label, symbol, unit, values), and a cell that holds a number is stored as a
// number; otherwise each line is one text cell of column 1. Texts are code
// page 850. The workbook is saved as every file is: it replaces xlsxPath (or
// the file a link there leads to) only when it was written whole, and a name
// that leads to a pipe, a socket or a device is refused.
bool TextFileToWorkbook(const std::string& textPath, const std::string& xlsxPath,
                        bool splitColumns);

// Puts the lines of a data file into column 1 of a workbook in the user
// directory (or the private folder when none is set) and opens it. An empty name gives the message
// 'File not found. Use "File->Save"' and the cancel flag. The current set's
// name is the file the set was read from or last saved to; another name
// without a folder (or the name of a set not yet read or saved) is its data
// file in the data directory, with the data-file extension, never a file of
// that name elsewhere.
// Returns the workbook's path, empty when none was written.
std::string FileToSpreadsheet(const std::string& name);

// The calculation report of the mode as a workbook (the report's TXT form
// cut into cells), written where the user chooses (proposed: beside the data
// file, under its name; a name without an extension gets ".xlsx",
// WithExtensionIfNone) and opened afterwards. Returns the workbook's path,
// empty when the choice or the report was cancelled or not written.
std::string ReportToSpreadsheet(std::uint16_t mode);

}  // namespace veldrim
