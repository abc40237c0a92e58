#pragma once
// File name and disk helpers of the table engine.
//
// Paths use '/' separators. A name keeps the case the caller typed; an
// existing file is found without regard to case (FindFileNoCase), so that
// tables written as "VOVUZI.DBF" are found as "vovuzi.dbf" and back.
// Only DeleteFilesLike and UniqueFilename report through SetError; the other
// helpers answer a neutral value (false, 0, -1, empty text).

#include "foundation/files.h"
#include <cstdint>
#include <ctime>
#include <string>

namespace veldrim {

struct TWorkArea;

void SplitFileName(const std::string& path, std::string& dir, std::string& name, std::string& ext);
std::string FileNameAndExtension(const TWorkArea& area);
std::string FileBaseName(const std::string& path);
std::string StripExtension(const std::string& path);
std::string DefaultExtension(const std::string& name, const std::string& ext);
std::string ForceExtension(const std::string& name, const std::string& ext);
std::string ExpandPath(const std::string& path);
// The system has no short form of a path: the path itself when it exists,
// else empty.
std::string GetShortPath(const std::string& path);
void StripThrough(char c, std::string& s);
// FindFileNoCase (foundation/files.h) finds an existing file whose name
// matches without regard to case.
bool FileExist(const std::string& name);
// Modification time; 0 when it cannot be read (code in FileDateError).
std::time_t FileDateOf(const std::string& name);
extern int FileDateError;
// FileDateError back to its start-up value.
void ResetEngineFiles();
bool FileDatedToday(const std::string& name);
int DeleteFileChecked(const std::string& name);
void DeleteFilesLike(const std::string& mask);
double DiskFreeKB(const std::string& path);
double DriveFreeKB(uint8_t drive);
void UniqueFilename(std::string& name);

}  // namespace veldrim
