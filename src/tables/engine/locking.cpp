// Record and file locking of shared tables through open-file-description
// locks of the table file.
#include "tables/engine/locking.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "foundation/ui_services.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"

namespace veldrim {

namespace {

struct LockingDefaults {
    bool LockingOn = true;
    uint8_t LockRetries = 0;
    uint8_t LockWaitMs = 0;
    uint16_t MaxRecordLocks = 0;
};
constexpr LockingDefaults kDefaults{};

}  // namespace

bool LockingOn = kDefaults.LockingOn;
uint8_t LockRetries = kDefaults.LockRetries;
uint8_t LockWaitMs = kDefaults.LockWaitMs;
std::function<bool()> LockRetryCallback;
uint16_t MaxRecordLocks = kDefaults.MaxRecordLocks;

namespace {

constexpr uint64_t kFileLockLength = 0x3FFFFFFF;

uint64_t RecordOffset(const TWorkArea& a, int32_t n) {
    return LockBase + static_cast<uint64_t>(a.headerLength) +
           static_cast<uint64_t>(n - 1) * a.recordLength;
}

bool NeedsOsLock(const TWorkArea& a) { return !a.exclusive && LockingOn; }

}  // namespace

uint16_t LockRegion(bool unlock, const TWorkArea& area, uint64_t offset, uint64_t length) {
    if (!LockingOn) return 0;
    struct flock fl {};
    // A descriptor opened only for reading cannot hold a write lock.
    fl.l_type = unlock ? F_UNLCK : (area.readOnly ? F_RDLCK : F_WRLCK);
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    if (FileCalls.lock(area.fd, F_OFD_SETLK, &fl) == 0) return 0;
    if (errno == EAGAIN || errno == EACCES) return 33;
    return IoCodeOf(errno);
}

void WaitMs(uint32_t ms) {
    const uint32_t start = TickCount();
    for (;;) {
        const uint32_t now = TickCount();
        if (now < start || now - start >= ms) return;
        if (ms >= 10) Ui().ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool LockWithRetries(const TWorkArea& area, uint64_t offset, uint64_t length) {
    int count = 0;
    do {
        if (LockRegion(false, area, offset, length) == 0) return true;
        if (count < LockRetries) WaitMs(LockWaitMs);
        ++count;
        if (count > LockRetries && LockRetryCallback && LockRetryCallback()) count = 0;
    } while (count <= LockRetries);
    return false;
}

bool LockSemaphore() {
    if (!LockingOn) return true;
    TWorkArea* a = CurrentWorkArea();
    if (!a || a->isVirtual || a->exclusive) return true;
    return LockWithRetries(*a, LockBase, 1);
}

void UnlockSemaphore() {
    TWorkArea* a = CurrentWorkArea();
    if (!LockingOn || !a || a->isVirtual || a->exclusive) return;
    const uint16_t r = LockRegion(true, *a, LockBase, 1);
    if (r != 0)
        SetError(r, "Fehler beim Entsperren der Datei " + ShownFileName(a->fileName) +
                        " in Bereich " + std::to_string(CurrentArea));
}

namespace {
bool WholeLock(uint8_t state, uint64_t length, const char* verb) {
    if (NoDbfOpen(verb)) return false;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        SetError(1100, std::string(" [") + verb + "]");
        return false;
    }
    if (a->lockState == state) return true;
    if (a->lockState != kNoLock) return false;
    if (NeedsOsLock(*a) && !LockWithRetries(*a, LockBase + 1, length)) return false;
    a->lockState = state;
    return true;
}
}  // namespace

bool FLock() { return WholeLock(kFileLock, kFileLockLength, "FLock"); }
bool ALock() { return WholeLock(kAppendLock, 1, "ALock"); }

bool RLock() {
    if (NoDbfOpen("RLock")) return false;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        SetError(1100, " [RLock]");
        return false;
    }
    if (MaxRecordLocks != 0 && a->recordLocks.size() >= MaxRecordLocks) {
        SetError(212, std::string("Anzahl der gesperrten Datensätze zu groß [RLock]"_cp850));
        return false;
    }
    if (a->lockState == kFileLock || a->lockState == kAppendLock) return false;
    const int32_t n = a->recordNumber;
    if (a->lockState == kRecordLocks &&
        std::find(a->recordLocks.begin(), a->recordLocks.end(), n) != a->recordLocks.end())
        return true;
    if (n < 1 || n > a->recordCount) return false;
    if (NeedsOsLock(*a) && !LockWithRetries(*a, RecordOffset(*a, n), a->recordLength)) return false;
    a->recordLocks.push_front(n);
    a->lockState = kRecordLocks;
    return true;
}

bool IsLocked(int32_t n) {
    if (NoDbfOpen("IsLocked")) return false;
    const TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        SetError(1100, "[IsLocked]");
        return false;
    }
    if (a->lockState == kFileLock) return true;
    return std::find(a->recordLocks.begin(), a->recordLocks.end(), n) != a->recordLocks.end();
}

