#pragma once
// Fault injection through the foundation's file call table: counts the calls
// that change files (write, pwrite, ftruncate, fsync, rename, unlink, link,
// fchmod, creating opens) and, from a chosen one on, fails or drops them;
// it counts the reads too, and can fail one of them.
//
// - kFail: the Nth call fails with an errno value (one failure; the calls
//   after it work again).
// - kFullDisk: from the Nth call on, every write and every growing truncate
//   fails with ENOSPC, as on a disk that filled up; renames, removals and
//   syncs still work.
// - kShortWrite: the Nth write stores only half of its bytes and says so.
// - kKill: from the Nth call on, nothing reaches the files any more (every
//   changing call is dropped and reports success; creating opens give a
//   descriptor of an anonymous memory file, no device), so the files stay
//   as a program killed just before that call leaves them. Closing still
//   releases locks, as the end of a killed process does.
//
// - kSelfKill: the Nth call sends SIGKILL to the process itself, a real
//   kill at a chosen point (for runs in a child process).
// - kFailRead: the Nth read (read or pread, counted apart from the changing
//   calls) fails with the errno value, as a disk that fails part way through
//   a file; the reads before and after it work, the changing calls run.
//   ReadsOf narrows the count to the reads of one file.
//
// Any mode can also write-protect one folder, as a folder without write
// permission is for whoever runs the tests, root too: creating a file in it,
// renaming into or out of it, linking into it and removing from it fail with
// the given errno value (EACCES), logged but not counted; its existing files
// are written as before.
//
// Every mode keeps a log of the changing calls in their order (the call, the
// file it reached, for a rename also the new name), so a test can check the
// order of syncs, renames and removals; a test may also have a procedure
// called before each changing call (to stop a child process at a chosen
// point and let another process look at the files).
//
// The guard puts the operating system's calls back when it goes.

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "foundation/file_calls.h"

