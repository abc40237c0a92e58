// Bulk verbs: PACK, SEARCH, PEEK/POKE, LOCATE, APPEND FROM, delimited text;
// the record layer's calls into the index, memo and parser units.
#include "tables/bulk/bulk_verbs.h"

#include <algorithm>

#include "foundation/codepage.h"
#include "tables/table_test_util.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/engine/engine_windows.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/proc_tables.h"

namespace veldrim::testing {
namespace {

class BulkVerbsTest : public TableTest {
protected:
    struct Row {
        std::string name;
        int qty;
        double price;
        bool deleted = false;
    };
    std::string Parts(const std::vector<Row>& rows, const std::string& file = "parts.dbf") {
        const std::string p = Path(file);
        CreateDbf(p, {F("NAME", 'C', 10), F("QTY", 'N', 5), F("PRICE", 'N', 8, 2)});
        USE(p + " EXCLUSIVE");
        for (const auto& r : rows) {
            ClearRecord();
            SetBinaryText(1, r.name);
            SetBinaryInteger(2, r.qty);
            SetBinaryNumber(3, r.price);
            SetBinaryDeleted(r.deleted);
            Append();
        }
        GoTop();
        return p;
    }
    static std::vector<std::string> Names() {
        std::vector<std::string> v;
        for (GoTop(); !dEOF(); SKIP(1)) v.push_back(TrimRightStr(BinaryText(1)));
        return v;
    }
};

// PACK keeps the order, drops deleted records, cuts whatever follows the last
// record and moves the records as raw bytes: a code page 850 box character
// has no Windows-1252 twin and would come back as '?' from a round trip
// through the in-memory character set.
TEST_F(BulkVerbsTest, PackKeepsOrderAndMovesRawBytes) {
    const std::string p =
        Parts({{"a", 1, 1}, {"b", 2, 2, true}, {"box", 3, 3}, {"d", 4, 4, true}, {"e", 5, 5}});
    CloseArea();
    auto b = ReadBytes(p);
    const std::size_t data = 32 + 3 * 32 + 1;
    b[data + 2 * 24 + 4] = 0xB0;
    b.insert(b.end(), {'x', 'y'});
    WriteBytes(p, b);
    USE(p + " EXCLUSIVE");
    EXPECT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 3);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Names()[2], "e");
    CloseArea();
    b = ReadBytes(p);
    EXPECT_EQ(b[4], 3);
    ASSERT_EQ(b.size(), data + 3 * 24 + 1);
    EXPECT_EQ(b[data + 24 + 4], 0xB0);
    EXPECT_EQ(b.back(), 0x1A);

    Parts({{"a", 1, 1, true}, {"b", 2, 2, true}}, "alldel.dbf");
    EXPECT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 0);
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
}

TEST_F(BulkVerbsTest, PackOfASharedTableReopensItShared) {
    const std::string p = Parts({{"a", 1, 1, true}, {"b", 2, 2}});
    USE(p);
    ASSERT_FALSE(CurrentWorkArea()->exclusive);
    EXPECT_TRUE(Pack());
    EXPECT_FALSE(CurrentWorkArea()->exclusive);
    EXPECT_EQ(RecCount(), 1);
    UseIn(2, p + " ALIAS OTHER");
    Select(1);
    EXPECT_THROW(Pack(), EDurazError) << "another area holds the table open";
    EXPECT_EQ(RecCount(), 1);
    EXPECT_FALSE(CurrentWorkArea()->exclusive);
}

TEST_F(BulkVerbsTest, PackAsksFirstWhenConfigured) {
    Parts({{"a", 1, 1, true}, {"b", 2, 2}});
    ConfirmBeforePack = true;
    ui.QueueAnswer(Answer::Cancel);
    EXPECT_FALSE(Pack());
    EXPECT_EQ(RecCount(), 2);
    ASSERT_EQ(ui.CallsOf("ask").size(), 1u);
    EXPECT_EQ(ui.CallsOf("ask")[0].text.rfind("PACK ", 0), 0u);
}

