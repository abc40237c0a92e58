// Opening indexes, the controlling order, Find, key makers, rebuilding,
// and damaged index files refused with an engine error.
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/locking.h"
#include "tables/index/index_fixture.h"
#include "tables/engine/proc_tables.h"

namespace veldrim::testing {
namespace {

class NdxOpen : public IndexTest {
protected:
    // Five parts: name, quantity, city.
    void Parts(bool exclusive = true) {
        MakeTable("parts.dbf", {F("NAME", 'C', 8), F("QTY", 'N', 6), F("CITY", 'C', 6)}, exclusive);
        FLock();
        const struct {
            const char* name;
            int qty;
            const char* city;
        } rows[] = {{"Bolt", 40, "Ulm"},
                    {"Axle", 10, "Bonn"},
                    {"Cam", 30, "Aalen"},
                    {"Belt", 20, "Zell"},
                    {"Anvil", 50, "Kiel"}};
        for (const auto& r : rows)
            AddRecord([&] {
                SetBinaryText(1, r.name);
                SetBinaryInteger(2, r.qty);
                SetBinaryText(3, r.city);
            });
        for (const char* f : {"NAME", "QTY", "CITY"}) MakeIndex(f, f);
        Unlock();
    }
};

TEST_F(NdxOpen, OrderChoosesTheControllingIndex) {
    Parts();
    Set_Index_To("NAME QTY CITY");
    EXPECT_EQ(CurrentOrder(), 1);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{5, 2, 4, 1, 3}));
    Set_Order_To(3);
    EXPECT_EQ(CurrentOrder(), 3);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{3, 2, 5, 1, 4}));
    EXPECT_EQ(IndexProcTable.indexFileName(1), Path("CITY.NDX"));
    Set_Order_To(1);
    EXPECT_EQ(IndexProcTable.indexFileName(1), Path("NAME.NDX"));
    EXPECT_EQ(IndexProcTable.indexFileName(3), Path("CITY.NDX"));
    Set_Order_To(0);
    EXPECT_EQ(CurrentOrder(), 0);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(IndexProcTable.orderKeyTextProc()(), "Rec:         6");
    // Natural order keeps every index current.
    GO(2);
    SetBinaryText(1, "Zinc");
    Replace();
    Set_Order_To(1);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{5, 4, 1, 3, 2}));
    Set_Order_To(2);
    GO(4);
    EXPECT_EQ(IndexProcTable.orderKeyTextProc()(), "    20");
}

TEST_F(NdxOpen, OrderErrors) {
    Parts(false);
    EXPECT_TRUE(Contains(Raised([] { Set_Order_To(1); }),
                         "Index nicht ge\x94"
                         "ffnet. (DBF="));
    EXPECT_EQ(LastError(), 221);
    Set_Index_To("NAME QTY");
    EXPECT_TRUE(Contains(Raised([] { Set_Order_To(17); }), "SET_ORDER_TO. [Set_Order_To(17)]"));
    EXPECT_EQ(LastError(), 220);
    EXPECT_TRUE(Contains(Raised([] { Set_Order_To(3); }),
                         "Index nicht ge\x94"
                         "ffnet.. (DBF="));
    EXPECT_EQ(CurrentOrder(), 1);
    EXPECT_TRUE(Contains(Raised([] { OpenIndex("name", 3); }),
                         "Index-Datei bereits ge\x94"
                         "ffnet"));
    UseIn(2, table + " ALIAS OTHER");
    EXPECT_TRUE(Contains(Raised([] { OpenIndex("QTY", 1); }),
                         "bereits ge\x94"
                         "ffnet"));
    EXPECT_EQ(LastError(), 220);
}

TEST_F(NdxOpen, FindPrefixExactAndMissing) {
    Parts();
    Set_Index_To("NAME");
    const struct {
        const char* text;
        bool exact;
        bool found;
        int32_t record;
    } cases[] = {
        {"b", false, true, 4},                              // first key beginning with "b": belt
        {"BOLT", false, true, 1},                           // case folds
        {"bo", true, false, 6},                             // exact: the whole key
        {"bolt", true, true, 1},  {"zz", false, false, 6},  // beyond the last key: record count + 1
        {"an", false, true, 5},
    };
    for (const auto& c : cases) {
        const bool found = c.exact ? FindExact(c.text) : Find(c.text);
        EXPECT_EQ(found, c.found) << c.text;
        EXPECT_EQ(RecNo(), c.record) << c.text;
        EXPECT_EQ(dEOF(), !c.found) << c.text;
    }
    Set_Index_To("QTY");
    EXPECT_TRUE(Find("30"));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_FALSE(Find("31"));
    Set_Order_To(0);
    EXPECT_TRUE(Contains(Raised([] { Find("a"); }), "nat\x81rliche Ordnung"));
}

TEST_F(NdxOpen, FindOfAnUmlautPrefixComparesTheFoldedLength) {
    MakeTable("m.dbf", {F("NAME", 'C', 8)});
    for (const char* v : {"Mueller", "Muff", "Mai"}) AddRecord([&] { SetBinaryText(1, v); });
    Index_On("NAME", "m");
    EXPECT_TRUE(Find("M\xFC"));  // "mue": Mueller, not Muff
    EXPECT_EQ(RecNo(), 1);
    EXPECT_FALSE(
        Find("M\xFC"
             "f"));
}

