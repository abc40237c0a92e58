// Programs sharing a table's indexes, each a forked process: a phase whose
// semaphore could not be taken, writers that time out, processes killed
// inside a phase, a writer among busy readers, an index opened while another
// program splits a node, and one table reached through two names.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "foundation/file_calls.h"
#include "support/fault_calls.h"
#include "tables/engine/locking.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

// The file a descriptor of this process stands for.

// Instruments of the file call table, installed in one process at a time.
struct Watch {
    // A lock call refused because another program holds the lock: this
    // process now waits for it. One 'q' goes to `refusedFd`, once.
    static inline int refusedFd = -1;
    // The next read of the semaphore file fails (an I/O error).
    static inline bool failSemaphoreRead = false;
    // Once the index file ending in `pauseIndex` has its change mark on the
    // disk, 'm' goes to `pauseUp` and the writer waits for a byte from
    // `pauseDown`.
    static inline std::string pauseIndex;
    static inline int pauseUp = -1;
    static inline int pauseDown = -1;

    static int Lock(int fd, int command, struct flock* region) {
        const int r = SystemFileCalls().lock(fd, command, region);
        const int err = errno;
        if (r != 0 && (err == EAGAIN || err == EACCES) && refusedFd >= 0) {
            const char q = 'q';
            if (::write(refusedFd, &q, 1) != 1) std::perror("watch");
            refusedFd = -1;
        }
        errno = err;
        return r;
    }
    static ssize_t Pread(int fd, void* buf, std::size_t n, off_t offset) {
        if (failSemaphoreRead && EndsWith(PathOfDescriptor(fd), ".@S@")) {
            failSemaphoreRead = false;
            errno = EIO;
            return -1;
        }
        return SystemFileCalls().pread(fd, buf, n, offset);
    }
    static ssize_t Pwrite(int fd, const void* buf, std::size_t n, off_t offset) {
        const ssize_t r = SystemFileCalls().pwrite(fd, buf, n, offset);
        const auto* b = static_cast<const uint8_t*>(buf);
        if (pauseUp >= 0 && offset == 0 && n >= 9 && b[8] == 1 &&
            EndsWith(PathOfDescriptor(fd), pauseIndex)) {
            char c = 'm';
            if (::write(pauseUp, &c, 1) != 1 || ::read(pauseDown, &c, 1) != 1) std::perror("pause");
            pauseUp = -1;
        }
        return r;
    }
    Watch() {
        FileCallTable t = SystemFileCalls();
        t.lock = Lock;
        t.pread = Pread;
        t.pwrite = Pwrite;
        FileCalls = t;
    }
    ~Watch() {
        ResetFileCalls();
        refusedFd = pauseUp = pauseDown = -1;
        failSemaphoreRead = false;
    }
};

// Both ends of a program's conversation: one byte at a time each way, or a
// number.
struct Channel {
    int in = -1;
    int out = -1;
    void Say(char c) const {
        if (::write(out, &c, 1) != 1) std::perror("say");
    }
    char Hear() const {
        char c = 0;
        return ::read(in, &c, 1) == 1 ? c : '?';
    }
    void SayNumber(int32_t v) const {
        if (::write(out, &v, sizeof v) != sizeof v) std::perror("say");
    }
    int32_t HearNumber() const {
        int32_t v = -1;
        return ::read(in, &v, sizeof v) == sizeof v ? v : -1;
    }
};

// Another program: `body` runs in a forked child with its end of the
// conversation; an engine error it raises is printed and ends it with 3.
// A child never outlives a stuck test by more than a minute.
class Program {
public:
    template <class Body>
    explicit Program(Body body) {
        int down[2], up[2];
        if (::pipe(down) != 0 || ::pipe(up) != 0) std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::alarm(60);
            ::close(down[1]);
            ::close(up[0]);
            int rc = 0;
            try {
                body(Channel{down[0], up[1]});
            } catch (const std::exception& e) {
                std::fprintf(stderr, "program %d: %s\n", ::getpid(), e.what());
                rc = 3;
            }
            ::_exit(rc);
        }
        ::close(down[0]);
        ::close(up[1]);
        talk_ = Channel{up[0], down[1]};
    }
    ~Program() {
        if (pid_ > 0) Kill();
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const Channel& Talk() const { return talk_; }
    void Kill() {
        ::kill(pid_, SIGKILL);
        Finish();
    }
    // Exit status (-1 when killed).
    int Finish() {
        if (pid_ <= 0) return status_;
        ::close(talk_.out);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ::close(talk_.in);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }

private:
    pid_t pid_ = -1;
    Channel talk_;
    int status_ = -1;
};

