// PEEK and POKE: one field of any record read or written straight from and to
// the file, with the Peek cache of consecutive raw records.
#include "tables/bulk/bulk_verbs.h"

#include <unistd.h>

#include <cstring>

#include "foundation/files.h"
#include "tables/bulk/bulk_io.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "foundation/file_calls.h"

namespace veldrim {

using namespace bulk;

namespace {

// The Peek cache: consecutive raw records of one table.
struct PeekCache {
    std::vector<uint8_t> block;
    std::string alias;
    int32_t first = 0;
    int32_t count = 0;
    uint16_t recLen = 0;
} cache;

}  // namespace

namespace bulk {

void ResetPeekCache() { cache = PeekCache{}; }

}  // namespace bulk

void FreePeekCacheOf(const std::string& alias) {
    if (!cache.block.empty() && cache.alias == alias) cache = PeekCache{};
}

void UpdatePeekCache(const TWorkArea& area, int32_t recNo) {
    if (cache.block.empty() || cache.alias != area.alias || recNo < cache.first ||
        recNo >= cache.first + cache.count || area.recordBuffer.size() < cache.recLen)
        return;
    // The cache holds the stored bytes: the record as it went to the file.
    std::vector<uint8_t> raw = area.recordBuffer;
    TranslateRecords(true, area.oemText, area.writeHook, raw.size(), area.recordLength, raw.data());
    std::memcpy(cache.block.data() + static_cast<std::size_t>(recNo - cache.first) * cache.recLen,
                raw.data(), cache.recLen);
}

std::string Peek(uint8_t fieldNo, int32_t recNo) {
    if (NoDbfOpen("Peek")) return {};
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        SetError(1100, "Search-Befehl bei virtuellen Dateien nicht erlaubt. [Peek]");
        return {};
    }
    if (recNo < 1 || recNo > a->recordCount || fieldNo > a->fieldCount) return {};
    FlushRecordBlocks(*a);
    const std::size_t len = fieldNo == 0 ? 1 : a->fields[fieldNo - 1].length;
    const std::size_t offset = fieldNo == 0 ? 0 : a->fields[fieldNo - 1].offset;
    if (!cache.block.empty() && cache.alias != a->alias) cache = PeekCache{};
    const std::string ctx = "DBF: " + ShownFileName(a->fileName) + " [Peek(" +
                            std::to_string(fieldNo) + "," + std::to_string(recNo) + ")]";
    if (PeekCacheSize == 0) {
        std::string s(len, ' ');
        std::size_t got = 0;
        const off_t off = a->headerLength + static_cast<off_t>(recNo - 1) * a->recordLength +
                          static_cast<off_t>(offset);
        if (!ReadAt(a->fd, reinterpret_cast<uint8_t*>(s.data()), len, off, got) || got < len) {
            SetError(errno ? IoCodeOf(errno) : 100, ctx);
            return {};
        }
        return s;
    }
    if (cache.block.empty() || recNo < cache.first || recNo >= cache.first + cache.count) {
        const std::size_t size = std::min<std::size_t>(PeekCacheSize, kBlock);
        int32_t records =
            static_cast<int32_t>(std::min<std::size_t>(size / a->recordLength, a->recordCount));
        if (records == 0) records = 1;
        records = std::min(records, a->recordCount - recNo + 1);
        cache.block.assign(static_cast<std::size_t>(records) * a->recordLength, 0);
        std::size_t got = 0;
        const off_t off = a->headerLength + static_cast<off_t>(recNo - 1) * a->recordLength;
        if (!ReadAt(a->fd, cache.block.data(), cache.block.size(), off, got) ||
            got < a->recordLength) {
            cache = PeekCache{};
            SetError(errno ? IoCodeOf(errno) : 100, ctx);
            return {};
        }
        cache.alias = a->alias;
        cache.first = recNo;
        cache.count = static_cast<int32_t>(got / a->recordLength);
        cache.recLen = a->recordLength;
    }
    const uint8_t* r =
        cache.block.data() + static_cast<std::size_t>(recNo - cache.first) * cache.recLen;
    return std::string(reinterpret_cast<const char*>(r) + offset, len);
}

void Poke(const std::string& s, uint8_t fieldNo, int32_t recNo) {
    if (NoDbfOpen("Poke")) return;
    TWorkArea* a = CurrentWorkArea();
    std::string ctx =
        "[Poke(" + s + "," + std::to_string(fieldNo) + "," + std::to_string(recNo) + ")]";
    if (ctx.size() > 100) ctx.resize(100);
    if (a->isVirtual) {
        SetError(1100, "Search-Befehl bei virtuellen Dateien nicht erlaubt." + ctx);
        return;
    }
    if (!a->exclusive && LockingOn && a->lockState != kFileLock && !IsLocked(recNo)) {
        SetError(1200, "Datensatz nicht gesperrt " + ctx);
        return;
    }
    RefreshRecCount();
    if (recNo < 1 || recNo > a->recordCount || fieldNo > a->fieldCount) return;
    FlushRecordBlocks(*a);
    const std::size_t len =
        fieldNo == 0 ? 1 : std::min<std::size_t>(s.size(), a->fields[fieldNo - 1].length);
    const std::size_t offset = fieldNo == 0 ? 0 : a->fields[fieldNo - 1].offset;
    const off_t off = a->headerLength + static_cast<off_t>(recNo - 1) * a->recordLength +
                      static_cast<off_t>(offset);
    if (s.empty() && fieldNo == 0) return;
    if (FileCalls.pwrite(a->fd, s.data(), len, off) != static_cast<ssize_t>(len)) {
        SetError(101, ctx);
        return;
    }
    if (!cache.block.empty() && cache.alias == a->alias && recNo >= cache.first &&
        recNo < cache.first + cache.count)
        std::memcpy(cache.block.data() +
                        static_cast<std::size_t>(recNo - cache.first) * cache.recLen + offset,
                    s.data(), len);
}

std::string PeekAny(uint8_t fieldNo, int32_t recNo) {
    TWorkArea* a = CurrentWorkArea();
    if (a && a->isVirtual) {
        GO(recNo);
        return fieldNo == 0 ? std::string(1, Deleted() ? '*' : ' ') : FieldAsText(fieldNo);
    }
    return Peek(fieldNo, recNo);
}

}  // namespace veldrim
