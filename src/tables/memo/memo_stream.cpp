// Memo values as byte streams (one per work area), and the start of the memo
// unit, which puts its routines into the memo hook table.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "tables/engine/engine_base.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "tables/memo/memo_file.h"
#include "tables/memo/memo_io.h"
#include "tables/engine/proc_tables.h"

namespace veldrim {

using namespace memo_io;

namespace {

constexpr int32_t kPiece = 32767;
constexpr uint64_t kWindow = 512;

bool HasHook(const TWorkArea* a) { return a->readHook || a->writeHook; }

void ResetDescriptor(BlobDescriptor& d, bool withWindow) {
    d.open = false;
    d.mode = 0;
    d.length = -1;
    d.dataStart = d.headerSize = 0;
    d.position = 0;
    d.block = 0;
    d.textMode = 0;
    d.highWater = 0;
    d.windowPos = kNoWindow;
    d.dirty = 0;
    d.windowFill = 0;
    if (withWindow)
        d.window.assign(kWindow, 0);
    else
        std::vector<uint8_t>().swap(d.window);
}

// Reports an error of a stream verb; the descriptor is reset and later
// calls do nothing.
int32_t BlobCheck(uint16_t code, const std::string& verb) {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    const uint32_t block = m->blob.block;
    ResetDescriptor(m->blob, false);
    MemoError(code, std::to_string(block) + " " + ShownFileName(m->fileName) + RecordTail(a) +
                        " [" + verb + "]");
    return 0;
}

bool IsTextData(const uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t c = p[i];
        if (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D && c != 0x0F && c != 0x14 && c != 0x15)
            return false;
    }
    return true;
}

// Whether a piece is text: decided by the caller's argument, else once for
// the whole value by its first piece.
bool PieceIsText(BlobDescriptor& d, uint8_t textMode, const uint8_t* p, std::size_t n) {
    if (d.textMode != -1 || textMode != 0)
        return textMode == 1 || (textMode == 0 && d.textMode == 1);
    d.textMode = IsTextData(p, n) ? 1 : 0;
    return d.textMode == 1;
}

// Writes the window back: its written part passes the write hook.
bool FlushWindow(MemoState& m, const TWorkArea* a) {
    BlobDescriptor& d = m.blob;
    if (d.window.empty() || d.windowPos == kNoWindow || d.dirty == 0) return true;
    std::vector<uint8_t> out(d.window.begin(), d.window.begin() + d.windowFill);
    if (a->writeHook) a->writeHook(out.data(), out.size());
    d.dirty = 0;
    return WriteFully(m.fd, out.data(), out.size(), d.dataStart + d.windowPos);
}

// Makes the window hold the 512 bytes at `start` (relative to the data).
bool LoadWindow(MemoState& m, const TWorkArea* a, uint64_t start) {
    BlobDescriptor& d = m.blob;
    if (d.windowPos == start) return true;
    if (!FlushWindow(m, a)) return false;
    std::fill(d.window.begin(), d.window.end(), 0);
    std::size_t got = 0;
    ReadFully(m.fd, d.window.data(), kWindow, d.dataStart + start, &got);
    if (d.mode == 2)
        got = static_cast<std::size_t>(
            std::min<uint64_t>(got, d.highWater > start ? d.highWater - start : 0));
    if (a->readHook && got > 0) a->readHook(d.window.data(), got);
    d.windowPos = start;
    d.windowFill = static_cast<uint32_t>(got);
    return true;
}

std::size_t ReadPiece(MemoState& m, const TWorkArea* a, uint8_t* out, std::size_t n) {
    BlobDescriptor& d = m.blob;
    if (d.window.empty()) {
        std::size_t got = 0;
        ReadFully(m.fd, out, n, d.dataStart + d.position, &got);
        return got;
    }
    std::size_t done = 0;
    while (done < n) {
        const uint64_t at = d.position + done;
        if (!LoadWindow(m, a, at / kWindow * kWindow)) break;
        const std::size_t off = static_cast<std::size_t>(at % kWindow);
        if (off >= d.windowFill) break;
        const std::size_t take = std::min<std::size_t>(n - done, d.windowFill - off);
        std::memcpy(out + done, d.window.data() + off, take);
        done += take;
    }
    return done;
}

bool WritePiece(MemoState& m, const TWorkArea* a, const uint8_t* in, std::size_t n) {
    BlobDescriptor& d = m.blob;
    if (d.window.empty()) return WriteFully(m.fd, in, n, d.dataStart + d.position);
    std::size_t done = 0;
    while (done < n) {
        const uint64_t at = d.position + done;
        if (!LoadWindow(m, a, at / kWindow * kWindow)) return false;
        const std::size_t off = static_cast<std::size_t>(at % kWindow);
        const std::size_t take = std::min<std::size_t>(n - done, kWindow - off);
        std::memcpy(d.window.data() + off, in + done, take);
        d.windowFill = static_cast<uint32_t>(std::max<std::size_t>(d.windowFill, off + take));
        d.dirty += static_cast<uint32_t>(take);
        done += take;
    }
    return true;
}

// The header's next-free block after a streamed piece, in the file's order.
bool WriteNextFree(const MemoState& m) {
    const uint64_t size = FileSize(m.fd);
    const uint32_t n = static_cast<uint32_t>(size == 0 ? 1 : (size - 1) / m.blockSize + 1);
    uint8_t b[4];
    if (m.style == kMemoFox)
        PutBe32(b, n);
    else
        PutLe32(b, n);
    return WriteFully(m.fd, b, 4, 0);
}

// The value's length when it is not stored: read to its 0x1A once.
int64_t LearnLength(MemoState& m, const TWorkArea* a) {
    BlobDescriptor& d = m.blob;
    const uint64_t saved = d.position;
    const uint64_t size = FileSize(m.fd);
    uint8_t buf[512];
    d.position = 0;
    int64_t length = 0;
    while (d.dataStart + d.position < size) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<uint64_t>(sizeof buf, size - d.dataStart - d.position));
        const std::size_t got = ReadPiece(m, a, buf, want);
        if (got == 0) break;
        const uint8_t* end = std::find(buf, buf + got, uint8_t{0x1A});
        length += end - buf;
        d.position += got;
        if (end != buf + got) break;
    }
    d.position = saved;
    return length;
}

}  // namespace

