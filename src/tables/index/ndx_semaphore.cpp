// The index semaphore file ("<table>.@S@") through which programs sharing a
// table coordinate the use of its indexes, and the unit's start, which plugs
// the index procedures into the record layer.
//
// The file holds one 4-byte record: users (u8), readers (i8; 1 while a
// writer holds it), change counter (u16, 0..65534, increased at the end of
// every write phase). Its bytes 1..4 are the lock region that serialises
// every change of the record; a writer keeps it for its whole write phase.
// LOGIN and LOGOUT are serialised by the table's semaphore byte.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

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

struct TSemRecord {
    int fd = -1;
    std::string name;
    std::array<uint8_t, 4> rec{};  // the record as last read
    int readNest = 0;
    int writeNest = 0;
    bool regionHeld = false;
    bool registered = false;  // counted among the readers
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

bool Region(TSemRecord& s, bool unlock, int* code) {
    *code = 0;
    if (!LockingOn) return true;
    struct flock fl {};
    fl.l_type = unlock ? F_UNLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 1;
    fl.l_len = 4;
    if (FileCalls.lock(s.fd, F_OFD_SETLK, &fl) == 0) return true;
    *code = errno == EAGAIN || errno == EACCES ? 33 : IoCodeOf(errno);
    return false;
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
    SetError(1202, "10 second timeout: Cannot lock index semaphore file: " + s.name + " " +
                       Action(action) + "\r\nPossible cause: Network lock limit exceeded\r\n" +
                       " Lock result code: " + std::to_string(code));
    return false;
}

void ReleaseRegion(TSemRecord& s, int action) {
    if (!s.regionHeld) return;
    s.regionHeld = false;
    int code = 0;
    if (!Region(s, true, &code))
        SetError(code, "Cannot unlock index semaphore file: " + s.name + " " + Action(action));
}

bool ReadRecord(TSemRecord& s, int action) {
    if (FileCalls.pread(s.fd, s.rec.data(), 4, 0) == 4) return true;
    SetError(errno ? IoCodeOf(errno) : 100, "Cannot read: " + s.name + " " + Action(action));
    return false;
}

bool WriteRecord(TSemRecord& s, int action) {
    if (FileCalls.pwrite(s.fd, s.rec.data(), 4, 0) == 4) return true;
    SetError(errno ? IoCodeOf(errno) : 101, "Cannot write to: " + s.name + " " + Action(action));
    return false;
}

// The table's semaphore byte, held around LOGIN and LOGOUT.
bool LockTableByte(const TWorkArea& a, const std::string& name, int action) {
    for (int attempt = 0; attempt <= 1000; ++attempt) {
        if (LockRegion(false, a, LockBase, 1) == 0) return true;
        WaitMs(10);
    }
    SetError(1202, "Cannot lock database for: " + name + " Action=" + Action(action) +
                       " [Database Semaphore]");
    return false;
}

void UnlockTableByte(const TWorkArea& a) { LockRegion(true, a, LockBase, 1); }

std::string SemaphoreName(const TWorkArea& a) { return ForceExtension(a.fileName, "@S@"); }

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

void Login(int area, TWorkArea& a) {
    if (Sem[area]) return;
    auto s = std::make_unique<TSemRecord>();
    s->name = SemaphoreName(a);
    if (!LockTableByte(a, s->name, kLogin)) return;
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
        SetError(code ? code : 5, "Cannot open/create: " + s->name + " " + Action(kLogin));
        return;
    }
    if (!TakeRegion(*s, kLogin)) return;
    WaitMs(5);
    bool ok = ReadRecord(*s, kLogin);
    if (ok) {
        s->rec[0] = static_cast<uint8_t>(s->rec[0] + 1);
        s->counterSeen = s->Counter();
        ok = WriteRecord(*s, kLogin);
    }
    ReleaseRegion(*s, kLogin);
    if (ok) Sem[area] = std::move(s);
}

void Logout(int area, TWorkArea& a) {
    TSemRecord* s = Sem[area].get();
    if (!s) return;
    if (!LockTableByte(a, s->name, kLogout)) return;
    struct Unlock {
        TWorkArea& a;
        ~Unlock() { UnlockTableByte(a); }
    } unlock{a};
    const std::string name = s->name;
    bool last = false;
    if (s->regionHeld || TakeRegion(*s, kLogout)) {
        if (ReadRecord(*s, kLogout)) {
            if (s->registered && s->Readers() > 0)
                s->rec[1] = static_cast<uint8_t>(s->Readers() - 1);
            if (s->writeNest > 0) s->rec[1] = 0;
            if (s->rec[0] > 0) --s->rec[0];
            last = s->rec[0] == 0;
            WriteRecord(*s, kLogout);
        }
        ReleaseRegion(*s, kLogout);
    }
    Sem[area].reset();
    if (last) FileCalls.unlink(name.c_str());
}

void IncRead(TSemRecord& s) {
    if (s.readNest++ != 0 || s.regionHeld || s.registered) return;
    if (!TakeRegion(s, kIncRead)) return;
    s.registered = true;
    if (ReadRecord(s, kIncRead)) {
        if (s.Readers() != 127) s.rec[1] = static_cast<uint8_t>(s.Readers() + 1);
        WriteRecord(s, kIncRead);
    }
    ReleaseRegion(s, kIncRead);
}

void DecRead(TSemRecord& s) {
    if (s.readNest <= 0) {
        s.readNest = 0;
        SetError(254, "Unbalanced IncRead/DecRead for semaphore file: " + s.name);
        return;
    }
    if (--s.readNest != 0 || s.regionHeld || !s.registered) return;
    if (!TakeRegion(s, kDecRead)) return;
    s.registered = false;
    if (ReadRecord(s, kDecRead)) {
        if (s.Readers() > 0) s.rec[1] = static_cast<uint8_t>(s.Readers() - 1);
        WriteRecord(s, kDecRead);
    }
    ReleaseRegion(s, kDecRead);
}

