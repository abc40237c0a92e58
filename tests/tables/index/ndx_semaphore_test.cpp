// Two programs sharing a table's indexes through the semaphore file: user
// counts, the last logout, a writer waiting for a reader, another
// program's appends seen through the change counter, and stale files.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "tables/index/index_fixture.h"
#include "tables/engine/locking.h"

namespace veldrim::testing {
namespace {

class NdxSemaphore : public IndexTest {
protected:
    void SetUp() override {
        IndexTest::SetUp();
        MakeSharedNameTable();
        semaphore = Path("s.@S@");
    }
    void OpenShared() {
        UseIn(1, table);
        Set_Index_To("s");
    }
    // The semaphore record: users, readers, change counter.
    struct Record {
        int users = -1, readers = -1, counter = -1;
    };
    Record Read() const {
        const auto b = ReadBytes(semaphore);
        if (b.size() < 4) return {};
        return {b[0], static_cast<int8_t>(b[1]), static_cast<int>(U16(b, 2))};
    }
    bool Exists() const { return std::filesystem::exists(semaphore); }

    // A second program: `body` runs in a forked child that talks to the
    // test through two pipes (Tell / Await one byte each way).
    template <class Body>
    void Child(Body body) {
        if (::pipe(toChild) != 0 || ::pipe(toParent) != 0) FAIL() << "pipe";
        pid = ::fork();
        if (pid == 0) {
            int rc = 0;
            try {
                body();
            } catch (const std::exception& e) {
                std::fprintf(stderr, "child: %s\n", e.what());
                rc = 3;
            }
            ::_exit(rc);
        }
        // Only the child writes to the parent and reads from it.
        ::close(toParent[1]);
        ::close(toChild[0]);
    }
    void Tell(int fd, char c) { ASSERT_EQ(::write(fd, &c, 1), 1); }
    char Await(int fd) {
        char c = 0;
        return ::read(fd, &c, 1) == 1 ? c : '?';
    }
    int Finish() {
        ::close(toChild[1]);
        ::close(toParent[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string semaphore;
    int toChild[2] = {-1, -1};
    int toParent[2] = {-1, -1};
    pid_t pid = -1;
};

TEST_F(NdxSemaphore, UsersAreCountedAndTheLastLogoutRemovesTheFile) {
    Child([&] {
        OpenShared();
        Tell(toParent[1], 'a');
        Await(toChild[0]);
        CloseAll();
        Tell(toParent[1], 'b');
    });
    ASSERT_EQ(Await(toParent[0]), 'a');
    EXPECT_EQ(Read().users, 1);
    OpenShared();
    EXPECT_EQ(Read().users, 2);
    Tell(toChild[1], 'x');
    ASSERT_EQ(Await(toParent[0]), 'b');
    EXPECT_EQ(Read().users, 1);
    CloseAll();
    EXPECT_FALSE(Exists());
    EXPECT_EQ(Finish(), 0);
}

TEST_F(NdxSemaphore, AWriterWaitsForAReaderAndCountsTheChange) {
    Child([&] {
        OpenShared();
        SetReadSemaphoreProc(true);
        Tell(toParent[1], 'r');
        WaitMs(300);
        SetReadSemaphoreProc(false);
        Await(toChild[0]);
        CloseAll();
    });
    ASSERT_EQ(Await(toParent[0]), 'r');
    OpenShared();
    const Record before = Read();
    EXPECT_EQ(before.readers, 1);
    const auto t0 = std::chrono::steady_clock::now();
    SetLockSemaphoreProc(true);
    const auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    EXPECT_EQ(Read().readers, 1);  // held by the writer
    SetLockSemaphoreProc(false);
    EXPECT_EQ(Read().readers, 0);
    EXPECT_EQ(Read().counter, (before.counter + 1) % 65535);
    Tell(toChild[1], 'x');
    EXPECT_EQ(Finish(), 0);
}

TEST_F(NdxSemaphore, AnotherProgramsAppendIsFound) {
    Child([&] {
        Await(toChild[0]);
        OpenShared();
        FLock();
        AddRecord([] { SetBinaryText(1, "zulu"); });
        Unlock();
        Tell(toParent[1], 'w');
        Await(toChild[0]);
        CloseAll();
    });
    // This program reads the index before the other one appends.
    OpenShared();
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 2, 3}));
    Tell(toChild[1], 'g');
    ASSERT_EQ(Await(toParent[0]), 'w');
    EXPECT_TRUE(FindExact("zulu"));
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(CheckIndexTree(1).keys, 4);
    Tell(toChild[1], 'x');
    EXPECT_EQ(Finish(), 0);
}

TEST_F(NdxSemaphore, AnIndexInUseElsewhereIsNotRebuilt) {
    Child([&] {
        OpenShared();
        Tell(toParent[1], 'o');
        Await(toChild[0]);
        CloseAll();
    });
    ASSERT_EQ(Await(toParent[0]), 'o');
    UseIn(1, table);
    const auto before = ReadBytes(Path("s.NDX"));
    EXPECT_TRUE(
        Contains(Raised([] { MakeIndex("NAME", "s"); }), "Exklusiver Zugriff erforderlich"));
    EXPECT_EQ(LastError(), 225);
    EXPECT_EQ(ReadBytes(Path("s.NDX")), before);
    Tell(toChild[1], 'x');
    EXPECT_EQ(Finish(), 0);
    MakeIndex("NAME", "s");
    EXPECT_EQ(LastError(), 0);
}

void MakeYesterday(const std::string& path) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = std::time(nullptr) - 2 * 86400;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST_F(NdxSemaphore, AStaleFileIsRenewedOnlyWhenNobodyHasItOpen) {
    // Left by a crashed program two days ago: five users, nobody there.
    WriteBytes(semaphore, {5, 0, 7, 0});
    MakeYesterday(semaphore);
    OpenShared();
    EXPECT_EQ(Read().users, 1);
    EXPECT_EQ(Read().counter, 0);
    // Old again, but this program has it open: another program's login
    // counts on.
    MakeYesterday(semaphore);
    Child([&] {
        UseIn(3, table + " ALIAS THIRD");
        MakeIndex("NAME", "s3");
        Set_Index_To("s3");
        Tell(toParent[1], 'l');
        Await(toChild[0]);
        CloseArea();
    });
    ASSERT_EQ(Await(toParent[0]), 'l');
    EXPECT_EQ(Read().users, 2);
    Tell(toChild[1], 'x');
    EXPECT_EQ(Finish(), 0);
}

TEST_F(NdxSemaphore, PhasesMustPairAndTheCounterSkips65535) {
    OpenShared();
    EXPECT_TRUE(Contains(Raised([] { HandleSemafore(kDecRead); }),
                         "Unbalanced IncRead/DecRead for semaphore file: "));
    EXPECT_EQ(LastError(), 254);
    EXPECT_TRUE(Contains(Raised([] { SetLockSemaphoreProc(false); }),
                         "Non-symmetrical Lock-Unlock [SetLockSemaphoreProc]"));
    WriteBytes(semaphore, {1, 0, 0xFE, 0xFF});  // counter 65534
    SetLockSemaphoreProc(true);
    SetLockSemaphoreProc(false);
    EXPECT_EQ(Read().counter, 0);
    CloseAll();
    UseIn(1, table + " EXCLUSIVE");
    Set_Index_To("s");
    EXPECT_FALSE(Exists());
}

}  // namespace
}  // namespace veldrim::testing
