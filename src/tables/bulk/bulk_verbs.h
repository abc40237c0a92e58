#pragma once
// Verbs over many records of the current work area: PACK, the raw text
// SEARCH, PEEK/POKE with the record cache, the LOCATE family, APPEND FROM
// another table and the delimited text export and import.

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "tables/engine/work_areas.h"

namespace veldrim {

// Engine settings.
extern bool ConfirmBeforePack;
extern uint16_t PeekCacheSize;
extern char DelimitedSeparator;
extern char DelimitedQuote;  // 0 = none
extern uint16_t DelimitedLineBuffer;

// A value handed to LOCATE: text, number, logical or date text.
using LocateVariant = std::variant<std::string, double, bool>;

// SEARCH's optional hit procedure: receives the field number and sets
// SearchFound to accept the hit.
extern std::function<void(uint8_t fieldNo)> SearchHitProc;
extern bool SearchFound;

bool Pack();
void Search(const std::string& value, uint8_t& fieldNo, bool fromTop);
std::string Peek(uint8_t fieldNo, int32_t recNo);
void Poke(const std::string& s, uint8_t fieldNo, int32_t recNo);
uint16_t ReopenExclusive(bool exclusive);
std::string PeekAny(uint8_t fieldNo, int32_t recNo);
bool LocateByFields(const std::string& fields, const std::vector<LocateVariant>& values,
                    bool noCase, bool move, bool exact);
bool LocateValue(const std::string& fieldName, const LocateVariant& value, bool noCase,
                 int32_t fromRec, bool exact);
void Continue();
bool MemoContains(const std::string& value, int32_t reference);
void AppendFrom(const std::string& source, std::function<bool()> condition = nullptr);
// Writes the records as delimited text; the file is replaced only when the
// whole text was written (a failure leaves an older file as it was).
int CopyDelimited(const std::string& fileName);
int AppendDelimited(const std::string& fileName, bool showProgress);

// Peek cache upkeep for the record and write verbs.
void FreePeekCacheOf(const std::string& alias);
void UpdatePeekCache(const TWorkArea& area, int32_t recNo);

void ResetBulkVerbs();

}  // namespace veldrim
