// Memo files: styles, block sizes, the header, the lock, block placement and
// the free-block chain of the dBase IV style, and reading one stored value.
#include "tables/memo/memo_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/locking.h"
#include "tables/memo/memo_io.h"

namespace veldrim {

namespace {

struct MemoDefaults {
    uint16_t DefaultMemoBlockSize = 512;
    uint16_t MemoLineCapacity = 1024;
    int PackMemoFailAtStep = 0;
};
constexpr MemoDefaults kDefaults{};

}  // namespace

uint16_t DefaultMemoBlockSize = kDefaults.DefaultMemoBlockSize;
uint16_t MemoLineCapacity = kDefaults.MemoLineCapacity;
int PackMemoFailAtStep = kDefaults.PackMemoFailAtStep;

void ResetMemoSettings() {
    DefaultMemoBlockSize = kDefaults.DefaultMemoBlockSize;
    MemoLineCapacity = kDefaults.MemoLineCapacity;
    PackMemoFailAtStep = kDefaults.PackMemoFailAtStep;
    SetMemoFillCount(0);
}

namespace memo_io {

bool ReadFully(int fd, void* buf, std::size_t n, uint64_t off, std::size_t* got) {
    std::size_t done = 0;
    auto* b = static_cast<uint8_t*>(buf);
    errno = 0;
    while (done < n) {
        const ssize_t r = FileCalls.pread(fd, b + done, n - done, static_cast<off_t>(off + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    if (got) *got = done;
    return done == n;
}

bool WriteFully(int fd, const void* buf, std::size_t n, uint64_t off) {
    errno = 0;
    return WriteAllAt(fd, buf, n, static_cast<off_t>(off));
}

uint64_t FileSize(int fd) {
    struct stat st {};
    if (fd < 0 || FileCalls.fstat(fd, &st) != 0 || st.st_size < 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t Be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
}

bool IsDbase4GroupHeader(const uint8_t* h) {
    return h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00;
}

void ApplyHook(RecordHook hook, uint8_t* data, std::size_t n) {
    if (!hook) return;
    // Hooks see the bytes in pieces of at most 512, as the record layer's
    // buffers hand them over.
    for (std::size_t at = 0; at < n; at += 512) hook(data + at, std::min<std::size_t>(512, n - at));
}

uint16_t IoCode() { return errno != 0 ? IoCodeOf(errno) : 101; }

uint32_t OccupiedBlocks(uint32_t storedLength, uint16_t blockSize) {
    return static_cast<uint32_t>(
        std::max<uint64_t>(1, (static_cast<uint64_t>(storedLength) + blockSize - 1) / blockSize));
}

std::string RecordTail(const TWorkArea* a) {
    return " Record # " + std::to_string(a ? a->recordNumber : 0);
}

}  // namespace memo_io

using namespace memo_io;

namespace {

// The fill count of the most recent GetMemo, added to the released-block
// counter at the next header update.
uint32_t lastFillCount = 0;

}  // namespace

void SetMemoFillCount(uint32_t n) { lastFillCount = n; }

MemoState* AreaMemo(const TWorkArea* area) {
    return area ? static_cast<MemoState*>(area->memoState) : nullptr;
}

MemoState* CurrentMemo() { return AreaMemo(CurrentWorkArea()); }

bool MemoBlockSizeAllowed(uint8_t style, uint16_t blockSize) {
    if (style == kMemoDbase3 || style == kMemoFox) return blockSize > 0;
    return blockSize >= 24;
}

bool IsMemoVersion(uint8_t v) { return v == 0x83 || v == 0x8B || v == 0xF5 || v == 0x8C; }

uint8_t TableMemoStyle(uint8_t area) {
    const TWorkArea* a = area <= kMaxWorkAreas ? WorkAreas[area] : nullptr;
    if (!a || a->fd < 0) return kDefaultVersionByte;
    uint8_t v = 0;
    if (!ReadFully(a->fd, &v, 1, 0) || !IsMemoVersion(v)) return kDefaultVersionByte;
    return v;
}

uint8_t GetMemoType() {
    if (NoDbfOpen("GetMemoType")) return kDefaultVersionByte;
    return TableMemoStyle(CurrentArea);
}

uint16_t MemoBlockSize(int fd, uint8_t style, bool& isFox) {
    uint8_t h[24] = {};
    std::size_t got = 0;
    ReadFully(fd, h, sizeof h, 0, &got);
    if (style == kMemoDbase3) return 512;
    if (style == kMemoFox) {
        isFox = true;
        return got >= 8 ? static_cast<uint16_t>((h[6] << 8) | h[7]) : 64;
    }
    if (got >= 24 && h[18] == 0x02 && h[19] == 0x01)
        return static_cast<uint16_t>(h[20] | (h[21] << 8));
    return 512;
}

std::string MemoFileName(const std::string& tableName, uint8_t style) {
    return FindFileNoCase(ForceExtension(tableName, MemoExtension(style)));
}

namespace {

// A failed append leaves nothing behind: the file is cut back to its length
// before the append, and the bytes the append overwrote (the header's next
// free block, a new dBase III file's end mark) are put back. This happens
// while the memo lock is still held, so no other writer's value is cut.
void CutBackFailedAppend() {
    MemoState* m = CurrentMemo();
    if (!m || !m->appending) return;
    m->appending = false;
    // Best effort: the failure that ended the append is the one reported.
    if (FileCalls.ftruncate(m->fd, static_cast<off_t>(m->lengthBefore)) != 0) return;
    WriteFully(m->fd, m->headBefore.data(), m->headBefore.size(), 0);
    if (!m->tailBefore.empty()) WriteFully(m->fd, m->tailBefore.data(), m->tailBefore.size(), 512);
}

void BeginAppend(MemoState& m, uint64_t size) {
    m.appending = true;
    m.lengthBefore = size;
    std::size_t got = 0;
    m.headBefore.assign(4, 0);
    ReadFully(m.fd, m.headBefore.data(), 4, 0, &got);
    m.headBefore.resize(std::min<std::size_t>(got, static_cast<std::size_t>(size)));
    m.tailBefore.clear();
    if (m.style == kMemoDbase3 && size == 513) {
        m.tailBefore.assign(1, 0);
        if (!ReadFully(m.fd, m.tailBefore.data(), 1, 512)) m.tailBefore.clear();
    }
}

}  // namespace

void MemoError(int code, const std::string& context) {
    CutBackFailedAppend();
    UnlockMemofile();
    SetError(code, context);
}

void EndMemoAppend() {
    if (MemoState* m = CurrentMemo()) m->appending = false;
}

bool CheckMemoField(const std::string& verb) {
    TWorkArea* a = CurrentWorkArea();
    if (!a) {
        NoDbfOpen(verb);
        return true;
    }
    if (!AreaMemo(a)) {
        SetError(1019, ShownFileName(a->fileName) + " No Memo Field [" + verb + "]");
        return true;
    }
    return false;
}

void OpenMemofile(const std::string& tableName) {
    ErrorState.lastErrorCode = 0;
    TWorkArea* a = CurrentWorkArea();
    if (!a) {
        NoDbfOpen("USE");
        return;
    }
    const uint8_t style = GetMemoType();
    const std::string name = MemoFileName(tableName, style);
    if (a->memoState) {
        SetError(1007, ShownFileName(name) + " [USE]");
        return;
    }
    int mode = kFileModeExclusiveReadWrite;
    if (LockingOn && !a->exclusive) mode = kFileModeSharedReadWrite;
    if (OpenModeOverride < 65535) mode = OpenModeOverride & 0xFF;
    bool readOnly = false;
    int code = 0;
    const int fd = OpenTableFile(name, mode, &readOnly, &code);
    if (fd < 0) {
        // A pipe, device or folder at the memo file's name is named as such.
        SetTableFileOpenError(code, name, "Memo-Datei nicht gefunden: " + ShownFileName(name),
                              "[USE]");
        return;
    }
    uint16_t blockSize = 512;
    if (style == kMemoFox) {
        uint8_t h[8] = {};
        if (ReadFully(fd, h, 8, 0)) blockSize = static_cast<uint16_t>((h[6] << 8) | h[7]);
        if (blockSize == 0) blockSize = DefaultMemoBlockSize ? DefaultMemoBlockSize : 512;
    } else if (style != kMemoDbase3) {
        uint8_t h[24] = {};
        if (ReadFully(fd, h, 24, 0)) blockSize = static_cast<uint16_t>(h[20] | (h[21] << 8));
        if (blockSize == 0) blockSize = DefaultMemoBlockSize ? DefaultMemoBlockSize : 512;
    }
    if (!MemoBlockSizeAllowed(style, blockSize)) {
        // Every value's place would be wrong: the file is damaged.
        FileCalls.close(fd);
        SetError(1003, ShownFileName(name) + " [USE]");
        return;
    }
    auto* m = new MemoState;
    m->fd = fd;
    m->openMode = mode;
    m->fileName = name;
    m->style = style;
    m->blockSize = blockSize;
    a->memoState = m;
}

void CloseMemofile() {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    if (!m) return;
    const int r = m->fd >= 0 ? FileCalls.close(m->fd) : 0;
    const int err = errno;
    const std::string name = m->fileName;
    delete m;
    a->memoState = nullptr;
    if (r != 0) SetError(IoCodeOf(err), ShownFileName(name) + " [CloseMemofile]");
}

void ZapMemofile(const std::string& tableName) {
    const MemoState* m = CurrentMemo();
    const std::string oldName = m ? m->fileName : std::string();
    // The new file keeps the table's memo style, so that the table still
    // finds a memo file of its kind.
    const uint8_t style = CurrentWorkArea() ? GetMemoType() : kDefaultVersionByte;
    CloseMemofile();
    if (ErrorState.lastErrorCode != 0) return;
    CreateDbfMemoFile(tableName, style, DefaultMemoBlockSize, "CreateMemofile()");
    if (ErrorState.lastErrorCode != 0) return;
    const std::string newName = ForceExtension(tableName, MemoExtension(style));
    if (!oldName.empty() && oldName != FindFileNoCase(newName)) FileCalls.unlink(oldName.c_str());
    OpenMemofile(tableName);
}

bool LockMemofile() {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    if (!m) return false;
    if (!LockingOn || a->exclusive) return true;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 10;
    fl.l_len = 1;
    for (int attempt = 0; attempt < 11; ++attempt) {
        if (FileCalls.lock(m->fd, F_OFD_SETLK, &fl) == 0) {
            m->locked = true;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    m->locked = false;
    return false;
}

bool UnlockMemofile() {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    if (!LockingOn || !m || a->exclusive || !m->locked) return true;
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 10;
    fl.l_len = 1;
    const bool ok = FileCalls.lock(m->fd, F_OFD_SETLK, &fl) == 0;
    if (ok) m->locked = false;
    return ok;
}

bool MainHeaderWrite(uint32_t n) {
    MemoState* m = CurrentMemo();
    if (!m) return false;
    uint8_t b[4];
    if (m->style == kMemoFox)
        PutBe32(b, n);
    else
        PutLe32(b, n);
    if (!WriteFully(m->fd, b, 4, 0)) {
        MemoError(29, ShownFileName(m->fileName) + " [MainHeaderWrite()]");
        return false;
    }
    return true;
}

void AddReleasedBlocks(uint32_t n) {
    MemoState* m = CurrentMemo();
    if (!m || n == 0 || m->style == kMemoDbase3 || m->style == kMemoFox) return;
    // The counter stands at offset 32; with blocks smaller than 36 bytes that
    // offset lies in block 1, which holds value data: the counter is not kept.
    if (m->blockSize < 36) return;
    uint8_t b[4] = {};
    if (!ReadFully(m->fd, b, 4, 32)) {
        MemoError(30, ShownFileName(m->fileName) + " [AddReleasedBlocks]");
        return;
    }
    PutLe32(b, Le32(b) + n);
    if (!WriteFully(m->fd, b, 4, 32))
        MemoError(29, ShownFileName(m->fileName) + " [AddReleasedBlocks]");
}

void UpdateMemoHeader() {
    MemoState* m = CurrentMemo();
    if (!m) return;
    const uint64_t size = FileSize(m->fd);
    const uint64_t n = (size + m->blockSize - 1) / m->blockSize;
    uint8_t b[4];
    const uint32_t n32 = static_cast<uint32_t>(std::min<uint64_t>(n, 0xFFFFFFFFu));
    if (m->style == kMemoFox)
        PutBe32(b, n32);
    else
        PutLe32(b, n32);
    if (!WriteFully(m->fd, b, 4, 0)) {
        MemoError(29, ShownFileName(m->fileName) + " [UpdateMemoHeader()]");
        return;
    }
    AddReleasedBlocks(lastFillCount);
    lastFillCount = 0;
    // The append is complete (a failure above has already cut it back).
    m->appending = false;
    if (LockingOn && !UnlockMemofile()) SetError(1018, m->fileName);
}

int64_t LockMemoPadAndSeekEOF(const std::string& caller) {
    MemoState* m = CurrentMemo();
    if (!m) return 0;
    if (!LockMemofile()) {
        MemoError(1017, ShownFileName(m->fileName) + " [" + caller + "]");
        return 0;
    }
    uint64_t size = FileSize(m->fd);
    BeginAppend(*m, size);
    if (m->style == kMemoDbase3 && size == 513) return 513;
    const uint64_t bs = m->blockSize;
    // A file shorter than its header block is padded to it: a value never
    // goes into block 0.
    uint64_t target = size < bs ? bs : (size % bs == 0 ? size : size + (bs - size % bs));
    if (target > size) {
        const std::vector<uint8_t> zeros(static_cast<std::size_t>(target - size), 0);
        if (!WriteFully(m->fd, zeros.data(), zeros.size(), size)) {
            MemoError(IoCode(), ShownFileName(m->fileName) + " [LockMemoPadAndSeekEOF]");
            return 0;
        }
        size = target;
    }
    return static_cast<int64_t>(size);
}

bool WriteGroupHeaderAt(uint32_t block, uint32_t length) {
    MemoState* m = CurrentMemo();
    if (!m || block == 0) return false;
    uint8_t h[8];
    if (m->style == kMemoFox) {
        PutBe32(h, 1);
        PutBe32(h + 4, length);
    } else {
        h[0] = 0xFF;
        h[1] = 0xFF;
        h[2] = 0x08;
        h[3] = 0x00;
        PutLe32(h + 4, length + 8);
    }
    if (!WriteFully(m->fd, h, 8, static_cast<uint64_t>(block) * m->blockSize)) {
        MemoError(29, ShownFileName(m->fileName) + " [WriteGroupHeader()]");
        return false;
    }
    return true;
}

uint32_t ReadGroupHeader(uint32_t block, uint8_t header[8]) {
    MemoState* m = CurrentMemo();
    if (!m || block == 0) return 0;
    if (!ReadFully(m->fd, header, 8, static_cast<uint64_t>(block) * m->blockSize)) {
        MemoError(30, ShownFileName(m->fileName) + " [ReadGroupHeader()]");
        return 0;
    }
    return OccupiedBlocks(Le32(header + 4), m->blockSize);
}

namespace {

uint32_t FileBlocks(const MemoState& m) {
    const uint64_t n = FileSize(m.fd) / m.blockSize;
    return static_cast<uint32_t>(std::clamp<uint64_t>(n, 1, 0x7FFFFFFF));
}

bool ReadPair(const MemoState& m, uint32_t block, uint32_t& first, uint32_t& second) {
    uint8_t b[8];
    if (!ReadFully(m.fd, b, 8, static_cast<uint64_t>(block) * m.blockSize)) return false;
    first = Le32(b);
    second = Le32(b + 4);
    return true;
}

bool WritePair(const MemoState& m, uint32_t block, uint32_t first, uint32_t second) {
    uint8_t b[8];
    PutLe32(b, first);
    PutLe32(b + 4, second);
    return WriteFully(m.fd, b, 8, static_cast<uint64_t>(block) * m.blockSize);
}

}  // namespace

void FreeMemoBlocks(uint32_t block, uint32_t blockCount) {
    MemoState* m = CurrentMemo();
    if (!m || block == 0 || blockCount == 0) return;
    const std::string ctx = ShownFileName(m->fileName) + " [EditMemo/CloseMemo]";
    const uint32_t fileBlocks = FileBlocks(*m);
    uint8_t h[24];
    if (!ReadFully(m->fd, h, 24, 0)) {
        MemoError(30, ctx);
        return;
    }
    const uint32_t anchor = Le32(h);
    if (anchor == fileBlocks) return;
    if (anchor >= block) {
        if (!MainHeaderWrite(block)) return;
        if (!WritePair(*m, block, anchor, blockCount)) MemoError(29, ctx);
        return;
    }
    // Follow the ascending chain to the group after which the new one goes.
    // A chain that does not ascend (a damaged file) ends the walk.
    uint32_t current = anchor;
    for (uint32_t steps = 0; steps <= fileBlocks; ++steps) {
        uint32_t next = 0, size = 0;
        if (current >= fileBlocks || !ReadPair(*m, current, next, size)) {
            if (current < fileBlocks) MemoError(30, ctx);
            return;
        }
        if (next > block) {
            if (!WritePair(*m, current, block, size) || !WritePair(*m, block, next, blockCount))
                MemoError(29, ctx);
            return;
        }
        if (next <= current) return;
        current = next;
    }
}

uint32_t AllocMemoBlocks(uint32_t count, uint32_t oldBlock, const std::string& caller) {
    MemoState* m = CurrentMemo();
    if (!m || count == 0) return 0;
    const std::string ctx = m->fileName + caller;
    const uint32_t fileBlocks = FileBlocks(*m);
    if (oldBlock != 0 && oldBlock < fileBlocks) {
        uint8_t b[8];
        if (!ReadFully(m->fd, b, 8, static_cast<uint64_t>(oldBlock) * m->blockSize)) {
            MemoError(30, ctx);
            return 0;
        }
        if (IsDbase4GroupHeader(b) && Le32(b + 4) >= 8) {
            const uint32_t have = OccupiedBlocks(Le32(b + 4), m->blockSize);
            if (have >= count) {
                if (have > count) FreeMemoBlocks(oldBlock + count, have - count);
                return oldBlock;
            }
        }
    }
    uint32_t current = 0;
    bool cut = true;
    for (int steps = 0; steps < 100; ++steps) {
        uint32_t next = 0, size = 0;
        if (!ReadPair(*m, current, next, size)) {
            MemoError(30, ctx);
            return 0;
        }
        // A value header where a free group was expected, or a size that
        // is unknown, ends the walk.
        if (count == 0x7FFFFFFF || (next & 0xFFFF) == 0xFFFF) {
            cut = false;
            break;
        }
        if (current != 0 && size >= count) {
            if (size > count && !WritePair(*m, current + count, next, size - count)) {
                MemoError(29, ctx);
                return 0;
            }
            return current;
        }
        if (next >= fileBlocks || next <= current) {
            cut = false;
            break;
        }
        current = next;
    }
    const uint32_t result = fileBlocks;
    const uint64_t end = static_cast<uint64_t>(fileBlocks) + count;
    uint8_t b[4];
    PutLe32(b, static_cast<uint32_t>(std::min<uint64_t>(end, 0x7FFFFFFF)));
    if (!WriteFully(m->fd, b, 4, static_cast<uint64_t>(result) * m->blockSize)) {
        MemoError(29, ctx);
        return 0;
    }
    if (cut && !MainHeaderWrite(static_cast<uint32_t>(std::min<uint64_t>(end, 0x7FFFFFFF))))
        return 0;
    return result;
}

uint16_t LocateValue(const MemoEnd& from, uint64_t block, uint64_t& start, int64_t& length) {
    const uint64_t size = FileSize(from.fd);
    const uint64_t pos = block * from.blockSize;
    start = pos;
    length = -1;
    if (block == 0 || size == 0 || pos >= size - 1) return 1003;
    uint8_t h[8] = {};
    std::size_t got = 0;
    ReadFully(from.fd, h, 8, pos, &got);
    if (from.style == kMemoFox) {
        if (got < 8) return 30;
        length = Be32(h + 4);
        start = pos + 8;
    } else if (got == 8 && IsDbase4GroupHeader(h)) {
        length = Le32(h + 4) >= 8 ? Le32(h + 4) - 8 : 0;
        start = pos + 8;
    }
    // A stored length that runs past the end of the file is damage: the
    // bytes it would take are not this value's.
    if (length >= 0 && static_cast<uint64_t>(length) > (size > start ? size - start : 0))
        return 1003;
    return 0;
}

uint16_t ReadValueAt(const MemoEnd& from, int32_t block, bool zeroEnds, std::string& data,
                     bool* headered) {
    data.clear();
    if (headered) *headered = false;
    uint64_t start = 0;
    int64_t length = -1;
    const uint64_t abs = static_cast<uint64_t>(block < 0 ? -static_cast<int64_t>(block) : block);
    if (const uint16_t code = LocateValue(from, abs, start, length); code != 0) return code;
    if (headered) *headered = length >= 0;
    const uint64_t size = FileSize(from.fd);
    if (length >= 0) {
        data.resize(static_cast<std::size_t>(length));
        if (length > 0 && !ReadFully(from.fd, data.data(), data.size(), start)) {
            data.clear();
            return 30;
        }
        ApplyHook(from.hook, reinterpret_cast<uint8_t*>(data.data()), data.size());
        return 0;
    }
    // A 0x1A-terminated text, read piece by piece until its end mark.
    const std::size_t piece = from.hook ? 512 : 65536;
    std::vector<uint8_t> buf(piece);
    for (uint64_t at = start; at < size;) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(piece, size - at));
        std::size_t n = 0;
        ReadFully(from.fd, buf.data(), want, at, &n);
        if (n == 0) break;
        if (from.hook) from.hook(buf.data(), n);
        const auto last = buf.begin() + static_cast<std::ptrdiff_t>(n);
        const auto end = std::find_if(
            buf.begin(), last, [zeroEnds](uint8_t c) { return c == 0x1A || (zeroEnds && c == 0); });
        data.append(buf.begin(), end);
        if (end != last) break;
        at += n;
    }
    return 0;
}

MemoEnd AreaMemoEnd(const TWorkArea* a, bool forWriting) {
    const MemoState* m = AreaMemo(a);
    if (!m) return {};
    return MemoEnd{m->fd, m->style, m->blockSize, forWriting ? a->writeHook : a->readHook};
}

bool ReadMemoValue(int32_t block, std::string& data, const std::string& verb) {
    data.clear();
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    if (!m) return false;
    if (block == 0) return true;
    const uint16_t code = ReadValueAt(AreaMemoEnd(a, false), block, false, data, nullptr);
    if (code != 0) {
        MemoError(code, ShownFileName(m->fileName) + RecordTail(a) + " [" + verb + "]");
        return false;
    }
    return true;
}

}  // namespace veldrim
