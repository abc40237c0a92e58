// The index semaphore file ("<table>.@S@") through which programs sharing a
// table coordinate the use of its indexes, and the unit's start, which plugs
// the index procedures into the record layer.
//
// The file holds one 4-byte record: users (u8), readers (i8; 1 while a
// writer holds it), change counter (u16, 0..65534, increased as every write
// phase begins, before any tree is changed, so that a writer killed inside
// its phase has counted whatever it changed). Its bytes 1..4 are the lock
// region that serialises every change of the record; a writer keeps it for
// its whole write phase.
// LOGIN and LOGOUT are serialised by the table's semaphore byte.
//
// Who may read or write the index is decided by two locks far beyond the
// record, which the kernel drops when their process ends, so that a killed
// reader or writer never keeps anyone waiting:
//   - the share byte: held shared for a whole read phase, exclusive for a
//     whole write phase;
//   - the gate byte: held exclusive by a writer from the moment it waits
//     until its phase ends; a reader passes it (shared, for a moment) before
//     it takes its share, so new readers wait behind a waiting writer.
// The readers byte of the record is still counted for other programs; this
// program's writers go by the shares alone, and every write phase puts the
// count right again (a dead reader's count would otherwise stay for good).
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/save_target.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/engine_files.h"
#include "foundation/file_calls.h"
#include "tables/index/ndx_internal.h"
#include "tables/engine/locking.h"
#include "tables/engine/proc_tables.h"

namespace veldrim {

int SemaphoreTimeoutSeconds = kIndexDefaults.semaphoreTimeoutSeconds;

namespace ndx {

namespace {

const char* const kActionNames[] = {"LOGIN",   "LOGOUT",        "INCREAD",
                                    "DECREAD", "LOCKSEMAPHORE", "UNLOCKSEMAPHORE"};

// The phase locks (see the head of this file), far from the record and from
// the bytes that emulate the share modes of the open.
constexpr off_t kGateByte = 0x7FFF000000000100LL;
constexpr off_t kShareByte = 0x7FFF000000000101LL;
// How long a reader waits for a writer's phase (the region lock's wait).
constexpr uint32_t kReaderWaitMs = 10000;

struct TSemRecord {
    int fd = -1;
    std::string name;
    std::array<uint8_t, 4> rec{};  // the record as last read
    int readNest = 0;
    int writeNest = 0;
    bool regionHeld = false;
    bool registered = false;  // counted among the readers (holds a read share)
    bool gateHeld = false;
    bool writeShare = false;  // the share byte held exclusive
    // A phase began: the anchors are read again before the trees are used,
    // whatever the change counter says (a program killed inside its write
    // phase never counted its change).
    bool reread = false;
    uint16_t counterSeen = 0;