TEST_F(BulkVerbsTest, SearchFindsTextInsideOneVisibleField) {
    Parts({{"bolt", 0, 0, true},
           {"washer", 1, 1},
           {"bolt", 23, 2},
           {"nut", 2, 9.5},
           {"Bolt big", 5, 5}});
    SetIgnoreDel(true);
    uint8_t field = 0;
    Search("BOLT", field, true);
    EXPECT_EQ(RecNo(), 3) << "the hidden record 1 is skipped";
    EXPECT_EQ(field, 1);
    Search("bolt", field = 0, false);
    EXPECT_EQ(RecNo(), 5);
    Search("bolt", field = 0, false);
    EXPECT_EQ(field, 0) << "no further hit";
    EXPECT_EQ(RecNo(), 5) << "back on the start record";
    Search("9.50", field = 3, true);
    EXPECT_EQ(field, 3);
    Search("bolt", field = 2, true);
    EXPECT_EQ(field, 0) << "only the wanted field counts";
    Search("t     23", field = 0, true);
    EXPECT_EQ(field, 0) << "a hit across two fields is refused";
}

TEST_F(BulkVerbsTest, PeekAndPokeFollowWritesAndLocks) {
    const std::string p = Parts({{"a", 1, 1}, {"b", 2, 2, true}, {"c", 3, 3}});
    PeekCacheSize = 4096;
    EXPECT_EQ(Peek(0, 2), "*");
    EXPECT_EQ(Peek(1, 2), "b         ");
    EXPECT_EQ(Peek(2, 1), "    1");
    EXPECT_EQ(Peek(9, 1), "");
    EXPECT_EQ(LastError(), 0);
    GO(2);
    SetBinaryText(1, "bee");
    Replace();
    EXPECT_EQ(Peek(1, 2), "bee       ") << "the cache follows writes";
    RecallRec();
    EXPECT_EQ(Peek(0, 2), " ");
    Poke("zz", 1, 1);
    EXPECT_EQ(Peek(1, 1), "zz        ");
    USE(p);
    EXPECT_THROW(Poke("q", 1, 1), EDurazError);
    EXPECT_EQ(LastError(), 1200);
    GO(1);
    ASSERT_TRUE(RLock());
    Poke("q", 1, 1);
    EXPECT_EQ(Peek(1, 1), "qz        ");
}

TEST_F(BulkVerbsTest, LocateAndContinue) {
    Parts({{"Anna", 1, 1}, {"bert", 2, 2}, {"anna", 3, 3}, {"Annabel", 4, 4}});
    EXPECT_THROW(Continue(), EDurazError);
    EXPECT_EQ(LastError(), 220);
    EXPECT_TRUE(LocateValue("NAME", std::string("anna"), false, 1, false));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_TRUE(LocateValue("name", std::string("anna"), true, 1, false));
    EXPECT_EQ(RecNo(), 1);
    Continue();
    EXPECT_EQ(RecNo(), 3);
    Continue();
    EXPECT_EQ(RecNo(), 4) << "a prefix matches without EXACT";
    Continue();
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(LocateValue("QTY", 3.0, false, 1, false));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_THROW(LocateValue("NOPE", 1.0, false, 1, false), EDurazError);
}

// LOCATE ... CONTAINED finds the value wherever it stands in a long field,
// up to the field's last character, with and without NOCASE, and CONTINUE
// goes on through the records that hold it.
TEST_F(BulkVerbsTest, LocateContainedFindsTheValueUpToTheEndOfALongField) {
    const std::string p = Path("long.dbf");
    CreateDbf(p, {F("ID", 'N', 3), F("TEXT", 'C', 254)});
    USE(p + " EXCLUSIVE");
    const std::string texts[] = {
        std::string(248, 'x') + "Needle",                   // the last six characters
        std::string(100, 'x') + "needle",                   // the middle, blanks after
        std::string(253, 'x') + "n",                        // only a start of it
        std::string(248, 'y') + "NEEDLE",                   // the end, upper case
        "needle" + std::string(200, 'z') + "needle" + "q",  // twice
    };
    for (const std::string& t : texts) {
        ClearRecord();
        SetBinaryText(2, t);
        Append();
    }
    const struct {
        const char* value;
        bool noCase;
        std::vector<int32_t> records;
    } cases[] = {
        {"needle", false, {2, 5}},   {"needle", true, {1, 2, 4, 5}}, {"NEEDLE", false, {4}},
        {"dle", true, {1, 2, 4, 5}}, {"xn", false, {2, 3}},          {"leq", false, {5}},
        {"needles", true, {}},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> found;
        for (bool hit = LocateValue("TEXT CONTAINED", std::string(c.value), c.noCase, 1, false);
             hit && !dEOF(); Continue())
            found.push_back(RecNo());
        EXPECT_EQ(found, c.records) << c.value << (c.noCase ? " NOCASE" : "");
    }
}

