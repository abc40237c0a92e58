// Character keys of one length: built when every record's key has the
// blank record's length, whatever a stand-in record gives; each record's key
// made once when an index is built, rebuilt, appended to or written.
#include <map>
#include <string>
#include <vector>

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

// A key of an expression index refused for its length, in the words of the
// expression.
const std::string kRefused = "Ung\x81ltige Schl\x81ssell\x84nge: der Index-Ausdruck ";

// Trailing blanks off a field's text.
std::string Trimmed(int field) {
    std::string v = BinaryText(field);
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return v;
}

class NdxKeyLength : public IndexTest {
protected:
    // NAME C(10), POS N(2): the part of the name from POS (a start past the
    // name's end, as the filled record's 99, gives an empty part).
    void PartsOfNames() { MakeTable("parts.dbf", {F("NAME", 'C', 10), F("POS", 'N', 2)}); }
};

void AddNamed(const char* name, int pos) {
    ClearRecord();
    SetBinaryText(1, name);
    SetBinaryNumber(2, pos);
    Append();
}

TEST_F(NdxKeyLength, ThreeLetterPartsOfEveryRecordBuildAndFindTheirRecords) {
    PartsOfNames();
    AddNamed("alpha", 1);
    AddNamed("beta", 2);
    AddNamed("gamma", 3);
    Index_On("SUBSTR(NAME,POS,3)", "part");
    ASSERT_EQ(LastError(), 0);
    TIndexInfo info;
    ASSERT_TRUE(IndexInfo("part", info));
    EXPECT_EQ(info.keyLength, 3);
    // alpha from 1: "alp"; beta from 2: "eta"; gamma from 3: "mma".
    const struct {
        const char* key;
        int32_t record;
    } finds[] = {{"alp", 1}, {"eta", 2}, {"mma", 3}};
    for (const auto& f : finds) {
        EXPECT_TRUE(FindExact(f.key)) << f.key;
        EXPECT_EQ(RecNo(), f.record) << f.key;
    }
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 2, 3}));

    // Opened again and rebuilt: the records decide there too.
    CloseAllIndexes();
    Set_Index_To("part");
    EXPECT_EQ(LastError(), 0) << "open";
    Reindex();
    EXPECT_EQ(LastError(), 0) << "rebuild";
    EXPECT_TRUE(FindExact("mma"));
    EXPECT_EQ(RecNo(), 3);

    // A record whose part would be empty is neither appended nor written.
    ClearRecord();
    SetBinaryText(1, "delta");
    SetBinaryNumber(2, 12);
    const std::string appended = Raised([] { Append(); });
    EXPECT_TRUE(Contains(appended, kRefused)) << appended;
    EXPECT_TRUE(Contains(appended, "Schl\x81ssel= []")) << appended;
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(RecCount(), 3);
    GO(2);
    SetBinaryNumber(2, 9);
    EXPECT_TRUE(Contains(Raised([] { Replace(); }), kRefused));
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(AllTrim(Peek(2, 2)), "2") << "the record is not written";
}

TEST_F(NdxKeyLength, PartsOfVaryingLengthAreStillRefused) {
    // On an empty table the filled record stands in for the records.
    PartsOfNames();
    EXPECT_TRUE(Contains(Raised([] { MakeIndex("SUBSTR(NAME,POS,3)", "empty"); }), kRefused));
    EXPECT_EQ(LastError(), 266);

    // gamma from 9 gives no letters.
    AddNamed("alpha", 1);
    AddNamed("beta", 2);
    AddNamed("gamma", 9);
    const std::string built = Raised([] { Index_On("SUBSTR(NAME,POS,3)", "part"); });
    EXPECT_TRUE(Contains(built, kRefused)) << built;
    EXPECT_TRUE(Contains(built, "Erwartete L\x84nge=   3")) << built;
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentOrder(), 0);

    // Names of 5 and 4 letters, trimmed.
    EXPECT_TRUE(Contains(Raised([] { Index_On("TRIM(NAME)", "trimmed"); }), kRefused));
    EXPECT_EQ(LastError(), 266);

    // A file built while gamma started at 3 is refused at the open once it
    // starts at 9.
    GO(3);
    SetBinaryNumber(2, 3);
    Replace();
    Index_On("SUBSTR(NAME,POS,3)", "part");
    ASSERT_EQ(LastError(), 0);
    CloseAllIndexes();
    GO(3);
    SetBinaryNumber(2, 9);
    Replace();
    ASSERT_EQ(LastError(), 0);
    const std::string opened = Raised([] { Set_Index_To("part"); });
    EXPECT_TRUE(Contains(opened, kRefused)) << opened;
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentOrder(), 0);
}

