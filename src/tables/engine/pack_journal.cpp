#include "tables/engine/pack_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "foundation/file_calls.h"
#include "foundation/files.h"
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

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Whether two paths name one folder (by device and inode, so that "./x"
// and "/abs/x" agree).
bool SameFolder(const std::string& a, const std::string& b) {
    const std::optional<FileIdentity> folder = IdentityOf(FolderOf(a));
    return folder && folder == IdentityOf(FolderOf(b));
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

// A name as a journal line may give it, made a name beside the journal: only
// the part after the last '/' counts (journals of earlier versions gave full
// paths). Empty when nothing usable is left.
std::string BesideJournal(const std::string& journal, const std::string& named) {
    const std::string leaf = LeafOf(named);
    if (leaf.empty() || leaf == "." || leaf == "..") return {};
    return FolderOf(journal) + leaf;
}

// The second name of `file` that a PACK makes: "<file>.$$$old<digits>".
bool IsOldNameOf(const std::string& file, const std::string& old) {
    const std::string prefix = LeafOf(file) + kOldMarker;
    const std::string leaf = LeafOf(old);
    return leaf.size() > prefix.size() && leaf.compare(0, prefix.size(), prefix) == 0 &&
           leaf.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

// Reads the journal's entries, each made a pair of names beside the journal.
// False when a line names something that is no file of this PACK beside the
// journal.
bool ReadJournal(int fd, const std::string& journal,
                 std::vector<std::pair<std::string, std::string>>& entries, bool& committed) {
    std::string text;
    char buf[4096];
    for (ssize_t n;
         (n = FileCalls.pread(fd, buf, sizeof buf, static_cast<off_t>(text.size()))) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
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
        const std::string file = BesideJournal(journal, line.substr(0, tab));
        const std::string old = BesideJournal(journal, line.substr(tab + 1));
        if (file.empty() || old.empty() || !IsOldNameOf(file, old)) return false;
        entries.emplace_back(file, old);
    }
    return true;
}

}  // namespace

std::string PackJournalName(const std::string& table) { return table + ".$$$pack"; }

PackJournal::~PackJournal() {
    if (active_) Rollback();
    Close();
}

void PackJournal::Close() {
    if (fd_ >= 0) FileCalls.close(fd_);
    fd_ = -1;
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
    // The journal names the files beside it, by name.
    std::string text = "PACK\n";
    for (const Entry& e : entries_)
        if (SameFolder(e.file, journal_)) text += LeafOf(e.file) + "\t" + LeafOf(e.old) + "\n";
    if (err == 0) {
        fd_ = CreateExclusive(journal_, 0600);
        if (fd_ < 0) err = errno;
    }
    // Locked before anything is in it, held until the PACK ends.
    if (err == 0 && !LockWhole(fd_, F_WRLCK)) err = errno ? errno : EAGAIN;
    if (err == 0 && !WriteWhole(fd_, text.data(), text.size())) err = errno ? errno : EIO;
    if (err == 0 && FileCalls.fsync(fd_) != 0) err = errno;
    if (err != 0) {
        for (const Entry& e : entries_) FileCalls.unlink(e.old.c_str());
        if (fd_ >= 0) FileCalls.unlink(journal_.c_str());
        Close();
        entries_.clear();
        return err;
    }
    SyncFolderOf(journal_);
    active_ = true;
    return 0;
}

int PackJournal::Commit() {
    if (!active_) return 0;
    for (const Entry& e : entries_) SyncFolderOf(e.file);
    int err = fd_ < 0 ? EBADF : 0;
    static const char kCommit[] = "COMMIT\n";
    if (err == 0 && !WriteWhole(fd_, kCommit, sizeof kCommit - 1)) err = errno ? errno : EIO;
    if (err == 0 && FileCalls.fsync(fd_) != 0) err = errno;
    if (err != 0) return err;
    active_ = false;
    for (const Entry& e : entries_) FileCalls.unlink(e.old.c_str());
    FileCalls.unlink(journal_.c_str());
    SyncFolderOf(journal_);
    Close();
    return 0;
}

void PackJournal::Rollback() {
    if (!active_) return;
    active_ = false;
    bool all = true;
    for (const Entry& e : entries_) all = RestoreOld(e.file, e.old) && all;
    // With a file left unrestored the journal stays for the next open.
    if (all) FileCalls.unlink(journal_.c_str());
    SyncFolderOf(journal_);
    Close();
    for (const Entry& e : entries_) RemovePackLeftovers(e.file);
}

PackJournalState ResolvePackJournal(const std::string& table, bool tableAlone) {
    const std::string target = ResolveSaveTarget(table);
    const std::string journal = PackJournalName(target);
    const int fd = OpenPlainFile(journal, O_RDONLY | O_NOFOLLOW);
    if (fd < 0) return Exists(journal) ? PackJournalState::kLeft : PackJournalState::kNone;
    struct Closer {
        int fd;
        ~Closer() { FileCalls.close(fd); }
    } closer{fd};
    // A running PACK holds its journal: nothing of it is touched.
    if (!LockWhole(fd, F_RDLCK)) return PackJournalState::kRunning;
    if (!tableAlone) return PackJournalState::kLeft;
    std::vector<std::pair<std::string, std::string>> entries;
    bool committed = false;
    if (!ReadJournal(fd, journal, entries, committed)) return PackJournalState::kNotBeside;
    // Each file, or its old contents, must be beside the journal: one that
    // is missing belongs to another copy of the folder.
    for (const auto& [file, old] : entries)
        if (!Exists(file) && !Exists(old)) return PackJournalState::kNotBeside;
    bool all = true;
    for (const auto& [file, old] : entries) {
        if (committed)
            FileCalls.unlink(old.c_str());
        else
            all = RestoreOld(file, old) && all;
    }
    if (!all) return PackJournalState::kLeft;
    FileCalls.unlink(journal.c_str());
    SyncFolderOf(journal);
    for (const auto& [file, old] : entries) RemovePackLeftovers(file);
    RemovePackLeftovers(target);
    return PackJournalState::kNone;
}

void RemovePackLeftovers(const std::string& file) {
    RemoveStaleSaveTemps(file, true);
    const std::string folder = FolderOf(file);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!IsOldNameOf(file, name)) continue;
        FileCalls.unlink((folder + name).c_str());
    }
    ::closedir(dir);
}

}  // namespace veldrim
