// The order of syncs, renames and removals of the writes that replace files:
// a whole-file save, the creation of a table with its memo file, an index
// build and a PACK. A kill cannot show a missing sync (the page cache keeps
// what was written); a power loss can. So these tests read the log of the
// file call table and check that each file is synced after its last write
// and before it is renamed into place, that the folder is synced after each
// rename, and that a PACK's journal is synced with its commit line before
// the old files are removed and the folder synced after that.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/save_target.h"
#include "support/fault_calls.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/navigation.h"
#include "tables/index/ndx_index.h"
#include "tables/memo/memo_file.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;
using Log = std::vector<FaultCalls::Call>;

std::string Canonical(const std::string& path) { return fs::weakly_canonical(path).string(); }
std::string FolderOf(const std::string& path) {
    return Canonical(fs::path(path).parent_path().string());
}
bool Writes(const FaultCalls::Call& c) {
    return c.call == "write" || c.call == "pwrite" || c.call == "ftruncate";
}

// The log as lines, for failure messages.
std::string Shown(const Log& log) {
    std::string s;
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i].call != "close")
            s += std::to_string(i) + " " + log[i].call + " " + log[i].path +
                 (log[i].to.empty() ? "" : " -> " + log[i].to) + "\n";
    return s;
}

// Each rename: its file synced after its last write and before the rename;
// the target's folder synced after the rename and before `folderSyncBy`
// (the end of the log unless given). The number of renames.
int ExpectDurableRenames(const Log& log, const std::string& label,
                         std::size_t folderSyncBy = std::string::npos) {
    int renames = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i].call != "rename") continue;
        ++renames;
        const std::string from = Canonical(log[i].path);
        bool synced = false;
        for (std::size_t j = 0; j < i; ++j) {
            if (Canonical(log[j].path) != from) continue;
            if (log[j].call == "fsync") synced = true;
            if (Writes(log[j])) synced = false;
        }
        EXPECT_TRUE(synced) << label << ": " << log[i].path
                            << " is not synced after its last write before its rename\n"
                            << Shown(log);
        const std::string folder = FolderOf(log[i].to);
        bool folderSynced = false;
        for (std::size_t k = i + 1; k < std::min(folderSyncBy, log.size()) && !folderSynced; ++k)
            folderSynced = log[k].call == "fsync" && Canonical(log[k].path) == folder;
        EXPECT_TRUE(folderSynced) << label << ": the folder " << folder
                                  << " is not synced after the rename to " << log[i].to << "\n"
                                  << Shown(log);
    }
    return renames;
}

class SyncOrderTest : public TableTest {};

TEST_F(SyncOrderTest, AWholeFileSaveSyncsTheFileBeforeItsRenameAndTheFolderAfter) {
    const std::string path = Path("report.txt");
    Spit(path, "old");
    Log log;
    {
        FaultCalls count;
        std::string target, temp;
        const int fd = BeginSave(path, target, temp);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(WriteWhole(fd, "new contents", 12));
        ASSERT_EQ(CommitSaveTemp(fd, temp, target), 0);
        log = FaultCalls::Log();
    }
    EXPECT_EQ(Slurp(path), "new contents");
    EXPECT_EQ(ExpectDurableRenames(log, "save"), 1);
}

TEST_F(SyncOrderTest, ATableAndItsMemoFileAreCreatedDurably) {
    Log log;
    {
        FaultCalls count;
        CreateDbf(Path("t.dbf"), {F("ID", 'N', 5), F("NOTE", 'M')});
        log = FaultCalls::Log();
    }
    EXPECT_TRUE(fs::exists(Path("t.dbt")));
    EXPECT_EQ(ExpectDurableRenames(log, "table creation"), 2) << "the table and its memo file";
}