TEST_F(BulkVerbsTest, LocateComparesTheStoredUmlautsAsAnsiText) {
    // Windows-1252 0xFC is u umlaut, 0xDC its capital; the table stores
    // code page 850.
    Parts({{"M\xFCllerin", 1, 1}, {"M\xFCller", 2, 2}, {"Mueller", 3, 3}});
    const struct {
        const char* value;
        bool noCase;
        bool exact;
        bool found;
        int32_t record;
    } cases[] = {
        {"M\xFCller", false, false, true, 1},        // a prefix of the first name
        {"M\xFCller", false, true, true, 2},         // EXACT: the whole field
        {"M\xDCLLER", true, true, true, 2},          // NOCASE folds the umlaut too
        {"M\xDCLLER", false, false, false, 4},       // case counts without NOCASE
        {"M\xFCllerinnen", false, false, false, 4},  // longer than the field holds
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LocateValue("NAME", std::string(c.value), c.noCase, 1, c.exact), c.found)
            << c.value << " exact " << c.exact;
        EXPECT_EQ(RecNo(), c.record) << c.value << " exact " << c.exact;
    }
}

// A table whose records are stored through a hook (here every byte one
// higher) is searched for what the records hold, not for the stored bytes:
// LOCATE and SEARCH both read through the hook.
TEST_F(BulkVerbsTest, LocateAndSearchReadThroughTheTablesRecordHook) {
    const std::string p = Path("hooked.dbf");
    CreateDbf(p, {F("NAME", 'C', 10), F("QTY", 'N', 5)});
    auto rot = [](uint8_t* d, std::size_t n) { std::for_each(d, d + n, [](uint8_t& c) { ++c; }); };
    auto unrot = [](uint8_t* d, std::size_t n) {
        std::for_each(d, d + n, [](uint8_t& c) { --c; });
    };
    UseWithHook(p + " EXCLUSIVE", nullptr, 0, unrot, rot);
    for (const char* name : {"anna", "bert", "carl"}) {
        ClearRecord();
        SetBinaryText(1, name);
        SetBinaryInteger(2, 7);
        Append();
    }
    CloseArea();
    UseWithHook(p + " EXCLUSIVE", nullptr, 0, unrot, rot);
    EXPECT_TRUE(LocateValue("NAME", std::string("bert"), false, 1, false));
    EXPECT_EQ(RecNo(), 2);
    EXPECT_FALSE(LocateValue("NAME", std::string("cfsu"), false, 1, false))
        << "the stored bytes of bert are not what the record holds";
    uint8_t field = 0;
    Search("carl", field, true);
    EXPECT_EQ(RecNo(), 3);
    EXPECT_EQ(field, 1);
}

TEST_F(BulkVerbsTest, LocateByFieldsNeedsAllOnOneRecord) {
    Parts({{"x", 1, 7}, {"y", 2, 7}, {"x", 3, 8}, {"x", 4, 7}});
    GO(2);
    EXPECT_TRUE(LocateByFields("NAME;PRICE", {std::string("x"), 7.0}, false, true, false));
    EXPECT_EQ(RecNo(), 1);
    EXPECT_TRUE(LocateByFields("PRICE;NAME", {8.0, std::string("x")}, false, true, false));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_TRUE(LocateByFields("NAME;QTY", {std::string("x"), 4.0}, false, false, false));
    EXPECT_EQ(RecNo(), 3) << "move off: back to the start record";
    EXPECT_FALSE(LocateByFields("NAME;QTY", {std::string("y"), 4.0}, false, true, false));
    EXPECT_EQ(RecNo(), 3);
}

