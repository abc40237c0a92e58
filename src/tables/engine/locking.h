#pragma once
// Record and file locking of shared tables.
//
// Programs sharing a table coordinate through byte-range locks of the table
// file beyond its data (open-file-description locks, F_OFD_SETLK: a lock
// belongs to one open file, survives the closing of another descriptor of
// the same file, and two work areas on one table conflict like two
// programs):
//
//   lock        offset                                        length
//   semaphore   LockBase                                      1
//   file lock   LockBase + 1                                  0x3FFFFFFF
//   append      LockBase + 1                                  1
//   record n    LockBase + header length + (n-1) * rec. len.  record length
//
// A descriptor that could only be opened for reading takes read locks, since
// a write lock is impossible on it. Exclusive tables, and all tables with
// LockingOn off, take no operating-system locks: the verbs only keep the
// bookkeeping. Virtual files refuse every lock with error 1100.

#include <cstdint>
#include <functional>

#include "tables/engine/work_areas.h"

namespace veldrim {

inline constexpr uint64_t LockBase = 0x40000000u;

extern bool LockingOn;
extern uint8_t LockRetries;
extern uint8_t LockWaitMs;
extern std::function<bool()> LockRetryCallback;
extern uint16_t MaxRecordLocks;

uint16_t LockRegion(bool unlock, const TWorkArea& area, uint64_t offset, uint64_t length);
bool LockWithRetries(const TWorkArea& area, uint64_t offset, uint64_t length);
void WaitMs(uint32_t ms);
bool LockSemaphore();
void UnlockSemaphore();
bool FLock();
bool ALock();
bool RLock();
bool IsLocked(int32_t n);
bool UnlockRec(int32_t n);
void Unlock();
// Takes again, on the area's descriptor, the locks the area held before its
// table file was opened anew (state and record locks as they were); a lock
// that another program took meanwhile is dropped from the bookkeeping.
void RetakeLocks(TWorkArea& area, uint8_t state, const std::deque<int32_t>& records);

void ResetLocking();

}  // namespace veldrim
