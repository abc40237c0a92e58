// The record input/output of the dBase table file: the read-ahead block and
// the collected appends of a table held alone, reading and writing records
// and delete flags, the record count of a shared table, the character-set
// translation of records, and the write-back at closing and committing.
#include "tables/engine/dbf_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "tables/engine/dbf_internal.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/locking.h"
#include "tables/engine/proc_tables.h"

namespace veldrim {

namespace dbf {

bool ReadAt(int fd, void* buf, std::size_t n, off_t off, std::size_t* got) {
    std::size_t done = 0;
    auto* b = static_cast<uint8_t*>(buf);
    while (done < n) {
        const ssize_t r = FileCalls.pread(fd, b + done, n - done, off + static_cast<off_t>(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            if (got) *got = done;
            return false;
        }
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    if (got) *got = done;
    if (done < n) errno = 0;
    return done == n;
}

bool WriteAt(int fd, const void* buf, std::size_t n, off_t off) {
    return WriteAllAt(fd, buf, n, off);
}

uint16_t WriteErrorCode(const TWorkArea& area, int err) {
    if (area.readOnly && (err == EBADF || err == 0)) return 5;
    return err == 0 ? 101 : IoCodeOf(err);
}

void ReleaseTableFile(TWorkArea& area) {
    CloseTableFile(area.fd);
    area.fd = -1;
    area.openState = kDbfClosed;
    area.readAheadCount = 0;
    area.readAhead = {};
    area.pendingAppends = {};
    area.directAppend = -1;
    area.recordBuffer.clear();
    area.fields.clear();
}

}  // namespace dbf

using dbf::PutLe32;
using dbf::ReadAt;
using dbf::ReleaseTableFile;
using dbf::WriteAt;
using dbf::WriteErrorCode;

void TranslateRecords(bool toFile, bool oem, RecordHook hook, std::size_t size, uint16_t recLen,
                      uint8_t* buffer) {
    if ((!oem && !hook) || recLen < 1) return;
    const std::size_t n = size / recLen;
    for (std::size_t i = 0; i < n; ++i) {
        uint8_t* data = buffer + i * recLen + 1;
        const std::size_t count = recLen - 1u;
        if (toFile) {
            if (oem) AnsiToOemBuff(data, count);
            if (hook) hook(data, count);
        } else {
            if (hook) hook(data, count);
            if (oem) OemToAnsiBuff(data, count);
        }
    }
}

namespace {

// Bytes of one read-ahead block and of the appends collected before a write.
constexpr std::size_t kRecordBlockBytes = 65536;
// The byte after the last record.
constexpr uint8_t kEndMark = 0x1A;

off_t RecordOffset(const TWorkArea& area, int32_t recNo) {
    return static_cast<off_t>(area.headerLength) +
           static_cast<off_t>(recNo - 1) * area.recordLength;
}

int32_t RecordsPerBlock(const TWorkArea& area) {
    return static_cast<int32_t>(std::max<std::size_t>(1, kRecordBlockBytes / area.recordLength));
}

// Records of the table that are on the file (the rest wait in the appends).
int32_t RecordsOnFile(const TWorkArea& area) {
    return area.pendingAppends.empty() ? area.recordCount : area.pendingFirst - 1;
}

// The file bytes of record recNo held in the area's blocks, nullptr when
// neither block holds it.
uint8_t* HeldRecord(TWorkArea& area, int32_t recNo) {
    if (!area.pendingAppends.empty() && recNo >= area.pendingFirst) {
        const std::size_t at =
            static_cast<std::size_t>(recNo - area.pendingFirst) * area.recordLength;
        return at + area.recordLength <= area.pendingAppends.size()
                   ? area.pendingAppends.data() + at
                   : nullptr;
    }
    if (area.readAheadCount > 0 && recNo >= area.readAheadFirst &&
        recNo < area.readAheadFirst + area.readAheadCount)
        return area.readAhead.data() +
               static_cast<std::size_t>(recNo - area.readAheadFirst) * area.recordLength;
    return nullptr;
}

// Reads the block of records around recNo: forward from it, or, when the
// reader moves backwards from the block before, the block that ends at it.
// A jump away from the records held (a seek through an index, GO) reads the
// one record only: a whole block would be copied for nothing. False with
// errno (0 for a file shorter than its count) when not even record recNo
// could be read.
bool ReadRecordBlock(TWorkArea& area, int32_t recNo) {
    const int32_t onFile = RecordsOnFile(area);
    const bool backwards = area.readAheadCount > 0 && recNo == area.readAheadFirst - 1;
    const bool jump =
        area.readAheadCount > 0 && !backwards && recNo != area.readAheadFirst + area.readAheadCount;
    const int32_t per = jump ? 1 : RecordsPerBlock(area);
    int32_t first = recNo;
    if (backwards) first = std::max(1, recNo - per + 1);
    const int32_t count = std::min(per, onFile - first + 1);
    area.readAheadCount = 0;
    if (count < 1) {
        errno = 0;
        return false;
    }
    area.readAhead.resize(static_cast<std::size_t>(count) * area.recordLength);
    std::size_t got = 0;
    const bool ok = ReadAt(area.fd, area.readAhead.data(), area.readAhead.size(),
                           RecordOffset(area, first), &got);
    const int32_t have = static_cast<int32_t>(got / area.recordLength);
    if (!ok && errno != 0) return false;
    if (first + have <= recNo) {
        errno = 0;
        return false;
    }
    area.readAheadFirst = first;
    area.readAheadCount = have;
    return true;
}

// Writes the collected appends; on failure the table keeps the records that
// reached the file whole.
bool WritePendingAppends(TWorkArea& area, int& err) {
    if (area.pendingAppends.empty()) return true;
    const int32_t before = area.pendingFirst - 1;
    const auto collected = static_cast<int32_t>(area.pendingAppends.size() / area.recordLength);
    // The end mark goes with the block, as with every append.
    area.pendingAppends.push_back(kEndMark);
    errno = 0;
    const bool ok = WriteAt(area.fd, area.pendingAppends.data(), area.pendingAppends.size(),
                            RecordOffset(area, area.pendingFirst));
    err = errno;
    area.pendingAppends.clear();
    if (!ok) {
        area.recordCount = std::clamp(RecordCountFromFileSize(area), before, before + collected);
        area.recordNumber = std::min(area.recordNumber, area.recordCount + 1);
    }
    return ok;
}

}  // namespace

bool HoldsTableAlone(const TWorkArea& area) {
    const int share = area.fileMode & 0x70;
    return !area.isVirtual && area.fd >= 0 && !area.readOnly && (share == 0x10 || share == 0x30);
}

void FlushRecordBlocks(TWorkArea& area) {
    area.readAheadCount = 0;
    if (area.pendingAppends.empty() || area.fd < 0) return;
    int err = 0;
    if (!WritePendingAppends(area, err))
        SetError(WriteErrorCode(area, err),
                 "Datei:  " + ShownFileName(area.fileName) + " [Replace/Append/PutDbfRecord]");
}

void GetDbfRecord(TWorkArea& area, int32_t recNo) {
    if (recNo < 1 || recNo > area.recordCount) {
        SetError(212, "Ungültige Datensatznr. = "_cp850.data() + std::to_string(recNo) + " (" +
                          ShownFileName(area.fileName) + ")  [GetDbfRecord]");
        return;
    }
    area.eof = area.bof = false;
    if (area.isVirtual) {
        area.operationCode = 3;
        area.virtualRecNo = recNo;
        if (VirtualFileProc) VirtualFileProc(area);
        return;
    }
    const auto readError = [&area](std::size_t got) {
        const uint16_t code = errno != 0 ? IoCodeOf(errno) : 213;
        if (got == 0 && code == 213) area.eof = true;
        SetError(code, "Datei:  " + ShownFileName(area.fileName) + "  [GetDbfRecord]");
    };
    if (HoldsTableAlone(area)) {
        // No other open of the file exists: the record comes from the
        // area's blocks, a block at a time from the file.
        const uint8_t* held = HeldRecord(area, recNo);
        if (!held) {
            if (!ReadRecordBlock(area, recNo)) {
                readError(0);
                return;
            }
            held = HeldRecord(area, recNo);
        }
        area.recordBuffer.assign(held, held + area.recordLength);
    } else {
        // Read beside the buffer: a short read leaves the current record whole.
        static thread_local std::vector<uint8_t> buf;
        buf.resize(area.recordLength);
        std::size_t got = 0;
        if (!ReadAt(area.fd, buf.data(), buf.size(), RecordOffset(area, recNo), &got)) {
            readError(got);
            return;
        }
        area.recordBuffer.assign(buf.begin(), buf.end());
    }
    area.recordNumber = recNo;
    TranslateRecords(false, area.oemText, area.readHook, area.recordLength, area.recordLength,
                     area.recordBuffer.data());
}

void PutDbfRecord(TWorkArea& area, int32_t recNo) {
    const auto context = [&area] {
        return "Datei:  " + ShownFileName(area.fileName) + " [Replace/Append/PutDbfRecord]";
    };
    if (recNo < 1 || recNo > area.recordCount + 1) {
        SetError(212, "Ungültige Datensatznr. = "_cp850.data() + std::to_string(recNo) + " " +
                          context());
        return;
    }
    const bool append = recNo > area.recordCount;
    if (area.isVirtual) {
        area.operationCode = 8;
        area.virtualRecNo = recNo;
        if (VirtualFileProc) VirtualFileProc(area);
        return;
    }
    TranslateRecords(true, area.oemText, area.writeHook, area.recordLength, area.recordLength,
                     area.recordBuffer.data());
    bool ok = true;
    int err = 0;
    const bool alone = HoldsTableAlone(area);
    // Appends of a table held alone are collected and written a block at a
    // time; closing, committing and every raw access write them. The first
    // append of each block goes to the file at once, so a table that cannot
    // grow says so at the append that finds it out.
    if (alone && append && !WriteThrough &&
        (!area.pendingAppends.empty() || recNo == area.directAppend + 1)) {
        if (area.pendingAppends.empty()) area.pendingFirst = recNo;
        area.pendingAppends.insert(area.pendingAppends.end(), area.recordBuffer.begin(),
                                   area.recordBuffer.begin() + area.recordLength);
    } else if (uint8_t* held = alone ? HeldRecord(area, recNo) : nullptr;
               held && !area.pendingAppends.empty() && recNo >= area.pendingFirst) {
        std::memcpy(held, area.recordBuffer.data(), area.recordLength);
    } else {
        if (alone && append) ok = WritePendingAppends(area, err);
        if (ok && append) {
            // A new last record goes to the file with the end mark behind it,
            // in one write: the appender holds the append or file lock, so
            // the mark never lands on another program's record, the file
            // ends with its mark whenever a writer stops (a kill included),
            // and a close has no mark left to write.
            static thread_local std::vector<uint8_t> withMark;
            withMark.assign(area.recordBuffer.begin(),
                            area.recordBuffer.begin() + area.recordLength);
            withMark.push_back(kEndMark);
            errno = 0;
            ok = WriteAt(area.fd, withMark.data(), withMark.size(), RecordOffset(area, recNo));
            err = errno;
        } else if (ok) {
            errno = 0;
            ok = WriteAt(area.fd, area.recordBuffer.data(), area.recordLength,
                         RecordOffset(area, recNo));
            err = errno;
        }
        if (ok && held) std::memcpy(held, area.recordBuffer.data(), area.recordLength);
        if (ok && alone && append) area.directAppend = recNo;
    }
    TranslateRecords(false, area.oemText, area.readHook, area.recordLength, area.recordLength,
                     area.recordBuffer.data());
    if (!ok) {
        SetError(WriteErrorCode(area, err), context());
        return;
    }
    // The count grows once the record is on the file or collected for it.
    if (append) {
        area.recordCount = recNo;
        area.recordNumber = recNo;
        area.openState = kDbfAppended;
    } else if (area.openState != kDbfAppended) {
        area.openState = kDbfChanged;
    }
    if (area.pendingAppends.size() >= kRecordBlockBytes && !WritePendingAppends(area, err)) {
        SetError(WriteErrorCode(area, err), context());
        return;
    }
    if (WriteThrough) FileCalls.fsync(area.fd);
}

void AppendDbfRecord(TWorkArea& area) { PutDbfRecord(area, area.recordCount + 1); }

void WriteHeaderCount(TWorkArea& area) {
    if (area.isVirtual || area.fd < 0 || HoldsTableAlone(area) || area.header[0] == 0x02) return;
    uint8_t count[4];
    PutLe32(count, static_cast<uint32_t>(area.recordCount));
    errno = 0;
    if (!WriteAt(area.fd, count, 4, 4))
        SetError(WriteErrorCode(area, errno),
                 "Datei:  " + ShownFileName(area.fileName) + " [Replace/Append/PutDbfRecord]");
}

void SetRecDeleteFlag(TWorkArea& area, int32_t recNo) {
    const auto context = [&area] {
        return "Datei:  " + ShownFileName(area.fileName) + " [DeleteRec/RecallRec]";
    };
    if (recNo < 1 || recNo > area.recordCount) {
        SetError(212, "Ungültige Datensatznr. = "_cp850.data() + std::to_string(recNo) + " " +
                          context());
        return;
    }
    uint8_t* held = HoldsTableAlone(area) ? HeldRecord(area, recNo) : nullptr;
    if (held && !area.pendingAppends.empty() && recNo >= area.pendingFirst) {
        held[0] = area.recordBuffer[0];
    } else {
        errno = 0;
        if (!WriteAt(area.fd, area.recordBuffer.data(), 1, RecordOffset(area, recNo))) {
            SetError(WriteErrorCode(area, errno), context());
            return;
        }
        if (held) held[0] = area.recordBuffer[0];
    }
    if (area.openState != kDbfAppended) area.openState = kDbfChanged;
    if (WriteThrough) FileCalls.fsync(area.fd);
}

namespace {

// The append lock of a shared table for the time of its write-back, unless
// the area holds it already (file or append lock). One attempt, no waiting:
// another program may hold the file lock for a long import, and a close must
// not keep the user waiting for it. Empty when not needed.
class WriteBackLock {
public:
    explicit WriteBackLock(const TWorkArea& area) : area_(area) {
        if (area.exclusive || area.isVirtual || area.readOnly || !LockingOn ||
            area.lockState == kFileLock || area.lockState == kAppendLock) {
            held_ = true;
            return;
        }
        held_ = taken_ = LockRegion(false, area, LockBase + 1, 1) == 0;
    }
    ~WriteBackLock() {
        if (taken_) LockRegion(true, area_, LockBase + 1, 1);
    }
    WriteBackLock(const WriteBackLock&) = delete;
    WriteBackLock& operator=(const WriteBackLock&) = delete;
    bool Held() const { return held_; }

private:
    const TWorkArea& area_;
    bool held_ = false;
    bool taken_ = false;
};

// Header and end mark of a changed table; false when the header was left
// for later. Every append wrote its record with the end mark behind it, and
// a shared table's appends the record count into the header, so what is
// left here is the header's date (and the count and the mark of a table
// held alone, whose appends are collected). A shared table takes its count
// from the file size, so that records another program appended since our
// last look are not cut off, and writes under the append lock: no other
// program's append comes between the count and the end mark, and the mark
// never lands on another program's new record. When the lock is not free
// at once, the header is left to the next writer: the records, the count
// and the end mark are on the file already.
bool WriteBack(TWorkArea& area) {
    area.readAheadCount = 0;
    if (area.openState != kDbfChanged && area.openState != kDbfAppended) return true;
    int err = 0;
    if (!WritePendingAppends(area, err)) {
        ErrorState.lastErrorCode = WriteErrorCode(area, err);
        return true;
    }
    const WriteBackLock lock(area);
    if (!lock.Held()) return false;
    if (!area.exclusive)
        area.recordCount = std::max(area.recordCount, RecordCountFromFileSize(area));
    QuietEngineErrors quiet;
    WriteDbfHeader(area);
    if (area.openState == kDbfAppended && ErrorState.lastErrorCode == 0) {
        const off_t off = static_cast<off_t>(area.headerLength) +
                          static_cast<off_t>(area.recordCount) * area.recordLength;
        if (!WriteAt(area.fd, &kEndMark, 1, off))
            ErrorState.lastErrorCode = WriteErrorCode(area, errno);
    }
    return true;
}
}  // namespace

void CloseDbf(TWorkArea& area) {
    ErrorState.lastErrorCode = 0;
    if (area.isVirtual) {
        area.operationCode = 1;
        if (VirtualFileProc) VirtualFileProc(area);
        return;
    }
    if (area.fd >= 0) WriteBack(area);
    const uint16_t code = ErrorState.lastErrorCode;
    ReleaseTableFile(area);
    if (code != 0)
        SetError(code, "Datei:  " + ShownFileName(area.fileName) + " [CloseDbf(" +
                           ShownFileName(area.fileName) + ")]");
}

void CommitDbfHeader(TWorkArea& area) {
    if (area.isVirtual || area.fd < 0) return;
    if (area.openState != kDbfChanged && area.openState != kDbfAppended) return;
    ErrorState.lastErrorCode = 0;
    // A header left for later keeps the table changed: the next commit or
    // the close writes it.
    if (WriteBack(area)) area.openState = kDbfClean;
    const uint16_t code = ErrorState.lastErrorCode;
    if (code != 0) {
        SetError(code, "Datei:  " + ShownFileName(area.fileName) + " [CommitDbfHeader]");
        return;
    }
    FlushFile(area.fd);
}

void FlushFile(int fd) {
    if (FileCalls.fsync(fd) != 0)
        SetError(IoCodeOf(errno),
                 std::string("Zurückschreiben (Flush) unmöglich für Datei [FlushFile]"_cp850));
}

}  // namespace veldrim
