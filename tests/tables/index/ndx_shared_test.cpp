// A table and its index shared by programs: an append killed between its
// record and its key, and a walk whose record another program gives a new
// key. The other programs run as forked children.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/fault_calls.h"
#include "tables/engine/locking.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class NdxShared : public IndexTest {
protected:
    // w.dbf with four names and its index w.NDX, shared.
    void SetUp() override {
        IndexTest::SetUp();
        MakeTable("w.dbf", {F("NAME", 'C', 8)}, false);
        FLock();
        for (const char* v : {"alpha", "bravo", "charly", "delta"})
            AddRecord([&] { SetBinaryText(1, v); });
        MakeIndex("NAME", "w");
        CloseAll();
    }
    static void OpenShared(const std::string& folder) {
        UseIn(1, folder + "/w.dbf");
        Set_Index_To(folder + "/w");
    }
    static void Append(const std::string& name) {
        ALock();
        AddRecord([&] { SetBinaryText(1, name); });
        Unlock();
    }

    // A child appends `name` to the folder's shared table and sends itself
    // SIGKILL at changing call `at`; its wait status.
    static int KilledAppend(const std::string& folder, long at, const std::string& name) {
        return RunChild([&] {
            OpenShared(folder);
            FaultCalls kill(FaultCalls::kSelfKill, at);
            Append(name);
            CloseAll();
        });
    }
    // The names of the current table's records in record order.
    static std::vector<std::string> NamesInRecordOrder() {
        std::vector<std::string> names;
        for (int32_t r = 1; r <= RecCount(); ++r) {
            GO(r);
            std::string n = BinaryText(1);
            n.erase(n.find_last_not_of(' ') + 1);
            names.push_back(n);
        }
        return names;
    }

    // Runs `body` in a forked child to its end; its wait status.
    template <class Body>
    static int RunChild(Body body) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            try {
                body();
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }

    // A child that runs one step each time the test tells it to, and says
    // when the step is done.
    struct Partner {
        int toChild[2] = {-1, -1};
        int toParent[2] = {-1, -1};
        pid_t pid = -1;
        template <class Step>
        void Start(Step step) {
            ASSERT_EQ(::pipe(toChild), 0);
            ASSERT_EQ(::pipe(toParent), 0);
            pid = ::fork();
            if (pid == 0) {
                ::close(toChild[1]);
                ::close(toParent[0]);
                int rc = 0;
                try {
                    for (char c; ::read(toChild[0], &c, 1) == 1 && c != 'x';) {
                        step(c);
                        if (::write(toParent[1], "d", 1) != 1) break;
                    }
                } catch (...) {
                    rc = 3;
                }
                ::_exit(rc);
            }
            ::close(toChild[0]);
            ::close(toParent[1]);
        }
        // Runs step `c` in the child; true when it was done.
        bool Do(char c) {
            char done = 0;
            return ::write(toChild[1], &c, 1) == 1 && ::read(toParent[0], &done, 1) == 1;
        }
        // Ends the child (also when a failed assertion left the test early).
        int Finish() {
            if (pid <= 0) return -1;
            const char x = 'x';
            const bool told = ::write(toChild[1], &x, 1) == 1;
            ::close(toChild[1]);
            ::close(toParent[0]);
            int status = 0;
            ::waitpid(pid, &status, 0);
            pid = -1;
            return told && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        ~Partner() { Finish(); }
    };
};

// The (key, record) lines index_dump prints for the table's names: the
// name folded to lower case and padded to 8, the record number.
std::vector<std::string> ExpectedDump(const std::vector<std::string>& names) {
    std::vector<std::pair<std::string, int>> pairs;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string key = names[i];
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        key.resize(8, ' ');
        pairs.push_back({key, static_cast<int>(i) + 1});
    }
    std::sort(pairs.begin(), pairs.end());
    std::vector<std::string> out;
    for (auto& [key, rec] : pairs) out.push_back(key + " " + std::to_string(rec));
    return out;
}

std::vector<std::string> IndexDumpLines(const std::string& path) {
    std::istringstream in(RunCapture({"index_dump", path, ""}));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        if (!l.empty()) lines.push_back(l);
    return lines;
}