TEST_F(NdxKeyLength, SoundexKeyMakerOverNamesOfDifferentLengthsBuilds) {
    MakeTable("names.dbf", {F("NAME", 'C', 10)});
    for (const char* v : {"Robert", "Tymczak", "Li", "Pfister"})
        AddRecord([&] { SetBinaryText(1, v); });
    const KeyMaker trimmedName = [](int) { return Trimmed(1); };
    Index_OnCB("sound SOUNDEX", trimmedName);
    ASSERT_EQ(LastError(), 0);
    TIndexInfo info;
    ASSERT_TRUE(IndexInfo("sound", info));
    EXPECT_EQ(info.keyLength, 4);
    // The sound codes of the textbook's examples.
    std::vector<std::string> keys;
    for (const auto& e : IndexEntries(1)) keys.push_back(e.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"L000", "P236", "R163", "T522"}));
    AddRecord([] { SetBinaryText(1, "Rupert"); });
    EXPECT_EQ(LastError(), 0) << "another length, the same code length";
    Reindex();
    EXPECT_EQ(LastError(), 0);
    EXPECT_TRUE(Find("Rupert"));
    EXPECT_EQ(RecNo(), 1);
    SKIP(1);
    EXPECT_EQ(RecNo(), 5);
}

// Calls of a key maker over NAME C(8): how many in all, how many on each
// record, and how many saw `name`.
struct Counter {
    int calls = 0;
    std::map<int32_t, int> onRecord;
    int sawName = 0;
    std::string name;
    KeyMaker Maker() {
        return [this](int) {
            ++calls;
            ++onRecord[RecNo()];
            if (Trimmed(1) == name) ++sawName;
            std::string v = BinaryText(1);
            v.resize(8, ' ');
            return v;
        };
    }
    void Restart(const std::string& text) {
        calls = sawName = 0;
        onRecord.clear();
        name = text;
    }
    // Records 2 .. n whose key was made more than once (record 1 is also
    // the top the opened index is positioned on).
    int MadeAgain(int32_t n) const {
        int again = 0;
        for (const auto& [record, count] : onRecord)
            if (record >= 2 && record <= n && count > 1) ++again;
        return again;
    }
};

TEST_F(NdxKeyLength, EachRecordsKeyIsMadeOnce) {
    constexpr int kRecords = 2000;
    MakeTable("count.dbf", {F("NAME", 'C', 8)});
    for (int i = 1; i <= kRecords; ++i)
        AddRecord([&] { SetBinaryText(1, "n" + std::to_string(100000 + i)); });
    Counter counter;
    Index_OnCB("count", counter.Maker());
    ASSERT_EQ(LastError(), 0);
    // One call a record, and a few for the blank record at the build and
    // the open and for the top record the open goes to.
    EXPECT_EQ(counter.MadeAgain(kRecords), 0) << "INDEX ON";
    EXPECT_GE(counter.calls, kRecords);
    EXPECT_LE(counter.calls, kRecords + 4);
    counter.Restart({});
    Reindex();
    ASSERT_EQ(LastError(), 0);
    EXPECT_EQ(counter.MadeAgain(kRecords), 0) << "REINDEX";
    EXPECT_GE(counter.calls, kRecords);
    EXPECT_LE(counter.calls, kRecords + 6);

    // The new record's key, made for the length check, serves its entry.
    counter.Restart("new");
    AddRecord([] { SetBinaryText(1, "new"); });
    ASSERT_EQ(LastError(), 0);
    EXPECT_EQ(counter.sawName, 1) << "APPEND";
    EXPECT_TRUE(FindExact("new"));
    EXPECT_EQ(RecNo(), kRecords + 1);
    counter.Restart("changed");
    GO(7);
    SetBinaryText(1, "changed");
    Replace();
    ASSERT_EQ(LastError(), 0);
    EXPECT_EQ(counter.sawName, 1) << "REPLACE";
    EXPECT_TRUE(FindExact("changed"));
    EXPECT_EQ(RecNo(), 7);
}

}  // namespace
}  // namespace veldrim::testing