TEST_F(BulkVerbsTest, AppendFromConvertsFields) {
    WriteBytes(Path("conv.dbf"), BuildDbf(0x03,
                                          {{"NAME", 'N', 7, 1},
                                           {"QTY", 'N', 6, 2},
                                           {"PRICE", 'C', 6, 0},
                                           {"FLAG", 'L', 1, 0},
                                           {"WHEN", 'C', 8, 0},
                                           {"ISSET", 'N', 1, 0}},
                                          {" 12345.5  2.503.75  T13/45/201"}));
    CreateDbf(Path("dst.dbf"), {F("NAME", 'C', 3), F("QTY", 'N', 4), F("PRICE", 'N', 6, 2),
                                F("FLAG", 'C', 1), F("WHEN", 'D'), F("ISSET", 'L')});
    USE(Path("dst.dbf") + " EXCLUSIVE");
    AppendFrom(Path("conv"));
    GO(1);
    EXPECT_EQ(BinaryText(1), "***") << "a number too long for the text field";
    EXPECT_EQ(BinaryInteger(2), 2) << "2.5 rounds to the even neighbour";
    EXPECT_DOUBLE_EQ(BinaryNumber(3), 3.75);
    EXPECT_EQ(BinaryText(4), "T");
    EXPECT_EQ(AllTrim(Peek(5, 1)), "") << "no valid date";
    EXPECT_FALSE(BinaryLogical(6));
}

TEST_F(BulkVerbsTest, AppendFromSameStructureAndRefusals) {
    const std::string src = Parts({{"a", 1, 1}, {"b", 2, 2, true}}, "src.dbf");
    EXPECT_THROW(AppendFrom(src), EDurazError);
    EXPECT_EQ(LastError(), 214) << "a table into itself";
    EXPECT_THROW(AppendFrom(Path("missing")), EDurazError);
    EXPECT_EQ(LastError(), 2);
    Parts({{"z", 9, 9}}, "dst.dbf");
    AppendFrom(src);
    EXPECT_EQ(WorkAreas[kScratchArea], nullptr);
    EXPECT_EQ(RecCount(), 3);
    GO(3);
    EXPECT_TRUE(Deleted()) << "deleted flags are copied";
    ClearMemoProcTable();  // a program built without the memo unit
    USE(Make("memo.dbf", {F("NAME", 'C', 10), F("NOTE", 'M')}) + " EXCLUSIVE");
    EXPECT_THROW(AppendFrom(src), EDurazError);
    EXPECT_EQ(LastError(), 220);
}

// A folder whose name holds a word that names an in-memory file is part of
// the source's path: its table on disk is appended, the path kept whole.
TEST_F(BulkVerbsTest, AppendFromAFolderWhoseNameHoldsVirtualFileWords) {
    Parts({{"z", 9, 9}}, "one.dbf");
    CloseArea();
    const std::vector<std::string> folders = {"my virtual tables", "Linked Lists",
                                              "old virtual file"};
    for (const std::string& folder : folders) {
        std::filesystem::create_directories(dir + "/" + folder);
        std::filesystem::copy_file(Path("one.dbf"), dir + "/" + folder + "/src.dbf");
    }
    Parts({}, "dst.dbf");
    int expected = 0;
    for (const std::string& folder : folders) {
        AppendFrom(dir + "/" + folder + "/src.dbf");
        EXPECT_EQ(LastError(), 0) << folder;
        EXPECT_EQ(RecCount(), ++expected) << folder;
        EXPECT_EQ(WorkAreas[kScratchArea], nullptr) << folder;
    }
    GO(3);
    EXPECT_EQ(BinaryText(1), "z         ");
}

TEST_F(BulkVerbsTest, DelimitedRoundTrip) {
    Parts({{"say \"hi\"", 1, 1.5}, {Cp850ToWin1252("Maß,Öl"_cp850), -2, 0}, {"", 0, 0}});
    EXPECT_EQ(CopyDelimited(Path("out")), 3);
    const std::string text = Slurp(Path("out.TXT"));
    EXPECT_EQ(text, "\"say \"\"hi\"\"\",1,1.50\r\n\"" + Cp850ToWin1252("Maß,Öl"_cp850) +
                        "\",-2,0.00\r\n\"\",0,0.00\r\n\x1A");
    CloseArea();
    Parts({}, "back.dbf");
    EXPECT_EQ(AppendDelimited(Path("out"), false), 3);
    GO(1);
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "say \"hi\"");
    EXPECT_DOUBLE_EQ(BinaryNumber(3), 1.5);
    GO(2);
    EXPECT_EQ(TrimRightStr(BinaryText(1)), Cp850ToWin1252("Maß,Öl"_cp850));
    EXPECT_EQ(BinaryInteger(2), -2);
}

