// The full path of the current data file.
#include "foundation/data_file_path.h"

#include "foundation/files.h"
#include "foundation/program_state.h"

namespace veldrim {

std::string CurrentDataFilePath() {
    if (currentFileName.empty()) return "";
    if (archiveModeFlag) return currentFileName;
    return EnsureTrailingBackslash(dataDirectory) + currentFileName + "." + dataFileExtension;
}

std::string ProposedSaveFolder(const std::string& configured) {
    const std::string folder = EnsureTrailingBackslash(configured);
    return folder.empty() ? EnsureTrailingBackslash(dataDirectory) : folder;
}

}  // namespace veldrim
