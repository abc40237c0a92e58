#include "tables/engine/pack_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/file_calls.h"
#include "foundation/save_target.h"
#include "tables/engine/engine_files.h"

namespace veldrim {

namespace {

constexpr const char* kOldMarker = ".$$$old";

// The folder of a file, with its closing '/' ("./" for a bare name).
std::string FolderOf(const std::string& path) {
    std::string dir, name, ext;
    SplitFileName(path, dir, name, ext);
    return dir.empty() ? "./" : dir;
}

void SyncFolder(const std::string& path) {
    const int dfd = FileCalls.open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dfd < 0) return;
    FileCalls.fsync(dfd);
    FileCalls.close(dfd);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A second name for the old contents of `file`: a hard link, so nothing is
// copied and the old file stays as it is while the new one takes its name.
int KeepOld(const std::string& file, std::string& old) {
    for (int i = 0; i < 100; ++i) {
        const std::string candidate = file + kOldMarker + std::to_string(i);
        if (FileCalls.link(file.c_str(), candidate.c_str()) == 0) {
            old = candidate;
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Puts the old contents back under the file's name. When the file was never
// replaced, both names are the same file and the second name just goes.
bool RestoreOld(const std::string& file, const std::string& old) {
    if (!Exists(old)) return true;
    if (FileCalls.rename(old.c_str(), file.c_str()) != 0) return false;
    FileCalls.unlink(old.c_str());
    return true;
}

bool ReadJournal(const std::string& name, std::vector<std::pair<std::string, std::string>>& entries,
                 bool& committed) {
    const int fd = FileCalls.open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return false;
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = FileCalls.read(fd, buf, sizeof buf)) > 0;) text.append(buf, n);
    FileCalls.close(fd);
    committed = false;
    std::size_t at = 0;
    bool first = true;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        if (first) {
            if (line != "PACK") return true;
            first = false;
            continue;
        }
        if (line == "COMMIT") {
            committed = true;
            break;
        }
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        entries.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return true;
}

}  // namespace

std::string PackJournalName(const std::string& table) { return table + ".$$$pack"; }

PackJournal::~PackJournal() {
    if (active_) Rollback();
}

int PackJournal::Begin(const std::string& table, const std::vector<std::string>& files) {
    journal_ = PackJournalName(ResolveSaveTarget(table));
    entries_.clear();
    int err = 0;
    for (const std::string& f : files) {
        Entry e{ResolveSaveTarget(f), {}};
        // A link the user may not follow (errno EACCES) ends the pack here.
        if (e.file.empty()) {
            err = errno ? errno : EACCES;
            break;
        }
        RemovePackLeftovers(e.file);
        if ((err = KeepOld(e.file, e.old)) != 0) break;
        entries_.push_back(e);
    }
    std::string text = "PACK\n";
    for (const Entry& e : entries_) text += e.file + "\t" + e.old + "\n";
    int fd = -1;
    if (err == 0) {
        fd = CreateExclusive(journal_, 0600);
        if (fd < 0) err = errno;
    }
    if (err == 0 && !WriteWhole(fd, text.data(), text.size())) err = errno ? errno : EIO;
    if (err == 0 && FileCalls.fsync(fd) != 0) err = errno;
    if (fd >= 0) FileCalls.close(fd);
    if (err != 0) {
        for (const Entry& e : entries_) FileCalls.unlink(e.old.c_str());
        if (fd >= 0) FileCalls.unlink(journal_.c_str());
        entries_.clear();
        return err;
    }
    SyncFolder(journal_);
    active_ = true;
    return 0;
}

int PackJournal::Commit() {
    if (!active_) return 0;
    for (const Entry& e : entries_) SyncFolder(e.file);
    const int fd =
        FileCalls.open(journal_.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0);
    int err = fd < 0 ? errno : 0;
    static const char kCommit[] = "COMMIT\n";
    if (err == 0 && !WriteWhole(fd, kCommit, sizeof kCommit - 1)) err = errno ? errno : EIO;
    if (err == 0 && FileCalls.fsync(fd) != 0) err = errno;
    if (fd >= 0) FileCalls.close(fd);
    if (err != 0) return err;
    active_ = false;
    for (const Entry& e : entries_) FileCalls.unlink(e.old.c_str());
    FileCalls.unlink(journal_.c_str());
    SyncFolder(journal_);
    return 0;
}

void PackJournal::Rollback() {
    if (!active_) return;
    active_ = false;
    bool all = true;
    for (const Entry& e : entries_) all = RestoreOld(e.file, e.old) && all;
    // With a file left unrestored the journal stays for the next open.
    if (all) FileCalls.unlink(journal_.c_str());
    SyncFolder(journal_);
    for (const Entry& e : entries_) RemovePackLeftovers(e.file);
}

bool ResolvePackJournal(const std::string& table) {
    const std::string journal = PackJournalName(ResolveSaveTarget(table));
    std::vector<std::pair<std::string, std::string>> entries;
    bool committed = false;
    if (!ReadJournal(journal, entries, committed)) return !Exists(journal);
    bool all = true;
    for (const auto& [file, old] : entries) {
        if (committed)
            FileCalls.unlink(old.c_str());
        else
            all = RestoreOld(file, old) && all;
    }
    if (!all) return false;
    FileCalls.unlink(journal.c_str());
    SyncFolder(journal);
    for (const auto& [file, old] : entries) RemovePackLeftovers(file);
    RemovePackLeftovers(ResolveSaveTarget(table));
    return true;
}

void RemovePackLeftovers(const std::string& file) {
    RemoveStaleSaveTemps(file, true);
    const std::string folder = FolderOf(file);
    const auto slash = file.find_last_of('/');
    const std::string prefix =
        (slash == std::string::npos ? file : file.substr(slash + 1)) + kOldMarker;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) continue;
        FileCalls.unlink((folder + name).c_str());
    }
    ::closedir(dir);
}

}  // namespace veldrim
