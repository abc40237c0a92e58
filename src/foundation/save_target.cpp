#include "foundation/save_target.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/file_calls.h"
#include "foundation/program_state.h"

namespace veldrim {

std::string LeafOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool LockWhole(int fd, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    return FileCalls.lock(fd, F_OFD_SETLK, &fl) == 0;
}

namespace {

constexpr const char* kTempMarker = ".unfinished-save.";

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The longest name a folder takes, and the room the process id (up to ten
// digits) and the unique tail ".XXXXXX" need behind the prefix.
constexpr std::size_t kNameMax = NAME_MAX;
constexpr std::size_t kPrefixRoom = kNameMax - 10 - 7;

// 64-bit FNV-1a of a name: a short stand-in for the part of a long name that
// does not fit into the temporary name.
std::string NameHash(const std::string& name) {
    std::uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : name) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4) text[static_cast<std::size_t>(i)] = kHex[h & 15];
    return text;
}

// ".<name>.unfinished-save."; for a name too long to leave room for the
// process id and the unique tail, the name is cut (at a letter's boundary)
// and the hash of the whole name put behind it, so that every name the
// folder takes can be saved and each target keeps its own prefix.
std::string TempPrefix(const std::string& target) {
    const std::string leaf = LeafOf(target);
    const std::string marker = kTempMarker;
    if (1 + leaf.size() + marker.size() <= kPrefixRoom) return "." + leaf + marker;
    const std::string hash = "~" + NameHash(leaf);
    std::size_t keep = kPrefixRoom - 1 - marker.size() - hash.size();
    // No UTF-8 letter is cut in two.
    while (keep > 0 && (static_cast<unsigned char>(leaf[keep]) & 0xC0) == 0x80) --keep;
    return "." + leaf.substr(0, keep) + hash + marker;
}

// True when the process id of a temporary file's name is no longer running.
bool ProcessGone(const std::string& pidText) {
    if (pidText.empty() || pidText.size() > 9) return false;
    long pid = 0;
    for (char c : pidText) {
        if (c < '0' || c > '9') return false;
        pid = pid * 10 + (c - '0');
    }
    if (pid <= 0) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The kernel's protected-symlinks rule: a link is followed when it belongs
// to the user, when its folder is not both sticky and writable for everyone,
// or when the link and its folder have the same owner. A link another user
// planted in a shared folder such as /tmp is not.
bool MayFollowLink(const std::string& link, const struct stat& linkStat) {
    if (linkStat.st_uid == ::geteuid()) return true;
    struct stat folder {};
    if (::stat(FolderOf(link).c_str(), &folder) != 0) return false;
    if ((folder.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return true;
    return folder.st_uid == linkStat.st_uid;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string SystemReason(int err) {
    const char* text = ::strerrordesc_np(err);
    return text ? std::string(text) : "error " + std::to_string(err);
}

std::string ResolveSaveTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        if (!MayFollowLink(current, st)) {
            errno = EACCES;
            return {};
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return path;
        link.resize(static_cast<std::size_t>(n));
        current = link[0] == '/' ? link : FolderOf(current) + "/" + link;
    }
    return path;
}

void RemoveStaleSaveTemps(const std::string& target, bool ownerGone) {
    const std::string folder = FolderOf(target);
    const std::string prefix = TempPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int dfd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        // <prefix><pid>.XXXXXX
        const std::string rest = name.substr(prefix.size());
        const auto dot = rest.find('.');
        if (dot == std::string::npos || rest.size() - dot - 1 != 6) continue;
        if (!ownerGone && !ProcessGone(rest.substr(0, dot))) continue;
        const int fd =
            FileCalls.openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
        if (fd < 0) continue;
        struct stat st {};
        if (FileCalls.fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && LockWhole(fd, F_RDLCK))
            ::unlinkat(dfd, name.c_str(), 0);
        FileCalls.close(fd);
    }
    ::closedir(dir);
}

int CreateSaveTemp(const std::string& target, std::string& tempName) {
    if (target.empty()) {
        errno = EACCES;
        return -1;
    }
    RemoveStaleSaveTemps(target);
    std::string temp = FolderOf(target) + "/" + TempPrefix(target) +
                       std::to_string(static_cast<long>(::getpid())) + ".XXXXXX";
    const int fd = FileCalls.mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    LockWhole(fd, F_WRLCK);
    tempName = temp;
    return fd;
}

int BeginSave(const std::string& path, std::string& target, std::string& tempName) {
    tempName.clear();
    target = ResolveSaveTarget(path);
    if (target.empty()) return -1;
    return BeginSaveResolved(target, tempName);
}

int BeginSaveResolved(const std::string& target, std::string& tempName) {
    tempName.clear();
    if (target.empty()) {
        errno = EACCES;
        return -1;
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    // A name the folder cannot hold fails here, with its reason, not at the
    // rename after everything was written.
    if (!exists && (errno == ENAMETOOLONG || LeafOf(target).size() > kNameMax)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return -1;
    }
    // A pipe, a socket or a device is never opened: opening a pipe for
    // writing waits until someone reads it, and a device node is no file the
    // program could replace.
    if (exists && !S_ISREG(st.st_mode)) {
        errno = kNoPlainFileError;
        return -1;
    }
    // A write-protected file stays protected, although the folder would allow
    // the rename over it.
    if (exists && ::access(target.c_str(), W_OK) != 0) return -1;
    const int fd = CreateSaveTemp(target, tempName);
    if (fd < 0) return -1;
    // The saved file keeps the old file's permissions: a save that fails to
    // give them does not go ahead. A file system without permissions of its
    // own (a FAT stick) refuses the change, and there the save goes on.
    if (FileCalls.fchmod(fd, exists ? st.st_mode & 07777 : NewFileMode()) != 0 && errno != EPERM &&
        errno != EOPNOTSUPP) {
        const int err = errno;
        FileCalls.close(fd);
        FileCalls.unlink(tempName.c_str());
        tempName.clear();
        errno = err;
        return -1;
    }
    return fd;
}

unsigned SaveMode(const std::string& target) {
    struct stat st {};
    return ::stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : NewFileMode();
}

bool WriteWhole(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = FileCalls.write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int CommitSaveTemp(int fd, const std::string& tempName, const std::string& target) {
    int err = 0;
    if (FileCalls.fsync(fd) != 0) err = errno;
    if (FileCalls.close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && FileCalls.rename(tempName.c_str(), target.c_str()) != 0) err = errno;
    if (err != 0) {
        FileCalls.unlink(tempName.c_str());
        return err;
    }
    // Make the rename itself durable.
    SyncFolderOf(target);
    return 0;
}

void SyncFolderOf(const std::string& path) {
    const int dfd = FileCalls.open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dfd < 0) return;
    FileCalls.fsync(dfd);
    FileCalls.close(dfd);
}

namespace {

// A base folder of the desktop: $variable when it is absolute, else
// $HOME/underHome; empty without an absolute home.
std::string DesktopBaseFolder(const char* variable, const char* underHome) {
    if (const char* set = std::getenv(variable); set && set[0] == '/') return set;
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/" + underHome;
    return {};
}

}  // namespace

std::string PrivateScratchFolder() {
    if (!userDirectory.empty()) return userDirectory;
    const std::string base = DesktopBaseFolder("XDG_CACHE_HOME", ".cache");
    if (base.empty()) return {};
    ::mkdir(base.c_str(), 0700);
    const std::string folder = base + "/veldrim";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // Only a real folder of this user, closed to others, is private.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return {};
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return {};
    return folder;
}

std::string UserDataFolderOfDesktop() {
    const std::string base = DesktopBaseFolder("XDG_DATA_HOME", ".local/share");
    return base.empty() ? base : base + "/veldrim";
}

std::string InPrivateFolder(const std::string& leaf) {
    return EnsureTrailingBackslash(PrivateScratchFolder()) + leaf;
}

bool IsNoPlainFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
           !S_ISDIR(st.st_mode);
}

std::string NoPlainFileText(const std::string& path) {
    return "Datei " + ShownFileName(path) +
           std::string(" ist keine gewöhnliche Datei und wird nicht überschrieben !"_cp850);
}

std::string FolderAtNameText(const std::string& path) {
    return "Datei " + ShownFileName(path) +
           std::string(" ist ein Ordner und wird nicht überschrieben !"_cp850);
}

std::string NotAFileText(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
    return S_ISDIR(st.st_mode) ? FolderAtNameText(path) : NoPlainFileText(path);
}

std::string SaveFailureText(const std::string& path, int err) {
    if (err == EISDIR) return FolderAtNameText(path);
    if (err == kNoPlainFileError && IsNoPlainFile(path)) return NoPlainFileText(path);
    return "file write error: " + ShownFileName(path) + ": " + SystemReason(err);
}

int CreateExclusive(const std::string& path, unsigned mode) {
    return FileCalls.open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          static_cast<mode_t>(mode));
}

}  // namespace veldrim