// A shared append killed at each of its file calls (one child each), then
// two appends of another program and one of a program without the index:
// every record on file is found by its key, and index_dump lists exactly
// the table's keys. A record whose key the killed program never wrote gets
// it although later appends counted it.
TEST_F(NdxShared, AKilledAppendsRecordIsKeyedAfterLaterAppends) {
    const std::string pristine = dir + "/pristine";
    fs::create_directories(pristine);
    for (const char* f : {"w.dbf", "w.NDX"}) fs::copy(Path(f), pristine + "/" + f);
    int killed = 0;
    for (long at = 1;; ++at) {
        const std::string folder = dir + "/kill" + std::to_string(at);
        fs::copy(pristine, folder);
        const std::string label = "append killed at call " + std::to_string(at);
        const int status = KilledAppend(folder, at, "echo");
        const bool wasKilled = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        if (!wasKilled) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << label;
            break;
        }
        ++killed;
        // The killed program still counts in the semaphore file as a writer;
        // nobody else runs, so the file goes, as its time-out message says.
        fs::remove(folder + "/w.@S@");
        const int later = RunChild([&] {
            OpenShared(folder);
            Append("foxtrot");
            Append("golf");
            CloseAll();
        });
        ASSERT_TRUE(WIFEXITED(later) && WEXITSTATUS(later) == 0) << label;
        // A program that appends without the index open: the next open of
        // the index keys its record.
        const int unindexed = RunChild([&] {
            UseIn(1, folder + "/w.dbf");
            Append("hotel");
            CloseAll();
        });
        ASSERT_TRUE(WIFEXITED(unindexed) && WEXITSTATUS(unindexed) == 0) << label;

        OpenShared(folder);
        Set_Order_To(0);
        const std::vector<std::string> names = NamesInRecordOrder();
        ASSERT_GE(names.size(), 7u) << label;
        Set_Order_To(1);
        for (std::size_t r = 0; r < names.size(); ++r) {
            EXPECT_TRUE(FindExact(names[r])) << label << ": " << names[r];
            EXPECT_EQ(RecNo(), static_cast<int32_t>(r) + 1) << label << ": " << names[r];
        }
        CloseAll();
        EXPECT_EQ(IndexDumpLines(folder + "/w.NDX"), ExpectedDump(names)) << label;
    }
    EXPECT_GT(killed, 3);
}

// A walk stands on a record whose key another program changes: the next
// step goes on from where the old key stood, forward and backward, and the
// record is met again at its new key.
TEST_F(NdxShared, AWalkGoesOnPastAKeyAnotherProgramChanged) {
    Partner other;
    other.Start([&](char step) {
        if (step == 'o') {
            OpenShared(dir);
            return;
        }
        // 'b': record 2 (bravo) becomes zulu; 'd': record 4 (delta) becomes aaron.
        GO(step == 'b' ? 2 : 4);
        ASSERT_TRUE(RLock());
        SetBinaryText(1, step == 'b' ? "zulu" : "aaron");
        Replace();
        Unlock();
    });
    ASSERT_TRUE(other.Do('o'));
    OpenShared(dir);
    GoTop();
    SKIP(1);
    ASSERT_EQ(RecNo(), 2);
    ASSERT_TRUE(other.Do('b'));
    EXPECT_EQ(Raised([] { SKIP(1); }), "<nothing raised>");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(RecNo(), 3) << "charly follows where bravo stood";
    std::vector<int32_t> rest;
    for (; !dEOF(); SKIP(1)) rest.push_back(RecNo());
    EXPECT_EQ(rest, (std::vector<int32_t>{3, 4, 2}));

    ASSERT_TRUE(FindExact("delta"));
    ASSERT_TRUE(other.Do('d'));
    EXPECT_EQ(Raised([] { SKIP(-1); }), "<nothing raised>");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(RecNo(), 3) << "charly stands before where delta stood";
    SKIP(-1);
    EXPECT_EQ(RecNo(), 1);
    SKIP(-1);
    EXPECT_EQ(RecNo(), 4) << "aaron comes first now";
    EXPECT_EQ(other.Finish(), 0);
}

