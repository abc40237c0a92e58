#pragma once
// The full path of the current data file, as drawings and plot files name it,
// and the folder a save dialog proposes.

#include <string>

namespace veldrim {

// The full path of the current data file: empty without a current file; the
// file name alone in archive mode; else data directory, '/', name, '.',
// data-file extension.
std::string CurrentDataFilePath();

// The folder a save dialog for written files proposes, with its trailing
// '/': the configured folder, or the data file's folder when none is set
// (never the program's working folder).
std::string ProposedSaveFolder(const std::string& configured);

}  // namespace veldrim