int32_t OpenBlob(bool autoText, int32_t block, uint8_t mode) {
    if (CheckMemoField("CreateBlobDescriptor")) return 0;
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    ResetDescriptor(m->blob, HasHook(a));
    if (autoText) m->blob.textMode = -1;
    return CreateBlobDescriptor(block, mode);
}

int32_t CreateBlobDescriptor(int32_t block, uint8_t mode) {
    if (CheckMemoField("CreateBlobDescriptor")) return 0;
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    BlobDescriptor& d = m->blob;
    const int64_t abs = block < 0 ? -static_cast<int64_t>(block) : block;
    d.block = static_cast<uint32_t>(abs);
    d.mode = mode;
    d.position = 0;
    d.highWater = 0;
    if (mode == 1) {
        const uint16_t code =
            LocateValue(AreaMemoEnd(a, false), static_cast<uint64_t>(abs), d.dataStart, d.length);
        if (code != 0) return BlobCheck(code, "CreateBlobDescriptor");
        d.headerSize = d.length >= 0 ? 8 : 0;
    } else if (mode == 2) {
        d.length = -1;
        const int64_t pos = LockMemoPadAndSeekEOF("CreateBlobDescriptor");
        if (pos == 0) {
            ResetDescriptor(d, false);
            return 0;
        }
        uint32_t b = static_cast<uint32_t>(pos / m->blockSize);
        if (m->style == kMemoDbase4 || m->style == kMemoLevel7) {
            b = AllocMemoBlocks(0x7FFFFFFF, 0, " [CreateBlobDescriptor]");
            if (b == 0) {
                ResetDescriptor(d, false);
                return 0;
            }
        }
        d.block = b;
        d.headerSize = 8;
        d.dataStart = static_cast<uint64_t>(b) * m->blockSize + 8;
    } else {
        return 0;
    }
    d.open = true;
    const int32_t ref = static_cast<int32_t>(d.block);
    return m->style == kMemoDbase3 ? -ref : ref;
}

int32_t ReadBlobStream(void* buf, int32_t count, uint8_t textMode) {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    if (!m || !m->blob.open || m->blob.mode != 1 || count < 1) return 0;
    BlobDescriptor& d = m->blob;
    const uint64_t size = FileSize(m->fd);
    uint64_t n = static_cast<uint64_t>(count);
    const uint64_t at = d.dataStart + d.position;
    n = std::min<uint64_t>(n, size > at ? size - at : 0);
    if (d.length >= 0)
        n = std::min<uint64_t>(
            n, static_cast<uint64_t>(d.length) > d.position ? d.length - d.position : 0);
    auto* out = static_cast<uint8_t*>(buf);
    uint64_t delivered = 0;
    while (delivered < n) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<uint64_t>(kPiece, n - delivered));
        const std::size_t got = ReadPiece(*m, a, out + delivered, want);
        if (got == 0) break;
        uint8_t* piece = out + delivered;
        std::size_t keep = got;
        bool ended = false;
        if (d.length < 0) {
            const uint8_t* end = std::find(piece, piece + got, uint8_t{0x1A});
            if (end != piece + got) {
                keep = static_cast<std::size_t>(end - piece);
                ended = true;
            }
        }
        if (PieceIsText(d, textMode, piece, keep)) OemToAnsiBuff(piece, keep);
        delivered += keep;
        d.position += keep;
        if (ended) {
            d.length = static_cast<int64_t>(d.position);
            break;
        }
        if (got < want) break;
    }
    return static_cast<int32_t>(delivered);
}