class NdxSharedPhases : public IndexTest {
protected:
    void SetUp() override {
        IndexTest::SetUp();
        MakeSharedNameTable();
        semaphore = Path("s.@S@");
    }
    void OpenShared(const std::string& indexes = "s") {
        UseIn(1, table);
        Set_Index_To(indexes);
    }
    // A program's part that opens the table ('o'), and when it hears a
    // byte takes a write phase ('h') and keeps it until the next byte.
    void HoldAWritePhase(const Channel& c) {
        OpenShared();
        c.Say('o');
        c.Hear();
        SetLockSemaphoreProc(true);
        c.Say('h');
        c.Hear();
        SetLockSemaphoreProc(false);
        CloseAll();
    }
    // A program's part that opens the table ('o') and when it hears a byte
    // starts a read phase: 'q' when it has to wait, 'R' and the change
    // counter once inside.
    void ReadWhenTold(const Channel& c) {
        OpenShared();
        c.Say('o');
        c.Hear();
        Watch watch;
        Watch::refusedFd = c.out;
        SetReadSemaphoreProc(true);
        c.Say('R');
        c.SayNumber(Counter());
        SetReadSemaphoreProc(false);
        CloseAll();
    }
    // A second index t on NAME beside s.
    void MakeSecondIndex() {
        UseIn(1, table);
        FLock();
        MakeIndex("NAME", "t");
        CloseAll();
    }
    // A program's part that appends, with both indexes open, until its first
    // split of t's tree has put the change mark on the disk; it stops there
    // until it hears a byte, and gives the number of its appends.
    int32_t AppendUntilASplitOfT(const Channel& c) {
        OpenShared("s t");
        Watch watch;
        Watch::pauseIndex = "t.NDX";
        Watch::pauseUp = c.out;
        Watch::pauseDown = c.in;
        int32_t added = 0;
        char name[16];
        for (; Watch::pauseUp >= 0 && added < 200; ++added) {
            std::snprintf(name, sizeof name, "k%03d", added);
            Add(name);
        }
        return added;
    }
    void Add(const std::string& name) {
        FLock();
        AddRecord([&] { SetBinaryText(1, name); });
        Unlock();
    }
    int Counter() const {
        const auto b = ReadBytes(semaphore);
        return b.size() < 4 ? -1 : static_cast<int>(U16(b, 2));
    }
    int Readers() const {
        const auto b = ReadBytes(semaphore);
        return b.size() < 4 ? -1 : static_cast<int8_t>(b[1]);
    }
    int Users() const {
        const auto b = ReadBytes(semaphore);
        return b.size() < 4 ? -1 : b[0];
    }

    std::string semaphore;
};

// A REPLACE whose write phase begins by rebuilding an index that a killed
// program left marked writes the values set before it, not the record as
// the rebuild last read it.
TEST_F(NdxSharedPhases, AReplaceWhosePhaseRebuildsAMarkedIndexWritesTheValuesSet) {
    OpenShared();
    GO(2);
    ASSERT_TRUE(RLock());
    SetBinaryText(1, "zulu");
    std::vector<uint8_t> index = ReadBytes(Path("s.NDX"));
    index.at(8) = 1;
    WriteBytes(Path("s.NDX"), index);
    Replace();
    Unlock();
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(ReadBytes(Path("s.NDX")).at(8), 0);
    GO(2);
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "zulu");
    EXPECT_TRUE(FindExact("zulu"));
    EXPECT_EQ(RecNo(), 2);
    EXPECT_FALSE(FindExact("bravo"));
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 3, 2}));
}