bool UnlockRec(int32_t n) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("UnlockRec")) return true;
    TWorkArea* a = CurrentWorkArea();
    auto release = [&](int32_t rec) -> uint16_t {
        return NeedsOsLock(*a) ? LockRegion(true, *a, RecordOffset(*a, rec), a->recordLength) : 0;
    };
    auto finish = [&] {
        if (a->recordLocks.empty() && a->lockState == kRecordLocks) a->lockState = kNoLock;
    };
    auto quietError = [&](const std::string& ctx) {
        ErrorState.lastErrorCode = 220;
        ErrorState.pendingErrorCode = 220;
        ErrorState.contextText = ctx;
        return false;
    };
    if (n >= 1) {
        auto it = std::find(a->recordLocks.begin(), a->recordLocks.end(), n);
        if (it == a->recordLocks.end())
            return quietError("Record not locked. [UnlockRec(" + std::to_string(n) + ")]");
        const uint16_t r = release(n);
        a->recordLocks.erase(it);
        finish();
        ErrorState.lastErrorCode = r;
        return r == 0;
    }
    if (n == -2 || n == -1) {
        if (a->recordLocks.empty()) return true;
        const int32_t rec = n == -2 ? a->recordLocks.front() : a->recordLocks.back();
        const uint16_t r = release(rec);
        if (n == -2)
            a->recordLocks.pop_front();
        else
            a->recordLocks.pop_back();
        finish();
        ErrorState.lastErrorCode = r;
        return r == 0;
    }
    if (n == -3) {
        uint16_t last = 0;
        for (int32_t rec : a->recordLocks)
            if (const uint16_t r = release(rec)) last = r;
        a->recordLocks.clear();
        finish();
        ErrorState.lastErrorCode = last;
        return last == 0;
    }
    return quietError("[UnlockRec(" + std::to_string(n) + ")]");
}

void Unlock() {
    if (NoDbfOpen("Unlock")) return;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual || a->lockState == kNoLock) return;
    if (a->lockState == kRecordLocks) {
        UnlockRec(-3);
    } else if (NeedsOsLock(*a)) {
        ErrorState.lastErrorCode =
            LockRegion(true, *a, LockBase + 1, a->lockState == kFileLock ? kFileLockLength : 1);
    }
    a->lockState = kNoLock;
}

void RetakeLocks(TWorkArea& area, uint8_t state, const std::deque<int32_t>& records) {
    area.lockState = kNoLock;
    area.recordLocks.clear();
    if (area.fd < 0 || area.isVirtual) return;
    const bool os = NeedsOsLock(area);
    if (state == kFileLock || state == kAppendLock) {
        const uint64_t length = state == kFileLock ? kFileLockLength : 1;
        if (!os || LockRegion(false, area, LockBase + 1, length) == 0) area.lockState = state;
        return;
    }
    if (state != kRecordLocks) return;
    for (const int32_t n : records)
        if (!os || LockRegion(false, area, RecordOffset(area, n), area.recordLength) == 0)
            area.recordLocks.push_back(n);
    if (!area.recordLocks.empty()) area.lockState = kRecordLocks;
}

void ResetLocking() {
    LockingOn = kDefaults.LockingOn;
    LockRetries = kDefaults.LockRetries;
    LockWaitMs = kDefaults.LockWaitMs;
    LockRetryCallback = nullptr;
    MaxRecordLocks = kDefaults.MaxRecordLocks;
}

}  // namespace veldrim