int32_t WriteBlobStream(const void* buf, int32_t count, uint8_t textMode) {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    if (!m || !m->blob.open || m->blob.mode != 2 || count < 1) return 0;
    BlobDescriptor& d = m->blob;
    const auto* in = static_cast<const uint8_t*>(buf);
    int32_t written = 0;
    std::vector<uint8_t> copy;
    while (written < count) {
        const std::size_t n = static_cast<std::size_t>(std::min(kPiece, count - written));
        const uint8_t* piece = in + written;
        if (PieceIsText(d, textMode, piece, n)) {
            copy.assign(piece, piece + n);
            AnsiToOemBuff(copy.data(), n);
            piece = copy.data();
        }
        if (!WritePiece(*m, a, piece, n) || !WriteNextFree(*m))
            return BlobCheck(IoCode(), "WriteBlobStream");
        written += static_cast<int32_t>(n);
        d.position += n;
        d.highWater = std::max(d.highWater, d.position);
    }
    return written;
}

int32_t SeekBlobStream(int32_t offset, uint16_t origin) {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    if (!m || !m->blob.open || m->blob.block == 0 || m->blob.mode == 0) return 0;
    BlobDescriptor& d = m->blob;
    int64_t to = 0;
    switch (origin) {
        case 0: to = offset; break;
        case 1: to = static_cast<int64_t>(d.position) + offset; break;
        case 2: {
            int64_t length = d.length;
            if (d.mode == 2)
                length = static_cast<int64_t>(d.highWater);
            else if (length < 0)
                length = d.length = LearnLength(*m, a);
            to = length + offset;
            break;
        }
        default: to = static_cast<int64_t>(d.position);
    }
    d.position = static_cast<uint64_t>(std::max<int64_t>(to, 0));
    return static_cast<int32_t>(std::min<uint64_t>(d.position, 0x7FFFFFFF));
}

void DestroyBlobDescriptor() {
    if (CheckMemoField("DestroyBlobDescriptor")) return;
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    BlobDescriptor& d = m->blob;
    uint16_t code = 0;
    if (d.open && d.mode == 2) {
        // The value's length is the furthest byte written, wherever the
        // position stands after a seek back.
        if (!FlushWindow(*m, a)) code = IoCode();
        if (code == 0 && d.highWater > 0) {
            if (!WriteGroupHeaderAt(d.block, static_cast<uint32_t>(d.highWater))) {
                ResetDescriptor(d, false);
                return;
            }
            if (!WriteNextFree(*m)) code = IoCode();
        }
        if (code == 0 && FileCalls.fsync(m->fd) != 0) code = IoCode();
        // A failed value is cut off by the error below, under the lock.
        if (code == 0) {
            EndMemoAppend();
            UnlockMemofile();
        }
    }
    ResetDescriptor(d, false);
    if (code != 0) MemoError(code, ShownFileName(m->fileName) + " [DestroyBlobDescriptor]");
}

void StartMemoUnit() {
    ResetMemoSettings();
    MemoLineTable.clear();
    MemoProcTable.assignMemo = ReadMemoLines;
    MemoProcTable.packMemofile = PackMemofile;
    MemoProcTable.openMemofile = OpenMemofile;
    MemoProcTable.closeMemofile = CloseMemofile;
    MemoProcTable.copyMemo = [](uint8_t sourceArea, int32_t block) {
        return CopyMemo(sourceArea, block, false);
    };
    MemoProcTable.copyMemoSameBlock = [](uint8_t sourceArea, int32_t block) {
        return CopyMemo(sourceArea, block, true);
    };
    MemoProcTable.zapMemofile = ZapMemofile;
    MemoProcTable.addMemo = AddMemo;
    MemoProcTable.memoFileDescriptor = [](uint8_t area) {
        const MemoState* m = area <= kMaxWorkAreas ? AreaMemo(WorkAreas[area]) : nullptr;
        return m ? m->fd : -1;
    };
}

}  // namespace veldrim
