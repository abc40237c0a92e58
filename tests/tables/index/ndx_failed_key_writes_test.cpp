// Index writes that fail with an I/O error in the middle of a verb: a
// REPLACE whose key change could not be written keeps the index marked as
// changing (through later REPLACEs) until the index is rebuilt, and an
// append whose key could not go into the second of two indexes leaves the
// record count stored with the first one where its keys end, so that the
// next append or open gives the record its keys.
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "foundation/file_calls.h"
#include "tables/engine/locking.h"
#include "support/fault_calls.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

// Fails one node write (an offset past the anchor) of the index file whose
// name ends in `file`: the `skip`+1-th such write after arming fails with
// EIO, the others go through.
struct FailNodeWrite {
    static inline std::string file;
    static inline int skip = -1;  // below 0: not armed

    static ssize_t Pwrite(int fd, const void* buf, std::size_t n, off_t offset) {
        if (skip >= 0 && offset >= 512) {
            const std::string path = PathOfDescriptor(fd);
            if (path.size() >= file.size() &&
                path.compare(path.size() - file.size(), file.size(), file) == 0 && skip-- == 0) {
                errno = EIO;
                return -1;
            }
        }
        return SystemFileCalls().pwrite(fd, buf, n, offset);
    }
    FailNodeWrite(const std::string& f, int s) {
        file = f;
        skip = s;
        FileCallTable t = SystemFileCalls();
        t.pwrite = Pwrite;
        FileCalls = t;
    }
    ~FailNodeWrite() {
        ResetFileCalls();
        skip = -1;
    }
    FailNodeWrite(const FailNodeWrite&) = delete;
    FailNodeWrite& operator=(const FailNodeWrite&) = delete;
};

class NdxFailedKeyWrites : public IndexTest {
protected:
    // The table a.dbf (NAME C(8): alpha, bravo, charly, delta, echo, or the
    // first `count`) with the indexes named in `indexes`, each on NAME, in
    // the folder `name`.
    std::string Folder(const std::string& name, int count,
                       const std::vector<std::string>& indexes) {
        const std::string folder = Path(name);
        fs::create_directories(folder);
        CreateDbf(folder + "/a.dbf", {F("NAME", 'C', 8)});
        UseIn(1, folder + "/a.dbf EXCLUSIVE");
        const char* names[] = {"alpha", "bravo", "charly", "delta", "echo"};
        for (int i = 0; i < count; ++i) AddRecord([&] { SetBinaryText(1, names[i]); });
        for (const std::string& ix : indexes) MakeIndex("NAME", folder + "/" + ix);
        CloseAll();
        return folder;
    }
    static void Open(const std::string& folder, bool alone, const std::string& indexes) {
        UseIn(1, folder + "/a.dbf" + (alone ? " EXCLUSIVE" : ""));
        Set_Index_To(indexes);
    }
    // The record `r` gets the name `name` by REPLACE.
    static void Rename(bool alone, int32_t r, const std::string& name) {
        GO(r);
        if (!alone) {
            ASSERT_TRUE(RLock());
        }
        SetBinaryText(1, name);
        Replace();
        if (!alone) Unlock();
    }
    static void Add(bool alone, const std::string& name) {
        if (!alone) {
            ASSERT_TRUE(FLock());
        }
        AddRecord([&] { SetBinaryText(1, name); });
        if (!alone) Unlock();
    }
    // The record count stored with the anchor (bytes 492..495) and its
    // complement (bytes 488..491).
    static uint32_t StoredCount(const std::string& index) { return U32(ReadBytes(index), 492); }
    static uint32_t StoredComplement(const std::string& index) {
        return U32(ReadBytes(index), 488);
    }
};

