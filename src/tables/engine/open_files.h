#pragma once
// The files the engine holds open, found by identity.
//
// A file is the same file when it has the same device and inode, whatever
// name reaches it: a second path through a linked folder, a hard link, a
// symbolic link, or the same table open in a second work area. Checks that a
// write will not land on a table, memo or index file in use (an export onto
// the open table, a table appended to itself) ask here.
//
// Every file the engine keeps a descriptor of counts: the table files, the
// memo files, the open index files and the index semaphore files.

#include <cstdint>
#include <string>
#include <vector>

namespace veldrim {

// What a work area holds open in a file.
enum class EngineFileKind : uint8_t { Table, Memo, Index, Semaphore };

struct EngineOpenFile {
    uint8_t area = 0;
    EngineFileKind kind = EngineFileKind::Table;
};

// Every open file of every work area (1..35) that `path` names by identity:
// each area's table file, its memo file, its open indexes and the index
// semaphore file it shares with the other programs on the table. Empty when the
// path names no file or none the engine has open.
std::vector<EngineOpenFile> EngineFilesAt(const std::string& path);

// Whether `path` is one of the files the engine has open.
bool IsEngineOpenFile(const std::string& path);

}  // namespace veldrim
