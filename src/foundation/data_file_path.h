#pragma once
// The full path of the current data file, as drawings and plot files name it.

#include <string>

namespace veldrim {

// The full path of the current data file: empty without a current file; the
// file name alone in archive mode; else data directory, '/', name, '.',
// data-file extension.
std::string CurrentDataFilePath();

}  // namespace veldrim