TEST_F(SyncOrderTest, AnIndexBuildSyncsItsFileBeforeItsRenameAndTheFolderAfter) {
    CreateDbf(Path("t.dbf"), {F("ID", 'N', 5), F("NAME", 'C', 10)});
    USE(Path("t.dbf") + " EXCLUSIVE");
    for (int id = 1; id <= 40; ++id) {
        ClearRecord();
        SetBinaryInteger(1, id);
        SetBinaryText(2, "N" + std::to_string(id * 37 % 101));
        Append();
    }
    for (bool rebuild : {false, true}) {
        Log log;
        {
            FaultCalls count;
            if (rebuild)
                Reindex();
            else
                Index_On("NAME", Path("name.ndx"));
            log = FaultCalls::Log();
        }
        const std::string label = rebuild ? "REINDEX" : "INDEX ON";
        EXPECT_GE(ExpectDurableRenames(log, label), 1) << label;
    }
    CloseArea();
}

// A PACK of a table with a memo file, with and without an index: each new
// file synced before its rename; the folder synced after the renames and
// before the journal's commit line; the commit line synced before the first
// old file goes; the folder synced after the journal goes.
TEST_F(SyncOrderTest, APackCommitsItsJournalDurablyBeforeTheOldFilesGo) {
    for (bool indexed : {true, false}) {
        const std::string label = indexed ? "PACK with an index" : "PACK without an index";
        const std::string table = Path(indexed ? "t.dbf" : "u.dbf");
        CreateDbf(table, {F("ID", 'N', 5), F("NOTE", 'M')});
        USE(table + " EXCLUSIVE");
        for (int id = 1; id <= 30; ++id) {
            ClearRecord();
            SetBinaryInteger(1, id);
            SetBinaryMemoRef(2, AddMemo("note " + std::to_string(id)));
            SetBinaryDeleted(id % 3 == 0);
            Append();
        }
        if (indexed) Index_On("ID", Path("id.ndx"));
        Log log;
        {
            FaultCalls count;
            ASSERT_TRUE(Pack()) << label;
            log = FaultCalls::Log();
        }
        CloseArea();
        const std::string journal = Canonical(table + ".$$$pack");
        // The old files the journal keeps: the second names made before it.
        std::vector<std::string> kept;
        std::size_t commitLine = std::string::npos, firstOldGone = std::string::npos;
        std::size_t journalGone = std::string::npos;
        bool journalMade = false;
        for (std::size_t i = 0; i < log.size(); ++i) {
            const std::string path = Canonical(log[i].path);
            journalMade = journalMade || path == journal;
            if (!journalMade && log[i].call == "link") kept.push_back(Canonical(log[i].to));
            if (path == journal && Writes(log[i])) commitLine = i;
            if (log[i].call == "unlink" && firstOldGone == std::string::npos &&
                std::find(kept.begin(), kept.end(), path) != kept.end())
                firstOldGone = i;
            if (log[i].call == "unlink" && path == journal) journalGone = i;
        }
        EXPECT_EQ(kept.size(), indexed ? 3u : 2u) << label << ": the files the journal keeps";
        ASSERT_NE(commitLine, std::string::npos) << label << "\n" << Shown(log);
        ASSERT_NE(firstOldGone, std::string::npos) << label << "\n" << Shown(log);
        ASSERT_NE(journalGone, std::string::npos) << label << "\n" << Shown(log);
        EXPECT_EQ(ExpectDurableRenames(log, label, commitLine), indexed ? 3 : 2)
            << label << ": the table, the memo file (and the index) renamed into place";
        std::size_t commitSync = commitLine + 1;
        while (commitSync < log.size() &&
               !(log[commitSync].call == "fsync" && Canonical(log[commitSync].path) == journal))
            ++commitSync;
        EXPECT_LT(commitSync, firstOldGone)
            << label << ": the commit line is synced before old files go\n"
            << Shown(log);
        bool folderSynced = false;
        for (std::size_t k = journalGone + 1; k < log.size(); ++k)
            folderSynced = folderSynced ||
                           (log[k].call == "fsync" && Canonical(log[k].path) == FolderOf(journal));
        EXPECT_TRUE(folderSynced) << label << ": the folder is synced after the journal goes\n"
                                  << Shown(log);
    }
}

}  // namespace
}  // namespace veldrim::testing
