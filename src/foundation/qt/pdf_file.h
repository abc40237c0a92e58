#pragma once
// PDF files written as whole-file saves.

#include <functional>
#include <optional>
#include <string>

class QPrinter;

namespace veldrim {

// Prints into the PDF file `path` (A4) as every whole-file save writes: the
// printer's output goes into the save's temporary file beside the file it
// replaces (a symbolic link followed, the old file's permissions kept), and
// only a print that reached the disk completely is renamed over it. `print`
// sets up the page and prints on the printer it is given. False when the save
// could not begin, `print` returned false, a byte of the output was refused
// (a full disk, a file too large) or the rename failed; the old file is then
// as it was and no temporary file is left behind.
bool PrintToPdfFile(const std::string& path, const std::function<bool(QPrinter&)>& print);

// The name of a PDF file to write, from the save dialog proposing `proposed`:
// a name given without an extension of its own gets ".pdf"
// (WithExtensionIfNone), and an existing file at the name is asked about
// (ConfirmReplace). Empty when no name was given, the name is no file to
// write (a folder, a pipe) or the user keeps the existing file.
std::optional<std::string> AskPdfFileName(const std::string& proposed);

}  // namespace veldrim
