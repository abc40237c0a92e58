// Programs sharing a table's indexes, each a forked process that talks with
// the test through pipes: a program that wrote from inside its own read
// phase still keeps other writers out until that read phase ends, and a
// FIND that is the first verb after another program was killed in the
// middle of a split rebuilds the marked index with every record the table
// holds now.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "foundation/file_calls.h"
#include "tables/engine/locking.h"
#include "support/fault_calls.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

// Instruments of the file call table inside one child process.
struct ChildWatch {
    // The first lock call refused because another program holds the lock:
    // this program now waits, and says 'q' once.
    static inline Peer* onRefusal = nullptr;
    // The first anchor write of an index file ending in `killIndex` that
    // puts the change mark on the disk: 'm' is said, and when the test
    // answers the process sends itself SIGKILL.
    static inline Peer* killer = nullptr;
    static inline std::string killIndex;

    static int Lock(int fd, int command, struct flock* region) {
        const int r = SystemFileCalls().lock(fd, command, region);
        const int err = errno;
        if (r != 0 && (err == EAGAIN || err == EACCES) && onRefusal) {
            onRefusal->Tell('q');
            onRefusal = nullptr;
        }
        errno = err;
        return r;
    }
    static ssize_t Pwrite(int fd, const void* buf, std::size_t n, off_t offset) {
        const ssize_t r = SystemFileCalls().pwrite(fd, buf, n, offset);
        const auto* b = static_cast<const uint8_t*>(buf);
        if (killer && offset == 0 && n >= 9 && b[8] == 1 &&
            EndsWith(PathOfDescriptor(fd), killIndex)) {
            killer->Tell('m');
            killer->Await();
            ::raise(SIGKILL);
        }
        return r;
    }
    ChildWatch() {
        FileCallTable t = SystemFileCalls();
        t.lock = Lock;
        t.pwrite = Pwrite;
        FileCalls = t;
    }
};

class NdxPhaseShares : public IndexTest {
protected:
    void SetUp() override {
        IndexTest::SetUp();
        MakeSharedNameTable();
    }
    void OpenShared(const std::string& indexes = "s") {
        UseIn(1, table);
        Set_Index_To(indexes);
    }
    static void Add(const std::string& name) {
        FLock();
        AddRecord([&] { SetBinaryText(1, name); });
        Unlock();
    }
    // The readers byte of the semaphore file.
    int Readers() const {
        const auto b = ReadBytes(Path("s.@S@"));
        return b.size() < 4 ? -1 : static_cast<int8_t>(b[1]);
    }
};

// A program goes from its read phase into a write phase and back. While the
// rest of its read phase lasts, the index may not change under it: another
// program's writer that comes then waits until the read phase ends.
TEST_F(NdxPhaseShares, AWritePhaseEndedInsideAReadPhaseKeepsOtherWritersWaiting) {
    Peer upgrader([this](Peer& p) {
        OpenShared();
        p.Tell('o');
        p.Await();
        SetReadSemaphoreProc(true);
        SetLockSemaphoreProc(true);
        SetLockSemaphoreProc(false);
        p.Tell('r');  // still inside the read phase
        p.Await();
        SetReadSemaphoreProc(false);
        p.Tell('e');
        p.Await();
        CloseAll();
        return 0;
    });
    Peer writer([this](Peer& p) {
        OpenShared();
        p.Tell('o');
        p.Await();
        ChildWatch watch;
        ChildWatch::onRefusal = &p;
        SetLockSemaphoreProc(true);
        p.Tell('W');
        SetLockSemaphoreProc(false);
        ResetFileCalls();
        CloseAll();
        return 0;
    });
    ASSERT_TRUE(upgrader.Started());
    ASSERT_TRUE(writer.Started());
    ASSERT_EQ(upgrader.Receive(), 'o');
    ASSERT_EQ(writer.Receive(), 'o');
    upgrader.Send('g');
    ASSERT_EQ(upgrader.Receive(), 'r');
    // One program is inside a read phase.
    EXPECT_EQ(Readers(), 1);
    writer.Send('g');
    EXPECT_EQ(writer.Receive(), 'q') << "the writer got in during another program's read phase";
    upgrader.Send('x');
    EXPECT_EQ(upgrader.Receive(), 'e');
    EXPECT_EQ(writer.Receive(), 'W') << "the writer gets in once the read phase is over";
    upgrader.Send('x');
    EXPECT_EQ(upgrader.Finish(), 0);
    EXPECT_EQ(writer.Finish(), 0);
}

// This program opened both indexes when the table held 3 records. Another
// program then appends until its first split of t and is killed with t's
// change mark on the disk. The first verb here is a FIND in t, which does
// not count the table's records itself: the rebuild it starts must key all
// records the table holds now, not the 3 this program saw at its open.
TEST_F(NdxPhaseShares, AFindThatRebuildsAMarkedIndexKeysEveryRecordOfTheTable) {
    UseIn(1, table);
    FLock();
    MakeIndex("NAME", "t");
    CloseAll();
    Peer splitter([this](Peer& p) {
        p.Await();
        OpenShared("s t");
        ChildWatch watch;
        ChildWatch::killer = &p;
        ChildWatch::killIndex = "t.NDX";
        char name[16];
        for (int i = 0; i < 200; ++i) {
            std::snprintf(name, sizeof name, "k%03d", i);
            Add(name);
        }
        return 1;  // never split t
    });
    ASSERT_TRUE(splitter.Started());
    OpenShared("s t");
    Set_Order_To(2);
    ASSERT_EQ(RecCount(), 3);
    splitter.Send('s');
    ASSERT_EQ(splitter.Receive(), 'm') << "the other program split t";
    splitter.Send('k');
    EXPECT_EQ(splitter.Finish(), -1) << "killed";
    ASSERT_EQ(ReadBytes(Path("t.NDX")).at(8), 1) << "the dead program's change mark";

    // The first record the other program appended (record 4).
    EXPECT_TRUE(FindExact("k000"));
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(ReadBytes(Path("t.NDX")).at(8), 0) << "the rebuilt index carries no mark";
    // A split of 8-byte keys comes at the 32nd key: at least 29 records were
    // appended, each of them complete on the file before t was touched.
    const int32_t records = RecCount();
    EXPECT_GE(records, 32);
    const TIndexCheck check = CheckIndexTree(1);
    EXPECT_TRUE(check.ok) << check.problem;
    EXPECT_EQ(check.keys, records);
    for (int32_t r = 4; r <= records; ++r) {
        char name[16];
        std::snprintf(name, sizeof name, "k%03d", r - 4);
        EXPECT_TRUE(FindExact(name)) << name;
        EXPECT_EQ(RecNo(), r) << name;
    }
    EXPECT_TRUE(FindExact("charly"));
    EXPECT_EQ(RecNo(), 3);
}

}  // namespace
}  // namespace veldrim::testing
