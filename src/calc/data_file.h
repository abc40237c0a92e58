#pragma once
// The gear data file: one whole data set, one value per line in a fixed
// order, written by SaveDataFile and read back by its exact inverse. The
// templates "null" and "init" and the exchange with the crossed-helical mode
// use the same format.
//
// Three blocks in the middle of the file belong to other parts of the
// program (the drawing documentation and the document links); they reach the
// file through the hooks below, which the program installs at start-up.

#include <functional>
#include <optional>
#include <string>

#include "foundation/files.h"

namespace veldrim {

struct DataFileSections {
    std::function<void()> writeDrawingInfo, readDrawingInfo;
    std::function<void()> writeDocumentLinks, readDocumentLinks;
    std::function<void()> writeIso7200, readIso7200;
    // Saves what the section readers may change and returns the routine that
    // puts it back (a failed read restores the data set as it was).
    std::function<std::function<void()>()> snapshot;

    bool Installed() const {
        return writeDrawingInfo && readDrawingInfo && writeDocumentLinks && readDocumentLinks &&
               writeIso7200 && readIso7200 && snapshot;
    }
};

extern DataFileSections dataFileSections;
// No section hooks installed, no failed line: the state before start-up.
void ResetDataFile();

// True, with an error box and the cancel flag, when the program has not
// installed the section hooks (a file written without them would be short).
bool DataFileSectionsMissing();

// Writes the data set under name (asked for when empty, completed with the
// data directory and extension when it has none). The file is replaced only
// when every line was written; a failure keeps the old file and sets the
// cancel flag.
void SaveDataFile(const std::string& name);

// Writes the data set to exactly this path (no dialog). False, with the
// cancel flag set, when the file could not be written, or when a value would
// not read back (not finite, beyond the range of a double, a text with a line
// break): the message names the field and the file on disk is untouched.
bool WriteDataFile(const std::string& path);

// Reads a data set. A file that cannot be opened, ends early or holds a line
// that does not convert is refused: the message names the file and the line,
// the cancel flag is set and the data set in memory stays as it was.
bool ReadDataFile(const std::string& path);

// The line number of the first failed line of the last read (0 when none).
int DataFileFailedLine();

// The file the data set was last read from, by identity (empty before the
// first read): an output named after the data set (the report's display
// copy) must not replace it under whatever name or link it is reached,
// whatever its lines hold.
extern std::optional<FileIdentity> dataFileReadIdentity;

}  // namespace veldrim
