// The settings of the bulk verbs and their reset; the verbs themselves live
// one family to a file (bulk_pack, bulk_search, bulk_peek, bulk_locate,
// bulk_append, bulk_delimited).
#include "tables/bulk/bulk_verbs.h"

#include "tables/bulk/bulk_io.h"

namespace veldrim {

namespace {

struct BulkVerbDefaults {
    bool ConfirmBeforePack = false;
    uint16_t PeekCacheSize = 0;
    char DelimitedSeparator = ',';
    char DelimitedQuote = '"';
    uint16_t DelimitedLineBuffer = 2048;
    bool SearchFound = false;
};
constexpr BulkVerbDefaults kDefaults{};

}  // namespace

bool ConfirmBeforePack = kDefaults.ConfirmBeforePack;
uint16_t PeekCacheSize = kDefaults.PeekCacheSize;
char DelimitedSeparator = kDefaults.DelimitedSeparator;
char DelimitedQuote = kDefaults.DelimitedQuote;
uint16_t DelimitedLineBuffer = kDefaults.DelimitedLineBuffer;
std::function<void(uint8_t)> SearchHitProc;
bool SearchFound = kDefaults.SearchFound;

void ResetBulkVerbs() {
    bulk::ResetPeekCache();
    bulk::ResetLocateState();
    ConfirmBeforePack = kDefaults.ConfirmBeforePack;
    PeekCacheSize = kDefaults.PeekCacheSize;
    DelimitedSeparator = kDefaults.DelimitedSeparator;
    DelimitedQuote = kDefaults.DelimitedQuote;
    DelimitedLineBuffer = kDefaults.DelimitedLineBuffer;
    SearchHitProc = nullptr;
    SearchFound = kDefaults.SearchFound;
}

}  // namespace veldrim
