// Killed and failed writes of a table with a memo field and two open
// indexes: PACK, runs of appends and memo rewrites, cut off at every changing
// file call through the foundation's call table (and by real SIGKILL in child
// processes), then read back by the engine and by independent readers
// (python3-dbfread, Perl XBase's index_dump, tests/tables/crash_check.py and
// tests/tables/memo_values.py).
#include <signal.h>
#include <sys/wait.h>

#include <gmock/gmock.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "support/fault_calls.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/locking.h"
#include "tables/memo/memo_test_util.h"
#include "tables/engine/pack_journal.h"
#include "tables/engine/win1252_text.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

// The same rules as crash_check.py, written out a second time.
std::string MemoText(int id) {
    std::string letters;
    for (int i = 0; i < 40; ++i) letters += "abcdefghijklmnopqrstuvwxyz";
    return "Memo of record " + std::to_string(id) + " " +
           letters.substr(0, static_cast<std::size_t>((id * 53) % 900)) + ".";
}
std::string NameOf(int id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "N%04d", (id * 7919) % 10007);
    return buf;
}

constexpr int kRecords = 30;

// The engine forgets everything it holds; under a kill every write is
// dropped, so the files stay as the kill left them.
void Forget() {
    try {
        ResetAllProgramState();
    } catch (const EDurazError&) {
    }
}

class CrashSafetyTest : public MemoTest {
protected:
    // The table t.dbf with kRecords records (every third deleted), its memo
    // file and the indexes id.ndx and name.ndx, built once in `pristine`.
    void SetUp() override {
        MemoTest::SetUp();
        pristine = dir + "/pristine";
        fs::create_directories(pristine);
        CreateDbf(pristine + "/t.dbf", {F("ID", 'N', 5), F("NAME", 'C', 10), F("NOTE", 'M')});
        USE(pristine + "/t.dbf EXCLUSIVE");
        for (int id = 1; id <= kRecords; ++id) AppendRecord(id);
        for (int id = 3; id <= kRecords; id += 3) {
            GO(id);
            DeleteRec();
        }
        Index_On("ID", pristine + "/id.ndx");
        Index_On("NAME", pristine + "/name.ndx");
        CloseArea();
    }

    static void AppendRecord(int id) {
        ClearRecord();
        SetBinaryInteger(1, id);
        SetBinaryText(2, NameOf(id));
        SetBinaryMemoRef(3, AddMemo(MemoText(id)));
        Append();
    }

    // A copy of the pristine files in a folder of its own.
    std::string Fresh(const std::string& name) {
        const std::string folder = dir + "/" + name;
        fs::remove_all(folder);
        fs::copy(pristine, folder);
        return folder;
    }

    static void OpenWithIndexes(const std::string& folder, bool exclusive = true) {
        USE(folder + "/t.dbf" + (exclusive ? " EXCLUSIVE" : ""));
        Set_Index_To(folder + "/id.ndx " + folder + "/name.ndx");
    }

    // The engine's own view: every record has its own memo text and name,
    // and each index finds every record by its key. The record count.
    static int32_t CheckWithEngine(const std::string& folder, const std::string& label) {
        OpenWithIndexes(folder);
        const int32_t count = RecCount();
        Set_Order_To(0);
        std::vector<int> ids;
        for (int32_t r = 1; r <= count; ++r) {
            GO(r);
            const int id = static_cast<int>(BinaryInteger(1));
            ids.push_back(id);
            EXPECT_EQ(ReadStream(BinaryMemoRef(3)), MemoText(id)) << label << " record " << r;
            EXPECT_EQ(TrimRightStr(BinaryText(2)), NameOf(id)) << label << " record " << r;
        }
        for (int order : {1, 2}) {
            GO(1);
            Set_Order_To(order);
            for (std::size_t r = 0; r < ids.size(); ++r) {
                const int id = ids[r];
                const std::string key = order == 1 ? std::to_string(id) : NameOf(id);
                const bool found = FindExact(key);
                EXPECT_TRUE(found) << label << " index " << order << " key " << key;
                EXPECT_EQ(BinaryInteger(1), id) << label << " index " << order << " key " << key;
            }
        }
        CloseArea();
        return count;
    }

