// PACK and the exclusive reopening it needs: the table is rewritten without
// its deleted records, in blocks, in place.
#include "tables/bulk/bulk_verbs.h"

#include <sys/stat.h>
#include <unistd.h>

#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/save_target.h"
#include "tables/bulk/bulk_io.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/engine/pack_journal.h"
#include "tables/engine/proc_tables.h"
#include "foundation/files.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/locking.h"

namespace veldrim {

using namespace bulk;

namespace {

// The files of the current area's open indexes.
std::vector<std::string> OpenIndexFiles() {
    std::vector<std::string> files;
    if (!IndexLinked || !IndexProcTable.indexFileName) return files;
    for (int n = 1; n <= 16; ++n)
        if (std::string f = IndexProcTable.indexFileName(n); !f.empty()) files.push_back(f);
    return files;
}

// The area's table file opened anew under its name (after a rename over
// it). The new descriptor comes first, so the table is never without the
// area's hold on it; only when that is refused (the same file, still held
// through the old descriptor) does the old one go first.
bool ReopenTable(TWorkArea& a) {
    bool ro = false;
    int oc = 0;
    int fd = OpenTableFile(a.fileName, a.fileMode, &ro, &oc);
    if (fd < 0) {
        CloseTableFile(a.fd);
        a.fd = -1;
        fd = OpenTableFile(a.fileName, a.fileMode, &ro, &oc);
    } else {
        CloseTableFile(a.fd);
    }
    a.fd = fd;
    a.readOnly = ro;
    a.readAheadCount = 0;
    if (a.fd < 0) errno = oc == 2 ? ENOENT : EIO;
    return a.fd >= 0;
}

}  // namespace

uint16_t ReopenExclusive(bool exclusive) {
    TWorkArea* a = CurrentWorkArea();
    if (!a || a->isVirtual) return 6;
    if (a->exclusive && !a->reopenedExclusive) return 5;
    if (a->exclusive == exclusive) return 0;
    // Another open of the table refuses the exclusive one: said at once, with
    // the area's file and locks as they are.
    if (exclusive && TableOpenElsewhere(a->fd)) return 32;
    FlushRecordBlocks(*a);
    {
        QuietEngineErrors quiet;
        CommitDbfHeader(*a);
        ErrorState.pendingErrorCode = 0;
    }
    // The old descriptor goes first: its share lock would refuse the new one.
    // The area's locks go with it and are taken again on the new one.
    const int oldMode = a->fileMode;
    const uint8_t heldState = a->lockState;
    const std::deque<int32_t> heldRecords = a->recordLocks;
    CloseTableFile(a->fd);
    a->fd = -1;
    a->recordLocks.clear();
    a->lockState = kNoLock;
    const int mode = exclusive ? kFileModeExclusiveReadWrite : DefaultOpenMode;
    bool ro = false;
    int code = 0;
    int fd = OpenTableFile(a->fileName, mode, &ro, &code);
    if (fd < 0) {
        int again = 0;
        fd = OpenTableFile(a->fileName, oldMode, &ro, &again);
        a->fd = fd;
        a->readOnly = ro;
        RetakeLocks(*a, heldState, heldRecords);
        return static_cast<uint16_t>(code);
    }
    a->fd = fd;
    a->readOnly = ro;
    a->fileMode = mode;
    a->exclusive = exclusive;
    a->reopenedExclusive = exclusive;
    RetakeLocks(*a, heldState, heldRecords);
    return 0;
}

bool Pack() {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Pack")) return false;
    TWorkArea* a = CurrentWorkArea();
    FlushRecordBlocks(*a);
    if (ErrorState.lastErrorCode != 0) return false;
    RefreshRecCount();
    if (a->recordCount == 0 && !a->isVirtual) return true;
    const bool wasShared = !a->exclusive;
    bool result = false;
    uint16_t code = 0;
    std::string context;
    auto finish = [&]() -> bool {
        if (wasShared && CurrentWorkArea() == a && a->exclusive) {
            const uint16_t r = ReopenExclusive(false);
            if (r != 0) {
                SetError(
                    r, std::string("Datenbank kann nicht Sharable wiedergeöffnet werden. "_cp850) +
                           ShownFileName(a->fileName) + " [Pack]");
                return false;
            }
        }
        if (code != 0) {
            SetError(code, context);
            return false;
        }
        UpdateRelations();
        return result;
    };
    if (wasShared) {
        const uint16_t r = ReopenExclusive(true);
        if (r != 0) {
            SetError(r, std::string("Datenbank kann nicht exklusiv geöffnet werden. "_cp850) +
                            ShownFileName(a->fileName) + " [Pack]");
            return false;
        }
    }
    if (ConfirmBeforePack &&
        EngineMessageBox("PACK " + ShownFileName(a->fileName), "", 0x20 | 0x01) != 1)
        return finish();
    if (a->isVirtual) {
        a->operationCode = 5;
        if (VirtualFileProc) VirtualFileProc(*a);
        return true;
    }
    // The table, its memo file and its open indexes are replaced as one:
    // the journal keeps the old files until every new one is complete, and
    // a PACK that fails on the way puts them all back.
    PackJournal journal;
    const std::vector<std::string> indexes = OpenIndexFiles();
    const bool anyIndex = !indexes.empty() || HasIndex();
    {
        std::vector<std::string> files{a->fileName};
        if (a->hasMemo && a->memoState) {
            const std::string memo =
                FindFileNoCase(ForceExtension(a->fileName, MemoExtension(a->header[0])));
            if (FileExists(memo)) files.push_back(memo);
        }
        files.insert(files.end(), indexes.begin(), indexes.end());
        if (const int err = journal.Begin(a->fileName, files); err != 0) {
            code = IoCodeOf(err);
            context = "Fehler beim Packen von " + ShownFileName(a->fileName);
            return finish();
        }
    }
    const int32_t oldCount = a->recordCount;
    const bool oldWrite = WriteThrough;
    WriteThrough = false;
    int32_t kept = 0;
    bool moved = false;
    {
        RelationPause pause(a);
        // The kept records go, byte for byte, into a new file beside the
        // table, which then replaces it.
        const std::string target = ResolveSaveTarget(a->fileName);
        std::string tmpName;
        const int out = CreateSaveTemp(target, tmpName);
        auto fail = [&](int err) {
            code = IoCodeOf(err ? err : EIO);
            context = "Fehler beim Packen von " + ShownFileName(a->fileName);
        };
        if (out < 0) {
            fail(errno);
        } else {
            struct stat st {};
            if (FileCalls.fstat(a->fd, &st) == 0) FileCalls.fchmod(out, st.st_mode & 07777);
            std::vector<uint8_t> head(static_cast<std::size_t>(a->headerLength));
            std::size_t got = 0;
            bool ok = ReadAt(a->fd, head.data(), head.size(), 0, got) && got == head.size() &&
                      WriteAll(out, head.data(), head.size());
            const std::size_t recLen = a->recordLength;
            const std::size_t perBlock = std::max<std::size_t>(1, kBlock / recLen);
            std::vector<uint8_t> in(perBlock * recLen), keep;
            keep.reserve(in.size());
            for (int32_t rec = 1; ok && rec <= a->recordCount;) {
                const int32_t n =
                    static_cast<int32_t>(std::min<int64_t>(perBlock, a->recordCount - rec + 1));
                const off_t off =
                    a->headerLength + static_cast<off_t>(rec - 1) * static_cast<off_t>(recLen);
                ok = ReadAt(a->fd, in.data(), n * recLen, off, got) && got == n * recLen;
                if (!ok) break;
                keep.clear();
                for (int32_t k = 0; k < n; ++k) {
                    const uint8_t* r = in.data() + k * recLen;
                    if (r[0] == '*') {
                        moved = true;
                        continue;
                    }
                    keep.insert(keep.end(), r, r + recLen);
                    ++kept;
                }
                ok = WriteAll(out, keep.data(), keep.size());
                rec += n;
            }
            const uint8_t eofMark = 0x1A;
            ok = ok && WriteAll(out, &eofMark, 1) && FileCalls.fsync(out) == 0;
            int err = errno;
            FileCalls.close(out);
            // The new file is held like the table before it takes the
            // table's name: no other open finds it unheld in between.
            bool ro = false;
            int oc = 0;
            const int fresh = ok ? OpenTableFile(tmpName, a->fileMode, &ro, &oc) : -1;
            if (ok && fresh < 0) {
                ok = false;
                err = oc == 32 ? EAGAIN : EIO;
            }
            if (ok && FileCalls.rename(tmpName.c_str(), target.c_str()) != 0) {
                ok = false;
                err = errno;
            }
            if (!ok) {
                CloseTableFile(fresh);
                fail(err);
                FileCalls.unlink(tmpName.c_str());
            } else {
                CloseTableFile(a->fd);
                a->fd = fresh;
                a->readOnly = ro;
                a->readAheadCount = 0;
            }
        }
    }
    WriteThrough = oldWrite;
    if (code != 0) {
        // The old file stands; the area keeps its view of it.
        journal.Rollback();
        return finish();
    }
    a->recordCount = kept;
    a->openState = kDbfChanged;
    uint16_t memoCode = 0;
    std::string memoContext;
    bool reindexed = false;
    {
        QuietEngineErrors quiet;
        CommitDbfHeader(*a);
        if (ErrorState.lastErrorCode != 0) {
            code = ErrorState.lastErrorCode;
            context = "Fehler beim Packen von " + ShownFileName(a->fileName);
        }
        if (code == 0 && a->hasMemo && MemoProcTable.packMemofile) {
            MemoProcTable.packMemofile();
            // A reference beyond the memo file is dropped and reported; the
            // pack itself went through.
            if (ErrorState.lastErrorCode == 1003) {
                memoCode = 1003;
                memoContext = ErrorState.contextText;
            } else if (ErrorState.lastErrorCode != 0) {
                code = ErrorState.lastErrorCode;
                context = ErrorState.contextText;
            }
        }
        if (code == 0 && anyIndex && IndexProcTable.reindex) {
            reindexed = true;
            IndexProcTable.reindex();
            if (ErrorState.lastErrorCode != 0) {
                code = ErrorState.lastErrorCode;
                context = ErrorState.contextText;
            }
        }
        if (code == 0) {
            errno = 0;
            if (FileCalls.fsync(a->fd) != 0 || (errno = journal.Commit()) != 0) {
                code = IoCodeOf(errno ? errno : EIO);
                context = "Fehler beim Packen von " + ShownFileName(a->fileName);
            }
        }
        ErrorState.lastErrorCode = 0;
        ErrorState.pendingErrorCode = 0;
    }
    if (code != 0) {
        // Every file back as it was, and the area with it.
        journal.Rollback();
        a->openState = kDbfClean;
        ReopenTable(*a);
        a->recordCount = std::min(oldCount, RecordCountFromFileSize(*a));
        QuietEngineErrors quiet;
        if (a->memoState && MemoProcTable.closeMemofile && MemoProcTable.openMemofile) {
            MemoProcTable.closeMemofile();
            MemoProcTable.openMemofile(a->fileName);
        }
        // The indexes that the rebuild closed open again on their old
        // files, put back with the table; without a rebuild they still
        // read those files.
        if (reindexed && IndexProcTable.reopenIndexes) IndexProcTable.reopenIndexes();
        ErrorState.lastErrorCode = 0;
        ErrorState.pendingErrorCode = 0;
        moved = true;
        kept = a->recordCount;
    }
    if (kept > 0) {
        GetDbfRecord(*a, 1);
        ConvertRecord();
        a->recordNumber = 1;
        a->eof = a->bof = false;
    } else {
        ClearRecord();
        a->eof = a->bof = true;
        a->recordNumber = 0;
    }
    if (moved) FreePeekCacheOf(a->alias);
    // Record locks name record numbers that the PACK gave to other records.
    if (moved && code == 0 && a->lockState == kRecordLocks) {
        a->recordLocks.clear();
        a->lockState = kNoLock;
    }
    if (code == 0) {
        result = true;
        if (memoCode != 0) {
            code = memoCode;
            context = memoContext;
        }
    }
    return finish();
}

}  // namespace veldrim