TEST_F(NdxOpen, SkipPassesDeletedRecordsAndFindLandsOnVisibleOnes) {
    Parts();
    Set_Index_To("NAME");
    GO(2);
    DeleteRec();
    SetIgnoreDel(true);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{5, 4, 1, 3}));
    EXPECT_TRUE(Find("a"));  // axle is hidden: anvil stays first, and "ax" is gone
    EXPECT_EQ(RecNo(), 5);
    EXPECT_FALSE(Find("ax"));
}

TEST_F(NdxOpen, KeyMakerIndexesWithSoundexAndDescending) {
    Parts();
    const KeyMaker byCity = [](int) {
        std::string city = BinaryText(3);
        city.resize(6, ' ');
        return city;
    };
    MakeIndexCB("bycity DESCENDING", byCity);
    MakeIndexCB("sound SOUNDEX", byCity);
    OpenIndexCB("bycity DESCENDING", 1, byCity);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{4, 1, 5, 2, 3}));
    EXPECT_FALSE(IndexProcTable.ascending(1));
    CloseAllIndexes();
    OpenIndexCB("sound SOUNDEX", 1, byCity);
    EXPECT_EQ(IndexEntries(1)[0].key, "A450");  // Aalen
    EXPECT_TRUE(IndexProcTable.soundex(1));
    CloseAllIndexes();
    EXPECT_TRUE(Contains(Raised([] { OpenIndex("bycity", 1); }), "KeyMaker-Funktion ben\x94tigt"));
    EXPECT_EQ(LastError(), 223);
    EXPECT_TRUE(Contains(Raised([&] { OpenIndexCB("NAME", 1, byCity); }), "KeyMaker-Funktion mit"));
    const KeyMaker longer = [](int) { return std::string("Aalen!!"); };
    EXPECT_TRUE(
        Contains(Raised([&] { OpenIndexCB("bycity", 1, longer); }), "Erwartete L\x84nge=   6"));
    EXPECT_EQ(LastError(), 266);
}

TEST_F(NdxOpen, PackRebuildsEveryOpenIndex) {
    Parts();
    Set_Index_To("NAME QTY");
    Set_Order_To(2);
    GO(1);
    DeleteRec();
    GO(3);
    DeleteRec();
    Pack();
    EXPECT_EQ(CurrentOrder(), 2);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 2, 3}));  // axle 10, belt 20, anvil 50
    Set_Order_To(1);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{3, 1, 2}));
    EXPECT_TRUE(CheckIndexTree(2).ok);
}

TEST_F(NdxOpen, ClosingTheTableClosesIndexesOutsidePositionOne) {
    Parts();
    OpenIndex("QTY", 2);
    EXPECT_EQ(CurrentOrder(), 0);
    const int open = OpenDescriptorCount();
    CloseArea();
    EXPECT_EQ(OpenDescriptorCount(), open - 2);  // the table and the index
    UseIn(1, table + " EXCLUSIVE");
    EXPECT_EQ(IndexProcTable.indexFileName(2), "");
}

TEST_F(NdxOpen, ProgressIsCalledAtMostStepsTimes) {
    Parts();
    int calls = 0;
    SetIndexProgress([&] { ++calls; }, 4);
    MakeIndex("NAME", "p");
    EXPECT_EQ(calls, 4);
}

TEST_F(NdxOpen, DamagedFilesAreRefused) {
    Parts();
    const auto good = ReadBytes(Path("NAME.NDX"));
    const DamagedFile cases[] = {
        {"short file", std::vector<uint8_t>(good.begin(), good.begin() + 700)},
        {"key length 200", Changed(good, [](auto& b) { Put16(b, 12, 200); })},
        {"wrong entry size", Changed(good, [](auto& b) { Put16(b, 18, 24); })},
        {"type letter", Changed(good, [](auto& b) { b[9] = 'X'; })},
        {"root beyond the file", Changed(good, [](auto& b) { Put32(b, 0, 99); })},
        {"expression not compiling", Changed(good, [](auto& b) { b[24] = '('; })},
        {"numeric expression in a C file",
         Changed(good, [](auto& b) { std::memcpy(&b[24], "QTY\0", 4); })},
    };
    for (const auto& c : cases) ExpectRefusedAsDamaged(c.what, c.bytes);
    // Nodes that lie: a count above the node's room, a child pointing to itself.
    const DamagedFile trees[] = {
        {"count 300", Changed(good, [](auto& b) { Put16(b, 512, 300); })},
        {"record 99", Changed(good, [](auto& b) { Put32(b, 512 + 4 + 4, 99); })},
        {"child loop", Changed(good, [](auto& b) { Put32(b, 512 + 4, 1); })},
    };
    for (const auto& c : trees) {
        WriteBytes(Path("bad.ndx"), c.bytes);
        const std::string msg = Raised([] {
            Set_Index_To("bad.ndx");
            for (GoTop(); !dEOF(); SKIP(1)) {
            }
        });
        EXPECT_TRUE(Contains(msg, "bad.ndx")) << c.what << ": " << msg;
        CloseAllIndexes();
    }
}

}  // namespace
}  // namespace veldrim::testing
