// Record blocks of the record layer: a table held alone is read a block at a
// time and its appends are written a block at a time, a shared table record
// by record at the file. The file that results is the same either way, and a
// shared scan sees what another process appended before the scan's lock.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "tables/table_test_util.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"

namespace veldrim::testing {
namespace {

class RecordBlocksTest : public TableTest {
protected:
    // A table of a name, a number with decimals, a whole number, a date and
    // a logical: 3000 records fill several blocks of 64 KiB.
    static constexpr int kRecords = 3000;
    std::string Fresh(const std::string& name) {
        return Make(name, {F("NAME", 'C', 20), F("PRICE", 'N', 12, 3), F("QTY", 'N', 9),
                           F("DAY", 'D'), F("OK", 'L')});
    }
    static void Fill(int from, int to) {
        for (int i = from; i <= to; ++i) {
            ClearRecord();
            SetBinaryText(1, "part" + std::to_string(i));
            SetBinaryNumber(2, i * 0.125);
            SetBinaryInteger(3, i);
            SetBinaryText(4, "12/31/99");
            SetBinaryLogical(5, i % 2 == 0);
            Append();
        }
    }
    static std::vector<int> Scan(int step) {
        std::vector<int> seen;
        if (step > 0)
            for (GoTop(); !dEOF(); SKIP(step)) seen.push_back(static_cast<int>(BinaryInteger(3)));
        else
            for (GoBottom(); !dBOF(); SKIP(step))
                seen.push_back(static_cast<int>(BinaryInteger(3)));
        return seen;
    }
};

// The same appends through the collected blocks (exclusive) and record by
// record at the file (shared, under the append lock) give the same bytes.
TEST_F(RecordBlocksTest, TableWrittenInBlocksIsByteIdenticalToOneWrittenRecordByRecord) {
    const std::string blocks = Fresh("blocks.dbf"), single = Fresh("single.dbf");
    USE(blocks + " EXCLUSIVE");
    ASSERT_TRUE(HoldsTableAlone(*CurrentWorkArea()));
    Fill(1, kRecords);
    CloseArea();
    USE(single);
    ASSERT_FALSE(HoldsTableAlone(*CurrentWorkArea()));
    ASSERT_TRUE(ALock());
    Fill(1, kRecords);
    Unlock();
    CloseArea();
    const auto a = ReadBytes(blocks), b = ReadBytes(single);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(a == b) << "the files differ";
    EXPECT_EQ(a.back(), 0x1A) << "end mark";
    EXPECT_EQ(a[4] | (a[5] << 8), kRecords) << "header count";
}

// Reading forward, backward and by GO across block edges, while records
// are appended, rewritten and deleted in the blocks and on the file.
TEST_F(RecordBlocksTest, ReadsSeeEveryWriteOfTheArea) {
    const std::string p = Fresh("mixed.dbf");
    USE(p + " EXCLUSIVE");
    Fill(1, kRecords);
    std::vector<int> forward = Scan(1), backward = Scan(-1);
    ASSERT_EQ(forward.size(), static_cast<std::size_t>(kRecords));
    ASSERT_EQ(backward.size(), static_cast<std::size_t>(kRecords));
    for (int i = 0; i < kRecords; ++i) {
        ASSERT_EQ(forward[i], i + 1) << "forward at " << i;
        ASSERT_EQ(backward[i], kRecords - i) << "backward at " << i;
    }
    // Rewrite a record held in the read-ahead block and one still collected.
    Fill(kRecords + 1, kRecords + 10);
    for (const int rec : {17, kRecords + 5}) {
        GO(rec);
        SetBinaryInteger(3, -rec);
        Replace();
    }
    GO(kRecords + 7);
    DeleteRec();
    for (const int rec : {1, 17, kRecords + 5, 2000}) {
        GO(rec);
        EXPECT_EQ(BinaryInteger(3), rec == 17 || rec == kRecords + 5 ? -rec : rec)
            << "record " << rec;
    }
    // Peek reads the file itself: the collected records are written first.
    EXPECT_EQ(Peek(3, kRecords + 9), "     3009");
    EXPECT_EQ(Peek(0, kRecords + 7), "*");
    CloseArea();
    USE(p + " EXCLUSIVE");
    EXPECT_EQ(RecCount(), kRecords + 10);
    GO(kRecords + 5);
    EXPECT_EQ(BinaryInteger(3), -(kRecords + 5));
    GO(kRecords + 7);
    EXPECT_TRUE(Deleted());
    GO(17);
    EXPECT_EQ(BinaryInteger(3), -17);
    EXPECT_EQ(BinaryText(1), "part17              ");
    EXPECT_EQ(BinaryNumber(2), 17 * 0.125);
    EXPECT_TRUE(!BinaryLogical(5));
}

// A field not read after a move is decoded when it is read, from the record
// of that move, also after Replace and Append.
TEST_F(RecordBlocksTest, FieldsAreDecodedFromTheCurrentRecord) {
    const std::string p = Fresh("lazy.dbf");
    USE(p + " EXCLUSIVE");
    Fill(1, 5);
    GO(2);
    EXPECT_EQ(BinaryInteger(3), 2);
    GO(4);
    EXPECT_EQ(BinaryText(1), "part4               ") << "a field first read after the second move";
    EXPECT_EQ(BinaryNumber(2), 0.5);
    SetBinaryInteger(3, 44);
    Replace();
    EXPECT_EQ(BinaryText(1), "part4               ")
        << "fields not set keep their values through Replace";
    GO(1);
    GO(4);
    EXPECT_EQ(BinaryInteger(3), 44);
    GoBottom();
    ClearRecord();
    SetBinaryInteger(3, 6);
    Append();
    EXPECT_EQ(BinaryText(1), std::string(20, ' ')) << "the appended record's unset name";
    EXPECT_EQ(BinaryNumber(2), 0.0);
    EXPECT_EQ(RecNo(), 6);
}

// One process appends under the append lock and says after each unlock how
// many records it has committed; the other scans under its own append lock
// and must see every record committed before that lock was granted. Halfway
// the writer waits until the reader has scanned what it was told, so at least
// one scan runs between appends however the two processes are scheduled.
TEST_F(RecordBlocksTest, SharedScanSeesEveryRecordCommittedBeforeItsLock) {
    const std::string p = Fresh("shared.dbf");
    constexpr int kAppends = 400, kHalf = kAppends / 2;
    int committed[2], scanned[2];
    ASSERT_EQ(pipe(committed), 0);
    ASSERT_EQ(pipe(scanned), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(committed[0]);
        ::close(scanned[1]);
        int code = 0;
        try {
            QuietEngineErrors quiet;
            USE(p + " ALIAS WRITER");
            for (int i = 1; i <= kAppends && code == 0; ++i) {
                while (!ALock()) WaitMs(1);
                Fill(i, i);
                if (LastError() != 0) code = 3;
                Unlock();
                if (::write(committed[1], &i, sizeof i) != sizeof i) code = 4;
                char go = 0;
                if (i == kHalf && ::read(scanned[0], &go, 1) != 1) code = 5;
            }
        } catch (...) {
            code = 2;
        }
        _exit(code);  // no destructors: the child must not touch the parent's open files
    }
    ::close(committed[1]);
    ::close(scanned[0]);
    // Closed on every way out, so a failed assertion never leaves the writer waiting.
    struct CloseOnExit {
        int fd;
        ~CloseOnExit() {
            if (fd >= 0) ::close(fd);
        }
    } release{scanned[1]}, counts{committed[0]};
    USE(p + " ALIAS READER");
    int known = 0, scans = 0;
    bool done = false, halfScanned = false;
    while (!done) {
        // Wait for news from the writer; every count reported so far belongs
        // to records committed before the lock below.
        pollfd news{committed[0], POLLIN, 0};
        ASSERT_GE(::poll(&news, 1, -1), 0);
        bool ended = false;
        for (;;) {
            int n = 0;
            if (::read(committed[0], &n, sizeof n) != sizeof n) {
                ended = true;  // the writer has closed its end
                break;
            }
            known = n;
            if (n == kHalf && !halfScanned) break;  // the writer waits here: scan now
            pollfd more{committed[0], POLLIN, 0};
            if (::poll(&more, 1, 0) <= 0 || !(more.revents & POLLIN)) break;
        }
        done = known == kAppends;
        ASSERT_TRUE(done || !ended) << "the writer stopped after " << known << " records";
        while (!ALock()) WaitMs(1);
        std::vector<int> seen;
        for (GoTop(); !dEOF(); SKIP(1)) seen.push_back(static_cast<int>(BinaryInteger(3)));
        Unlock();
        ++scans;
        ASSERT_GE(seen.size(), static_cast<std::size_t>(known)) << "scan " << scans;
        for (int i = 0; i < known; ++i)
            ASSERT_EQ(seen[i], i + 1) << "scan " << scans << " record " << i + 1;
        if (known == kHalf && !halfScanned) {
            EXPECT_EQ(seen.size(), static_cast<std::size_t>(kHalf))
                << "the writer appends nothing while it waits for this scan";
            halfScanned = true;
            char go = 1;
            ASSERT_EQ(::write(scanned[1], &go, 1), 1);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(RecCount(), kAppends);
    EXPECT_TRUE(halfScanned) << "no scan while the writer waited halfway";
    EXPECT_GE(scans, 2);
}

}  // namespace
}  // namespace veldrim::testing
