// Record and file locks between work areas, descriptors and processes, and
// the share modes of opening a table.
#include "tables/locking.h"

#include <fcntl.h>

#include "table_test_util.h"
#include "tables/navigation.h"

namespace veldrim::testing {
namespace {

class LockingTest : public TableTest {
protected:
    std::string Table() {
        const std::string p = Path("shared.dbf");
        WriteBytes(p, BuildDbf(0x03, {{"V", 'N', 3, 0}}, {"   1", "   2", "   3", "   4"}));
        return p;
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
    const std::string p = Table();
    Select(1);
    USE(p + " ALIAS ONE");
    GO(1);
    ASSERT_TRUE(RLock());
    Select(2);
    USE(p + " ALIAS TWO");
    GO(1);
    EXPECT_FALSE(RLock());
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
    const std::string p = Table();
    Select(1);
    USE(p + " ALIAS ONE");
    GO(2);
    ASSERT_TRUE(RLock());
    const int other = ::open(p.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    ::close(other);
    Select(2);
    USE(p + " ALIAS TWO");
    CloseArea();
    Select(3);
    USE(p + " ALIAS THREE");
    GO(2);
    EXPECT_FALSE(RLock()) << "area 1's lock went with another descriptor's close";
}

TEST_F(LockingTest, ForkedChildIsRefusedHeldLocks) {
    const std::string p = Table();
    Select(1);
    USE(p + " ALIAS ONE");
    GO(3);
    ASSERT_TRUE(RLock());
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
    const std::string p = Table();
    Select(1);
    USE(p + " EXCLUSIVE ALIAS EX");
    Select(2);
    EXPECT_THROW(USE(p + " ALIAS SH"), EDurazError);
    EXPECT_EQ(LastError(), 32);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    EXPECT_EQ(InChild(p, -1), 0);
    Select(1);
    CloseArea();
    Select(2);
    USE(p + " ALIAS SH");
    Select(3);
    EXPECT_THROW(USE(p + " EXCLUSIVE ALIAS EX"), EDurazError) << "a shared open blocks an exclusive one";
    EXPECT_EQ(InChild(p, -1), 1);
}

TEST_F(LockingTest, LockStateRules) {
    const std::string p = Table();
    USE(p);
    GO(1);
    ASSERT_TRUE(RLock());
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
    const std::string p = Table();
    USE(p);
    MaxRecordLocks = 2;
    GO(1);
    ASSERT_TRUE(RLock());
    GO(2);
    ASSERT_TRUE(RLock());
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
    const std::string p = Table();
    Select(1);
    USE(p + " ALIAS ONE");
    ASSERT_TRUE(FLock());
    Select(2);
    USE(p + " ALIAS TWO");
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
