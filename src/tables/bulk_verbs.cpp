// The settings of the bulk verbs and their reset; the verbs themselves live
// one family to a file (bulk_pack, bulk_search, bulk_peek, bulk_locate,
// bulk_append, bulk_delimited).
#include "tables/bulk_verbs.h"

#include "tables/bulk_io.h"

namespace veldrim {

bool ConfirmBeforePack = false;
uint16_t PeekCacheSize = 0;
char DelimitedSeparator = ',';
char DelimitedQuote = '"';
uint16_t DelimitedLineBuffer = 2048;
std::function<void(uint8_t)> SearchHitProc;
bool SearchFound = false;

void ResetBulkVerbs() {
    bulk::ResetPeekCache();
    bulk::ResetLocateState();
    ConfirmBeforePack = false;
    PeekCacheSize = 0;
    DelimitedSeparator = ',';
    DelimitedQuote = '"';
    DelimitedLineBuffer = 2048;
    SearchHitProc = nullptr;
    SearchFound = false;
}

}  // namespace veldrim
