#include "foundation/files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"

namespace veldrim {

namespace fs = std::filesystem;

namespace {

// On this system only '/' separates folders: a backslash and ':' are letters
// of a name like any other ("a\b.qb3" and "Stand 12:00.qb3" are one name each).
bool IsSeparator(char c) { return c == '/'; }

std::size_t LastSeparator(std::string_view path) { return path.find_last_of('/'); }

bool MatchesMask(const std::string& name, const std::string& mask) {
    return fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

// Writes all of buf, retrying short writes; false when the disk refuses.
bool WriteAll(int fd, const char* buf, std::size_t n) {
    while (n > 0) {
        const ssize_t w = FileCalls.write(fd, buf, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) return false;
        buf += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

std::string EnsureTrailingBackslash(std::string_view dir) {
    std::string d = TrimBoth(dir);
    if (!d.empty() && !IsSeparator(d.back())) d += '/';
    return d;
}

std::string EnsureDirBackslash(std::string_view dir) { return EnsureTrailingBackslash(dir); }

std::string StripTrailingBackslash(std::string_view dir) {
    std::string d = TrimBoth(dir);
    if (d.size() > 1 && IsSeparator(d.back())) d.pop_back();
    return d;
}

std::string BaseNameOf(std::string_view path) {
    const auto sep = LastSeparator(path);
    std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    return std::string(name);
}

std::string NameWithoutExt(std::string_view path) { return BaseNameOf(path); }

std::string PathWithoutExt(std::string_view path) { return DirPartOf(path) + NameWithoutExt(path); }

std::string ExtAfterFirstDot(std::string_view name) {
    const auto dot = name.find('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

std::string DirPartOf(std::string_view path) {
    const auto p = LastSeparator(path);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

// Paths on this system have no drive letters: a ':' is part of a name.
std::string DriveOf(std::string_view) { return {}; }

bool FileExists(const std::string& name) {
    if (name.empty()) return false;
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ::access(name.c_str(), R_OK) == 0;
}

int OpenPlainFile(const std::string& path, int flags) {
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    // What stands at the name is looked at before anything opens it: opening
    // a pipe waits for a writer, and opening a device may act on it.
    struct stat st {};
    const bool noFollow = (flags & O_NOFOLLOW) != 0;
    if ((noFollow ? ::lstat(path.c_str(), &st) : ::stat(path.c_str(), &st)) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        return -1;
    }
    // Something else may stand at the name by the time it is opened: opened
    // without waiting, it is looked at again.
    const int fd = FileCalls.open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0);
    if (fd < 0) {
        if (errno == ENXIO) errno = ENODEV;  // a socket
        return -1;
    }
    if (FileCalls.fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        FileCalls.close(fd);
        errno = err;
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

bool IsNoPlainFileError(int err) { return err == ENODEV || err == EISDIR; }

std::string NotReadAsPlainFileText(const std::string& path) {
    return "Datei " + ShownFileName(path) +
           std::string(" ist keine gewöhnliche Datei und wird nicht gelesen !"_cp850);
}

std::string NotOpenedForReadingText(const std::string& path, int err, int result) {
    if (err == EISDIR)
        return "Datei " + ShownFileName(path) + " ist ein Ordner und wird nicht gelesen !";
    if (IsNoPlainFileError(err)) return NotReadAsPlainFileText(path);
    return "Datei " + ShownFileName(path) + " nicht lesbar (Fehler " + std::to_string(result) + ")";
}

bool ReadWholeRegularFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = OpenPlainFile(path, O_RDONLY);
    if (fd < 0) return false;
    char buf[64 * 1024];
    int err = 0;
    for (;;) {
        const ssize_t n = FileCalls.read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    FileCalls.close(fd);
    if (err == 0) return true;
    bytes.clear();
    errno = err;
    return false;
}

bool DirExists(const std::string& dir) {
    const std::string d = StripTrailingBackslash(dir);
    if (d.empty()) return false;
    std::error_code ec;
    return fs::is_directory(d, ec);
}

bool DirAccessible(const std::string& dir) {
    const std::string d = StripTrailingBackslash(dir);
    return !d.empty() && ::access(d.c_str(), X_OK) == 0 && DirExists(d);
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    // An empty folder setting is the current folder.
    const auto orCurrent = [](const std::string& f) { return f.empty() ? std::string(".") : f; };
    std::error_code ec;
    const bool same = fs::equivalent(orCurrent(a), orCurrent(b), ec);
    return ec ? EnsureTrailingBackslash(a) == EnsureTrailingBackslash(b) : same;
}

bool IsShippedTablesFolder(const std::string& folder) {
    if (shippedTablesFolder.empty() || !IsSameFolder(folder, shippedTablesFolder)) return false;
    return userDataDirectory.empty() || !IsSameFolder(userDataDirectory, shippedTablesFolder);
}

bool IsDirWritable(const std::string& dir) {
    if (!DirExists(dir)) return false;
    std::string probe = EnsureTrailingBackslash(dir) + "x.$$$XXXXXX";
    const int fd = FileCalls.mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) return false;
    FileCalls.close(fd);
    FileCalls.unlink(probe.c_str());
    return true;
}

void DeleteFileIfExists(const std::string& name) {
    if (FileExists(name)) FileCalls.unlink(name.c_str());
}

void DeleteFilesByMask(const std::string& dir, const std::string& mask) {
    std::error_code ec;
    for (fs::directory_iterator it(StripTrailingBackslash(dir), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code ec2;
        if (it->is_regular_file(ec2) && MatchesMask(it->path().filename().string(), mask))
            fs::remove(it->path(), ec2);
    }
}

namespace {
FileIdentity IdentityFromStat(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            S_ISREG(st.st_mode)};
}
}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return IdentityFromStat(st);
}

std::optional<FileIdentity> IdentityAtName(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return IdentityFromStat(st);
}

std::optional<FileIdentity> IdentityOfOpenFile(int fd) {
    struct stat st {};
    if (fd < 0 || FileCalls.fstat(fd, &st) != 0) return std::nullopt;
    return IdentityFromStat(st);
}

bool CopyFileBlocks(const std::string& src, const std::string& dst) {
    const int in = OpenPlainFile(src, O_RDONLY);
    if (in < 0) {
        cancelFlag = true;
        return false;
    }
    const std::optional<FileIdentity> before = IdentityOf(dst);
    // A target that is the source itself, under this or any other name (a
    // link, another path to the same folder), already holds the copy:
    // opening it for writing would empty the source.
    if (before && IdentityOfOpenFile(in) == before) {
        FileCalls.close(in);
        return true;
    }
    // Only a regular file that the copy made or overwrote is removed after a
    // failure; a device or other special target is never unlinked.
    const bool existedSpecial = before && !before->regular;
    const int out = FileCalls.open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        FileCalls.close(in);
        cancelFlag = true;
        return false;
    }
    bool ok = true;
    char buf[2048];
    for (;;) {
        const ssize_t n = FileCalls.read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!WriteAll(out, buf, static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    FileCalls.close(in);
    if (FileCalls.close(out) != 0) ok = false;
    if (!ok) {
        if (!existedSpecial) FileCalls.unlink(dst.c_str());
        cancelFlag = true;
    }
    return ok;
}

bool CopyFileIfExists(const std::string& src, const std::string& dst) {
    if (!FileExists(src)) return false;
    const std::string name = fs::path(src).filename().string();
    return CopyFileBlocks(src, DirPartOf(dst) + name);
}

void CopyFilesByMask(const std::string& mask, const std::string& srcDir,
                     const std::string& dstDir) {
    const std::string from = EnsureDirBackslash(srcDir);
    const std::string to = EnsureDirBackslash(dstDir);
    bool found = false, failed = false;
    std::error_code ec;
    for (fs::directory_iterator it(StripTrailingBackslash(from), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code ec2;
        const std::string name = it->path().filename().string();
        if (!it->is_regular_file(ec2) || !MatchesMask(name, mask)) continue;
        found = true;
        if (!CopyFileIfExists(from + name, to + name)) failed = true;
    }
    cancelFlag = !found || failed;
}

std::string FindFileNoCase(const std::string& path) {
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec)) return path;
    const fs::path p(path);
    fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string want = UpperAscii(p.filename().string());
    if (!fs::is_directory(dir, ec)) {
        // The folder itself may differ in case.
        const std::string found = FindFileNoCase(dir.string());
        if (found == dir.string() || !fs::is_directory(found, ec)) return path;
        dir = found;
    }
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (UpperAscii(it->path().filename().string()) == want)
            return p.has_parent_path() ? (dir / it->path().filename()).string()
                                       : it->path().filename().string();
    }
    return path;
}

std::string FileNameText(std::string_view name) { return Utf8ToCp850(name, '?'); }

std::string ShownFileName(std::string_view name) { return Utf8ToCp850Carried(name); }

std::string FileNameFromText(std::string_view cp850) { return Cp850ToUtf8(cp850); }

}  // namespace veldrim
