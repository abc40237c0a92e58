// Bulk verbs: PACK, SEARCH, PEEK/POKE, LOCATE, APPEND FROM, delimited text.
#include "tables/bulk_verbs.h"

#include <unistd.h>

#include <cstring>

#include "foundation/codepage.h"
#include "tables/dbf_file.h"
#include "tables/engine_base.h"
#include "tables/engine_dates.h"
#include "tables/locking.h"
#include "tables/navigation.h"

namespace veldrim {

bool ConfirmBeforePack = false;
uint16_t PeekCacheSize = 0;
char DelimitedSeparator = ',';
char DelimitedQuote = '"';
uint16_t DelimitedLineBuffer = 2048;
std::function<void(uint8_t)> SearchHitProc;
bool SearchFound = false;

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

void ResetBulkVerbs() {
    cache = PeekCache{};
    ConfirmBeforePack = false;
    PeekCacheSize = 0;
    DelimitedSeparator = ',';
    DelimitedQuote = '"';
    DelimitedLineBuffer = 2048;
    SearchHitProc = nullptr;
    SearchFound = false;
}

}  // namespace veldrim
