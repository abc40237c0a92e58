// Key lengths an index keeps once its file exists: a table of one record
// indexed on three letters from a position opens again, and records that
// were appended while a key maker's index was closed get their keys through
// the key maker, on the record as callers see it, when the index opens.
#include <string>
#include <vector>

#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

class NdxKeptKeyLength : public IndexTest {};

TEST_F(NdxKeptKeyLength, AOneRecordTableIndexedOnLettersFromAPositionOpensAgain) {
    MakeTable("parts.dbf", {F("NAME", 'C', 10), F("POS", 'N', 2)});
    AddRecord([] {
        SetBinaryText(1, "alpha");
        SetBinaryNumber(2, 2);
    });
    Index_On("SUBSTR(NAME,POS,3)", "part");
    ASSERT_EQ(LastError(), 0);
    CloseAll();
    UseIn(1, table + " EXCLUSIVE");
    const std::string opened = Raised([] { Set_Index_To("part"); });
    EXPECT_EQ(opened, "<nothing raised>");
    EXPECT_EQ(LastError(), 0);
    ASSERT_EQ(CurrentOrder(), 1);
    // alpha from 2: "lph".
    EXPECT_TRUE(FindExact("lph"));
    EXPECT_EQ(RecNo(), 1);
    const std::string rebuilt = Raised([] { Reindex(); });
    EXPECT_EQ(rebuilt, "<nothing raised>");
    EXPECT_EQ(CurrentOrder(), 1);
    EXPECT_TRUE(FindExact("lph"));
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(NdxKeptKeyLength, RecordsAppendedWhileAKeyMakersIndexWasClosedAreKeyedAtItsOpen) {
    MakeTable("names.dbf", {F("NAME", 'C', 10)});
    // The key maker reads the record as callers see it (its field texts).
    const KeyMaker name = [](int) { return BinaryText(1); };
    AddRecord([] { SetBinaryText(1, "Robert"); });
    Index_OnCB("sound SOUNDEX", name);
    ASSERT_EQ(LastError(), 0);
    CloseAllIndexes();
    for (const char* v : {"Tymczak", "Pfister", "Li"}) AddRecord([&] { SetBinaryText(1, v); });
    ASSERT_EQ(RecCount(), 4);
    const std::string opened = Raised([&] { OpenIndexCB("sound SOUNDEX", 1, name); });
    EXPECT_EQ(opened, "<nothing raised>");
    EXPECT_EQ(LastError(), 0);
    ASSERT_EQ(CurrentOrder(), 1);
    // The sound codes of the textbook's examples, each with its record.
    std::vector<std::string> keys;
    std::vector<int32_t> records;
    for (const auto& e : IndexEntries(1)) {
        keys.push_back(e.key);
        records.push_back(e.record);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"L000", "P236", "R163", "T522"}));
    EXPECT_EQ(records, (std::vector<int32_t>{4, 3, 1, 2}));
    EXPECT_TRUE(Find("Tymczak"));
    EXPECT_EQ(RecNo(), 2);
}

}  // namespace
}  // namespace veldrim::testing