    // crash_check.py over the folders must find each sound: it prints
    // "OK <folder> <count>" or "BAD <folder>: why".
    static void ExpectReadersFindSound(const std::vector<std::string>& folders) {
        std::vector<std::string> argv{"/usr/bin/python3",
                                      VELDRIM_TEST_DIR "/tables/crash_check.py"};
        argv.insert(argv.end(), folders.begin(), folders.end());
        const std::string out = RunCapture(argv);
        std::map<std::string, std::string> verdicts;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            const auto a = line.find(' ');
            const auto b = line.find_first_of(" :", a + 1);
            if (a == std::string::npos || b == std::string::npos) continue;
            verdicts[line.substr(a + 1, b - a - 1)] = line.substr(0, a) + line.substr(b);
        }
        for (const std::string& folder : folders) {
            const auto it = verdicts.find(folder);
            ASSERT_NE(it, verdicts.end()) << folder << ": no verdict in\n" << out;
            EXPECT_EQ(it->second.substr(0, 3), "OK ") << folder << it->second;
        }
    }

    // A fresh copy `name` of the pristine files whose PACK was killed at its
    // nth changing call: the files as the kill left them.
    std::string PackKilledAt(long n, const std::string& name) {
        const std::string folder = Fresh(name);
        OpenWithIndexes(folder);
        FaultCalls kill(FaultCalls::kKill, n);
        try {
            Pack();
        } catch (const EDurazError&) {
        }
        Forget();
        return folder;
    }

    // Runs `work` in a child process that opens the folder's table with its
    // indexes and sends itself SIGKILL at changing call `at`; its wait
    // status (-1 when no child could be started).
    template <class Work>
    static int KilledChild(const std::string& folder, bool exclusive, long at, Work work) {
        const pid_t child = ::fork();
        if (child < 0) return -1;
        if (child == 0) {
            try {
                OpenWithIndexes(folder, exclusive);
                FaultCalls kill(FaultCalls::kSelfKill, at);
                work();
                CloseArea();
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        int status = 0;
        return ::waitpid(child, &status, 0) == child ? status : -1;
    }

    // A PACK leaves the table, its memo file and its indexes (and the
    // index semaphore file), nothing else.
    static void ExpectPackLeavesNoScratchFile(const std::string& folder) {
        OpenWithIndexes(folder);
        EXPECT_TRUE(Pack()) << folder;
        CloseArea();
        std::set<std::string> files;
        for (const auto& e : fs::directory_iterator(folder))
            files.insert(e.path().filename().string());
        files.erase("t.@S@");
        EXPECT_EQ(files, (std::set<std::string>{"t.dbf", "t.dbt", "id.ndx", "name.ndx"})) << folder;
    }

    std::string pristine;
};

// The number of changing file calls that `run` makes on a fresh copy.
template <class Run>
long CallsOf(Run run) {
    FaultCalls count;
    run();
    return FaultCalls::Calls();
}

TEST_F(CrashSafetyTest, PackKilledAtEveryWriteLeavesTheOldOrTheNewTableMemoAndIndexes) {
    const std::string probe = Fresh("probe");
    OpenWithIndexes(probe);
    const long total = CallsOf([] { EXPECT_TRUE(Pack()); });
    CloseArea();
    ASSERT_GT(total, 20) << "a pack of table, memo and two indexes";
    ASSERT_EQ(CheckWithEngine(probe, "complete pack"), kRecords - kRecords / 3);
    std::vector<std::string> folders;
    for (long n = 1; n <= total; ++n) {
        const std::string folder = PackKilledAt(n, "kill" + std::to_string(n));
        folders.push_back(folder);
        const std::string label = "killed at call " + std::to_string(n);
        const int32_t count = CheckWithEngine(folder, label);
        EXPECT_TRUE(count == kRecords || count == kRecords - kRecords / 3)
            << label << ": " << count;
        EXPECT_FALSE(fs::exists(PackJournalName(folder + "/t.dbf"))) << label;
    }
    ExpectReadersFindSound(folders);
    // The next PACK removes every scratch file the killed ones left.
    for (const std::string& folder : folders) ExpectPackLeavesNoScratchFile(folder);
}

// A PACK killed at every changing call, its folder then copied (a backup, a
// restore, another mount point) and the copy opened: the copy is put in
// order by itself, in the old or the new state with every memo and both
// indexes equal to the table, and the original folder stays byte for byte
// as the kill left it. A journal as earlier versions wrote it (full paths,
// naming the original folder) is treated the same way: only the names count.
TEST_F(CrashSafetyTest, PackKilledThenCopiedIsPutInOrderInTheCopyAlone) {
    const std::string probe = Fresh("probe");
    OpenWithIndexes(probe);
    const long total = CallsOf([] { EXPECT_TRUE(Pack()); });
    CloseArea();
    std::vector<std::string> copies;
    int journals = 0;
    for (long n = 1; n <= total; ++n) {
        const std::string folder = PackKilledAt(n, "killed" + std::to_string(n));
        const auto left = FolderFiles(folder);
        const bool journal = left.count("t.dbf.$$$pack") > 0;
        journals += journal;
        for (bool fullPaths : {false, true}) {
            if (fullPaths && !journal) continue;
            const std::string copy = dir + "/copy" + std::to_string(n) + (fullPaths ? "full" : "");
            fs::copy(folder, copy);
            if (fullPaths) {
                // "t.dbf<TAB>t.dbf.$$$old0" becomes "<folder>/t.dbf<TAB><folder>/t.dbf.$$$old0".
                std::istringstream lines(left.at("t.dbf.$$$pack"));
                std::string text;
                for (std::string line; std::getline(lines, line);) {
                    const auto tab = line.find('\t');
                    text += tab == std::string::npos ? line
                                                     : folder + "/" + line.substr(0, tab) + "\t" +
                                                           folder + "/" + line.substr(tab + 1);
                    text += "\n";
                }
                Spit(copy + "/t.dbf.$$$pack", text);
            }
            const std::string label = "killed at call " + std::to_string(n) + ", copy" +
                                      (fullPaths ? " with a journal of full paths" : "");
            const int32_t count = CheckWithEngine(copy, label);
            EXPECT_TRUE(count == kRecords || count == kRecords - kRecords / 3)
                << label << ": " << count;
            EXPECT_FALSE(fs::exists(copy + "/t.dbf.$$$pack")) << label;
            ExpectSameFiles(left, FolderFiles(folder), label + ": the original folder");
            copies.push_back(copy);
        }
    }
    EXPECT_GT(journals, 5) << "kills that left a journal behind";
    ExpectReadersFindSound(copies);
}

// A journal that names files which are not beside it (a journal copied
// without its files, or one naming files of another kind) is reported when
// the table is opened, and nothing is renamed or removed.
TEST_F(CrashSafetyTest, AJournalWhoseFilesAreNotBesideItIsReportedAndNotFollowed) {
    const struct {
        const char* label;
        std::string text;
    } cases[] = {
        {"a table of another folder", "PACK\nother.dbf\tother.dbf.$$$old0\n"},
        {"an old name that is no second name of its file", "PACK\nt.dbf\tid.ndx\n"},
        {"a name that ends in a folder", "PACK\nt.dbf/\tt.dbf/.$$$old0\n"},
    };
    for (const auto& c : cases) {
        const std::string folder = Fresh("foreign");
        Spit(folder + "/t.dbf.$$$pack", c.text);
        const auto before = FolderFiles(folder);
        const std::string message = Raised([&] { USE(folder + "/t.dbf"); });
        EXPECT_EQ(LastError(), 2) << c.label;
        EXPECT_TRUE(Contains(message, "t.dbf.$$$pack")) << c.label << ": " << message;
        Forget();
        ExpectSameFiles(before, FolderFiles(folder), c.label);
    }
    // A link at the journal's name is not followed: the journal it leads to
    // (one that would put an old table back in place) is not acted on, and
    // the table opens as it is.
    const std::string folder = Fresh("linked");
    const std::string elsewhere = dir + "/elsewhere.journal";
    Spit(elsewhere, "PACK\nt.dbf\tt.dbf.$$$old0\n");
    Spit(folder + "/t.dbf.$$$old0", "an old table's bytes");
    fs::create_symlink(elsewhere, folder + "/t.dbf.$$$pack");
    const auto before = FolderFiles(folder);
    EXPECT_EQ(Raised([&] { USE(folder + "/t.dbf"); }), "<nothing raised>");
    const int32_t records = CurrentWorkArea() ? RecCount() : -1;
    Forget();
    ExpectSameFiles(before, FolderFiles(folder), "a link at the journal's name");
    EXPECT_EQ(records, kRecords);
    EXPECT_TRUE(fs::is_symlink(folder + "/t.dbf.$$$pack"));
}

// Another program opens the table while a PACK is in its last steps (the
// new table renamed into place, the memo file and indexes being replaced,
// the journal being committed), stopped at each file call from the table's
// rename on: the open is refused with error 32 and changes nothing, and the
// PACK then completes.
TEST_F(CrashSafetyTest, AnOpenDuringAPacksLastStepsTouchesNothingAndThePackCompletes) {
    const std::string probe = Fresh("probe");
    OpenWithIndexes(probe, false);
    std::vector<FaultCalls::Call> log;
    {
        FaultCalls count;
        EXPECT_TRUE(Pack());
        log = FaultCalls::Log();
    }
    CloseArea();
    std::size_t renamed = 0;
    while (renamed < log.size() &&
           !(log[renamed].call == "rename" && fs::path(log[renamed].to).filename() == "t.dbf"))
        ++renamed;
    ASSERT_LT(renamed, log.size()) << "the PACK renames its new table into place";
    std::vector<std::string> folders;
    for (std::size_t k = renamed; k < log.size(); ++k) {
        const std::string folder = Fresh("opened" + std::to_string(k));
        const std::string label = "opened before call " + std::to_string(k) + " (" + log[k].call +
                                  " " + fs::path(log[k].path).filename().string() + ")";
        Peer packer([&](Peer& p) {
            OpenWithIndexes(folder, false);
            std::size_t seen = 0;
            FaultCalls count;
            FaultCalls::Before([&](const FaultCalls::Call&) {
                if (seen++ == k) {
                    p.Tell('s');
                    p.Await();
                }
            });
            const bool packed = Pack();
            FaultCalls::Before(nullptr);
            CloseArea();
            return packed ? 0 : 1;
        });
        ASSERT_TRUE(packer.Started());
        ASSERT_EQ(packer.Receive(), 's') << label << ": the PACK did not reach the call";
        const auto before = FolderFiles(folder);
        const std::string message = Raised([&] { USE(folder + "/t.dbf"); });
        EXPECT_EQ(LastError(), 32) << label << ": " << message;
        Forget();
        ExpectSameFiles(before, FolderFiles(folder), label);
        packer.Send('g');
        EXPECT_EQ(packer.Finish(), 0) << label << ": the PACK did not complete";
        EXPECT_EQ(CheckWithEngine(folder, label), kRecords - kRecords / 3) << label;
        EXPECT_FALSE(fs::exists(folder + "/t.dbf.$$$pack")) << label;
        folders.push_back(folder);
    }
    ExpectReadersFindSound(folders);
}

TEST_F(CrashSafetyTest, PackOnAFullDiskLeavesTableMemoAndIndexesAsTheyWere) {
    const std::string probe = Fresh("probe");
    OpenWithIndexes(probe);
    const long total = CallsOf([] { EXPECT_TRUE(Pack()); });
    CloseArea();
    const std::vector<std::string> names{"t.dbf", "t.dbt", "id.ndx", "name.ndx"};
    int failed = 0;
    for (long n = 1; n <= total; ++n) {
        const std::string folder = Fresh("full" + std::to_string(n));
        const std::string label = "disk full from call " + std::to_string(n);
        OpenWithIndexes(folder);
        bool packed = false;
        {
            FaultCalls full(FaultCalls::kFullDisk, n);
            try {
                packed = Pack();
            } catch (const EDurazError&) {
            }
        }
        // The open indexes match the table whatever the outcome.
        const int32_t count = RecCount();
        for (int32_t r = 1; r <= count; ++r) {
            Set_Order_To(0);
            GO(r);
            const int id = static_cast<int>(BinaryInteger(1));
            EXPECT_EQ(ReadStream(BinaryMemoRef(3)), MemoText(id)) << label << " record " << r;
            Set_Order_To(1);
            EXPECT_TRUE(FindExact(std::to_string(id))) << label << " key " << id;
            EXPECT_EQ(BinaryInteger(1), id) << label;
            Set_Order_To(2);
            EXPECT_TRUE(FindExact(NameOf(id))) << label << " key " << NameOf(id);
            EXPECT_EQ(BinaryInteger(1), id) << label;
        }
        CloseArea();
        if (packed) continue;
        ++failed;
        EXPECT_EQ(count, kRecords) << label;
        for (const std::string& f : names)
            EXPECT_EQ(Slurp(folder + "/" + f), Slurp(pristine + "/" + f)) << label << ": " << f;
    }
    EXPECT_GT(failed, 10) << "most points of a full disk stop the pack";
}

// REINDEX of both indexes and INDEX ON of a new one, killed at every file
// call: every index the next open finds matches the table (a rebuilt one
// or the old one).
TEST_F(CrashSafetyTest, IndexBuildsKilledAtEveryWriteLeaveMatchingIndexes) {
    auto reindex = [] { Reindex(); };
    auto indexOn = [this] {
        CloseAllIndexes();
        Index_On("NAME", dir + "/scratch.ndx");
    };
    for (bool rebuild : {true, false}) {
        const std::string probe = Fresh("probe");
        OpenWithIndexes(probe);
        const long total = CallsOf([&] { rebuild ? reindex() : indexOn(); });
        CloseArea();
        ASSERT_GT(total, 3);
        std::vector<std::string> folders;
        for (long n = 1; n <= total; ++n) {
            const std::string folder = Fresh((rebuild ? "reindex" : "indexon") + std::to_string(n));
            folders.push_back(folder);
            const std::string label = std::string(rebuild ? "REINDEX" : "INDEX ON") +
                                      " killed at call " + std::to_string(n);
            OpenWithIndexes(folder);
            {
                FaultCalls kill(FaultCalls::kKill, n);
                try {
                    rebuild ? reindex() : indexOn();
                } catch (const EDurazError&) {
                }
                Forget();
            }
            EXPECT_EQ(CheckWithEngine(folder, label), kRecords) << label;
        }
        ExpectReadersFindSound(folders);
    }
}

// Appends of ten records with memo values to the table with its two indexes
// open, held alone or shared (under the append lock), killed at every file
// call. After the next open (which rebuilds an index cut off in a change or
// behind records a killed writer left): every record has its own memo text
// for the engine and for dbfread, index_dump lists exactly the table's keys,
// every shared append that returned is there, and the next append follows.
TEST_F(CrashSafetyTest, AppendsKilledAtEveryWriteLoseNoReportedRecord) {
    for (bool exclusive : {true, false}) {
        const std::string kind = exclusive ? "held alone" : "shared";
        auto run = [&](std::vector<int>* reported) {
            if (!exclusive) ALock();
            // A killed program makes no further call: the run stops once the
            // kill was reached.
            for (int id = kRecords + 1; id <= kRecords + 10 && !FaultCalls::Fired(); ++id) {
                AppendRecord(id);
                if (reported && !FaultCalls::Fired()) reported->push_back(id);
            }
        };
        auto open = [&](const std::string& folder) { OpenWithIndexes(folder, exclusive); };
        const std::string probe = Fresh("probe");
        open(probe);
        const long total = CallsOf([&] { run(nullptr); });
        CloseArea();
        ASSERT_GT(total, 10) << kind;
        std::vector<std::string> folders;
        for (long n = 1; n <= total; ++n) {
            const std::string folder = Fresh((exclusive ? "alone" : "shared") + std::to_string(n));
            folders.push_back(folder);
            const std::string label = kind + " appends killed at call " + std::to_string(n);
            std::vector<int> reported;
            open(folder);
            {
                FaultCalls kill(FaultCalls::kKill, n);
                try {
                    run(&reported);
                } catch (const EDurazError&) {
                }
                Forget();
            }
            // A table held alone collects its appends and writes them a block
            // at a time, so only a shared writer's appends are all on the file
            // when they return.
            // A table held alone collects its appends and writes them a block
            // at a time (at once only with an index open), so only a shared
            // writer's appends are all on the file when they return.
            const auto reportedCount = kRecords + static_cast<int32_t>(reported.size());
            const int32_t count = CheckWithEngine(folder, label);
            EXPECT_GE(count, exclusive ? kRecords : reportedCount) << label;
            EXPECT_LE(count, reportedCount + 1) << label;
            // The next append follows them, with its keys.
            OpenWithIndexes(folder);
            GoBottom();
            EXPECT_EQ(BinaryInteger(1), count) << label;
            AppendRecord(count + 1);
            EXPECT_EQ(RecCount(), count + 1) << label;
            CloseArea();
        }
        ExpectReadersFindSound(folders);
    }
}

// REPLACEs that change both indexed fields (and the memo) of a table of 60
// records, its indexes open: one whose name was the last key of a full
// leaf moves behind every key (its delete only rewrites the parents' keys),
// one whose new name falls into a full leaf (a split). Killed at every file
// call, in this program and by SIGKILL in a child, held alone and shared:
// each record is its old or its new self (its new one when the REPLACE
// returned), the next open finds every record by its keys or rebuilds the
// index, and index_dump lists exactly the table's keys. A REPLACE that
// completes leaves no change mark on the disk.
class ReplaceCrashTest : public CrashSafetyTest {
protected:
    static constexpr int kWide = 60;

    void SetUp() override {
        CrashSafetyTest::SetUp();
        wide = dir + "/wide";
        fs::create_directories(wide);
        CreateDbf(wide + "/t.dbf", {F("ID", 'N', 5), F("NAME", 'C', 10), F("NOTE", 'M')});
        USE(wide + "/t.dbf EXCLUSIVE");
        for (int id = 1; id <= kWide; ++id) AppendRecord(id);
        // The built name index: leaves of 25 keys in name order.
        std::vector<std::pair<std::string, int>> byName;
        for (int id = 1; id <= kWide; ++id) byName.push_back({NameOf(id), id});
        std::sort(byName.begin(), byName.end());
        std::set<std::string> names;
        for (auto& [n, id] : byName) names.insert(n);
        lastOfLeaf = byName[24].second;
        for (int id = 100; !moveBehind || !intoFullLeaf; ++id) {
            const std::string n = NameOf(id);
            if (names.count(n)) continue;
            if (!moveBehind && n > byName.back().first) moveBehind = id;
            if (!intoFullLeaf && n > byName[25].first && n < byName[49].first) intoFullLeaf = id;
        }
        // The new records' memo values are stored beforehand: the runs
        // below change the table and its indexes only.
        memoOf[moveBehind] = AddMemo(MemoText(moveBehind));
        memoOf[intoFullLeaf] = AddMemo(MemoText(intoFullLeaf));
        Index_On("ID", wide + "/id.ndx");
        Index_On("NAME", wide + "/name.ndx");
        CloseArea();
    }

    // The two REPLACEs: record lastOfLeaf becomes moveBehind, record 7
    // becomes intoFullLeaf. *done receives the records whose REPLACE returned.
    void Run(bool exclusive, std::vector<std::pair<int, int>>* done) const {
        for (auto [rec, id] : {std::pair{lastOfLeaf, moveBehind}, std::pair{7, intoFullLeaf}}) {
            if (FaultCalls::Fired()) return;
            GO(rec);
            // A killed program makes no further call (its read phase ended
            // unwritten would hold up its own write phase).
            if (FaultCalls::Fired()) return;
            if (!exclusive) RLock();
            SetBinaryInteger(1, id);
            SetBinaryText(2, NameOf(id));
            SetBinaryMemoRef(3, memoOf.at(id));
            Replace();
            if (!exclusive) Unlock();
            if (done && !FaultCalls::Fired()) done->push_back({rec, id});
        }
    }

    std::string FreshWide(const std::string& name) const {
        const std::string folder = dir + "/" + name;
        fs::remove_all(folder);
        fs::copy(wide, folder);
        return folder;
    }

    // Each REPLACE that returned is in the table.
    static void ExpectDone(const std::string& folder, const std::vector<std::pair<int, int>>& done,
                           const std::string& label) {
        USE(folder + "/t.dbf EXCLUSIVE");
        for (auto [rec, id] : done) {
            GO(rec);
            EXPECT_EQ(BinaryInteger(1), id) << label << " record " << rec;
        }
        CloseArea();
    }

    std::string wide;
    int lastOfLeaf = 0, moveBehind = 0, intoFullLeaf = 0;
    std::map<int, int32_t> memoOf;
};

TEST_F(ReplaceCrashTest, ReplacesKilledAtEveryWriteLeaveIndexesEqualToTheTable) {
    std::vector<std::string> folders;
    for (bool exclusive : {true, false}) {
        const std::string kind = exclusive ? "held alone" : "shared";
        const std::string probe = FreshWide("probe");
        OpenWithIndexes(probe, exclusive);
        const long total = CallsOf([&] { Run(exclusive, nullptr); });
        CloseArea();
        ASSERT_GT(total, 8) << kind;
        EXPECT_EQ(CheckWithEngine(probe, kind + " complete"), kWide);
        for (long n = 1; n <= total; ++n) {
            const std::string label = kind + " REPLACEs killed at call " + std::to_string(n);
            const std::string folder =
                FreshWide((exclusive ? "alone" : "shared") + std::to_string(n));
            folders.push_back(folder);
            std::vector<std::pair<int, int>> done;
            OpenWithIndexes(folder, exclusive);
            {
                FaultCalls kill(FaultCalls::kKill, n);
                try {
                    Run(exclusive, &done);
                } catch (const EDurazError&) {
                }
                Forget();
            }
            EXPECT_EQ(CheckWithEngine(folder, label), kWide) << label;
            ExpectDone(folder, done, label);
        }
        // Real kills, one child for each call.
        for (long n = 1; n <= total; ++n) {
            const std::string label = kind + " REPLACEs SIGKILLed at call " + std::to_string(n);
            const std::string folder =
                FreshWide((exclusive ? "alonekill" : "sharedkill") + std::to_string(n));
            folders.push_back(folder);
            const int status = KilledChild(folder, exclusive, n, [&] { Run(exclusive, nullptr); });
            ASSERT_NE(status, -1) << label;
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << label;
            EXPECT_EQ(CheckWithEngine(folder, label), kWide) << label;
        }
    }
    ExpectReadersFindSound(folders);
}

TEST_F(ReplaceCrashTest, AReplaceThatOnlyRewritesParentKeysClearsTheChangeMarkOnDisk) {
    const std::string folder = FreshWide("mark");
    OpenWithIndexes(folder);
    GO(lastOfLeaf);
    SetBinaryInteger(1, moveBehind);
    SetBinaryText(2, NameOf(moveBehind));
    SetBinaryMemoRef(3, memoOf.at(moveBehind));
    Replace();
    ASSERT_EQ(LastError(), 0);
    // Read while the indexes are still open: byte 8 of the anchor is the
    // change mark.
    for (const char* f : {"id.ndx", "name.ndx"}) {
        const std::string bytes = Slurp(folder + "/" + f);
        ASSERT_GT(bytes.size(), 8u) << f;
        EXPECT_EQ(bytes[8], 0) << f;
    }
    Set_Order_To(2);
    const TIndexCheck check = CheckIndexTree(1);
    EXPECT_TRUE(check.ok) << check.problem;
    EXPECT_TRUE(FindExact(NameOf(moveBehind)));
    EXPECT_EQ(RecNo(), lastOfLeaf);
    CloseArea();
    ExpectReadersFindSound({folder});
}

// Real kills: a child process packs the table or appends to it (held alone
// or shared) and is killed by SIGKILL at a random file call; the files it
// leaves are then checked like the simulated ones. VELDRIM_SIGKILL_RUNS sets
// the number of runs (a few hundred for a long check; a short run here).
TEST_F(CrashSafetyTest, ProgramsKilledBySigkillLeaveSoundFiles) {
    int runs = 12;
    if (const char* env = std::getenv("VELDRIM_SIGKILL_RUNS")) runs = std::max(1, std::atoi(env));
    enum Job { kPack, kAppendAlone, kAppendShared };
    auto work = [](Job job) {
        if (job == kPack) {
            Pack();
            return;
        }
        if (job == kAppendShared) ALock();
        for (int id = kRecords + 1; id <= kRecords + 10; ++id) AppendRecord(id);
        Unlock();
    };
    // The changing calls of each job, counted once in this process.
    long calls[3];
    for (Job job : {kPack, kAppendAlone, kAppendShared}) {
        const std::string probe = Fresh("probe");
        OpenWithIndexes(probe, job != kAppendShared);
        calls[job] = CallsOf([&] { work(job); });
        CloseArea();
    }
    std::mt19937 random(20261207);
    std::vector<std::string> folders;
    int killed = 0;
    for (int run = 1; run <= runs; ++run) {
        const Job job = static_cast<Job>(run % 3);
        const long at = std::uniform_int_distribution<long>(1, calls[job])(random);
        const std::string folder = Fresh("sigkill" + std::to_string(run));
        folders.push_back(folder);
        const std::string label = "run " + std::to_string(run) + " job " + std::to_string(job) +
                                  " killed at call " + std::to_string(at);
        const int status = KilledChild(folder, job != kAppendShared, at, [&] { work(job); });
        ASSERT_NE(status, -1) << label;
        const bool wasKilled = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        EXPECT_TRUE(wasKilled || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << label;
        killed += wasKilled;
        if (job == kPack) {
            // A copy of the folder the killed PACK left is put in order by
            // itself, without touching the original.
            const auto left = FolderFiles(folder);
            const std::string copy = folder + "copy";
            fs::copy(folder, copy);
            const int32_t copied = CheckWithEngine(copy, label + ", copied");
            EXPECT_TRUE(copied == kRecords || copied == kRecords - kRecords / 3)
                << label << ", copied: " << copied;
            ExpectSameFiles(left, FolderFiles(folder), label + ": the original folder");
            folders.push_back(copy);
        }
        const int32_t count = CheckWithEngine(folder, label);
        if (job == kPack)
            EXPECT_TRUE(count == kRecords || count == kRecords - kRecords / 3)
                << label << ": " << count;
        else
            EXPECT_GE(count, kRecords) << label;
    }
    EXPECT_GT(killed, 0);
    ExpectReadersFindSound(folders);
    // The next PACK removes the scratch files the killed programs left.
    for (const std::string& folder : folders) ExpectPackLeavesNoScratchFile(folder);
}

// A memo value edited and written anew (longer and shorter than before)
// through the memo rewrite of each memo style, its record given the new
// reference, and the table closed; cut off by a kill at every changing file
// call and by a disk that fills up at each of them. The engine and dbfread
// then read for the edited record its old value or its new one (the new
// one only when the rewrite and the record's write reported success), and
// every other record's
// value unchanged; the next memo value appended after them takes no
// record's place.
class MemoRewriteCrashTest : public MemoTest {
protected:
    static constexpr int kValues = 5;
    static constexpr int kEdited = 3;

    // Values of one to three blocks; the edited one fills two.
    static std::string OldValue(int id) {
        return "Value of record " + std::to_string(id) + " " +
               Letters(id == kEdited ? 700 : static_cast<std::size_t>(id * 331 % 1200), 'A');
    }
    // The edited value as the rewrite stores it: its line and CR LF.
    static std::string NewLine(bool longer) { return "Edited " + Letters(longer ? 1300 : 20); }

    static void AppendValue(int id) { AppendRef(id, AddMemo(OldValue(id))); }

    // The rewrite as a user's edit makes it: the value, the record, the
    // close. *stored: the value and its record were written.
    static void Rewrite(bool longer, bool* stored = nullptr) {
        GO(kEdited);
        const int32_t ref = WriteMemoLines(BinaryMemoRef(2), {NewLine(longer)});
        SetBinaryMemoRef(2, ref);
        Replace();
        if (stored) *stored = true;
        CloseArea();
    }

    // Reads every record's value with the engine: the edited record's must
    // be one of `edited`, the others their own. Then one more value is
    // appended and all are read again.
    static void CheckWithEngine(const std::string& table, const std::vector<std::string>& edited,
                                const std::string& label) {
        USE(table + " EXCLUSIVE");
        ASSERT_EQ(RecCount(), kValues) << label;
        auto readAll = [&](const std::string& when) {
            for (int32_t r = 1; r <= RecCount(); ++r) {
                GO(r);
                const int id = static_cast<int>(BinaryInteger(1));
                EXPECT_EQ(id, r) << label << when;
                const std::string value = ReadStream(BinaryMemoRef(2));
                if (id == kEdited)
                    EXPECT_THAT(edited, ::testing::Contains(value))
                        << label << when << ": the edited record reads " << value.substr(0, 40);
                else
                    EXPECT_EQ(value, OldValue(id)) << label << when << " record " << r;
            }
        };
        readAll("");
        AppendValue(kValues + 1);
        readAll(", after the next append");
        CloseArea();
    }

    // dbfread's value of a record is `want`. For a dBase IV file it reads the
    // stored length (the data and its 8-byte head) after the head: up to 8
    // bytes beyond the value follow it.
    static bool DbfreadReads(const std::string& got, const std::string& want, bool dbase4) {
        if (!dbase4) return got == want;
        return got.size() >= want.size() && got.size() <= want.size() + 8 &&
               got.compare(0, want.size(), want) == 0;
    }

    struct Outcome {
        std::string folder;
        bool dbase4;
        std::vector<std::string> edited;
    };
    static void ExpectDbfreadReads(const std::vector<Outcome>& outcomes) {
        std::vector<std::string> argv{"/usr/bin/python3",
                                      VELDRIM_TEST_DIR "/tables/memo_values.py"};
        for (const Outcome& o : outcomes) argv.push_back(o.folder);
        const std::string out = RunCapture(argv);
        std::map<std::string, std::map<int, std::string>> values;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string folder, id, hex;
            words >> folder >> id >> hex;
            ASSERT_NE(id, "BAD") << line;
            std::string bytes;
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            values[folder][std::stoi(id)] = bytes;
        }
        for (const Outcome& o : outcomes) {
            const auto& got = values[o.folder];
            ASSERT_EQ(got.size(), static_cast<std::size_t>(kValues + 1)) << o.folder << "\n" << out;
            for (const auto& [id, value] : got) {
                bool matches = false;
                if (id == kEdited) {
                    for (const std::string& want : o.edited)
                        matches = matches || DbfreadReads(value, want, o.dbase4);
                } else {
                    matches = DbfreadReads(value, OldValue(id), o.dbase4);
                }
                EXPECT_TRUE(matches) << o.folder << " record " << id << " reads "
                                     << value.substr(0, 40) << "... (" << value.size() << " bytes)";
            }
        }
    }
};

TEST_F(MemoRewriteCrashTest, RewriteKilledOrOnAFullDiskLeavesTheOldOrTheNewValue) {
    std::vector<Outcome> outcomes;
    for (const MemoStyleCase& s : kMemoStyles) {
        const std::string pristine = dir + "/pristine" + std::to_string(s.version);
        fs::create_directories(pristine);
        const std::string leaf = fs::path(pristine).filename().string() + "/m.dbf";
        USE(MemoTable(leaf, s.version, s.blockSize) + " EXCLUSIVE");
        for (int id = 1; id <= kValues; ++id) AppendValue(id);
        CloseArea();
        const bool dbase4 = s.version == 0x8B;
        for (bool longer : {true, false}) {
            const std::string oldValue = OldValue(kEdited);
            const std::string newValue = NewLine(longer) + "\r\n";
            const std::string kind = std::string(s.label) + (longer ? " longer" : " shorter");
            const std::string probe = dir + "/probe";
            fs::remove_all(probe);
            fs::copy(pristine, probe);
            USE(probe + "/m.dbf EXCLUSIVE");
            const long total = CallsOf([&] { Rewrite(longer); });
            CheckWithEngine(probe + "/m.dbf", {newValue}, kind + " rewrite");
            ASSERT_GT(total, 3) << kind;
            for (const auto mode : {FaultCalls::kKill, FaultCalls::kFullDisk}) {
                for (long n = 1; n <= total; ++n) {
                    const std::string folder =
                        dir + "/" + (mode == FaultCalls::kKill ? "kill" : "full") +
                        std::to_string(s.version) + (longer ? "l" : "s") + std::to_string(n);
                    fs::copy(pristine, folder);
                    const std::string label =
                        kind +
                        (mode == FaultCalls::kKill ? " killed at call " : " disk full from call ") +
                        std::to_string(n);
                    USE(folder + "/m.dbf EXCLUSIVE");
                    bool stored = false;
                    {
                        FaultCalls fault(mode, n);
                        try {
                            Rewrite(longer, &stored);
                        } catch (const EDurazError&) {
                        }
                        if (mode == FaultCalls::kKill) Forget();
                    }
                    Forget();
                    std::vector<std::string> edited{oldValue, newValue};
                    if (mode == FaultCalls::kFullDisk) edited = {stored ? newValue : oldValue};
                    CheckWithEngine(folder + "/m.dbf", edited, label);
                    outcomes.push_back({folder, dbase4, edited});
                }
            }
        }
    }
    ExpectDbfreadReads(outcomes);
}

}  // namespace
}  // namespace veldrim::testing
