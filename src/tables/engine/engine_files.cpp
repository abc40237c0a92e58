// File name and disk helpers of the table engine.
#include "tables/engine/engine_files.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/engine/work_areas.h"
#include "foundation/file_calls.h"

namespace veldrim {

namespace fs = std::filesystem;

namespace {

struct EngineFileDefaults {
    int FileDateError = 0;
};
constexpr EngineFileDefaults kDefaults{};

}  // namespace

int FileDateError = kDefaults.FileDateError;

void ResetEngineFiles() { FileDateError = kDefaults.FileDateError; }

void SplitFileName(const std::string& path, std::string& dir, std::string& name, std::string& ext) {
    const auto slash = path.rfind('/');
    dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string rest = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = rest.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        name = rest;
        ext.clear();
    } else {
        name = rest.substr(0, dot);
        ext = rest.substr(dot);
    }
    if (name.size() > 64) name.resize(64);
    if (ext.size() > 64) ext.resize(64);
}

std::string FileNameAndExtension(const TWorkArea& area) {
    std::string d, n, e;
    SplitFileName(area.fileName, d, n, e);
    return n + e;
}

std::string FileBaseName(const std::string& path) {
    std::string d, n, e;
    SplitFileName(path, d, n, e);
    return n;
}

std::string StripExtension(const std::string& path) {
    std::string d, n, e;
    SplitFileName(path, d, n, e);
    return path.substr(0, path.size() - e.size());
}

std::string DefaultExtension(const std::string& nameIn, const std::string& ext) {
    std::string name = TrimRightStr(nameIn);
    std::string d, n, e;
    SplitFileName(name, d, n, e);
    if (!e.empty()) return nameIn;
    return name + "." + ext;
}

std::string ForceExtension(const std::string& name, const std::string& ext) {
    return StripExtension(name) + "." + ext;
}

std::string ExpandPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    auto p = fs::absolute(fs::path(path), ec);
    if (ec) return path;
    return p.lexically_normal().string();
}

std::string GetShortPath(const std::string& path) { return FileExist(path) ? path : std::string(); }

void StripThrough(char c, std::string& s) {
    const auto p = s.rfind(c);
    if (p != std::string::npos) s.erase(0, p + 1);
}

bool FileExist(const std::string& name) {
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::time_t FileDateOf(const std::string& name) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        FileDateError = IoCodeOf(errno);
        return 0;
    }
    FileDateError = 0;
    return st.st_mtime;
}

bool FileDatedToday(const std::string& name) {
    const std::time_t t = FileDateOf(name);
    if (t == 0) return false;
    std::tm a{}, b{};
    const std::time_t now = std::time(nullptr);
    localtime_r(&t, &a);
    localtime_r(&now, &b);
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday;
}

int DeleteFileChecked(const std::string& name) {
    // Opened deny-all first: a file that another program holds open is not
    // deleted.
    bool ro = false;
    int code = 0;
    const int fd = OpenTableFile(name, 0x10, &ro, &code);
    if (fd < 0) return code;
    CloseTableFile(fd);
    if (FileCalls.unlink(name.c_str()) != 0) return IoCodeOf(errno);
    return 0;
}

void DeleteFilesLike(const std::string& mask) {
    if (mask.find_first_of("*?") == std::string::npos) {
        const int r = DeleteFileChecked(mask);
        if (r != 0)
            SetError(r, std::string("Fehler beim Löschen von "_cp850) + ShownFileName(mask));
        return;
    }
    std::string dir, n, e;
    SplitFileName(mask, dir, n, e);
    const std::string pattern = n + e;
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string fn = it->path().filename().string();
        if (it->is_regular_file() && ::fnmatch(pattern.c_str(), fn.c_str(), FNM_CASEFOLD) == 0)
            found.push_back(dir + fn);
    }
    int failed = 0;
    for (const auto& f : found)
        if (DeleteFileChecked(f) != 0) ++failed;
    if (failed > 0)
        SetError(5, std::string("Fehler beim Löschen von "_cp850) + std::to_string(failed) +
                        " Datei(en) mit Namen wie " + mask);
}

double DiskFreeKB(const std::string& path) {
    struct statvfs s {};
    const std::string p = path.empty() ? "." : path;
    if (::statvfs(p.c_str(), &s) != 0) return -1;
    return static_cast<double>(s.f_bavail) * static_cast<double>(s.f_frsize) / 1024.0;
}

double DriveFreeKB(uint8_t drive) {
    // There are no drive letters here: every drive number means the current
    // directory's file system.
    (void)drive;
    return DiskFreeKB("");
}

void UniqueFilename(std::string& name) {
    std::error_code ec;
    std::string dir = fs::temp_directory_path(ec).string();
    if (ec) {
        SetError(IoCodeOf(ec.value()), "Fehler beim Anfordern des Dateinamens [UniqueFilename]");
        return;
    }
    std::string templ = dir + "/TZPXXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    const int fd = ::mkstemp(buf.data());
    if (fd < 0) {
        SetError(IoCodeOf(errno), "Fehler beim Anfordern des Dateinamens [UniqueFilename]");
        return;
    }
    FileCalls.close(fd);
    name = buf.data();
}

}  // namespace veldrim
