// Tables shared by two programs (the test and a child process): what a
// closing shared writer writes while the other appends, the locks a refused
// or failed PACK leaves, and what another program's reader (dbfread) sees
// while a shared writer still has the table open.
#include <gtest/gtest.h>

#include "support/fault_calls.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/shared_id_table.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

// Record 2 of s.dbf is deleted where a test asks for it.
class SharedTablesTest : public SharedIdTableTest {
protected:
    // The number of records Perl XBase finds (it goes by the header's
    // count, where dbfread reads up to the end mark).
    static std::string XBaseCount(const std::string& path) {
        return RunCapture({"perl", "-MXBase", "-e",
                           "my $t = XBase->new($ARGV[0]) or die XBase->errstr; "
                           "print $t->last_record + 1, qq(\\n);",
                           path});
    }
};

// A program that appended under the append lock and still has the table
// open: other programs' readers find every record it appended (the records
// are on the file, and the header's count follows each append).
TEST_F(SharedTablesTest, AnotherProgramReadsEveryRecordOfAnOpenSharedWriter) {
    USE(table);
    ASSERT_TRUE(ALock());
    for (int id = 6; id <= 8; ++id) AppendId(id);
    Unlock();
    EXPECT_EQ(Dbfread(table), "1,2,3,4,5,6,7,8 0\n");
    EXPECT_EQ(XBaseCount(table), "8\n");
    GO(7);
    ASSERT_TRUE(RLock());
    DeleteRec();
    Unlock();
    EXPECT_EQ(Dbfread(table), "1,2,3,4,5,6,8 1\n") << "a delete flag is on the file at once";
    CloseArea();
}

// The end mark of a closing shared writer: while it writes its header and
// end mark, another program appends a record. The mark goes after that
// record (the other program waits for the append lock), so every record
// stays readable for dbfread and the header counts them all.
TEST_F(SharedTablesTest, AClosingWritersEndMarkLeavesAnotherProgramsAppendReadable) {
    // The other program: 'a' appends record 7 under the append lock; when the
    // lock is taken it says 'b' and waits for it, then 'a' when appended.
    Peer other([&](Peer& p) {
        USE(table);
        p.Tell('o');
        if (p.Await() != 'a') return 1;
        if (!ALock()) {
            p.Tell('b');
            LockRetries = 10;
            LockWaitMs = 1;
            LockRetryCallback = [] { return true; };
            if (!ALock()) return 2;
        }
        AppendId(7);
        Unlock();
        p.Tell('a');
        p.Await();
        CloseArea();
        return 0;
    });
    ASSERT_TRUE(other.Started());
    ASSERT_EQ(other.Receive(), 'o');
    USE(table);
    ASSERT_TRUE(ALock());
    AppendId(6);
    Unlock();
    std::string heard;
    {
        // The other program appends just as this one writes its header.
        FaultCalls count;
        FaultCalls::Before([&](const FaultCalls::Call& c) {
            if (!heard.empty() || c.call != "pwrite") return;
            other.Send('a');
            heard += other.Receive();
        });
        CloseArea();
    }
    if (heard == "b") heard += other.Receive();
    EXPECT_EQ(heard.back(), 'a') << heard;
    other.Send('q');
    EXPECT_EQ(other.Finish(), 0);
    EXPECT_EQ(Dbfread(table), "1,2,3,4,5,6,7 0\n");
    const auto bytes = ReadBytes(table);
    const std::size_t headerLength = 32 + 2 * 32 + 1, recordLength = 1 + 5 + 10;
    ASSERT_EQ(bytes.size(), headerLength + 7 * recordLength + 1);
    EXPECT_EQ(bytes.back(), 0x1A) << "the end mark after record 7";
    EXPECT_EQ(bytes[4], 7) << "the header's record count";
}

// A PACK refused because another program has the table open (error 32), or
// one that fails on a full disk, leaves the caller's locks as they were: the
// caller still holds its file lock or its record lock, and another program
// is refused it until the caller lets it go.
TEST_F(SharedTablesTest, ARefusedOrFailedPackKeepsTheCallersLocks) {
    USE(table + " EXCLUSIVE");
    GO(2);
    DeleteRec();
    CloseArea();
    // The other program: 'u' opens the table, 'c' closes it, 'f' and 'r' try
    // the file lock and the lock of record 3 (answer 'y' or 'n', and a lock
    // that was had is let go at once).
    Peer other([&](Peer& p) {
        for (char c; (c = p.Await()) != 0 && c != 'q';) {
            if (c == 'u') USE(table);
            if (c == 'c') CloseArea();
            bool got = false;
            if (c == 'f') got = FLock();
            if (c == 'r') {
                GO(3);
                got = RLock();
            }
            if (got) Unlock();
            p.Tell(c == 'f' || c == 'r' ? (got ? 'y' : 'n') : c);
        }
        return 0;
    });
    ASSERT_TRUE(other.Started());
    for (bool fileLock : {true, false}) {
        for (bool refused : {true, false}) {
            const std::string label = std::string(fileLock ? "file lock" : "record lock") +
                                      (refused ? ", PACK refused" : ", PACK on a full disk");
            if (refused) {
                ASSERT_EQ(other.Ask('u'), 'u') << label;
            }
            USE(table);
            if (fileLock) {
                ASSERT_TRUE(FLock()) << label;
            } else {
                GO(3);
                ASSERT_TRUE(RLock()) << label;
            }
            if (refused) {
                EXPECT_THROW(Pack(), EDurazError) << label;
                EXPECT_EQ(LastError(), 32) << label;
            } else {
                FaultCalls full(FaultCalls::kFullDisk, 1);
                EXPECT_THROW(Pack(), EDurazError) << label;
            }
            EXPECT_EQ(RecCount(), 5) << label << ": nothing was packed";
            EXPECT_TRUE(IsLocked(3)) << label;
            if (!refused) {
                ASSERT_EQ(other.Ask('u'), 'u') << label;
            }
            EXPECT_EQ(other.Ask('f'), 'n') << label << ": the other program's file lock";
            EXPECT_EQ(other.Ask('r'), 'n') << label << ": the other program's lock of record 3";
            Unlock();
            EXPECT_EQ(other.Ask('f'), 'y') << label << ": after the caller let go";
            CloseArea();
            ASSERT_EQ(other.Ask('c'), 'c') << label;
        }
    }
    other.Send('q');
    EXPECT_EQ(other.Finish(), 0);
    // With nobody else on it, the PACK goes through and keeps the file lock.
    USE(table);
    ASSERT_TRUE(FLock());
    EXPECT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 4);
    EXPECT_EQ(Dbfread(table), "1,3,4,5 0\n");
    Peer after([&](Peer& p) {
        USE(table);
        p.Tell(FLock() ? 'y' : 'n');
        return 0;
    });
    EXPECT_EQ(after.Receive(), 'n') << "the caller's file lock after a PACK";
    EXPECT_EQ(after.Finish(), 0);
    CloseArea();
}

}  // namespace
}  // namespace veldrim::testing
