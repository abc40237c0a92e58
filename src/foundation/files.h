#pragma once
// File names, folders and whole files. Paths use '/' and keep the case the
// caller typed; names that the program spells in a given case are found
// case-insensitively when they are read. Failures show in results or in the
// cancel flag, never as exceptions.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veldrim {

// File and folder names are held as the bytes of their names on disk (UTF-8,
// the Linux convention) wherever files are opened. Where a name becomes part
// of a stored text (reports, CAD texts, the exchange file, the session file)
// it is converted to code page 850; a letter that code page lacks becomes '?'.
std::string FileNameText(std::string_view name);
// A file name for the screen (messages, the window title): code page 850,
// with the letters that code page lacks carried so that the window shows
// the name as it is. Never for texts that go into files.
std::string ShownFileName(std::string_view name);
// A name read from a stored text back to the bytes of a name on disk.
std::string FileNameFromText(std::string_view cp850);

// The folder with one trailing separator; an empty text stays empty.
std::string EnsureTrailingBackslash(std::string_view dir);
std::string EnsureDirBackslash(std::string_view dir);
std::string StripTrailingBackslash(std::string_view dir);

// Names are taken apart at '/' only: a backslash and ':' are letters of a
// file name on this system.
// The file name without folder and extension ("/a.b/name.ext" gives "name").
std::string BaseNameOf(std::string_view path);
std::string NameWithoutExt(std::string_view path);
std::string PathWithoutExt(std::string_view path);
std::string ExtAfterFirstDot(std::string_view name);
// The folder part up to and including the last separator.
std::string DirPartOf(std::string_view path);
// The drive of a path: always empty, paths here have no drive letters.
std::string DriveOf(std::string_view path);

// Which file a name or an open descriptor leads to: its device and inode.
// Two names with one identity are the same file (a hard link, a symbolic
// link, another path to the same folder), whatever they are called.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool regular = false;  // a plain file, not a folder, pipe or device
    bool operator==(const FileIdentity& o) const { return device == o.device && inode == o.inode; }
};
// The file a name leads to, symbolic links followed; nothing opens it.
// Empty when the name leads to no file.
std::optional<FileIdentity> IdentityOf(const std::string& path);
// What stands at the name itself, no link followed (a link is itself).
std::optional<FileIdentity> IdentityAtName(const std::string& path);
// The file an open descriptor reads or writes.
std::optional<FileIdentity> IdentityOfOpenFile(int fd);

// Opens a name for reading (`flags` O_RDONLY, or O_RDWR, with any of
// O_NOFOLLOW and O_APPEND) only when it leads to a plain file, links
// followed: a pipe, a socket or a device is refused before anything opens
// it (errno ENODEV), a folder gives EISDIR. Nothing waits on a pipe, no
// device is opened. The descriptor (close-on-exec, blocking), or -1 with
// errno set. Every reader of a file the user names opens it through here.
int OpenPlainFile(const std::string& path, int flags);
// True when errno value `err` says that a name was refused by
// OpenPlainFile as no plain file (a pipe, a socket, a device or a folder).
bool IsNoPlainFileError(int err);
// "Datei <name> ist keine gewöhnliche Datei und wird nicht gelesen !"
std::string NotReadAsPlainFileText(const std::string& path);
// The message of a file the user named that could not be opened for reading,
// from the errno value of the failed open and the reader's result code: a
// folder "Datei <name> ist ein Ordner und wird nicht gelesen !", what is no
// plain file (a pipe, a socket, a device, a link to one) by
// NotReadAsPlainFileText, any other failure "Datei <name> nicht lesbar
// (Fehler <result>)".
std::string NotOpenedForReadingText(const std::string& path, int err, int result);

// The whole content of a plain file, opened through OpenPlainFile. A folder,
// a pipe, a device or a name that leads nowhere gives false, as does a read
// that fails part way (never the part read before); errno then says why.
// Nothing waits on a pipe and nothing throws.
bool ReadWholeRegularFile(const std::string& path, std::string& bytes);

bool FileExists(const std::string& name);
bool DirExists(const std::string& dir);
bool DirAccessible(const std::string& dir);
// Whether two folder names lead to one folder (an empty name is the current
// folder); compared as names where one of them leads nowhere.
bool IsSameFolder(const std::string& a, const std::string& b);
// Whether the tables of `folder` are the installed ones (shippedTablesFolder),
// which are never written. Not so where the program was installed into the
// user's data folder itself: the tables there are the user's own.
bool IsShippedTablesFolder(const std::string& folder);

// Creates and removes a probe file in the folder (through the file call
// table). Only for folders that are the program's own to write: a probe is a
// file in the folder, if only for a moment.
bool IsDirWritable(const std::string& dir);
void DeleteFileIfExists(const std::string& name);
// Removes every file in dir that matches the mask ("*.dxf", case-insensitive).
void DeleteFilesByMask(const std::string& dir, const std::string& mask);
// Copies a file; a source that cannot be opened, a target that cannot be
// created or a short write sets the cancel flag and leaves no partial target.
// A target that is the source file itself (same device and inode, by any
// name) is left as it is, and the copy counts as done.
bool CopyFileBlocks(const std::string& src, const std::string& dst);
// Copies src into the folder of dst under its own name when src exists.
bool CopyFileIfExists(const std::string& src, const std::string& dst);
// Copies every matching file; the cancel flag is set when none matched or
// any copy failed.
void CopyFilesByMask(const std::string& mask, const std::string& srcDir, const std::string& dstDir);

// The existing file whose name matches `path` ignoring letter case (in the
// folder names too); `path` itself when there is an exact match or none.
std::string FindFileNoCase(const std::string& path);

}  // namespace veldrim