    uint8_t Users() const { return rec[0]; }
    int8_t Readers() const { return static_cast<int8_t>(rec[1]); }
    uint16_t Counter() const { return static_cast<uint16_t>(rec[2] | (rec[3] << 8)); }
    void SetCounter(uint16_t v) {
        rec[2] = static_cast<uint8_t>(v);
        rec[3] = static_cast<uint8_t>(v >> 8);
    }
    ~TSemRecord() {
        if (fd >= 0) CloseTableFile(fd);
    }
};

std::array<std::unique_ptr<TSemRecord>, kAreas + 1> Sem;
std::array<int, kAreas + 1> HookReads{};
std::array<int, kAreas + 1> HookWrites{};

std::string Action(int a) { return a >= 0 && a <= 5 ? kActionNames[a] : "?"; }

// One lock call on the semaphore file without waiting; *code is 33 when
// another program holds a conflicting lock.
bool SetLock(const TSemRecord& s, short type, off_t start, off_t length, int* code) {
    *code = 0;
    if (!LockingOn) return true;
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    if (FileCalls.lock(s.fd, F_OFD_SETLK, &fl) == 0) return true;
    *code = errno == EAGAIN || errno == EACCES ? 33 : IoCodeOf(errno);
    return false;
}

bool Region(TSemRecord& s, bool unlock, int* code) {
    return SetLock(s, unlock ? F_UNLCK : F_WRLCK, 1, 4, code);
}

// Takes a phase lock, trying again every millisecond while another program
// holds it, up to `limitMs` (0: no limit). False with *code when refused.
bool WaitForLock(const TSemRecord& s, short type, off_t at, uint32_t limitMs, int* code) {
    const uint32_t start = TickCount();
    for (;;) {
        if (SetLock(s, type, at, 1, code)) return true;
        if (*code != 33 || (limitMs != 0 && TickCount() - start >= limitMs)) return false;
        WaitMs(1);
    }
}

void DropLock(const TSemRecord& s, off_t at) {
    int code = 0;
    SetLock(s, F_UNLCK, at, 1, &code);
}

bool TakeRegion(TSemRecord& s, int action) {
    int code = 0;
    for (int attempt = 0; attempt <= 1000; ++attempt) {
        if (Region(s, false, &code)) {
            s.regionHeld = true;
            return true;
        }
        WaitMs(10);
    }
    SetError(1202, "10 second timeout: Cannot lock index semaphore file: " + ShownFileName(s.name) +
                       " " + Action(action) +
                       "\r\nPossible cause: Network lock limit exceeded\r\n" +
                       " Lock result code: " + std::to_string(code));
    return false;
}

void ReleaseRegion(TSemRecord& s, int action) {
    if (!s.regionHeld) return;
    s.regionHeld = false;
    int code = 0;
    if (!Region(s, true, &code))
        SetError(code, "Cannot unlock index semaphore file: " + ShownFileName(s.name) + " " +
                           Action(action));
}

// The lock region for one change of the record: released by `Release`, or
// without reports when the scope is left otherwise (an error raised while
// it was held), so that an error never leaves the region taken.
class RegionHold {
public:
    RegionHold(TSemRecord& s, int action) : s_(s), ok_(TakeRegion(s, action)) {}
    ~RegionHold() {
        if (!ok_ || kept_ || !s_.regionHeld) return;
        int code = 0;
        Region(s_, true, &code);
        s_.regionHeld = false;
    }
    bool Ok() const { return ok_; }
    void Release(int action) { ReleaseRegion(s_, action); }
    // The region stays held when the scope ends (a write phase).
    void Keep() { kept_ = true; }
    RegionHold(const RegionHold&) = delete;
    RegionHold& operator=(const RegionHold&) = delete;

private:
    TSemRecord& s_;
    bool ok_;
    bool kept_ = false;
};

// Gives up the phase locks of a write phase (back to the read share when
// this program is inside its own read phase), without reports.
void DropShares(TSemRecord& s) {
    int code = 0;
    if (s.writeShare) SetLock(s, s.registered ? F_RDLCK : F_UNLCK, kShareByte, 1, &code);
    s.writeShare = false;
    if (s.gateHeld) DropLock(s, kGateByte);
    s.gateHeld = false;
}

// Gives up whatever a write phase holds, without reports: used when a phase
// fails on its way in, before its error is reported.
void DropWritePhase(TSemRecord& s) {
    int code = 0;
    if (s.regionHeld) Region(s, true, &code);
    s.regionHeld = false;
    DropShares(s);
}

bool ReadRecord(TSemRecord& s, int action) {
    if (FileCalls.pread(s.fd, s.rec.data(), 4, 0) == 4) return true;
    SetError(errno ? IoCodeOf(errno) : 100,
             "Cannot read: " + ShownFileName(s.name) + " " + Action(action));
    return false;
}

bool WriteRecord(TSemRecord& s, int action) {
    if (FileCalls.pwrite(s.fd, s.rec.data(), 4, 0) == 4) return true;
    SetError(errno ? IoCodeOf(errno) : 101,
             "Cannot write to: " + ShownFileName(s.name) + " " + Action(action));
    return false;
}

// The table's semaphore byte, held around LOGIN and LOGOUT.
bool LockTableByte(const TWorkArea& a, const std::string& name, int action) {
    for (int attempt = 0; attempt <= 1000; ++attempt) {
        if (LockRegion(false, a, LockBase, 1) == 0) return true;
        WaitMs(10);
    }
    SetError(1202, "Cannot lock database for: " + ShownFileName(name) +
                       " Action=" + Action(action) + " [Database Semaphore]");
    return false;
}

void UnlockTableByte(const TWorkArea& a) { LockRegion(true, a, LockBase, 1); }

std::string SemaphoreName(const TWorkArea& a) { return IndexSemaphoreName(a.fileName); }

// A semaphore file that nobody has open any more and that is not from
// today is stale: it gets a fresh zero record. A file that another program
// holds open is left as it is, whatever its date.
bool PrepareFile(const std::string& name) {
    std::array<uint8_t, 4> zero{};
    if (!FileExist(name)) {
        const int fd =
            FileCalls.open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) return errno == EEXIST;
        const bool ok = FileCalls.pwrite(fd, zero.data(), 4, 0) == 4;
        FileCalls.close(fd);
        return ok;
    }
    if (FileDatedToday(name)) return true;
    bool ro = false;
    int code = 0;
    const int fd = OpenTableFile(name, 0x12, &ro, &code);
    if (fd < 0) return code == 32 || code == 5;
    const bool ok =
        !ro && FileCalls.ftruncate(fd, 0) == 0 && FileCalls.pwrite(fd, zero.data(), 4, 0) == 4;
    CloseTableFile(fd);
    return ok;
}

bool Login(int area, TWorkArea& a) {
    if (Sem[area]) return true;
    auto s = std::make_unique<TSemRecord>();
    s->name = SemaphoreName(a);
    if (!LockTableByte(a, s->name, kLogin)) return false;
    struct Unlock {
        TWorkArea& a;
        ~Unlock() { UnlockTableByte(a); }
    } unlock{a};
    bool ro = false;
    int code = 0;
    if (PrepareFile(s->name))
        s->fd = OpenTableFile(s->name, 0x42, &ro, &code);
    else
        code = IoCodeOf(errno);
    if (s->fd < 0) {
        SetError(code ? code : 5,
                 "Cannot open/create: " + ShownFileName(s->name) + " " + Action(kLogin));
        return false;
    }
    RegionHold region(*s, kLogin);
    if (!region.Ok()) return false;
    WaitMs(5);
    bool ok = ReadRecord(*s, kLogin);
    if (ok) {
        s->rec[0] = static_cast<uint8_t>(s->rec[0] + 1);
        s->counterSeen = s->Counter();
        ok = WriteRecord(*s, kLogin);
    }
    region.Release(kLogin);
    if (ok) Sem[area] = std::move(s);
    return ok;
}

bool Logout(int area, TWorkArea& a) {
    // The record goes on every way out; closing its file gives up every
    // share the area held.
    const std::unique_ptr<TSemRecord> owned = std::move(Sem[area]);
    TSemRecord* s = owned.get();
    if (!s) return true;
    if (!LockTableByte(a, s->name, kLogout)) return false;
    struct Unlock {
        TWorkArea& a;
        ~Unlock() { UnlockTableByte(a); }
    } unlock{a};
    bool last = false;
    bool ok = false;
    RegionHold region(*s, kLogout);  // at once when this area's write phase holds it
    if (region.Ok()) {
        if (ReadRecord(*s, kLogout)) {
            if (s->registered && s->Readers() > 0)
                s->rec[1] = static_cast<uint8_t>(s->Readers() - 1);
            if (s->writeNest > 0) s->rec[1] = 0;
            if (s->rec[0] > 0) --s->rec[0];
            last = s->rec[0] == 0;
            ok = WriteRecord(*s, kLogout);
        }
        region.Release(kLogout);
    }
    if (last) FileCalls.unlink(s->name.c_str());
    return ok;
}

bool IncRead(TSemRecord& s) {
    if (s.readNest != 0 || s.regionHeld || s.registered) {
        ++s.readNest;
        return true;
    }
    // Past the gate (behind any writer that waits there) to a read share;
    // the share may still be held by a program that went from its own read
    // phase into a write phase without passing the gate.
    const uint32_t start = TickCount();
    int code = 0;
    bool ok = WaitForLock(s, F_RDLCK, kGateByte, kReaderWaitMs, &code);
    if (ok) {
        const uint32_t spent = TickCount() - start;
        ok = WaitForLock(s, F_RDLCK, kShareByte, spent < kReaderWaitMs ? kReaderWaitMs - spent : 1,
                         &code);
        DropLock(s, kGateByte);
    }
    if (!ok) {
        SetError(1202, "10 second timeout: Cannot lock index semaphore file: " +
                           ShownFileName(s.name) + " " + Action(kIncRead) +
                           "\r\nPossible cause: Network lock limit exceeded\r\n" +
                           " Lock result code: " + std::to_string(code));
        return false;
    }
    UnlessKept share([&s] { DropLock(s, kShareByte); });
    RegionHold region(s, kIncRead);
    if (!region.Ok()) return false;
    ok = ReadRecord(s, kIncRead);
    if (ok) {
        if (s.Readers() != 127) s.rec[1] = static_cast<uint8_t>(s.Readers() + 1);
        ok = WriteRecord(s, kIncRead);
    }
    region.Release(kIncRead);
    if (!ok) return false;
    share.Keep();
    s.registered = true;
    s.reread = true;
    ++s.readNest;
    return true;
}

bool DecRead(TSemRecord& s) {
    if (s.readNest <= 0) {
        s.readNest = 0;
        SetError(254, "Unbalanced IncRead/DecRead for semaphore file: " + ShownFileName(s.name));
        return false;
    }
    if (--s.readNest != 0 || s.regionHeld || !s.registered) return true;
    // The share goes whatever the count's update meets.
    s.registered = false;
    DropLock(s, kShareByte);
    RegionHold region(s, kDecRead);
    if (!region.Ok()) return false;
    bool ok = ReadRecord(s, kDecRead);
    if (ok) {
        if (s.Readers() > 0) s.rec[1] = static_cast<uint8_t>(s.Readers() - 1);
        ok = WriteRecord(s, kDecRead);
    }
    region.Release(kDecRead);
    return ok;
}

bool LockForWrite(TSemRecord& s) {
    if (s.writeNest != 0 || s.regionHeld) {
        ++s.writeNest;
        return true;
    }
    const uint32_t start = TickCount();
    const uint32_t limit = static_cast<uint32_t>(SemaphoreTimeoutSeconds) * 1000u;
    auto left = [&] {
        if (limit == 0) return 0u;
        const uint32_t spent = TickCount() - start;
        return spent >= limit ? 1u : limit - spent;
    };
    UnlessKept phase([&s] { DropWritePhase(s); });
    int code = 0;
    // The gate first, so that no new reader starts while this writer waits.
    // A program inside its own read phase goes straight to its share: at the
    // gate it could wait for a writer that waits for its share.
    bool ok = true;
    if (!s.registered) {
        ok = WaitForLock(s, F_WRLCK, kGateByte, limit, &code);
        s.gateHeld = ok;
    }
    if (ok) {
        ok = WaitForLock(s, F_WRLCK, kShareByte, left(), &code);
        s.writeShare = ok;
    }
    if (!ok) {
        DropWritePhase(s);
        if (code != 33)
            SetError(code,
                     "Cannot lock index semaphore file: " + s.name + " " + Action(kLockSemaphore));
        else
            SetError(1202, std::to_string(SemaphoreTimeoutSeconds) +
                               " second timeout, cannot read: " + s.name + "\r\n" +
                               "Possible cause: Other user's program has terminated abnormally." +
                               "\r\n" + "Cure: Log all users of this application off the network," +
                               "\r\n" + "then delete " + s.name);
        return false;
    }
    if (!TakeRegion(s, kLockSemaphore) || !ReadRecord(s, kLockSemaphore)) return false;
    s.rec[1] = 1;
    // The change is counted before it is made. Had it been counted at the
    // end, a writer killed after a whole key change (its anchor as before)
    // would leave the other programs walking nodes they had read before it.
    const uint16_t c = s.Counter();
    const bool othersChanged = c != s.counterSeen;
    s.SetCounter(c >= 65534 ? 0 : static_cast<uint16_t>(c + 1));
    if (!WriteRecord(s, kLockSemaphore)) return false;
    if (!othersChanged) s.counterSeen = s.Counter();
    phase.Keep();
    s.reread = true;
    ++s.writeNest;
    return true;
}

bool UnlockForWrite(TSemRecord& s) {
    if (s.writeNest <= 0) {
        s.writeNest = 0;
        DropWritePhase(s);
        SetError(254, "Unbalanced Lock/Unlock for semaphore file: " + ShownFileName(s.name));
        return false;
    }
    if (--s.writeNest != 0 || !s.regionHeld) return true;
    // A read phase that ended inside the write phase ends its share now.
    if (s.registered && s.readNest == 0) s.registered = false;
    // The phase ends whatever the record's update meets.
    UnlessKept phase([&s] { DropWritePhase(s); });
    // The change was counted as the phase began.
    bool ok = ReadRecord(s, kUnlockSemaphore);
    if (ok) {
        s.rec[1] = static_cast<uint8_t>(s.registered ? 1 : 0);
        ok = WriteRecord(s, kUnlockSemaphore);
    }
    phase.Keep();
    DropShares(s);
    ReleaseRegion(s, kUnlockSemaphore);
    return ok;
}

// Reads the anchors of the area's indexes again (the paths only when the
// tree may have changed). Returns the first index that carries a change
// mark: inside a phase no other program is changing a tree, so the mark was
// left by one that died in the middle of a change. Its anchor keeps the
// mark, also through later anchor writes, until the next phase of a program
// that may write the index rebuilds it (RebuildDeadMarks), or an open that
// holds the table alone does.
TIndex* Reread(int area, TSemRecord& s) {
    const bool counted = s.Counter() != s.counterSeen;
    s.reread = false;
    s.counterSeen = s.Counter();
    for (auto& ix : Open[area]) {
        if (!ix) continue;
        std::array<uint8_t, 24> b{};
        if (FileCalls.pread(ix->fd, b.data(), b.size(), 0) != 24) continue;
        TAnchor fresh = DecodeAnchor(b.data());
        const bool same = !counted && fresh.root == ix->anchor.root &&
                          fresh.nextFree == ix->anchor.nextFree &&
                          fresh.changing == ix->anchor.changing;
        if (AnchorSane(fresh) && ResolveKeyType(fresh, ix->anchor.keyType) &&
            fresh.keyLength == ix->anchor.keyLength && fresh.keyType == ix->anchor.keyType &&
            fresh.typeLetter == ix->anchor.typeLetter)
            ix->anchor = fresh;
        if (!same) {
            ix->path.clear();
            ix->cache.slots.clear();
        }
        if (fresh.changing) {
            s.reread = true;
            return ix.get();
        }
    }
    return nullptr;
}

void ReportDeadMark(const std::string& indexName) {
    SetError(222,
             std::string("Ungültiger dBASE-Schlüsselausdruck oder Index-Datei beschädigt "_cp850) +
                 indexName);
}

// Inside this program's write phase: rebuilds every index of the area whose
// anchor carries a dead change mark, each read again first. False (with the
// error set) when one could not be rebuilt. An error raised on the way ends
// the write phase before it leaves.
bool RebuildDeadMarks(int area, TSemRecord& s) {
    UnlessKept phase([&s] {
        s.writeNest = 0;
        DropWritePhase(s);
    });
    for (int round = 0; round <= kMaxIndexes; ++round) {
        TIndex* ix = Reread(area, s);
        if (!ix) {
            phase.Keep();
            return true;
        }
        const std::string name = ix->fileName;
        const uint16_t before = ErrorState.lastErrorCode;
        if (!RebuildMarkedTree(*ix)) {
            phase.Keep();
            if (ErrorState.lastErrorCode == before) ReportDeadMark(name);
            return false;
        }
    }
    phase.Keep();
    return true;
}

// A phase that has just begun finds its indexes as the last program left
// them. A change mark seen there was left by a program that died in the
// middle of a change (no live program changes a tree outside its write
// phase): the index is rebuilt in a write phase, before the verb touches the
// table or the index, and the phase goes on. A read phase gives its share up
// for that write phase and takes it again after. Error 222 only when the
// rebuild fails.
bool MarksClear(int area, TSemRecord& s, bool write) {
    if (!s.reread) return true;
    if (write) {
        if (RebuildDeadMarks(area, s)) return true;
        const uint16_t code = ErrorState.lastErrorCode;
        const std::string context = ErrorState.contextText;
        UnlockForWrite(s);
        ErrorState.lastErrorCode = code;
        ErrorState.contextText = context;
        return false;
    }
    for (int round = 0; round < 3; ++round) {
        if (!Reread(area, s)) return true;
        // The read share is given up for a write phase of this program's own.
        if (!DecRead(s) || !LockForWrite(s)) return false;
        const bool rebuilt = RebuildDeadMarks(area, s);
        if (!UnlockForWrite(s) || !rebuilt) return false;
        if (!IncRead(s)) return false;
    }
    if (TIndex* ix = Reread(area, s)) {
        const std::string name = ix->fileName;
        DecRead(s);
        ReportDeadMark(name);
        return false;
    }
    return true;
}

bool LoginAllowed() { return OpenModeOverride == 65535 || (OpenModeOverride & 0x42) == 0x42; }

// One action for the current work area; false when it failed (its error is
// set, or raised).
bool Perform(int action) {
    const int area = CurrentArea;
    if (area > 34) {
        SetError(254, "Work area [" + std::to_string(area) + " ] out of range. [HandleSemafore]");
        return false;
    }
    TWorkArea* a = CurrentWorkArea();
    if (!a || a->exclusive || a->isVirtual) return true;
    if (action == kLogin) return Login(area, *a);
    TSemRecord* s = Sem[area].get();
    if (!s) return true;
    switch (action) {
        case kLogout: return Logout(area, *a);
        case kIncRead: return IncRead(*s) && MarksClear(area, *s, false);
        case kDecRead: return DecRead(*s);
        case kLockSemaphore: return LockForWrite(*s) && MarksClear(area, *s, true);
        case kUnlockSemaphore: return UnlockForWrite(*s);
        default: return true;
    }
}

// The nesting count of a hook procedure rises only when the phase's
// semaphore action succeeded, and falls before the closing action runs: a
// failed phase leaves the count as it was, so the next phase takes the
// semaphore again.
bool Nesting(std::array<int, kAreas + 1>& counts, bool on, int begin, int end, const char* name) {
    const int area = CurrentArea;
    if (area < 1 || area > kAreas) return true;
    if (on) {
        if (counts[area] == 0 && !Perform(begin)) return false;
        ++counts[area];
        return true;
    }
    if (counts[area] <= 0) {
        counts[area] = 0;
        SetError(254, std::string("Non-symmetrical Lock-Unlock [") + name + "]");
        return false;
    }
    if (--counts[area] == 0) return Perform(end);
    return true;
}

}  // namespace

bool SemaphoreLogin(int area) {
    return !LoginAllowed() || InArea(area, [] { return Perform(kLogin); });
}

void SemaphoreLogoutIfLast(int area) {
    if (!AnyIndex(area)) InArea(area, [] { HandleSemafore(kLogout); });
}

bool BeginPhase(bool write) {
    return write
               ? Nesting(HookWrites, true, kLockSemaphore, kUnlockSemaphore, "SetLockSemaphoreProc")
               : Nesting(HookReads, true, kIncRead, kDecRead, "SetReadSemaphoreProc");
}

bool RefreshIfChanged(int area) {
    TSemRecord* s = area >= 1 && area <= kAreas ? Sem[area].get() : nullptr;
    if (!s || (!s->reread && s->Counter() == s->counterSeen)) return true;
    if (const TIndex* ix = Reread(area, *s)) {
        ReportDeadMark(ix->fileName);
        return false;
    }
    return true;
}

int SemaphoreDescriptor(uint8_t area) {
    const TSemRecord* s = area >= 1 && area <= kAreas ? Sem[area].get() : nullptr;
    return s ? s->fd : -1;
}

bool PhasesRebuildMarks(int area) { return area >= 1 && area <= kAreas && Sem[area] != nullptr; }

void ResetSemaphores() {
    for (auto& s : Sem) s.reset();
    HookReads.fill(0);
    HookWrites.fill(0);
}

}  // namespace ndx