// Record 2 becomes zulu, but the key change fails on a node write (the
// removal of the old key, or the insertion of the new one); then record 4
// becomes yankee without a fault. The index is not right after that, so
// its change mark stays on the disk, and the next open (held alone, or
// shared and then its first phase) rebuilds it: every record is found by
// the key it holds in the table.
TEST_F(NdxFailedKeyWrites, AReplaceWhoseKeyChangeFailedKeepsTheMarkUntilTheIndexIsRebuilt) {
    struct Case {
        const char* label;
        int failedWrite;  // node writes of the key change before the failed one
        bool reopenAlone;
    };
    const Case cases[] = {
        {"the old key's removal failed, reopened alone", 0, true},
        {"the old key's removal failed, reopened shared", 0, false},
        {"the new key's insertion failed, reopened alone", 1, true},
        {"the new key's insertion failed, reopened shared", 1, false},
    };
    int folderNumber = 0;
    for (const Case& c : cases) {
        const std::string folder = Folder("replace" + std::to_string(++folderNumber), 5, {"n"});
        const std::string index = folder + "/n.NDX";
        Open(folder, true, folder + "/n");
        {
            FailNodeWrite fail("/n.NDX", c.failedWrite);
            const std::string raised = Raised([] { Rename(true, 2, "zulu"); });
            EXPECT_NE(raised, "<nothing raised>") << c.label;
            EXPECT_LT(FailNodeWrite::skip, 0) << c.label << ": the node write was not reached";
        }
        EXPECT_EQ(ReadBytes(index).at(8), 1) << c.label << ": the failed change's mark";
        EXPECT_EQ(Raised([] { Rename(true, 4, "yankee"); }), "<nothing raised>") << c.label;
        EXPECT_EQ(ReadBytes(index).at(8), 1) << c.label << ": the mark after the next REPLACE";
        CloseAll();
        EXPECT_EQ(ReadBytes(index).at(8), 1) << c.label << ": the mark after the close";

        Open(folder, c.reopenAlone, folder + "/n");
        const struct {
            const char* name;
            int32_t record;
        } expected[] = {{"alpha", 1}, {"zulu", 2}, {"charly", 3}, {"yankee", 4}, {"echo", 5}};
        for (const auto& e : expected) {
            EXPECT_TRUE(FindExact(e.name)) << c.label << ": " << e.name;
            EXPECT_EQ(RecNo(), e.record) << c.label << ": " << e.name;
        }
        EXPECT_FALSE(FindExact("bravo")) << c.label;
        EXPECT_FALSE(FindExact("delta")) << c.label;
        const TIndexCheck check = CheckIndexTree(1);
        EXPECT_TRUE(check.ok) << c.label << ": " << check.problem;
        EXPECT_EQ(check.keys, 5) << c.label;
        EXPECT_EQ(ReadBytes(index).at(8), 0) << c.label << ": the mark after the rebuild";
        CloseAll();
    }
}

// With errors shown instead of raised, record 4 (delta) is appended to a
// table with the indexes s and t; s takes its key, t's node write fails,
// and the key leaves s again. The count stored with s goes back to 3 with
// it (the records whose keys s holds), so that the next append, or the
// next open, gives record 4 its keys in both indexes.
TEST_F(NdxFailedKeyWrites, AnAppendWhoseSecondIndexFailedLeavesTheRecordToTheNextAppendOrOpen) {
    int folderNumber = 0;
    for (const bool alone : {true, false}) {
        for (const bool nextIsAppend : {true, false}) {
            const std::string label = std::string(alone ? "held alone" : "shared") + ", then " +
                                      (nextIsAppend ? "an append" : "an open");
            const std::string folder =
                Folder("append" + std::to_string(++folderNumber), 3, {"s", "t"});
            const std::string s = folder + "/s.NDX";
            const std::string t = folder + "/t.NDX";
            const std::string both = folder + "/s " + folder + "/t";
            Open(folder, alone, both);
            ui.calls.clear();
            const bool raise = SetRaiseOnError(false);
            {
                FailNodeWrite fail("/t.NDX", 0);
                Add(alone, "delta");
                EXPECT_LT(FailNodeWrite::skip, 0) << label << ": t's node write was not reached";
            }
            SetRaiseOnError(raise);
            EXPECT_FALSE(ui.CallsOf("message").empty()) << label << ": the error is shown";
            EXPECT_EQ(StoredCount(s), 3u) << label;
            EXPECT_EQ(StoredComplement(s), ~3u) << label;
            EXPECT_EQ(StoredCount(t), 3u) << label;

            int32_t records = 4;
            if (nextIsAppend) {
                Add(alone, "echo");
                records = 5;
            } else {
                CloseAll();
                Open(folder, alone, both);
            }
            EXPECT_EQ(RecCount(), records) << label;
            for (int order : {1, 2}) {
                const std::string which = label + ", index " + (order == 1 ? "s" : "t");
                Set_Order_To(order);
                EXPECT_TRUE(FindExact("delta")) << which;
                EXPECT_EQ(RecNo(), 4) << which;
                if (nextIsAppend) {
                    EXPECT_TRUE(FindExact("echo")) << which;
                    EXPECT_EQ(RecNo(), 5) << which;
                }
                const TIndexCheck check = CheckIndexTree(1);
                EXPECT_TRUE(check.ok) << which << ": " << check.problem;
                EXPECT_EQ(check.keys, records) << which;
            }
            CloseAll();
            EXPECT_EQ(StoredCount(s), static_cast<uint32_t>(records)) << label;
            EXPECT_EQ(StoredCount(t), static_cast<uint32_t>(records)) << label;
        }
    }
}

}  // namespace
}  // namespace veldrim::testing
