#pragma once
// Helpers for the index tests: tables filled through the engine, the
// index's (key, record) walk, and the anchor fields read from the file's
// bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tables/engine/locking.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {

class IndexTest : public TableTest {
protected:
    // A table with the given fields, opened exclusively or shared in area 1.
    void MakeTable(const std::string& name, const std::vector<TFieldEntry>& fields,
                   bool exclusive = true) {
        table = Make(name, fields);
        UseIn(1, table + (exclusive ? " EXCLUSIVE" : ""));
    }
    // The table s.dbf (NAME C(8): alpha, bravo, charly) with its index s on
    // NAME, written shared and closed again: the start of the tests of
    // programs sharing one table.
    void MakeSharedNameTable() {
        MakeTable("s.dbf", {F("NAME", 'C', 8)}, false);
        FLock();
        for (const char* v : {"alpha", "bravo", "charly"}) AddRecord([&] { SetBinaryText(1, v); });
        MakeIndex("NAME", "s");
        CloseAll();
    }
    // Appends one record whose fields are set by `fill`.
    template <class Fill>
    static void AddRecord(Fill fill) {
        ClearRecord();
        fill();
        Append();
    }
    // Record numbers in the order SKIP walks them from the top.
    static std::vector<int32_t> WalkRecords() {
        std::vector<int32_t> out;
        for (GoTop(); !dEOF(); SKIP(1)) out.push_back(RecNo());
        return out;
    }
    // An index file's bytes with one change, and what the change does.
    template <class Change>
    static std::vector<uint8_t> Changed(std::vector<uint8_t> bytes, Change change) {
        change(bytes);
        return bytes;
    }
    struct DamagedFile {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    // Opening `bytes` as an index file is refused as damaged (error 222),
    // and no index is left open.
    void ExpectRefusedAsDamaged(const std::string& what, const std::vector<uint8_t>& bytes) {
        WriteBytes(Path("bad.ndx"), bytes);
        EXPECT_TRUE(Contains(Raised([] { Set_Index_To("bad.ndx"); }),
                             "Index-Datei besch\x84"
                             "digt"))
            << what;
        EXPECT_EQ(LastError(), 222) << what;
        EXPECT_EQ(CurrentOrder(), 0) << what;
    }
    static uint32_t U32(const std::vector<uint8_t>& b, std::size_t at) {
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
               (static_cast<uint32_t>(b[at + 3]) << 24);
    }
    static unsigned U16(const std::vector<uint8_t>& b, std::size_t at) {
        return b[at] | (b[at + 1] << 8);
    }

    std::string table;
};

// A double as the 8 key bytes.
inline std::string DoubleKey(double v) {
    std::string k(8, '\0');
    std::memcpy(k.data(), &v, 8);
    return k;
}

}  // namespace veldrim::testing
