#pragma once
// Whole-file saves and private scratch files.
//
// A save never writes into its target: it writes a temporary file beside it,
// named ".<target name>.unfinished-save.<process id>.XXXXXX" (a name too long
// for that is cut and followed by its hash), holds a lock on
// it while writing, and renames it over the target when everything was
// written. A symbolic link is followed first, so the link stays and its target
// is replaced, but only where the kernel's protected-symlinks rule would follow
// it: a link another user planted in a sticky folder open to everyone is
// refused. The temporary file takes the mode of the file it replaces, or 0666
// less the umask for a new file. Temporary files that a killed save left
// behind are removed by the next save of the same target, once no process
// holds them.
//
// Scratch files (CAD block files) go to a private folder of the user, never to
// a shared one, and are created exclusively without following links.

#include <cerrno>
#include <cstddef>
#include <string>

namespace veldrim {

// The file a save of `path` replaces: `path` itself, or the end of its chain
// of symbolic links (relative links resolved against their own folder). A
// chain that loops or is too long gives `path` unchanged. A link the kernel
// would not follow (another user's link in a folder that is sticky and
// writable for everyone, unless that user owns the folder) gives an empty
// name and errno EACCES.
std::string ResolveSaveTarget(const std::string& path);

// Creates the temporary file of a save of `target` (already resolved) in its
// folder, locked, close-on-exec. Returns the descriptor and sets tempName, or
// -1 with errno set (EACCES for an empty target, a refused link). Stale
// temporary files of the same target are removed first.
int CreateSaveTemp(const std::string& target, std::string& tempName);

// Removes the temporary files of killed saves of `target`: files of the
// form above whose lock no process holds and whose process is gone (or of
// any process, when the caller knows that the save that made them ended).
void RemoveStaleSaveTemps(const std::string& target, bool ownerGone = false);

// The errno value of a save refused because its name leads to no plain file
// (a pipe, a socket, a device).
inline constexpr int kNoPlainFileError = ENODEV;

// Begins a whole-file save of path: target := the file it replaces (links
// resolved), then as BeginSaveResolved. Returns the descriptor of the
// temporary file, or -1 with errno set.
int BeginSave(const std::string& path, std::string& target, std::string& tempName);
// Begins the save of a target already resolved, without resolving it again:
// the commit renames onto exactly that name. A name that leads to a pipe, a
// socket or a device is refused before anything opens it (errno
// kNoPlainFileError), so no save ever waits on a pipe; a folder gives EISDIR,
// a write-protected file or an empty target EACCES. Otherwise a temporary
// file with the permissions of the old file (or of a new one) is made.
int BeginSaveResolved(const std::string& target, std::string& tempName);

// True when path leads (links followed) to something that is neither a plain
// file nor a folder: a pipe, a socket, a device.
bool IsNoPlainFile(const std::string& path);
// "Datei <name> ist keine gewöhnliche Datei und wird nicht überschrieben !"
std::string NoPlainFileText(const std::string& path);
// "Datei <name> ist ein Ordner und wird nicht überschrieben !": a folder
// stands at the name of a file to be saved.
std::string FolderAtNameText(const std::string& path);
// Why a save onto path is refused before anything asks or opens: the folder
// text or the no-plain-file text when the name leads (links followed) to a
// folder, a pipe, a socket or a device; empty for a plain file or a name that
// leads nowhere.
std::string NotAFileText(const std::string& path);
// The message of a save of path that failed with err: the folder text for a
// folder (EISDIR), the no-plain-file text for a name refused as no plain file,
// else "file write error: <name>: <reason>".
std::string SaveFailureText(const std::string& path, int err);

// The permissions a save of `target` gives the file: those of the existing
// file, or 0666 less the umask for a new one.
unsigned SaveMode(const std::string& target);

// Writes all of data to fd, retrying short writes; false (errno set) when the
// disk refuses a byte.
bool WriteWhole(int fd, const char* data, std::size_t size);

// Syncs and closes fd, then renames tempName over target and syncs the
// folder. Returns 0 or the errno value of the first failure; on failure the
// temporary file is removed. fd is closed in every case.
int CommitSaveTemp(int fd, const std::string& tempName, const std::string& target);

// The name of a file without its folder.
std::string LeafOf(const std::string& path);

// A lock on the whole file, owned by this open file (not the process), so
// that a forked child that closes its copy does not drop it. A save holds a
// write lock; a read lock taken by another fails while it does. False when
// another holder refuses it.
bool LockWhole(int fd, short type);

// Syncs the folder that holds `path`, so that a rename into it or a removal
// from it outlives a power loss.
void SyncFolderOf(const std::string& path);

// The private folder for this user's scratch files: the user directory when
// one is set, else $XDG_CACHE_HOME/veldrim (or ~/.cache/veldrim), created with
// mode 0700. Empty when no such folder can be made or it is not the user's own.
std::string PrivateScratchFolder();
// The user's data folder by the desktop's rules: $XDG_DATA_HOME/veldrim, else
// ~/.local/share/veldrim; empty without an absolute home. Not created here.
std::string UserDataFolderOfDesktop();
// A file the program writes for itself (report scratch files, display copies,
// table copies, temporary indexes): the leaf in PrivateScratchFolder(), or in
// the current folder when no private folder can be had.
std::string InPrivateFolder(const std::string& leaf);

// Creates a new file exclusively (O_CREAT|O_EXCL|O_NOFOLLOW, the mode less the
// umask): an existing file or a planted link at the name is refused (-1, errno
// set).
int CreateExclusive(const std::string& path, unsigned mode = 0600);

// The system's reason for an errno value ("Permission denied"), independent of
// the process locale.
std::string SystemReason(int err);

}  // namespace veldrim
