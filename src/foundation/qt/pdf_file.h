#pragma once
// PDF files written as whole-file saves.

#include <functional>
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

}  // namespace veldrim
