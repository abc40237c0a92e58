// The record layer's use of the optional units through the procedure
// tables: what it calls, when, and how it behaves while a unit is absent.
#include "tables/proc_tables.h"

#include "table_test_util.h"
#include "tables/bulk_verbs.h"
#include "tables/engine_dates.h"
#include "tables/locking.h"
#include "tables/navigation.h"

namespace veldrim::testing {
namespace {

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
        IndexProcTable.prevKey = [] { return std::max(CurrentWorkArea()->recordNumber - 1, int32_t{1}); };
        IndexProcTable.appendNewKey = [] { Recorder::log += "8"; };
        IndexProcTable.noteOldKeys = [] { Recorder::log += "10(" + TrimRightStr(BinaryText(1)) + ")"; };
        IndexProcTable.replaceKeys = [] { Recorder::log += "11(" + TrimRightStr(BinaryText(1)) + ")"; };
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
    CreateDbf(Path("t.dbf"), {F("A", 'C', 3)});
    USE(Path("t.dbf") + " EXCLUSIVE");
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
    CreateDbf(Path("t.dbf"), {F("NOTE", 'M'), F("A", 'C', 2)});
    USE(Path("t.dbf") + " EXCLUSIVE");
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
    CreateDbf(Path("src.dbf"), {F("NOTE", 'C', 20), F("OTHER", 'M')});
    USE(Path("src.dbf") + " EXCLUSIVE");
    SetBinaryText(1, "text for the memo");
    SetBinaryMemoRef(2, 5);
    Append();
    CloseArea();
    CreateDbf(Path("dst.dbf"), {F("NOTE", 'M'), F("OTHER", 'M')});
    USE(Path("dst.dbf") + " EXCLUSIVE");
    AppendFrom(Path("src.dbf"));
    EXPECT_EQ(LastError(), 0);
    GO(1);
    EXPECT_EQ(BinaryMemoRef(1), 100);
    EXPECT_EQ(Recorder::stored, std::vector<std::string>{"text for the memo"});
    EXPECT_EQ(BinaryMemoRef(2), 1005);
}

TEST_F(ProcTablesTest, MemoLocateReadsTheLines) {
    InstallMemo();
    CreateDbf(Path("t.dbf"), {F("NOTE", 'M')});
    USE(Path("t.dbf") + " EXCLUSIVE");
    for (int32_t ref : {3, 7}) {
        SetBinaryMemoRef(1, ref);
        Append();
    }
    EXPECT_TRUE(LocateValue("NOTE", std::string("gear oil"), true, 1, false));
    EXPECT_EQ(RecNo(), 2);
}

}  // namespace
}  // namespace veldrim::testing
