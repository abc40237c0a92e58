// Closing and committing a shared table while another program holds the
// file lock or the append lock: the close returns at once, and the end mark
// stands after the last record for the engine, for dbfread and in the raw
// file, also when the other program appended meanwhile or a writer was
// killed in the middle of its appends.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <initializer_list>

#include "support/fault_calls.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/shared_id_table.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

constexpr std::size_t kHeaderLength = 32 + 2 * 32 + 1;  // two fields
constexpr std::size_t kRecordLength = 1 + 5 + 10;       // flag, ID N(5), NAME C(10)

class SharedCloseTest : public SharedIdTableTest {
protected:
    // s.dbf last updated 1999-01-02.
    void SetUp() override {
        SharedIdTableTest::SetUp();
        auto bytes = ReadBytes(table);
        bytes[1] = 99;
        bytes[2] = 1;
        bytes[3] = 2;
        WriteBytes(table, bytes);
    }

    // The engine's IDs of the table's records, read through a shared open.
    std::string EngineIds() const {
        USE(table);
        GoBottom();
        std::string ids;
        for (int32_t r = 1; r <= RecCount(); ++r) {
            GO(r);
            ids += (r > 1 ? "," : "") + std::to_string(BinaryInteger(1));
        }
        CloseArea();
        return ids;
    }

    // Today as the header stores it: year - 1900, month, day.
    static std::vector<int> Today() {
        const std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        return {tm.tm_year, tm.tm_mon + 1, tm.tm_mday};
    }
    static std::vector<int> HeaderDate(const std::vector<uint8_t>& bytes) {
        return {bytes[1], bytes[2], bytes[3]};
    }

    // Appends records with these IDs under the append lock and lets it go;
    // false when the lock was refused.
    static bool AppendLocked(std::initializer_list<int> ids) {
        if (!ALock()) return false;
        for (int id : ids) AppendId(id);
        Unlock();
        return true;
    }
    // The table's bytes after `run`, on the table as `pristine` opened by
    // `use`, was killed at changing file call n (nothing from that call on
    // reaches the file, and the program never closes).
    std::vector<uint8_t> KilledAt(long n, const std::vector<uint8_t>& pristine,
                                  const std::string& use, const std::function<void()>& run) {
        WriteBytes(table, pristine);
        USE(use);
        {
            FaultCalls kill(FaultCalls::kKill, n);
            try {
                run();
            } catch (const EDurazError&) {
            }
            ResetAllProgramState();
        }
        return ReadBytes(table);
    }
    // The records on a file that must end with the end mark right behind its
    // last whole record; -1 when it is shorter than the five records it had.
    static int RecordsBeforeEndMark(const std::vector<uint8_t>& bytes, const std::string& label) {
        if (bytes.size() < kHeaderLength + 5 * kRecordLength + 1) return -1;
        EXPECT_EQ((bytes.size() - kHeaderLength) % kRecordLength, 1u) << label;
        EXPECT_EQ(bytes.back(), 0x1A) << label << ": the end mark after the last record";
        return static_cast<int>((bytes.size() - kHeaderLength) / kRecordLength);
    }
    // "1,2,...,count".
    static std::string IdList(int count) {
        std::string ids;
        for (int id = 1; id <= count; ++id) ids += (id > 1 ? "," : "") + std::to_string(id);
        return ids;
    }

    // The other program: 'u' opens the table shared, 'f' and 'a' take the
    // file or the append lock (answer 'y' or 'n'), 'p' appends the next ID
    // after the last, 'x' lets its lock go, 'c' closes.
    Peer Other() {
        return Peer([this](Peer& p) {
            for (char c; (c = p.Await()) != 0 && c != 'q';) {
                if (c == 'u') USE(table);
                if (c == 'f' || c == 'a') {
                    p.Tell((c == 'f' ? FLock() : ALock()) ? 'y' : 'n');
                    continue;
                }
                if (c == 'p') {
                    GoBottom();
                    AppendId(static_cast<int>(BinaryInteger(1)) + 1);
                }
                if (c == 'x') Unlock();
                if (c == 'c') CloseArea();
                p.Tell(c);
            }
            return 0;
        });
    }
};

