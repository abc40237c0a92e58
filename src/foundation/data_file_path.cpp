// The full path of the current data file.
#include "foundation/data_file_path.h"

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"

namespace veldrim {

std::string CurrentDataFile() {
    if (!currentDataFile.empty()) return currentDataFile;
    if (currentFileName.empty()) return "";
    return EnsureTrailingBackslash(dataDirectory) + currentFileName + "." + dataFileExtension;
}

std::string CurrentDataFilePath() {
    if (archiveModeFlag && !currentFileName.empty()) return currentFileName;
    return CurrentDataFile();
}

std::string DataFileTarget(const std::string& path) {
    const std::string folder = DirPartOf(path);
    const std::string name = BaseNameOf(path);
    const std::string leaf = path.substr(folder.size());
    if (leaf.size() > name.size() &&
        UpperAscii(leaf.substr(name.size() + 1)) == UpperAscii(dataFileExtension))
        return path;
    return folder + name + "." + dataFileExtension;
}

bool IsProposedSetName(const std::string& chosen) {
    return !currentFileName.empty() && chosen.substr(DirPartOf(chosen).size()) == currentFileName;
}

std::string WithExtensionIfNone(const std::string& chosen, const std::string& ext) {
    const bool typed = chosen.substr(DirPartOf(chosen).size()).find('.') != std::string::npos;
    return typed && !IsProposedSetName(chosen) ? chosen : chosen + "." + ext;
}

std::string ProposedSaveFolder(const std::string& configured) {
    const std::string folder = EnsureTrailingBackslash(configured);
    return folder.empty() ? EnsureTrailingBackslash(dataDirectory) : folder;
}

}  // namespace veldrim
