// Copying memo values between memo files (APPEND FROM, COPY TO) and packing
// a memo file.
#include <fcntl.h>
#include <sys/stat.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "tables/engine/dbf_file.h"
#include "foundation/files.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/locking.h"
#include "foundation/file_calls.h"
#include "foundation/save_target.h"
#include "tables/memo/memo_file.h"
#include "tables/memo/memo_io.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

using namespace memo_io;

namespace {

// Copies one value into `to` at offset `toPos`, converting between styles.
// The target block (negated for a headered value in a dBase III file); 0
// with `code` set after an error.
int32_t CopyMemoValue(const MemoEnd& from, int32_t block, const MemoEnd& to, uint64_t toPos,
                      uint16_t& code) {
    std::string data;
    bool headered = false;
    // A text value ends at its first 0x1A; a zero byte ends it as well.
    code = ReadValueAt(from, block, true, data, &headered);
    if (code != 0) return 0;
    const uint32_t toBlock = static_cast<uint32_t>(toPos / to.blockSize);
    std::string bytes;
    bool headeredOut = to.style != kMemoDbase3;
    if (to.style == kMemoDbase3 && headered && data.find('\0') != std::string::npos)
        headeredOut = true;
    if (headeredOut) {
        uint8_t h[8];
        if (to.style == kMemoFox) {
            PutBe32(h, 1);
            PutBe32(h + 4, static_cast<uint32_t>(data.size()));
        } else {
            h[0] = 0xFF;
            h[1] = 0xFF;
            h[2] = 0x08;
            h[3] = 0x00;
            PutLe32(h + 4, static_cast<uint32_t>(data.size() + 8));
        }
        ApplyHook(to.hook, reinterpret_cast<uint8_t*>(data.data()), data.size());
        bytes.assign(reinterpret_cast<const char*>(h), 8);
        bytes += data;
    } else {
        bytes = data + '\x1A';
        ApplyHook(to.hook, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    }
    if (!WriteFully(to.fd, bytes.data(), bytes.size(),
                    static_cast<uint64_t>(toBlock) * to.blockSize)) {
        code = 1005;
        return 0;
    }
    const int32_t ref = static_cast<int32_t>(toBlock);
    return to.style == kMemoDbase3 && headeredOut ? -ref : ref;
}

// One step of a pack; false when the failure seam says this step fails.
bool PackStep(int& step) {
    ++step;
    if (PackMemoFailAtStep != 0 && step == PackMemoFailAtStep) {
        errno = EIO;
        return false;
    }
    return true;
}

std::string RefText(int32_t ref, int width) {
    if (ref == 0) return std::string(width, ' ');
    std::string t = std::to_string(ref);
    return t.size() >= static_cast<std::size_t>(width) ? t.substr(0, width)
                                                       : std::string(width - t.size(), ' ') + t;
}

struct RefChange {
    int32_t record;
    const TFieldEntry* field;
    int32_t oldRef;
    int32_t newRef;
};

}  // namespace

int32_t CopyMemo(uint8_t sourceArea, int32_t block, bool sameBlock) {
    if (block == 0) return 0;
    if (CheckMemoField("CopyMemo")) return 0;
    TWorkArea* target = CurrentWorkArea();
    MemoState* m = AreaMemo(target);
    const TWorkArea* source = sourceArea <= kMaxWorkAreas ? WorkAreas[sourceArea] : nullptr;
    if (!AreaMemo(source)) {
        SetError(1019, (source ? ShownFileName(source->fileName) : std::string()) +
                           " No Memo Field [AppendFrom/CopyTo]");
        return 0;
    }
    const int64_t pos = LockMemoPadAndSeekEOF("CopyMemo()");
    if (pos == 0) return 0;
    const MemoEnd to = AreaMemoEnd(target, true);
    uint64_t toPos = pos == 513 ? 512 : static_cast<uint64_t>(pos);
    if (sameBlock)
        toPos = static_cast<uint64_t>(std::llabs(static_cast<long long>(block))) * to.blockSize;
    uint16_t code = 0;
    const int32_t ref = CopyMemoValue(AreaMemoEnd(source, false), block, to, toPos, code);
    if (code != 0) {
        MemoError(code, ShownFileName(m->fileName) + " [AppendFrom/CopyTo]");
        return 0;
    }
    UpdateMemoHeader();
    if (FileCalls.fsync(m->fd) != 0) {
        SetError(IoCode(), ShownFileName(m->fileName) + " [AppendFrom/CopyTo]");
        return 0;
    }
    return ref;
}

// The new memo file is built completely beside the old one and takes its
// place by rename before any record is touched; the records then get their
// new references. A failure at any step puts the old file and the old
// references back, so every value stays readable.
void PackMemofile() {
    if (CheckMemoField("PackMemofile")) return;
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    const std::string name = m->fileName;
    // A link is followed as every save follows it (the packed file replaces
    // its target and the link stays), but never another user's planted link.
    errno = 0;
    const std::string path = ResolveSaveTarget(name);
    if (path.empty()) {
        SetError(IoCode(), ShownFileName(name) + " [PackMemofile]");
        return;
    }
    std::string dir, base, ext;
    SplitFileName(path, dir, base, ext);
    {
        const double freeKb = DiskFreeKB(dir.empty() ? "." : dir);
        if (freeKb >= 0 && static_cast<double>(FileSize(m->fd) / 1024) > freeKb) {
            SetError(1012, ShownFileName(name) + " [PackMemofile]");
            return;
        }
    }
    uint16_t failCode = 0;
    std::string failContext;
    uint16_t valueCode = 0;
    std::string valueContext;
    int step = 0;
    std::string tmpName;
    int out = -1;
    std::string backup;
    std::vector<RefChange> changes;
    std::size_t written = 0;
    const int32_t current = a->recordNumber;
    auto fail = [&](uint16_t code, const std::string& where) {
        if (failCode == 0) {
            failCode = code ? code : 101;
            failContext = ShownFileName(name) + " [" + where + "]";
        }
    };
    {
        QuietEngineErrors quiet;
        // 1. The new file with an empty header of the same style and block size.
        // Named after the memo file and locked while it is written, so that
        // the next pack removes it when a killed one left it behind.
        if (PackStep(step)) out = CreateSaveTemp(path, tmpName);
        if (out < 0) {
            tmpName.clear();
            fail(IoCode(), "PackMemofile");
        } else {
            struct stat st {};
            if (FileCalls.fstat(m->fd, &st) == 0) FileCalls.fchmod(out, st.st_mode & 07777);
            const std::vector<uint8_t> head = EmptyMemoFileBytes(name, m->style, m->blockSize);
            // The dBase III header's 0x1A belongs to an empty file only.
            const std::size_t headSize = m->style == kMemoDbase3 ? 512 : head.size();
            if (!PackStep(step) || !WriteFully(out, head.data(), headSize, 0))
                fail(IoCode(), "PackMemofile");
        }
        // 2. Every referenced value, copied to the end of the new file.
        const MemoEnd from = AreaMemoEnd(a, false);
        const MemoEnd to{out, m->style, m->blockSize, a->writeHook};
        for (int32_t rec = 1; failCode == 0 && rec <= a->recordCount; ++rec) {
            ErrorState.lastErrorCode = 0;
            GetDbfRecord(*a, rec);
            if (ErrorState.lastErrorCode != 0) {
                fail(ErrorState.lastErrorCode, "PackMemofile");
                break;
            }
            for (const TFieldEntry& f : a->fields) {
                if (f.type != 'M') continue;
                const std::string text = AllTrim(std::string(
                    reinterpret_cast<const char*>(a->recordBuffer.data()) + f.offset, f.length));
                double v = 0;
                if (!ParseNumberText(text, v) || !std::isfinite(v) || std::fabs(v) >= 2147483647.0)
                    v = 0;
                const int32_t ref = static_cast<int32_t>(v);
                if (ref == 0) continue;
                uint64_t size = FileSize(out);
                const uint64_t padded = (size + m->blockSize - 1) / m->blockSize * m->blockSize;
                if (padded > size) {
                    const std::vector<uint8_t> zeros(static_cast<std::size_t>(padded - size), 0);
                    if (!WriteFully(out, zeros.data(), zeros.size(), size)) {
                        fail(1005, "PackMemo");
                        break;
                    }
                }
                uint16_t code = 0;
                int32_t moved = 0;
                if (!PackStep(step)) {
                    code = IoCode();
                } else {
                    moved = CopyMemoValue(from, ref, to, padded, code);
                }
                if (code == 1003) {
                    // A reference beyond the memo file: the record loses it.
                    if (valueCode == 0) {
                        valueCode = 1003;
                        valueContext = ShownFileName(name) + " Memo block # " +
                                       std::to_string(std::llabs(static_cast<long long>(ref))) +
                                       " Record # " + std::to_string(rec) + " [PackMemo]";
                    }
                    moved = 0;
                } else if (code != 0) {
                    fail(code, "PackMemo");
                    break;
                }
                if (moved != ref) changes.push_back({rec, &f, ref, moved});
            }
        }
        // 3. The header and the flush of the new file.
        if (failCode == 0) {
            const uint64_t n = (FileSize(out) + m->blockSize - 1) / m->blockSize;
            uint8_t b[4];
            if (m->style == kMemoFox)
                PutBe32(b, static_cast<uint32_t>(n));
            else
                PutLe32(b, static_cast<uint32_t>(n));
            if (!PackStep(step) || !WriteFully(out, b, 4, 0)) fail(29, "PackMemo");
        }
        if (failCode == 0 && (!PackStep(step) || FileCalls.fsync(out) != 0))
            fail(IoCode(), "PackMemofile");
        if (out >= 0) FileCalls.close(out);
        out = -1;
        // 4. The old file kept under a second name, the new one renamed over it.
        if (failCode == 0) {
            for (int i = 0; i < 100 && backup.empty(); ++i) {
                const std::string candidate = path + ".$$$old" + std::to_string(i);
                if (!PackStep(step)) break;
                if (FileCalls.link(path.c_str(), candidate.c_str()) == 0)
                    backup = candidate;
                else if (errno != EEXIST)
                    break;
            }
            if (backup.empty()) fail(IoCode(), "PackMemofile");
        }
        int newFd = -1;
        if (failCode == 0) {
            if (!PackStep(step) || FileCalls.rename(tmpName.c_str(), path.c_str()) != 0) {
                fail(IoCode(), "PackMemofile");
            } else {
                tmpName.clear();
                bool ro = false;
                int oc = 0;
                if (PackStep(step)) newFd = OpenTableFile(name, m->openMode, &ro, &oc);
                if (newFd < 0) fail(static_cast<uint16_t>(oc ? oc : 2), "PackMemofile");
            }
        }
        // 5. The new references, record by record.
        for (; failCode == 0 && written < changes.size(); ++written) {
            const RefChange& c = changes[written];
            ErrorState.lastErrorCode = 0;
            if (!PackStep(step)) {
                fail(IoCode(), "PackMemofile");
                break;
            }
            GetDbfRecord(*a, c.record);
            if (ErrorState.lastErrorCode == 0) {
                const std::string t = RefText(c.newRef, c.field->length);
                std::memcpy(a->recordBuffer.data() + c.field->offset, t.data(), c.field->length);
                PutDbfRecord(*a, c.record);
            }
            if (ErrorState.lastErrorCode != 0) fail(ErrorState.lastErrorCode, "PackMemofile");
        }
        if (failCode != 0) {
            // Back to the old state: old references, old file.
            for (std::size_t i = 0; i < written; ++i) {
                const RefChange& c = changes[i];
                ErrorState.lastErrorCode = 0;
                GetDbfRecord(*a, c.record);
                if (ErrorState.lastErrorCode != 0) continue;
                const std::string t = RefText(c.oldRef, c.field->length);
                std::memcpy(a->recordBuffer.data() + c.field->offset, t.data(), c.field->length);
                PutDbfRecord(*a, c.record);
            }
            if (newFd >= 0) FileCalls.close(newFd);
            if (!backup.empty() && tmpName.empty())
                FileCalls.rename(backup.c_str(), path.c_str());
            else if (!backup.empty())
                FileCalls.unlink(backup.c_str());
            if (!tmpName.empty()) FileCalls.unlink(tmpName.c_str());
        } else {
            FileCalls.close(m->fd);
            m->fd = newFd;
            m->locked = false;
            FileCalls.unlink(backup.c_str());
        }
        if (current >= 1 && current <= a->recordCount) {
            ErrorState.lastErrorCode = 0;
            GetDbfRecord(*a, current);
            ConvertRecord();
        }
        ErrorState.lastErrorCode = 0;
        ErrorState.pendingErrorCode = 0;
    }
    if (failCode != 0)
        SetError(failCode, failContext);
    else if (valueCode != 0)
        SetError(valueCode, valueContext);
}

}  // namespace veldrim