void HandleSemafore(int action) { ndx::Perform(action); }

// Named after the table file itself: a table reached through a linked name
// (or a linked folder) shares the semaphore of every other name it has.
std::string IndexSemaphoreName(const std::string& tableFileName) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(tableFileName, ec);
    const std::string table = ec ? tableFileName : real.string();
    // An installed table is read where it is, and nothing is created beside
    // it: its indexes are the user's own, and so is its semaphore, in the
    // private folder (named apart from a working copy of the table there).
    if (IsShippedTablesFolder(DirPartOf(table)))
        return ForceExtension(InPrivateFolder("installed-" + LeafOf(table)), "@S@");
    return ForceExtension(table, "@S@");
}

void SetReadSemaphoreProc(bool on) {
    ndx::Nesting(ndx::HookReads, on, kIncRead, kDecRead, "SetReadSemaphoreProc");
}

void SetLockSemaphoreProc(bool on) {
    ndx::Nesting(ndx::HookWrites, on, kLockSemaphore, kUnlockSemaphore, "SetLockSemaphoreProc");
}

void IndexInit() {
    using namespace ndx;
    if (IndexLinked && IndexProcTable.hasIndex && IndexProcTable.foundFlag != &FoundFlag) {
        SetError(254, "Fehler: Index4- und (!) TzNdx-Unit eingebunden. [IndexInit]");
        return;
    }
    for (auto& area : Open)
        for (auto& ix : area) ix.reset();
    NaturalOrder.fill(false);
    for (int area = 1; area <= kAreas; ++area) ForgetRebuild(area);
    FoundFlag = 0;
    ExactFind = false;
    Building = false;
    ResetSemaphores();
    SemaphoreTimeoutSeconds = kIndexDefaults.semaphoreTimeoutSeconds;
    SetIndexProgress(nullptr, 0);
    FillIndexSlots();
    IndexLinked = true;
}

void IndexExit() {
    const uint8_t saved = CurrentArea;
    for (int area = 1; area <= 34; ++area) {
        CurrentArea = static_cast<uint8_t>(area);
        try {
            CloseAllIndexes();
        } catch (const EDurazError&) {
        }
    }
    CurrentArea = saved;
    IndexLinked = false;
}

}  // namespace veldrim