namespace veldrim::testing {

// The file an open descriptor reaches, by the kernel's link for it.
inline std::string PathOfDescriptor(int fd) {
    char buf[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

inline bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class FaultCalls {
public:
    enum Mode { kCount, kFail, kFullDisk, kShortWrite, kKill, kSelfKill, kFailRead };

    // One changing call: "write", "pwrite", "fsync", "ftruncate", "rename",
    // "unlink", "link", "fchmod", "create" (an open that creates or
    // truncates) or "mkostemp"; also "close", which is logged but neither
    // counted nor changed by any mode; the file's path (for a call on a descriptor
    // the path it was opened under) and, for rename and link, the new name.
    struct Call {
        std::string call;
        std::string path;
        std::string to;
    };

    explicit FaultCalls(Mode mode = kCount, long at = 0, int err = ENOSPC) {
        state_ = State{mode, at, err, 0, 0, false};
        log_.clear();
        before_ = nullptr;
        refusedFolder_.clear();
        readLeaf_.clear();
        FileCallTable t = SystemFileCalls();
        t.read = Read;
        t.pread = Pread;
        t.open = Open;
        t.openat = OpenAt;
        t.mkostemp = Mkostemp;
        t.write = Write;
        t.pwrite = Pwrite;
        t.fsync = Fsync;
        t.ftruncate = Ftruncate;
        t.rename = Rename;
        t.unlink = Unlink;
        t.link = Link;
        t.fchmod = Fchmod;
        t.close = Close;
        FileCalls = t;
    }
    ~FaultCalls() {
        ResetFileCalls();
        before_ = nullptr;
        refusedFolder_.clear();
        readLeaf_.clear();
    }
    FaultCalls(const FaultCalls&) = delete;
    FaultCalls& operator=(const FaultCalls&) = delete;

    // Changing calls seen so far.
    static long Calls() { return state_.calls; }
    // Reads seen so far.
    static long Reads() { return state_.reads; }
    // From now on every change of the entries of `folder` fails with errno
    // `err`.
    static void WriteProtect(const std::string& folder, int err = EACCES) {
        refusedFolder_ = folder;
        refusedErr_ = err;
    }
    // From now on only the reads of a file named `leaf` (the last part of the
    // path its descriptor reaches) are counted, and the Nth of them fails.
    static void ReadsOf(const std::string& leaf) { readLeaf_ = leaf; }
    // True once the chosen call was reached.
    static bool Fired() { return state_.fired; }
    // The changing calls (and closes) so far, in order.
    static const std::vector<Call>& Log() { return log_; }
    // Called with each changing call before it runs (and before it is
    // failed, dropped or killed).
    static void Before(std::function<void(const Call&)> proc) { before_ = std::move(proc); }

private:
    struct State {
        Mode mode;
        long at;
        int err;
        long calls;
        long reads;
        bool fired;
    };
    static inline State state_{};
    static inline std::string refusedFolder_{};
    static inline std::string readLeaf_{};
    static inline int refusedErr_ = EACCES;
    static inline std::vector<Call> log_{};
    static inline std::function<void(const Call&)> before_{};

    static std::string PathOf(int fd) { return PathOfDescriptor(fd); }
    static void Note(const char* call, std::string path, std::string to = {}) {
        log_.push_back(Call{call, std::move(path), std::move(to)});
        if (before_) before_(log_.back());
    }

    enum Kind { kWriting, kGrowing, kOther };

    // What to do with the next changing call: 0 run it, 1 fail it, 2 drop it,
    // 3 shorten it.
    static int Next(Kind kind) {
        ++state_.calls;
        if (state_.mode == kFailRead) return 0;
        const bool reached = state_.at > 0 && state_.calls >= state_.at;
        if (reached && state_.calls == state_.at) state_.fired = true;
        switch (state_.mode) {
            case kCount: return 0;
            case kFail: return state_.calls == state_.at ? 1 : 0;
            case kFullDisk: return reached && kind != kOther ? 1 : 0;
            case kShortWrite: return state_.calls == state_.at && kind == kWriting ? 3 : 0;
            case kKill: return reached ? 2 : 0;
            case kSelfKill:
                if (reached) ::raise(SIGKILL);
                return 0;
            case kFailRead: return 0;
        }
        return 0;
    }
    static int Refuse() {
        errno = state_.err;
        return -1;
    }
    // True when path names an entry of the write-protected folder (by its
    // identity, whatever name reaches the folder); errno is set.
    static bool InRefusedFolder(const std::string& path) {
        if (refusedFolder_.empty() || path.empty()) return false;
        std::error_code ec;
        const std::filesystem::path parent =
            std::filesystem::absolute(path, ec).lexically_normal().parent_path();
        if (ec || !std::filesystem::equivalent(parent, refusedFolder_, ec)) return false;
        errno = refusedErr_;
        return true;
    }
    // Whether the next read of fd fails.
    static bool NextReadFails(int fd) {
        if (!readLeaf_.empty() && std::filesystem::path(PathOf(fd)).filename() != readLeaf_)
            return false;
        ++state_.reads;
        if (state_.mode != kFailRead || state_.reads != state_.at) return false;
        state_.fired = true;
        errno = state_.err;
        return true;
    }
    static ssize_t Read(int fd, void* buf, std::size_t n) {
        return NextReadFails(fd) ? -1 : ::read(fd, buf, n);
    }
    static ssize_t Pread(int fd, void* buf, std::size_t n, off_t off) {
        return NextReadFails(fd) ? -1 : ::pread(fd, buf, n, off);
    }
    static bool Creates(int flags) { return (flags & (O_CREAT | O_TRUNC)) != 0; }
    // An open that would make a new entry in the write-protected folder.
    static bool RefusedCreate(const std::string& path, int flags) {
        struct stat st {};
        return (flags & O_CREAT) != 0 && ::lstat(path.c_str(), &st) != 0 && InRefusedFolder(path);
    }
    static int Open(const char* path, int flags, mode_t mode) {
        if (RefusedCreate(path, flags)) {
            Note("create", path);
            return -1;
        }
        if (Creates(flags)) {
            Note("create", path);
            switch (Next(kOther)) {
                case 1: return Refuse();
                case 2: return ::memfd_create("killed-call", MFD_CLOEXEC);
                default: break;
            }
        }
        return ::open(path, flags, mode);
    }
    static int OpenAt(int dirFd, const char* path, int flags, mode_t mode) {
        const std::string full = path[0] == '/' ? std::string(path) : PathOf(dirFd) + "/" + path;
        if (RefusedCreate(full, flags)) {
            Note("create", full);
            return -1;
        }
        if (Creates(flags)) {
            Note("create", full);
            switch (Next(kOther)) {
                case 1: return Refuse();
                case 2: return ::memfd_create("killed-call", MFD_CLOEXEC);
                default: break;
            }
        }
        return ::openat(dirFd, path, flags, mode);
    }
    static int Mkostemp(char* nameTemplate, int flags) {
        Note("mkostemp", nameTemplate);
        if (InRefusedFolder(nameTemplate)) return -1;
        switch (Next(kOther)) {
            case 1: return Refuse();
            case 2: {
                const std::size_t n = std::strlen(nameTemplate);
                if (n >= 6) std::memcpy(nameTemplate + n - 6, "KILLED", 6);
                return ::memfd_create("killed-call", MFD_CLOEXEC);
            }
            default: return ::mkostemp(nameTemplate, flags);
        }
    }
    static ssize_t Write(int fd, const void* buf, std::size_t n) {
        Note("write", PathOf(fd));
        switch (Next(kWriting)) {
            case 1: return Refuse();
            case 2: return static_cast<ssize_t>(n);
            case 3: return ::write(fd, buf, n / 2);
            default: return ::write(fd, buf, n);
        }
    }
    static ssize_t Pwrite(int fd, const void* buf, std::size_t n, off_t off) {
        Note("pwrite", PathOf(fd));
        switch (Next(kWriting)) {
            case 1: return Refuse();
            case 2: return static_cast<ssize_t>(n);
            case 3: return ::pwrite(fd, buf, n / 2, off);
            default: return ::pwrite(fd, buf, n, off);
        }
    }
    static int Ftruncate(int fd, off_t length) {
        struct stat st {};
        const bool grows = ::fstat(fd, &st) == 0 && length > st.st_size;
        Note("ftruncate", PathOf(fd));
        switch (Next(grows ? kGrowing : kOther)) {
            case 1: return Refuse();
            case 2: return 0;
            default: return ::ftruncate(fd, length);
        }
    }
    template <class Call>
    static int Plain(Call call) {
        switch (Next(kOther)) {
            case 1: return Refuse();
            case 2: return 0;
            default: return call();
        }
    }
    static int Fsync(int fd) {
        Note("fsync", PathOf(fd));
        return Plain([&] { return ::fsync(fd); });
    }
    static int Rename(const char* from, const char* to) {
        Note("rename", from, to);
        if (InRefusedFolder(from) || InRefusedFolder(to)) return -1;
        return Plain([&] { return ::rename(from, to); });
    }
    static int Unlink(const char* path) {
        Note("unlink", path);
        if (InRefusedFolder(path)) return -1;
        return Plain([&] { return ::unlink(path); });
    }
    static int Link(const char* from, const char* to) {
        Note("link", from, to);
        if (InRefusedFolder(to)) return -1;
        return Plain([&] { return ::link(from, to); });
    }
    static int Close(int fd) {
        Note("close", PathOf(fd));
        return ::close(fd);
    }
    static int Fchmod(int fd, mode_t mode) {
        Note("fchmod", PathOf(fd));
        return Plain([&] { return ::fchmod(fd, mode); });
    }
};

}  // namespace veldrim::testing
