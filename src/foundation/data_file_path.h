#pragma once
// The full path of the current data file, as drawings and plot files name it,
// the file a save of the data set writes, and the folder a save dialog
// proposes.

#include <string>

namespace veldrim {

// The file the current data set was read from or last saved to
// (currentDataFile); for a set that has a name but no file yet, data
// directory + name + '.' + data-file extension; empty for a set without a
// name.
std::string CurrentDataFile();

// The full path of the current data file: the file name alone in archive
// mode, else CurrentDataFile().
std::string CurrentDataFilePath();

// The file a data set read from `path` is saved to. A name is taken apart as
// BaseNameOf does: the extension is the text after the last dot of the file
// name, and the name before it, however many dots it holds, is the set's
// name (".qb3" is the data file of a set with an empty name). A file whose
// extension is the data-file extension in any letter case is that file
// ("G.QB3" stays "G.QB3"); any other is saved under the set's name with the
// data-file extension in the same folder ("gear.bak" and "gear" as
// "gear.qb3").
std::string DataFileTarget(const std::string& path);

// True when the file name of a name chosen in a save dialog is the current
// set's name, as the dialog proposed it, in whatever folder the user put it:
// its dots then belong to the set's name ("teil.v2", "aktuell.alt"), not to
// an extension typed, and the format's extension is appended.
bool IsProposedSetName(const std::string& chosen);

// A name chosen in a save dialog with the format's extension `ext` appended
// where its file name has no extension of its own: it holds no dot, or it is
// the set's name as proposed (IsProposedSetName), whose dots are the set's.
// A name with an extension typed stays as it is.
std::string WithExtensionIfNone(const std::string& chosen, const std::string& ext);

// The folder a save dialog for written files proposes, with its trailing
// '/': the configured folder, or the data file's folder when none is set
// (never the program's working folder).
std::string ProposedSaveFolder(const std::string& configured);

}  // namespace veldrim