// An open that keys a record appended without the index waits for its
// write phase while another program splits the full root; the anchor it
// then writes keeps the new root, so no key is lost.
TEST_F(NdxSharedPhases, AnOpenKeyingALeftRecordKeepsARootSplitMadeWhileItWaited) {
    // Character keys of 8 bytes: 31 a node; the root leaf is full.
    std::vector<std::string> names{"alpha", "bravo", "charly"};
    OpenShared();
    for (int i = 0; i < 28; ++i) {
        names.push_back("m" + std::to_string(100 + i));
        Add(names.back());
    }
    CloseAll();
    Program splitter([this](Channel c) {
        OpenShared();
        c.Say('o');
        c.Hear();
        SetReadSemaphoreProc(true);
        c.Say('r');
        c.Hear();
        Add("m300");  // keys the record left without its key first: 33 keys
        SetReadSemaphoreProc(false);
        c.Say('a');
        c.Hear();
        CloseAll();
    });
    ASSERT_EQ(splitter.Talk().Hear(), 'o');
    UseIn(1, table);
    names.push_back("m200");
    Add(names.back());
    CloseAll();
    names.push_back("m300");
    splitter.Talk().Say('r');
    ASSERT_EQ(splitter.Talk().Hear(), 'r');
    Program opener([this](Channel c) {
        UseIn(1, table);
        Watch watch;
        Watch::refusedFd = c.out;
        Set_Index_To("s");
        CloseAll();
    });
    ASSERT_EQ(opener.Talk().Hear(), 'q') << "the open waits for its write phase";
    splitter.Talk().Say('a');
    ASSERT_EQ(splitter.Talk().Hear(), 'a');
    splitter.Talk().Say('x');
    EXPECT_EQ(splitter.Finish(), 0);
    EXPECT_EQ(opener.Finish(), 0);
    OpenShared();
    for (std::size_t r = 0; r < names.size(); ++r) {
        EXPECT_TRUE(FindExact(names[r])) << names[r];
        EXPECT_EQ(RecNo(), static_cast<int32_t>(r) + 1) << names[r];
    }
    const TIndexCheck check = CheckIndexTree(1);
    EXPECT_TRUE(check.ok) << check.problem;
    EXPECT_EQ(check.keys, 33);
}

TEST_F(NdxSharedPhases, APhaseWhoseSemaphoreFailedIsTakenAgainByTheNext) {
    OpenShared();
    const int before = Counter();
    Watch watch;
    // The write phase fails on its way in; the next one is a real one and
    // counts its change.
    Watch::failSemaphoreRead = true;
    const std::string raised = Raised([] { SetLockSemaphoreProc(true); });
    EXPECT_TRUE(Contains(raised, "Cannot read: ")) << raised;
    EXPECT_TRUE(Contains(raised, "LOCKSEMAPHORE")) << raised;
    SetLockSemaphoreProc(true);
    EXPECT_EQ(Readers(), 1);
    SetLockSemaphoreProc(false);
    EXPECT_EQ(Counter(), before + 1);
    EXPECT_EQ(Readers(), 0);
    // The same for a read phase: the next one registers as reader.
    Watch::failSemaphoreRead = true;
    EXPECT_TRUE(Contains(Raised([] { SetReadSemaphoreProc(true); }), "INCREAD"));
    SetReadSemaphoreProc(true);
    EXPECT_EQ(Readers(), 1);
    SetReadSemaphoreProc(false);
    EXPECT_EQ(Readers(), 0);
    // Ending a phase that never began is still an unbalanced call.
    EXPECT_TRUE(Contains(Raised([] { SetLockSemaphoreProc(false); }),
                         "Non-symmetrical Lock-Unlock [SetLockSemaphoreProc]"));
}

TEST_F(NdxSharedPhases, AnAppendWhosePhaseFailedWritesNothingAndReportsItsOwnError) {
    OpenShared();
    const auto table0 = ReadBytes(table);
    const auto index0 = ReadBytes(Path("s.NDX"));
    const bool raise = SetRaiseOnError(false);
    {
        Watch watch;
        FLock();
        Watch::failSemaphoreRead = true;
        AddRecord([] { SetBinaryText(1, "delta"); });
        Unlock();
    }
    SetRaiseOnError(raise);
    EXPECT_EQ(ReadBytes(table), table0);
    EXPECT_EQ(ReadBytes(Path("s.NDX")), index0);
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(Contains(shown[0].text, "Cannot read: ")) << shown[0].text;
    // The next append takes the semaphore and counts its change.
    const int before = Counter();
    Add("delta");
    EXPECT_EQ(Counter(), before + 1);
    EXPECT_TRUE(FindExact("delta"));
    EXPECT_EQ(RecNo(), 4);
}