// The current record was read in record order; another program then gives
// it a new key before the index order is taken. The order is taken without
// error and the walk goes on from where the old key stood; the record is
// met again at its new key.
TEST_F(NdxShared, AnOrderTakenAfterAnotherProgramChangedTheRecordsKeyStandsWhereItStood) {
    Partner other;
    other.Start([&](char step) {
        if (step == 'o') {
            OpenShared(dir);
            return;
        }
        GO(2);
        ASSERT_TRUE(RLock());
        SetBinaryText(1, "zulu");
        Replace();
        Unlock();
    });
    ASSERT_TRUE(other.Do('o'));
    OpenShared(dir);
    Set_Order_To(0);
    GO(2);
    ASSERT_EQ(TrimRightStr(BinaryText(1)), "bravo");
    ASSERT_TRUE(other.Do('b'));
    EXPECT_EQ(Raised([] { Set_Order_To(1); }), "<nothing raised>");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(Raised([] { SKIP(1); }), "<nothing raised>");
    EXPECT_EQ(RecNo(), 3) << "charly follows where bravo stood";
    std::vector<int32_t> rest;
    for (; !dEOF(); SKIP(1)) rest.push_back(RecNo());
    EXPECT_EQ(rest, (std::vector<int32_t>{3, 4, 2}));
    EXPECT_EQ(other.Finish(), 0);
}

// An index with the change mark of a program that died inside a change
// (here a tree that lost charly's key) opens shared without error, and is
// rebuilt from the table before the first use of its tree.
TEST_F(NdxShared, ASharedOpenOfAMarkedIndexRebuildsItBeforeItsTreeIsUsed) {
    UseIn(1, Path("w.dbf") + " EXCLUSIVE");
    Set_Index_To(Path("w"));
    GO(3);
    ASSERT_EQ(DeleteCurrentKey(1), 0);
    CloseAll();
    std::vector<uint8_t> index = ReadBytes(Path("w.NDX"));
    index.at(8) = 1;
    WriteBytes(Path("w.NDX"), index);
    EXPECT_EQ(Raised([&] { OpenShared(dir); }), "<nothing raised>");
    EXPECT_EQ(LastError(), 0);
    EXPECT_TRUE(FindExact("charly"));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_EQ(ReadBytes(Path("w.NDX")).at(8), 0) << "the mark goes with the rebuild";
    std::vector<int32_t> walk;
    for (GoTop(); !dEOF(); SKIP(1)) walk.push_back(RecNo());
    EXPECT_EQ(walk, (std::vector<int32_t>{1, 2, 3, 4}));
}

// A shared append that splits the full root leaf, killed at each of its
// file calls: the next shared open finds every record by its key or
// refuses the index as damaged (error 222), never a tree that lost keys;
// an open that holds the table alone then rebuilds it.
TEST_F(NdxShared, AnAppendKilledInASplitLeavesNoTreeThatLostKeys) {
    const std::string pristine = dir + "/full";
    fs::create_directories(pristine);
    CreateDbf(pristine + "/w.dbf", {F("NAME", 'C', 8)});
    std::vector<std::string> names;
    UseIn(1, pristine + "/w.dbf EXCLUSIVE");
    // 8-byte keys: 31 a node, so the 32nd key splits the root.
    for (int i = 0; i < 31; ++i) {
        names.push_back("n" + std::to_string(100 + (i * 17) % 31));
        AddRecord([&] { SetBinaryText(1, names.back()); });
    }
    MakeIndex("NAME", pristine + "/w");
    CloseAll();
    int killed = 0;
    for (long at = 1;; ++at) {
        const std::string folder = dir + "/split" + std::to_string(at);
        fs::copy(pristine, folder);
        const std::string label = "append killed at call " + std::to_string(at);
        const int status = KilledAppend(folder, at, "n115b");
        if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) break;
        ++killed;
        fs::remove(folder + "/w.@S@");
        // The records on file: the killed one may be among them.
        UseIn(1, folder + "/w.dbf");
        const std::vector<std::string> onFile = NamesInRecordOrder();
        const std::string opened = Raised([&] { Set_Index_To(folder + "/w"); });
        if (opened == "<nothing raised>") {
            for (std::size_t r = 0; r < onFile.size(); ++r) {
                EXPECT_TRUE(FindExact(onFile[r])) << label << ": " << onFile[r];
                EXPECT_EQ(RecNo(), static_cast<int32_t>(r) + 1) << label << ": " << onFile[r];
            }
        } else {
            EXPECT_EQ(LastError(), 222) << label << ": " << opened;
        }
        CloseAll();
        UseIn(1, folder + "/w.dbf EXCLUSIVE");
        Set_Index_To(folder + "/w");
        ASSERT_EQ(LastError(), 0) << label;
        const TIndexCheck check = CheckIndexTree(1);
        EXPECT_TRUE(check.ok) << label << ": " << check.problem;
        CloseAll();
        EXPECT_EQ(IndexDumpLines(folder + "/w.NDX"), ExpectedDump(onFile)) << label;
    }
    EXPECT_GT(killed, 3);
}

}  // namespace
}  // namespace veldrim::testing
