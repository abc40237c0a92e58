#pragma once
// What the bulk verb families share: raw block reads and writes of a table
// file, the pause of an area's relation procedure, and the resets of the
// families' own state.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "tables/engine/work_areas.h"

namespace veldrim::bulk {

// Bytes moved per raw read or write.
constexpr std::size_t kBlock = 65520;

// Reads up to n bytes at off; got is the count read (short at the end of the
// file). False on a read error.
bool ReadAt(int fd, uint8_t* buf, std::size_t n, off_t off, std::size_t& got);
// Writes all n bytes at the current position; false on a write error.
bool WriteAll(int fd, const uint8_t* buf, std::size_t n);

// Hands the stored records of an area, from record `first` to its record
// count, to `visit` a block at a time: the number of the block's first
// record, the block's bytes and the whole records in it. Ends when `visit`
// returns true, at the last record, or at a short or failed read.
void ScanRecordBlocks(const TWorkArea& a, int32_t first,
                      const std::function<bool(int32_t rec, uint8_t* block, int32_t have)>& visit);

// Stores a text read from outside (a delimited line, a character field) into
// the number field n (f its entry): a number as its digits, rounded to the
// field's places (a half to the even neighbour) or, with `truncate`, a
// fraction for a whole-number field cut off. A number too wide for the field
// ("1e400", "-1e400"), "inf" and "nan" make the field over-wide (filled with
// "*"); a text that is no number is read as far as it holds digits.
void StoreNumberText(int n, const TFieldEntry& f, const std::string& text, bool truncate);

// Suspends the relation procedure of an area for a scope.
class RelationPause {
public:
    explicit RelationPause(TWorkArea* a) : a_(a), saved_(std::move(a->relationProc)) {
        a_->relationProc = nullptr;
    }
    ~RelationPause() {
        if (a_) a_->relationProc = std::move(saved_);
    }
    RelationPause(const RelationPause&) = delete;
    RelationPause& operator=(const RelationPause&) = delete;

private:
    TWorkArea* a_;
    RelationProc saved_;
};

// The Peek cache and the LOCATE state back to their start-up values
// (ResetBulkVerbs calls both).
void ResetPeekCache();
void ResetLocateState();

}  // namespace veldrim::bulk