long MillisecondsOf(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

// This program appends records 6 and 7 and closes the table while the other
// program holds no lock, the file lock or the append lock, with or without
// having appended record 8 under it first. The close returns at once without
// an error; the end mark follows the last record, the header counts every
// record, and dbfread and the engine read them all. The header's date is
// today's once a writer closed with the append lock free.
TEST_F(SharedCloseTest, AClosingSharedWriterNeitherWaitsForAnotherProgramsLockNorDropsTheEndMark) {
    const auto pristine = ReadBytes(table);
    for (char lock : {'-', 'f', 'a'}) {
        for (bool otherAppends : {false, true}) {
            if (lock == '-' && otherAppends) continue;
            const std::string label = std::string("other program's lock ") + lock +
                                      (otherAppends ? ", record 8 appended by it" : "");
            WriteBytes(table, pristine);
            Peer other = Other();
            ASSERT_TRUE(other.Started()) << label;
            ASSERT_EQ(other.Ask('u'), 'u') << label;
            USE(table);
            ASSERT_TRUE(AppendLocked({6, 7})) << label;
            if (lock != '-') {
                ASSERT_EQ(other.Ask(lock), 'y') << label;
            }
            if (otherAppends) {
                ASSERT_EQ(other.Ask('p'), 'p') << label;
            }
            const long ms = MillisecondsOf([] { CloseArea(); });
            EXPECT_LT(ms, 1000) << label << ": the close waited";
            EXPECT_EQ(LastError(), 0) << label;

            const int records = otherAppends ? 8 : 7;
            const std::string ids = otherAppends ? "1,2,3,4,5,6,7,8" : "1,2,3,4,5,6,7";
            EXPECT_EQ(Dbfread(table), ids + " 0\n") << label;
            const auto bytes = ReadBytes(table);
            ASSERT_EQ(bytes.size(), kHeaderLength + records * kRecordLength + 1) << label;
            EXPECT_EQ(bytes.back(), 0x1A) << label << ": the end mark after the last record";
            EXPECT_EQ(bytes[4], records) << label << ": the header's record count";
            if (lock == '-') {
                EXPECT_EQ(HeaderDate(bytes), Today()) << label;
            }
            EXPECT_EQ(EngineIds(), ids) << label;

            // The other program lets go and closes: a writer that closes
            // with the lock free dates the header.
            ASSERT_EQ(other.Ask('x'), 'x') << label;
            ASSERT_EQ(other.Ask('c'), 'c') << label;
            other.Send('q');
            EXPECT_EQ(other.Finish(), 0) << label;
            const auto after = ReadBytes(table);
            EXPECT_EQ(after.size(), bytes.size()) << label;
            EXPECT_EQ(after.back(), 0x1A) << label;
            if (otherAppends) {
                EXPECT_EQ(HeaderDate(after), Today()) << label;
            }
        }
    }
}

// A commit of a shared table while another program holds the file lock
// returns at once and does not call the table clean: the header's date,
// which it could not write, is written at the close once the lock is free.
// The appended record and its end mark are on the file after the commit.
TEST_F(SharedCloseTest, ACommitUnderAnotherProgramsLockLeavesTheDateToTheClose) {
    Peer other = Other();
    ASSERT_TRUE(other.Started());
    ASSERT_EQ(other.Ask('u'), 'u');
    USE(table);
    ASSERT_TRUE(AppendLocked({6}));
    ASSERT_EQ(other.Ask('f'), 'y');
    const long ms = MillisecondsOf([] { CommitDbfHeader(*CurrentWorkArea()); });
    EXPECT_LT(ms, 1000) << "the commit waited";
    EXPECT_EQ(LastError(), 0);
    const auto committed = ReadBytes(table);
    ASSERT_EQ(committed.size(), kHeaderLength + 6 * kRecordLength + 1);
    EXPECT_EQ(committed.back(), 0x1A);
    EXPECT_EQ(committed[4], 6);
    EXPECT_EQ(Dbfread(table), "1,2,3,4,5,6 0\n");
    ASSERT_EQ(other.Ask('x'), 'x');
    CloseArea();
    EXPECT_EQ(HeaderDate(ReadBytes(table)), Today()) << "the close after the lock was let go";
    ASSERT_EQ(other.Ask('c'), 'c');
    other.Send('q');
    EXPECT_EQ(other.Finish(), 0);
}

// A shared writer appending records 6..9 under the append lock, killed at
// every changing file call (nothing it does after the kill reaches the file,
// and it never closes): every record on the file is followed by the end
// mark, the engine and dbfread read the same records, every append that
// returned among them, and the next writer appends after them.
TEST_F(SharedCloseTest, ASharedWriterKilledInItsAppendsLeavesTheEndMarkAfterItsLastRecord) {
    const auto pristine = ReadBytes(table);
    auto run = [](std::vector<int>* reported) {
        ALock();
        for (int id = 6; id <= 9 && !FaultCalls::Fired(); ++id) {
            AppendId(id);
            if (reported && !FaultCalls::Fired()) reported->push_back(id);
        }
    };
    long total = 0;
    {
        USE(table);
        FaultCalls count;
        run(nullptr);
        total = FaultCalls::Calls();
        ResetAllProgramState();
    }
    ASSERT_GE(total, 4);
    for (long n = 1; n <= total + 1; ++n) {
        const std::string label = "killed at call " + std::to_string(n);
        std::vector<int> reported;
        const auto bytes = KilledAt(n, pristine, table, [&] { run(&reported); });
        const int onFile = RecordsBeforeEndMark(bytes, label);
        ASSERT_GE(onFile, 5) << label;
        EXPECT_GE(onFile, 5 + static_cast<int>(reported.size())) << label;
        const std::string ids = IdList(onFile);
        EXPECT_EQ(Dbfread(table), ids + " 0\n") << label;
        EXPECT_EQ(EngineIds(), ids) << label;
        USE(table);
        ASSERT_TRUE(ALock()) << label;
        AppendId(onFile + 1);
        CloseArea();
        EXPECT_EQ(Dbfread(table), ids + "," + std::to_string(onFile + 1) + " 0\n") << label;
    }
}

// The writes that reach the table file while `call` runs (writes and
// truncations; syncs and closes change none of its bytes).
long TableWritesOf(const std::function<void()>& call) {
    FaultCalls count;
    call();
    long writes = 0;
    for (const auto& c : FaultCalls::Log())
        if (EndsWith(c.path, "s.dbf") && c.call != "close" && c.call != "fsync") ++writes;
    return writes;
}

// This program appends record 6 and commits, twice, and later appends
// record 7 and closes, each while the other program holds the file lock or
// the append lock. The one try for the append lock fails: neither the
// record count, nor the date, nor an end mark is written, the file keeps
// every byte the append left, and the table stays changed, so that the
// first commit after the other program let go dates the header.
TEST_F(SharedCloseTest, AWriteBackRefusedTheAppendLockWritesNothingAndLeavesTheTableChanged) {
    const auto pristine = ReadBytes(table);
    for (char lock : {'f', 'a'}) {
        const std::string label = std::string("other program's lock ") + lock;
        WriteBytes(table, pristine);
        Peer other = Other();
        ASSERT_TRUE(other.Started()) << label;
        ASSERT_EQ(other.Ask('u'), 'u') << label;
        USE(table);
        ASSERT_TRUE(AppendLocked({6})) << label;
        ASSERT_EQ(other.Ask(lock), 'y') << label;
        const auto appended = ReadBytes(table);
        ASSERT_EQ(appended.size(), kHeaderLength + 6 * kRecordLength + 1) << label;
        for (int commit = 1; commit <= 2; ++commit) {
            const std::string which = label + ", commit " + std::to_string(commit);
            EXPECT_EQ(TableWritesOf([] { CommitDbfHeader(*CurrentWorkArea()); }), 0) << which;
            EXPECT_EQ(LastError(), 0) << which;
            const auto after = ReadBytes(table);
            EXPECT_EQ(HeaderDate(after), (std::vector<int>{99, 1, 2})) << which;
            EXPECT_TRUE(after == appended) << which << ": the file's bytes changed";
        }
        // The table was not called clean: the commit after the lock was let
        // go writes the header.
        ASSERT_EQ(other.Ask('x'), 'x') << label;
        CommitDbfHeader(*CurrentWorkArea());
        EXPECT_EQ(LastError(), 0) << label;
        const auto dated = ReadBytes(table);
        EXPECT_EQ(HeaderDate(dated), Today()) << label << ": the commit with the lock free";
        EXPECT_EQ(dated[4], 6) << label;
        EXPECT_EQ(dated.back(), 0x1A) << label;

        // The close meets the lock taken in the same way.
        ASSERT_TRUE(AppendLocked({7})) << label;
        const auto before = ReadBytes(table);
        ASSERT_EQ(other.Ask(lock), 'y') << label;
        EXPECT_EQ(TableWritesOf([] { CloseArea(); }), 0) << label << ", close";
        EXPECT_EQ(LastError(), 0) << label << ", close";
        EXPECT_TRUE(ReadBytes(table) == before) << label << ", close: the file's bytes changed";
        EXPECT_EQ(Dbfread(table), "1,2,3,4,5,6,7 0\n") << label;

        ASSERT_EQ(other.Ask('x'), 'x') << label;
        ASSERT_EQ(other.Ask('c'), 'c') << label;
        other.Send('q');
        EXPECT_EQ(other.Finish(), 0) << label;
    }
}

// The IDs stored in the records on the file, read from its bytes: "1,2,...".
std::string IdsOnFile(const std::vector<uint8_t>& bytes) {
    std::string ids;
    for (std::size_t at = kHeaderLength; at + kRecordLength <= bytes.size(); at += kRecordLength)
        ids += (at > kHeaderLength ? "," : "") +
               std::to_string(std::stoi(std::string(bytes.begin() + static_cast<long>(at) + 1,
                                                    bytes.begin() + static_cast<long>(at) + 6)));
    return ids;
}

// A program holding the table alone appends records 6..4205: record 6 goes
// to the file at once, 7..4102 fill one collected block of 64 KiB that is
// written during the appends, 4103 goes to the file at once again, and
// 4104..4205 are written by the close before the header. Killed
// at each changing file call of the appends and the close in turn, the
// file ends with the end mark right behind its last whole record, above
// all when the kill came right after a block reached the file, and the
// records on it are 1.. in order, as the engine reads them.
TEST_F(SharedCloseTest, CollectedAppendsOfATableHeldAloneEndWithTheMarkWhereverAKillStopsThem) {
    const auto pristine = ReadBytes(table);
    constexpr int kLast = 4205;
    auto run = [] {
        for (int id = 6; id <= kLast && !FaultCalls::Fired(); ++id) AppendId(id);
        CloseArea();
    };
    long total = 0;
    {
        USE(table + " EXCLUSIVE");
        FaultCalls count;
        run();
        total = FaultCalls::Calls();
    }
    ASSERT_GE(total, 3);
    const auto whole = ReadBytes(table);
    ASSERT_EQ(whole.size(), kHeaderLength + kLast * kRecordLength + 1);
    EXPECT_EQ(whole.back(), 0x1A);
    for (long n = 1; n <= total; ++n) {
        const std::string label = "killed at call " + std::to_string(n);
        const auto bytes = KilledAt(n, pristine, table + " EXCLUSIVE", run);
        const int onFile = RecordsBeforeEndMark(bytes, label);
        ASSERT_GE(onFile, 5) << label;
        EXPECT_EQ(IdsOnFile(bytes), IdList(onFile)) << label;
        EXPECT_EQ(EngineIds(), IdList(onFile))
            << label << ": the engine reads every record on the file";
    }
}

}  // namespace
}  // namespace veldrim::testing