TEST_F(BulkVerbsTest, DelimitedImportLineEnds) {
    Parts({});
    WriteBytes(Path("in.txt"), {'"',  'a',  '"', ',', '1', '\r', '"',  'b',  '"', ',', '2',
                                '\n', '\n', 'c', ',', '3', '\r', '\n', 0x1A, 'd', ',', '4'});
    EXPECT_EQ(AppendDelimited(Path("in.txt"), false), 3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}))
        << "a lone CR keeps the next byte";
    EXPECT_THROW(AppendDelimited(Path("absent.txt"), false), EDurazError)
        << "an input that cannot be opened";
    EXPECT_EQ(LastError(), 2);
}

TEST_F(BulkVerbsTest, DelimitedLeavesMemoFieldsOut) {
    USE(Make("m.dbf", {F("A", 'C', 2), F("NOTE", 'M'), F("B", 'C', 2), F("LAST", 'M')}) +
        " EXCLUSIVE");
    SetBinaryText(1, "x");
    SetBinaryText(3, "y");
    Append();
    CopyDelimited(Path("m.txt"));
    EXPECT_EQ(Slurp(Path("m.txt")), "\"x\",\"y\",\r\n\x1A");
}

TEST_F(BulkVerbsTest, ProgressWindowSteps) {
    {
        TTzProgress100 bar("Appending...");
        for (int i = 0; i < 101; ++i) bar.Step();
        EXPECT_EQ(bar.Bar().size(), 100u) << "a step past the end starts again";
    }
    Parts({});
    std::string lines;
    for (int i = 0; i < 300; ++i)
        lines += "\"n" + std::to_string(i) + "\"," + std::to_string(i) + "\r\n";
    WriteBytes(Path("many.txt"), std::vector<uint8_t>(lines.begin(), lines.end()));
    const std::size_t before = ui.CallsOf("progress").size();
    EXPECT_EQ(AppendDelimited(Path("many.txt"), true), 300);
    EXPECT_GE(ui.CallsOf("progress").size() - before, 90u);
}

// The record layer's use of the optional units through the procedure
// tables: what it calls, when, and how it behaves while a unit is absent.
// Records every slot call as one letter sequence.
struct Recorder {
    static inline std::string log;
    static inline int32_t nextRef = 100;  // the next memo block handed out
    static inline std::vector<std::string> stored;
};

class ProcTablesTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        Recorder::log.clear();
        Recorder::stored.clear();
        Recorder::nextRef = 100;
    }
    void InstallIndex() {
        IndexLinked = true;
        IndexProcTable.hasIndex = [] { return true; };
        IndexProcTable.firstKey = [] { return int32_t{1}; };
        IndexProcTable.lastKey = [] { return CurrentWorkArea()->recordCount; };
        IndexProcTable.nextKey = [] {
            const int32_t n = CurrentWorkArea()->recordNumber;
            return n < CurrentWorkArea()->recordCount ? n + 1 : n;
        };
        IndexProcTable.prevKey = [] {
            return std::max(CurrentWorkArea()->recordNumber - 1, int32_t{1});
        };
        IndexProcTable.appendNewKey = [] { Recorder::log += "8"; };
        IndexProcTable.noteOldKeys = [] {
            Recorder::log += "10(" + TrimRightStr(BinaryText(1)) + ")";
        };
        IndexProcTable.replaceKeys = [] {
            Recorder::log += "11(" + TrimRightStr(BinaryText(1)) + ")";
        };
        IndexProcTable.writePhase = [](bool b) { Recorder::log += b ? "W+" : "W-"; };
        IndexProcTable.reindex = [] { Recorder::log += "15"; };
        IndexProcTable.closeIndexes = [] { Recorder::log += "16"; };
    }
    void InstallMemo() {
        MemoProcTable.openMemofile = [](const std::string&) { Recorder::log += "open;"; };
        MemoProcTable.closeMemofile = [] { Recorder::log += "close;"; };
        MemoProcTable.packMemofile = [] { Recorder::log += "pack;"; };
        MemoProcTable.addMemo = [](const std::string& t) {
            Recorder::stored.push_back(t);
            return Recorder::nextRef++;
        };
        MemoProcTable.copyMemo = [](uint8_t, int32_t block) { return block + 1000; };
        MemoProcTable.assignMemo = [](int32_t block) {
            return block == 7 ? std::vector<std::string>{"first line", "Gear Oil here"}
                              : std::vector<std::string>{"nothing"};
        };
    }
};

