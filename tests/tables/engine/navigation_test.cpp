// Navigation and editing verbs: the visibility matrix, BOF/EOF, GO, SKIP,
// Append/Replace/Delete and their locks, relations, the index hooks; record
// and file locks between work areas, descriptors and processes, and the
// share modes of opening a table.
#include "tables/engine/navigation.h"

#include <fcntl.h>

#include "tables/table_test_util.h"
#include "tables/engine/locking.h"

namespace veldrim::testing {
namespace {

class NavigationTest : public TableTest {
protected:
    // Six records with values 1..6; records 2 and 5 deleted.
    void SixRecords(bool exclusive = true) {
        const std::string p = Path("six.dbf");
        WriteBytes(p, BuildDbf(0x03, {{"V", 'N', 3, 0}},
                               {"   1", "*  2", "   3", "   4", "*  5", "   6"}));
        USE(p + (exclusive ? " EXCLUSIVE" : ""));
    }
    static int V() { return static_cast<int>(BinaryInteger(1)); }
};

struct MatrixCase {
    bool hide;
    bool filter;   // value != 4
    bool whileOn;  // forwards: value <= 4, backwards: value >= 3
    std::vector<int> forward;
    int forwardEnd;  // record number at EOF
    std::vector<int> backward;
    int backwardEnd;  // record number at BOF
};

TEST_F(NavigationTest, VisibilityMatrix) {
    const MatrixCase cases[] = {
        {false, false, false, {1, 2, 3, 4, 5, 6}, 7, {6, 5, 4, 3, 2, 1}, 1},
        {true, false, false, {1, 3, 4, 6}, 7, {6, 4, 3, 1}, 1},
        {false, true, false, {1, 2, 3, 5, 6}, 7, {6, 5, 3, 2, 1}, 1},
        {true, true, false, {1, 3, 6}, 7, {6, 3, 1}, 1},
        {false, false, true, {1, 2, 3, 4}, 5, {6, 5, 4, 3}, 3},
        {true, false, true, {1, 3, 4}, 5, {6, 4, 3}, 3},
        {false, true, true, {1, 2, 3}, 5, {6, 5, 3}, 3},
        {true, true, true, {1, 3}, 5, {6, 3}, 3},
    };
    SixRecords();
    for (const auto& c : cases) {
        const std::string label =
            "hide/filter/while " + std::to_string(c.hide * 100 + c.filter * 10 + c.whileOn);
        SetIgnoreDel(c.hide);
        SetFilterMethod(c.filter ? ConditionMethod([] { return V() != 4; }) : nullptr);
        SetWhileMethod(c.whileOn ? ConditionMethod([] { return V() <= 4; }) : nullptr);
        std::vector<int> seen;
        for (GoTop(); !dEOF(); SKIP(1)) seen.push_back(V());
        EXPECT_EQ(seen, c.forward) << label;
        EXPECT_EQ(RecNo(), c.forwardEnd) << label;

        SetWhileMethod(c.whileOn ? ConditionMethod([] { return V() >= 3; }) : nullptr);
        seen.clear();
        for (GoBottom(); !dBOF(); SKIP(-1)) seen.push_back(V());
        EXPECT_EQ(seen, c.backward) << label;
        EXPECT_EQ(RecNo(), c.backwardEnd) << label;
        EXPECT_EQ(V(), c.backwardEnd) << label;
    }
}

TEST_F(NavigationTest, EofPhantomEmptyTableAndGoOutsideTheTable) {
    SixRecords();
    SetIgnoreDel(true);
    GO(6);
    SKIP(1);
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(RecNo(), 7);
    EXPECT_EQ(V(), 0);
    EXPECT_TRUE(Contains(Raised([] { SKIP(1); }), " ist hinter EOF. [SKIP]"));
    EXPECT_EQ(LastError(), 212);
    SKIP(-1);
    EXPECT_EQ(RecNo(), 6);
    SKIP(-2);
    EXPECT_EQ(V(), 3) << "SKIP counts visible records only";
    for (int32_t n : {0, 7, -3}) {
        EXPECT_THROW(GO(n), EDurazError) << n;
        EXPECT_TRUE(dEOF()) << n;
    }
    GO(2);
    EXPECT_TRUE(Deleted()) << "GO reaches a hidden deleted record";
    SetFilterMethod([] { return false; });
    GoTop();
    EXPECT_TRUE(dEOF()) << "all hidden: the phantom with both flags";
    EXPECT_TRUE(dBOF()) << "all hidden: the phantom with both flags";
    EXPECT_EQ(RecNo(), 7);
    USE(Make("e.dbf", {F("V", 'N', 3)}));
    EXPECT_TRUE(Contains(Raised([] { SKIP(-1); }), " ist leer. [SKIP]"));
    EXPECT_THROW(GO(1), EDurazError);
    GoTop();
    EXPECT_EQ(LastError(), 0);
    EXPECT_TRUE(dEOF()) << "an empty table";
    EXPECT_TRUE(dBOF()) << "an empty table";
}

TEST_F(NavigationTest, SharedWritesNeedTheirLocksAndSeeOtherAreasAppends) {
    SixRecords(false);
    ClearRecord();
    SetBinaryInteger(1, 7);
    EXPECT_TRUE(Contains(Raised([] { Append(); }), "[APPEND]"));
    EXPECT_EQ(LastError(), 5);
    GO(1);
    ASSERT_TRUE(RLock());
    EXPECT_THROW(Append(), EDurazError) << "a record lock does not allow an append";
    SetBinaryInteger(1, 10);
    Replace();
    DeleteRec();
    GO(3);
    EXPECT_THROW(Replace(), EDurazError);
    EXPECT_EQ(LastError(), 1200);
    Unlock();
    ASSERT_TRUE(ALock());
    EXPECT_THROW(DeleteRec(), EDurazError) << "an append lock alone does not allow a delete";
    Append();
    Unlock();
    ASSERT_TRUE(FLock());
    Append();
    GO(3);
    Replace();
    EXPECT_EQ(RecCount(), 8);
    // Another area's append is seen here.
    Unlock();
    UseIn(2, Path("six.dbf") + " ALIAS TWO");
    ASSERT_TRUE(FLock());
    SetBinaryInteger(1, 9);
    Append();
    Select(1);
    EXPECT_EQ(RecCount(), 9);
    GoBottom();
    EXPECT_EQ(V(), 9);
}

TEST_F(NavigationTest, EditingAtTheEndAndReachingTheFile) {
    SixRecords();
    GoBottom();
    SKIP(1);
    EXPECT_TRUE(Contains(Raised([] { Replace(); }), " bei EOF angelangt. [REPLACE]"));
    DeleteRec();
    EXPECT_EQ(LastError(), 0);
    EXPECT_THROW(RecallRec(), EDurazError);
    EXPECT_EQ(LastError(), 1103);
    GO(3);
    DeleteRec();
    GO(2);
    RecallRec();
    CloseArea();
    const auto b = ReadBytes(Path("six.dbf"));
    EXPECT_EQ(std::string() + char(b[65 + 4]) + char(b[65 + 8]), " *");
}

TEST_F(NavigationTest, RelationThatMovesItsOwnAreaIsCyclic) {
    SixRecords();
    EXPECT_THROW(SetRelation([] { Dbf4RawGo(3); }), EDurazError);
    EXPECT_EQ(LastError(), 224);
    int calls = 0;
    SetRelation([&] { ++calls; });
    SKIP(1);
    GO(4);
    EXPECT_EQ(calls, 3);
}

// A fake index that runs the records in reverse order.
struct FakeIndex {
    static inline int32_t pos = 0;
    static inline bool empty = false;
    static inline uint8_t found = 0;
    static inline int readDepth = 0;
    static int32_t Count() { return CurrentWorkArea()->recordCount; }
    static void Install() {
        IndexLinked = true;
        IndexProcTable.hasIndex = [] { return true; };
        IndexProcTable.firstKey = [] { return empty ? Count() + 1 : (pos = Count()); };
        IndexProcTable.lastKey = [] { return empty ? Count() + 1 : (pos = 1); };
        IndexProcTable.nextKey = [] { return pos > 1 ? --pos : pos; };
        IndexProcTable.prevKey = [] { return pos < Count() ? ++pos : pos; };
        IndexProcTable.indexEof = [] { return false; };
        IndexProcTable.indexBof = [] { return false; };
        IndexProcTable.syncIndex = [] { pos = CurrentWorkArea()->recordNumber; };
        IndexProcTable.foundFlag = &found;
        IndexProcTable.readPhase = [](bool begin) { readDepth += begin ? 1 : -1; };
    }
};

TEST_F(NavigationTest, IndexOrderIsFollowed) {
    SixRecords();
    FakeIndex::empty = false;
    FakeIndex::Install();
    std::vector<int> seen;
    for (GoTop(); !dEOF(); SKIP(1)) seen.push_back(V());
    EXPECT_EQ(seen, (std::vector<int>{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(FakeIndex::readDepth, 0) << "every read phase is closed";
    FakeIndex::found = 1;
    SetRelation([] { FakeIndex::found = 0; });
    GO(2);
    EXPECT_EQ(FakeIndex::found, 1) << "a relation keeps the index found flag";
    SetRelation(nullptr);
    FakeIndex::empty = true;
    GoTop();
    EXPECT_TRUE(dEOF()) << "an empty index gives the phantom";
    EXPECT_TRUE(dBOF()) << "an empty index gives the phantom";
    EXPECT_EQ(RecNo(), 7);
}

class LockingTest : public TableTest {
protected:
    static bool LockAt(int32_t record) {
        GO(record);
        return RLock();
    }
    // A table of four records, written afresh for each test.
    const std::string p = Path("shared.dbf");
    void SetUp() override {
        TableTest::SetUp();
        WriteBytes(p, BuildDbf(0x03, {{"V", 'N', 3, 0}}, {"   1", "   2", "   3", "   4"}));
    }

    // A forked child opens the table on its own and tries a record lock
    // (rec > 0), the file lock (rec == 0) or only the open (rec < 0); its
    // answer comes back as its exit code (1 granted, 0 refused, 2 error).
    static int InChild(const std::string& p, int32_t rec) {
        const pid_t pid = fork();
        if (pid == 0) {
            int code = 2;
            try {
                Select(10);
                QuietEngineErrors quiet;
                USE(p + " ALIAS CHILD");
                if (!CurrentWorkArea()) _exit(rec < 0 ? 0 : 2);
                if (rec > 0) GO(rec);
                code = (rec > 0 ? RLock() : rec == 0 ? FLock() : true) ? 1 : 0;
            } catch (...) {
            }
            _exit(code);  // no destructors: the child must not touch the parent's open files
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(LockingTest, TwoAreasOfOneTableConflict) {
    UseIn(1, p + " ALIAS ONE");
    ASSERT_TRUE(LockAt(1));
    UseIn(2, p + " ALIAS TWO");
    EXPECT_FALSE(LockAt(1));
    EXPECT_EQ(LastError(), 0) << "a refused lock is no error";
    EXPECT_FALSE(FLock());
    EXPECT_TRUE(ALock()) << "the append byte is free while records are locked";
    Select(1);
    EXPECT_TRUE(UnlockRec(1));
    Select(2);
    Unlock();
    EXPECT_TRUE(RLock());
}

TEST_F(LockingTest, ClosingAnotherDescriptorKeepsTheLocks) {
    UseIn(1, p + " ALIAS ONE");
    ASSERT_TRUE(LockAt(2));
    const int other = ::open(p.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    ::close(other);
    UseIn(2, p + " ALIAS TWO");
    CloseArea();
    UseIn(3, p + " ALIAS THREE");
    EXPECT_FALSE(LockAt(2)) << "area 1's lock went with another descriptor's close";
}

TEST_F(LockingTest, ForkedChildIsRefusedHeldLocks) {
    UseIn(1, p + " ALIAS ONE");
    ASSERT_TRUE(LockAt(3));
    EXPECT_EQ(InChild(p, 3), 0);
    EXPECT_EQ(InChild(p, 4), 1);
    EXPECT_EQ(InChild(p, 0), 0);
    Unlock();
    ASSERT_TRUE(FLock());
    EXPECT_EQ(InChild(p, 4), 0);
    Unlock();
    EXPECT_EQ(InChild(p, 4), 1);
}

TEST_F(LockingTest, ExclusiveOpenBlocksSharedOpen) {
    UseIn(1, p + " EXCLUSIVE ALIAS EX");
    Select(2);
    EXPECT_THROW(USE(p + " ALIAS SH"), EDurazError);
    EXPECT_EQ(LastError(), 32);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    EXPECT_EQ(InChild(p, -1), 0);
    Select(1);
    CloseArea();
    UseIn(2, p + " ALIAS SH");
    Select(3);
    EXPECT_THROW(USE(p + " EXCLUSIVE ALIAS EX"), EDurazError)
        << "a shared open blocks an exclusive one";
    EXPECT_EQ(InChild(p, -1), 1);
}

TEST_F(LockingTest, LockStateRules) {
    USE(p);
    ASSERT_TRUE(LockAt(1));
    EXPECT_FALSE(FLock()) << "a record lock is not upgraded";
    EXPECT_TRUE(RLock());
    EXPECT_EQ(CurrentWorkArea()->recordLocks.size(), 1u);
    Unlock();
    EXPECT_TRUE(FLock());
    EXPECT_TRUE(IsLocked(3)) << "the file lock covers every record";
    Unlock();
    EXPECT_TRUE(ALock());
    EXPECT_FALSE(IsLocked(1)) << "an append lock alone locks no record";
    Unlock();
    EXPECT_FALSE(UnlockRec(3));
    EXPECT_EQ(LastError(), 220);
    EXPECT_TRUE(ui.calls.empty()) << "unlocking a free record is quiet";
    USE(p + " EXCLUSIVE");
    EXPECT_TRUE(RLock()) << "an exclusive table only keeps the bookkeeping";
    EXPECT_TRUE(IsLocked(1));
}

TEST_F(LockingTest, RecordLockListOrderAndLimit) {
    USE(p);
    MaxRecordLocks = 2;
    ASSERT_TRUE(LockAt(1));
    ASSERT_TRUE(LockAt(2));
    GO(3);
    EXPECT_THROW(RLock(), EDurazError);
    EXPECT_EQ(LastError(), 212);
    MaxRecordLocks = 0;
    ASSERT_TRUE(RLock());
    EXPECT_TRUE(UnlockRec(-1));
    EXPECT_FALSE(IsLocked(1)) << "-1 releases the oldest lock";
    EXPECT_TRUE(UnlockRec(-2));
    EXPECT_FALSE(IsLocked(3)) << "-2 releases the newest lock";
    EXPECT_TRUE(IsLocked(2));
}

TEST_F(LockingTest, RetriesAskTheCallbackWhenUsedUp) {
    UseIn(1, p + " ALIAS ONE");
    ASSERT_TRUE(FLock());
    UseIn(2, p + " ALIAS TWO");
    LockRetries = 2;
    LockWaitMs = 1;
    int asked = 0;
    LockRetryCallback = [&] {
        if (++asked == 2) {
            Select(1);
            Unlock();
            Select(2);
        }
        return asked < 3;
    };
    EXPECT_TRUE(FLock());
    EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace veldrim::testing