TEST_F(NdxSharedPhases, WritersThatTimedOutLeaveTheIndexAsItWas) {
    Program holder([this](Channel c) { HoldAWritePhase(c); });
    ASSERT_EQ(holder.Talk().Hear(), 'o');
    OpenShared();
    holder.Talk().Say('w');
    ASSERT_EQ(holder.Talk().Hear(), 'h');
    SemaphoreTimeoutSeconds = 1;
    const auto table0 = ReadBytes(table);
    const auto index0 = ReadBytes(Path("s.NDX"));
    // Twice: the second writer must wait as the first did.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const std::string raised = Raised([&] { Add("delta"); });
        EXPECT_TRUE(Contains(raised, "1 second timeout, cannot read: ")) << attempt << raised;
        EXPECT_EQ(LastError(), 1202) << attempt;
        Unlock();
        EXPECT_EQ(ReadBytes(table), table0) << attempt;
        EXPECT_EQ(ReadBytes(Path("s.NDX")), index0) << attempt;
    }
    holder.Talk().Say('x');
    EXPECT_EQ(holder.Finish(), 0);
    const int before = Counter();
    Add("delta");
    EXPECT_EQ(Counter(), before + 1);
    EXPECT_TRUE(CheckIndexTree(1).ok);
    EXPECT_EQ(CheckIndexTree(1).keys, 4);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(NdxSharedPhases, AProgramKilledInsideAPhaseHoldsUpNobody) {
    SemaphoreTimeoutSeconds = 1;
    for (const bool write : {false, true}) {
        Program victim([this, write](Channel c) {
            UseIn(1, Path("s.dbf"));
            Set_Index_To("s");
            (write ? SetLockSemaphoreProc : SetReadSemaphoreProc)(true);
            c.Say('p');
            c.Hear();
        });
        ASSERT_EQ(victim.Talk().Hear(), 'p') << write;
        victim.Kill();
    }
    OpenShared();
    const int before = Counter();
    EXPECT_EQ(Raised([&] { Add("delta"); }), "<nothing raised>");
    EXPECT_EQ(Counter(), before + 1);
    EXPECT_TRUE(FindExact("delta"));
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(NdxSharedPhases, AWaitingWriterGoesBeforeReadersThatCameAfterIt) {
    auto open = [this] {
        UseIn(1, Path("s.dbf"));
        Set_Index_To("s");
    };
    // The first reader stays inside its read phase until told.
    Program first([&](Channel c) {
        open();
        SetReadSemaphoreProc(true);
        c.Say('r');
        c.Hear();
        SetReadSemaphoreProc(false);
        CloseAll();
    });
    ASSERT_EQ(first.Talk().Hear(), 'r');
    // The second reader opens now and starts its read phase when told; it
    // reports when it waits and then the change counter it finds inside.
    Program second([this](Channel c) { ReadWhenTold(c); });
    ASSERT_EQ(second.Talk().Hear(), 'o');
    const int before = Counter();
    Program writer([&](Channel c) {
        open();
        Watch watch;
        Watch::refusedFd = c.out;
        SetLockSemaphoreProc(true);
        c.Say('W');
        SetLockSemaphoreProc(false);
        CloseAll();
    });
    // The writer waits for the first reader ...
    ASSERT_EQ(writer.Talk().Hear(), 'q');
    // ... and the second reader waits behind the writer.
    second.Talk().Say('g');
    EXPECT_EQ(second.Talk().Hear(), 'q');
    first.Talk().Say('x');
    EXPECT_EQ(writer.Talk().Hear(), 'W');
    EXPECT_EQ(second.Talk().Hear(), 'R');
    EXPECT_EQ(second.Talk().HearNumber(), before + 1);
    EXPECT_EQ(first.Finish(), 0);
    EXPECT_EQ(writer.Finish(), 0);
    EXPECT_EQ(second.Finish(), 0);
}

TEST_F(NdxSharedPhases, AReaderWaitsForAWriterThatCameFromItsOwnReadPhase) {
    // This program writes from inside its own read phase.
    Program upgrader([this](Channel c) {
        OpenShared();
        c.Say('o');
        c.Hear();
        SetReadSemaphoreProc(true);
        SetLockSemaphoreProc(true);
        c.Say('h');
        c.Hear();
        SetLockSemaphoreProc(false);
        SetReadSemaphoreProc(false);
        CloseAll();
    });
    Program reader([this](Channel c) { ReadWhenTold(c); });
    ASSERT_EQ(upgrader.Talk().Hear(), 'o');
    ASSERT_EQ(reader.Talk().Hear(), 'o');
    const int before = Counter();
    upgrader.Talk().Say('w');
    ASSERT_EQ(upgrader.Talk().Hear(), 'h');
    reader.Talk().Say('g');
    EXPECT_EQ(reader.Talk().Hear(), 'q');
    upgrader.Talk().Say('x');
    // The reader gets in once the write phase is over, and finds the
    // change counted.
    EXPECT_EQ(reader.Talk().Hear(), 'R');
    EXPECT_EQ(reader.Talk().HearNumber(), before + 1);
    EXPECT_EQ(upgrader.Finish(), 0);
    EXPECT_EQ(reader.Finish(), 0);
}

TEST_F(NdxSharedPhases, AnIndexOpenedDuringAnotherProgramsSplitWaitsAndReadsRight) {
    MakeSecondIndex();
    Program splitter([&](Channel c) {
        c.Hear();
        c.SayNumber(AppendUntilASplitOfT(c));
        c.Hear();
        CloseAll();
    });
    Program reader([&](Channel c) {
        OpenShared("s");
        c.Say('o');
        c.Hear();
        Watch watch;
        Watch::refusedFd = c.out;
        OpenIndex("t", 2);
        Set_Order_To(2);
        c.Say('k');
        c.SayNumber(static_cast<int32_t>(WalkRecords().size()));
        c.SayNumber(CheckIndexTree(1).ok ? 1 : 0);
        CloseAll();
    });
    ASSERT_EQ(reader.Talk().Hear(), 'o');
    splitter.Talk().Say('s');
    ASSERT_EQ(splitter.Talk().Hear(), 'm');
    EXPECT_EQ(ReadBytes(Path("t.NDX"))[8], 1);  // the mark is on the disk
    reader.Talk().Say('g');
    // The reader waits for the splitter instead of calling the index damaged.
    EXPECT_EQ(reader.Talk().Hear(), 'q');
    splitter.Talk().Say('g');
    const int32_t added = splitter.Talk().HearNumber();
    EXPECT_GT(added, 0);
    EXPECT_EQ(reader.Talk().Hear(), 'k');
    EXPECT_EQ(reader.Talk().HearNumber(), 3 + added);
    EXPECT_EQ(reader.Talk().HearNumber(), 1);
    splitter.Talk().Say('x');
    EXPECT_EQ(splitter.Finish(), 0);
    EXPECT_EQ(reader.Finish(), 0);
}

// A program killed in the middle of a split leaves its change mark on the
// disk, and the tree may have lost keys. The next program to begin a phase,
// a writer or a reader that had the indexes open before the kill, rebuilds
// the marked index in its place and goes on: nobody is blocked by the dead
// program, and every record has its key.
TEST_F(NdxSharedPhases, AMarkLeftByAProgramKilledInASplitIsRebuiltByTheNextPhase) {
    MakeSecondIndex();
    for (const bool writes : {true, false}) {
        const char* label = writes ? "next phase a writer's" : "next phase a reader's";
        Program splitter([&](Channel c) {
            c.Hear();
            AppendUntilASplitOfT(c);
        });
        Program next([&](Channel c) {
            OpenShared("s t");
            Set_Order_To(2);
            c.Say('o');
            c.Hear();
            int32_t walked = -1;
            const std::string raised = Raised([&] {
                if (writes)
                    Add("zulu");
                else
                    walked = static_cast<int32_t>(WalkRecords().size());
            });
            c.SayNumber(raised == "<nothing raised>" ? 0 : 1);
            c.SayNumber(walked);
            c.SayNumber(ReadBytes(Path("t.NDX"))[8]);
            CloseAll();
        });
        ASSERT_EQ(next.Talk().Hear(), 'o') << label;
        splitter.Talk().Say('s');
        ASSERT_EQ(splitter.Talk().Hear(), 'm') << label;
        splitter.Kill();
        ASSERT_EQ(ReadBytes(Path("t.NDX"))[8], 1) << label << ": the dead program's mark";
        next.Talk().Say('g');
        EXPECT_EQ(next.Talk().HearNumber(), 0) << label << ": an error was raised";
        const int32_t walked = next.Talk().HearNumber();
        EXPECT_EQ(next.Talk().HearNumber(), 0) << label << ": the mark is still on the disk";
        EXPECT_EQ(next.Finish(), 0) << label;
        // Opened shared (nothing rebuilt at this open), both trees are sound
        // and hold every record of the table.
        OpenShared("s t");
        const int32_t records = RecCount();
        if (!writes) {
            EXPECT_EQ(walked, records) << label;
        }
        for (int order : {1, 2}) {
            Set_Order_To(order);
            EXPECT_TRUE(CheckIndexTree(1).ok) << label << ", order " << order;
            EXPECT_EQ(CheckIndexTree(1).keys, records) << label << ", order " << order;
        }
        Set_Order_To(2);
        if (writes) {
            EXPECT_TRUE(FindExact("zulu")) << label << ": the writer's append";
        }
        CloseAll();
    }
}

// A reader stands in its walk of the order while another program's REPLACE
// changes a key it has passed over and is killed at one of its file calls,
// each in turn (the last run is not killed). The tree may then have changed
// in full without the change being counted: the walk must not go on from
// the node it had read before, which still holds the record under its old
// key. It goes on in key order, meeting every record once.
TEST_F(NdxSharedPhases, AWalkGoesOnInKeyOrderPastAReplaceKilledAtAnyOfItsCalls) {
    bool finished = false;
    for (long killAt = 1; killAt <= 40 && !finished; ++killAt) {
        const std::string label = "killed at call " + std::to_string(killAt);
        CloseAll();
        std::filesystem::remove(semaphore);
        MakeSharedNameTable();
        Program writer([&](Channel c) {
            OpenShared();
            GO(2);
            if (!RLock()) return;
            GO(2);
            c.Say('o');
            c.Hear();
            SetBinaryText(1, "zulu");
            FaultCalls kill(FaultCalls::kSelfKill, killAt);
            Replace();
            Unlock();
            c.Say('d');
            c.Hear();
        });
        ASSERT_EQ(writer.Talk().Hear(), 'o') << label;
        OpenShared();
        GoTop();
        ASSERT_EQ(TrimRightStr(BinaryText(1)), "alpha") << label;
        writer.Talk().Say('g');
        finished = writer.Talk().Hear() == 'd';
        if (finished) writer.Talk().Say('x');
        EXPECT_EQ(writer.Finish(), finished ? 0 : -1) << label;
        std::vector<std::string> walked{"alpha"};
        for (SKIP(1); !dEOF(); SKIP(1)) walked.push_back(TrimRightStr(BinaryText(1)));
        // Record 2 holds its new name once its write reached the file.
        const auto bytes = ReadBytes(table);
        const std::size_t second = U16(bytes, 8) + U16(bytes, 10) + 1;
        const bool written = std::string(bytes.begin() + static_cast<long>(second),
                                         bytes.begin() + static_cast<long>(second) + 4) == "zulu";
        const std::vector<std::string> inKeyOrder =
            written ? std::vector<std::string>{"alpha", "charly", "zulu"}
                    : std::vector<std::string>{"alpha", "bravo", "charly"};
        EXPECT_EQ(walked, inKeyOrder) << label;
    }
    EXPECT_TRUE(finished) << "the REPLACE was killed at each of 40 calls";
}

TEST_F(NdxSharedPhases, ATableOpenedThroughALinkedNameSharesTheSemaphore) {
    const std::string linked = Path("linked");
    std::filesystem::create_directory(linked);
    std::filesystem::create_symlink(table, linked + "/s.dbf");
    std::filesystem::create_symlink(Path("s.NDX"), linked + "/s.NDX");
    Program holder([this](Channel c) { HoldAWritePhase(c); });
    ASSERT_EQ(holder.Talk().Hear(), 'o');
    UseIn(1, linked + "/s.dbf");
    Set_Index_To("s");
    EXPECT_EQ(Users(), 2);
    EXPECT_FALSE(std::filesystem::exists(linked + "/s.@S@"));
    const int before = Counter();
    holder.Talk().Say('w');
    ASSERT_EQ(holder.Talk().Hear(), 'h');
    // The other program's write phase keeps this one out.
    SemaphoreTimeoutSeconds = 1;
    EXPECT_TRUE(Contains(Raised([] { SetLockSemaphoreProc(true); }), "second timeout"));
    holder.Talk().Say('x');
    EXPECT_EQ(holder.Finish(), 0);
    SetLockSemaphoreProc(true);
    SetLockSemaphoreProc(false);
    EXPECT_EQ(Counter(), before + 2);
}

}  // namespace
}  // namespace veldrim::testing