TEST_F(ProcTablesTest, ReplaceAndAppendKeepTheIndexCurrent) {
    USE(Make("t.dbf", {F("A", 'C', 3)}) + " EXCLUSIVE");
    InstallIndex();
    SetBinaryText(1, "old");
    Append();
    EXPECT_EQ(Recorder::log, "W+8W-");
    Recorder::log.clear();
    SetBinaryText(1, "new");
    Replace();
    EXPECT_EQ(Recorder::log, "W+10(old)11(new)W-") << "old keys noted from the stored record";
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "new");
    Recorder::log.clear();
    CloseArea();
    EXPECT_EQ(Recorder::log, "16");
}

TEST_F(ProcTablesTest, PackRebuildsIndexesAndPacksTheMemoFile) {
    CreateDbf(Path("t.dbf"), {F("A", 'C', 3), F("NOTE", 'M')});
    InstallMemo();
    USE(Path("t.dbf") + " EXCLUSIVE");
    EXPECT_EQ(Recorder::log, "open;");
    InstallIndex();
    for (bool del : {true, false}) {
        SetBinaryDeleted(del);
        Append();
    }
    Recorder::log.clear();
    EXPECT_TRUE(Pack());
    EXPECT_EQ(Recorder::log, "pack;15");
}

TEST_F(ProcTablesTest, MemoOpenFailureClosesTheArea) {
    CreateDbf(Path("t.dbf"), {F("NOTE", 'M')});
    MemoProcTable.openMemofile = [](const std::string&) { ErrorState.lastErrorCode = 1003; };
    EXPECT_THROW(USE(Path("t.dbf")), EDurazError);
    EXPECT_EQ(LastError(), 1003);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
}

TEST_F(ProcTablesTest, WithoutTheMemoUnitTablesStillOpen) {
    USE(Make("t.dbf", {F("NOTE", 'M'), F("A", 'C', 2)}) + " EXCLUSIVE");
    EXPECT_TRUE(CurrentWorkArea()->hasMemo);
    SetBinaryMemoRef(1, 1);
    Append();
    EXPECT_THROW(LocateValue("NOTE", std::string("x"), true, 1, false), EDurazError);
    ParserLinked = false;
    ParserProcTable = TParserProcTable{};
    EXPECT_THROW(SetFilterExpression("A = 'x'"), EDurazError) << "a filter text needs the parser";
    EXPECT_EQ(LastError(), 220);
    EXPECT_TRUE(SetFilterExpression(""));
}

TEST_F(ProcTablesTest, AppendFromStoresAndCopiesMemoValues) {
    InstallMemo();
    USE(Make("src.dbf", {F("NOTE", 'C', 20), F("OTHER", 'M')}) + " EXCLUSIVE");
    SetBinaryText(1, "text for the memo");
    SetBinaryMemoRef(2, 5);
    Append();
    CloseArea();
    USE(Make("dst.dbf", {F("NOTE", 'M'), F("OTHER", 'M')}) + " EXCLUSIVE");
    AppendFrom(Path("src.dbf"));
    EXPECT_EQ(LastError(), 0);
    GO(1);
    EXPECT_EQ(BinaryMemoRef(1), 100);
    EXPECT_EQ(Recorder::stored, std::vector<std::string>{"text for the memo"});
    EXPECT_EQ(BinaryMemoRef(2), 1005);
}

TEST_F(ProcTablesTest, MemoLocateReadsTheLines) {
    InstallMemo();
    USE(Make("t.dbf", {F("NOTE", 'M')}) + " EXCLUSIVE");
    for (int32_t ref : {3, 7}) {
        SetBinaryMemoRef(1, ref);
        Append();
    }
    EXPECT_TRUE(LocateValue("NOTE", std::string("gear oil"), true, 1, false));
    EXPECT_EQ(RecNo(), 2);
}

}  // namespace
}  // namespace veldrim::testing