void LockForWrite(TSemRecord& s) {
    if (s.writeNest++ != 0 || s.regionHeld) return;
    const uint32_t start = TickCount();
    const uint32_t limit = static_cast<uint32_t>(SemaphoreTimeoutSeconds) * 1000u;
    // This program's own read phase does not keep it from writing.
    const int own = s.registered ? 1 : 0;
    for (;;) {
        if (ReadRecord(s, kLockSemaphore) && s.Readers() - own <= 0) {
            if (!TakeRegion(s, kLockSemaphore)) {
                s.writeNest = 0;
                return;
            }
            if (ReadRecord(s, kLockSemaphore) && s.Readers() - own <= 0) {
                s.rec[1] = 1;
                if (WriteRecord(s, kLockSemaphore)) return;
                ReleaseRegion(s, kLockSemaphore);
                s.writeNest = 0;
                return;
            }
            ReleaseRegion(s, kLockSemaphore);
        }
        if (limit != 0 && TickCount() - start >= limit) {
            s.writeNest = 0;
            ReleaseRegion(s, kLockSemaphore);
            SetError(1202, std::to_string(SemaphoreTimeoutSeconds) +
                               " second timeout, cannot read: " + s.name + "\r\n" +
                               "Possible cause: Other user's program has terminated abnormally." +
                               "\r\n" + "Cure: Log all users of this application off the network," +
                               "\r\n" + "then delete " + s.name);
            return;
        }
        WaitMs(1);
    }
}

void UnlockForWrite(TSemRecord& s) {
    if (s.writeNest <= 0) {
        s.writeNest = 0;
        ReleaseRegion(s, kUnlockSemaphore);
        SetError(254, "Unbalanced Lock/Unlock for semaphore file: " + s.name);
        return;
    }
    if (--s.writeNest != 0 || !s.regionHeld) return;
    if (ReadRecord(s, kUnlockSemaphore)) {
        const uint16_t c = s.Counter();
        s.SetCounter(c >= 65534 ? 0 : static_cast<uint16_t>(c + 1));
        s.rec[1] = static_cast<uint8_t>(s.registered ? 1 : 0);
        if (WriteRecord(s, kUnlockSemaphore)) s.counterSeen = s.Counter();
    }
    ReleaseRegion(s, kUnlockSemaphore);
}

bool LoginAllowed() { return OpenModeOverride == 65535 || (OpenModeOverride & 0x42) == 0x42; }

}  // namespace

void SemaphoreLogin(int area) {
    if (LoginAllowed()) InArea(area, [] { HandleSemafore(kLogin); });
}

void SemaphoreLogoutIfLast(int area) {
    if (!AnyIndex(area)) InArea(area, [] { HandleSemafore(kLogout); });
}

void RefreshIfChanged(int area) {
    TSemRecord* s = area >= 1 && area <= kAreas ? Sem[area].get() : nullptr;
    if (!s || s->Counter() == s->counterSeen) return;
    for (auto& ix : Open[area]) {
        if (!ix) continue;
        std::array<uint8_t, 24> b{};
        if (FileCalls.pread(ix->fd, b.data(), b.size(), 0) != 24) continue;
        TAnchor fresh = DecodeAnchor(b.data());
        if (AnchorSane(fresh) && ResolveKeyType(fresh, ix->anchor.keyType) &&
            fresh.keyLength == ix->anchor.keyLength && fresh.keyType == ix->anchor.keyType &&
            fresh.typeLetter == ix->anchor.typeLetter)
            ix->anchor = fresh;
        ix->path.clear();
        ix->cache.slots.clear();
    }
    s->counterSeen = s->Counter();
}

void ResetSemaphores() {
    for (auto& s : Sem) s.reset();
    HookReads.fill(0);
    HookWrites.fill(0);
}

}  // namespace ndx

void HandleSemafore(int action) {
    using namespace ndx;
    const int area = CurrentArea;
    if (area > 34) {
        SetError(254, "Work area [" + std::to_string(area) + " ] out of range. [HandleSemafore]");
        return;
    }
    TWorkArea* a = CurrentWorkArea();
    if (!a || a->exclusive || a->isVirtual) return;
    if (action == kLogin) {
        Login(area, *a);
        return;
    }
    TSemRecord* s = Sem[area].get();
    if (!s) return;
    switch (action) {
        case kLogout: Logout(area, *a); break;
        case kIncRead: IncRead(*s); break;
        case kDecRead: DecRead(*s); break;
        case kLockSemaphore: LockForWrite(*s); break;
        case kUnlockSemaphore: UnlockForWrite(*s); break;
        default: break;
    }
}

namespace {

void Nesting(std::array<int, ndx::kAreas + 1>& counts, bool on, int begin, int end,
             const char* name) {
    const int area = CurrentArea;
    if (area < 1 || area > ndx::kAreas) return;
    if (on) {
        if (counts[area]++ == 0) HandleSemafore(begin);
        return;
    }
    if (counts[area] <= 0) {
        counts[area] = 0;
        SetError(254, std::string("Non-symmetrical Lock-Unlock [") + name + "]");
        return;
    }
    if (--counts[area] == 0) HandleSemafore(end);
}

}  // namespace

void SetReadSemaphoreProc(bool on) {
    Nesting(ndx::HookReads, on, kIncRead, kDecRead, "SetReadSemaphoreProc");
}

void SetLockSemaphoreProc(bool on) {
    Nesting(ndx::HookWrites, on, kLockSemaphore, kUnlockSemaphore, "SetLockSemaphoreProc");
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
