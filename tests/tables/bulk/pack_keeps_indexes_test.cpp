// A PACK keeps every index of the area open and equal to the table: when
// it empties the table (an index on three letters from a position, whose
// key the filled stand-in record leaves empty), and when it fails at any
// changing file call. What a REPLACE and an APPEND write afterwards is
// found through the indexes after the table is opened again.
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/save_target.h"
#include "support/fault_calls.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

// One record of the table: NAME, POS and its key in the index on
// SUBSTR(NAME,POS,3), worked by hand.
struct Part {
    const char* name;
    int pos;
    const char* key;
};

void AddPart(const Part& p) {
    ClearRecord();
    SetBinaryText(1, p.name);
    SetBinaryNumber(2, p.pos);
    Append();
}

// The second index: the name field as its key maker reads it, blank-padded
// to the field's width.
std::string NameKey(int) {
    std::string v = BinaryText(1);
    v.resize(10, ' ');
    return v;
}

class PackKeepsIndexes : public IndexTest {
protected:
    // parts.dbf (NAME C(10), POS N(2)) in `folder` with `parts`, the index
    // part on SUBSTR(NAME,POS,3) in position 1 and the key maker index name
    // in position 2.
    void MakeParts(const std::string& folder, const std::vector<Part>& parts) {
        fs::create_directories(folder);
        file = folder + "/parts.dbf";
        CreateDbf(file, {F("NAME", 'C', 10), F("POS", 'N', 2)});
        Use();
        for (const Part& p : parts) AddPart(p);
        Index_On("SUBSTR(NAME,POS,3)", "part");
        ASSERT_EQ(LastError(), 0);
        MakeIndexCB("name", NameKey);
        ASSERT_EQ(LastError(), 0);
        OpenIndexes();
    }
    // The table in area 1, exclusive or shared (and locked for writing).
    void Use() {
        UseIn(1, file + (shared ? "" : " EXCLUSIVE"));
        if (shared) FLock();
    }
    void OpenIndexes() {
        Set_Index_To("part");
        OpenIndexCB("name", 2, NameKey);
        Set_Order_To(1);
    }
    void Reopen() {
        CloseAll();
        Use();
        OpenIndexes();
    }
    // Both indexes are open and hold exactly the records of `parts`, each
    // found by its key.
    static void ExpectIndexesHold(const std::vector<Part>& parts, const std::string& label) {
        ASSERT_EQ(CurrentOrder(), 1) << label;
        EXPECT_EQ(RecCount(), static_cast<int32_t>(parts.size())) << label;
        for (int position : {1, 2}) {
            const TIndexCheck check = CheckIndexTree(position);
            EXPECT_TRUE(check.ok) << label << " index " << position << ": " << check.problem;
            EXPECT_EQ(check.keys, static_cast<int64_t>(parts.size()))
                << label << " index " << position;
        }
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const auto record = static_cast<int32_t>(i + 1);
            Set_Order_To(1);
            EXPECT_TRUE(FindExact(parts[i].key)) << label << " " << parts[i].key;
            EXPECT_EQ(RecNo(), record) << label << " " << parts[i].key;
            Set_Order_To(2);
            EXPECT_TRUE(FindExact(parts[i].name)) << label << " " << parts[i].name;
            EXPECT_EQ(RecNo(), record) << label << " " << parts[i].name;
        }
        Set_Order_To(1);
    }
    // Record 1 becomes zulu from 1, kilo from 2 is appended; after the
    // table is opened again both are found under their new keys, the old
    // key of record 1 no more.
    void ChangeAndReopen(std::vector<Part> parts, const std::string& label) {
        GO(1);
        SetBinaryText(1, "zulu");
        SetBinaryNumber(2, 1);
        Replace();
        ASSERT_EQ(LastError(), 0) << label;
        const std::string oldKey = parts[0].key;
        parts[0] = {"zulu", 1, "zul"};
        AddPart({"kilo", 2, "ilo"});
        ASSERT_EQ(LastError(), 0) << label;
        parts.push_back({"kilo", 2, "ilo"});
        Reopen();
        ASSERT_EQ(LastError(), 0) << label << ": opened again";
        EXPECT_FALSE(FindExact(oldKey)) << label << " " << oldKey;
        ExpectIndexesHold(parts, label + ", opened again");
    }

    // PACKs made to fail at each changing file call in turn, and the indexes
    // checked after each.
    void FailEveryCall();

    std::string file;
    bool shared = false;
};

TEST_F(PackKeepsIndexes, APackThatEmptiesTheTableKeepsItsIndexes) {
    MakeParts(Path("empty"), {{"alpha", 1, "alp"}, {"beta", 2, "eta"}, {"gamma", 3, "mma"}});
    for (int32_t r = 1; r <= 3; ++r) {
        GO(r);
        DeleteRec();
    }
    const std::string message = Raised([] { EXPECT_TRUE(Pack()); });
    EXPECT_EQ(message, "<nothing raised>");
    EXPECT_EQ(LastError(), 0);
    ExpectIndexesHold({}, "packed empty");
    if (HasFatalFailure()) return;
    TIndexInfo info;
    ASSERT_TRUE(IndexInfo("part", info));
    EXPECT_EQ(info.keyLength, 3) << "the key length of the file rebuilt";
    EXPECT_EQ(info.recordCount, 0);

    // The empty table's index opens again.
    Reopen();
    EXPECT_EQ(LastError(), 0) << "the empty table's indexes opened again";
    EXPECT_EQ(CurrentOrder(), 1);

    // delta from 2 is appended; then the record the index holds is written
    // as zulu from 1, and kilo from 2 appended.
    AddPart({"delta", 2, "elt"});
    ASSERT_EQ(LastError(), 0);
    ChangeAndReopen({{"delta", 2, "elt"}}, "after the empty pack");
}

// Inside a PACK: once the rebuilt index part.NDX has taken its name, the
// next open of it is refused, as when the program has run out of file
// descriptors; the opens after that work again.
struct RefuseReopen {
    static inline bool armed = false;
    static inline bool refused = false;

    static int Rename(const char* from, const char* to) {
        const int r = SystemFileCalls().rename(from, to);
        if (r == 0 && EndsWith(to, "/part.NDX") && !refused) armed = true;
        return r;
    }
    static int Open(const char* path, int flags, mode_t mode) {
        if (armed && EndsWith(path, "/part.NDX")) {
            armed = false;
            refused = true;
            errno = EMFILE;
            return -1;
        }
        return SystemFileCalls().open(path, flags, mode);
    }
    RefuseReopen() {
        armed = refused = false;
        FileCallTable t = SystemFileCalls();
        t.rename = Rename;
        t.open = Open;
        FileCalls = t;
    }
    ~RefuseReopen() { ResetFileCalls(); }
};

TEST_F(PackKeepsIndexes, APackWhoseRebuiltIndexCannotBeOpenedPutsEveryIndexBack) {
    const std::vector<Part> parts = {
        {"alpha", 1, "alp"}, {"beta", 2, "eta"}, {"gamma", 3, "mma"}, {"delta", 1, "del"}};
    MakeParts(Path("refused"), parts);
    GO(2);
    DeleteRec();
    std::string message;
    {
        RefuseReopen refuse;
        message = Raised([] { EXPECT_FALSE(Pack()); });
        EXPECT_TRUE(RefuseReopen::refused) << "the fault reached the open of the rebuilt index";
    }
    EXPECT_NE(message, "<nothing raised>");
    EXPECT_TRUE(Contains(message, "part.NDX")) << message;
    ExpectIndexesHold(parts, "the PACK put back");
    if (HasFatalFailure()) return;
    ChangeAndReopen(parts, "after the failed PACK");
}

// Every changing file call of a PACK fails in turn: once (an I/O error), or
// from there on as on a disk that filled up. The PACK either went through
// or left the table as it was, and in both cases both indexes stay open
// and equal to the table.
void PackKeepsIndexes::FailEveryCall() {
    const std::vector<Part> before = {{"alpha", 1, "alp"},
                                      {"beta", 2, "eta"},
                                      {"gamma", 3, "mma"},
                                      {"delta", 1, "del"},
                                      {"echo", 2, "cho"}};
    const std::vector<Part> after = {before[0], before[2], before[4]};
    const struct {
        FaultCalls::Mode mode;
        const char* name;
    } modes[] = {{FaultCalls::kFail, "failed"}, {FaultCalls::kFullDisk, "disk full at"}};
    for (const auto& m : modes) {
        int failed = 0, packed = 0;
        for (long n = 1;; ++n) {
            const std::string label = std::string(m.name) + " call " + std::to_string(n);
            MakeParts(Path(std::to_string(m.mode) + "-" + std::to_string(n)), before);
            for (int32_t r : {2, 4}) {
                GO(r);
                DeleteRec();
            }
            bool fired = false;
            std::string call;
            {
                FaultCalls fault(m.mode, n, EIO);
                Raised([] { Pack(); });
                fired = FaultCalls::Fired();
                // The n-th changing call (closes are logged, not counted).
                long seen = 0;
                for (const FaultCalls::Call& c : FaultCalls::Log())
                    if (c.call != "close" && ++seen == n) call = c.call + " " + LeafOf(c.path);
            }
            if (!fired) break;
            const bool done = RecCount() == static_cast<int32_t>(after.size());
            (done ? packed : failed) += 1;
            const std::string what = label + " (" + call + ")";
            try {
                ExpectIndexesHold(done ? after : before, what);
                ChangeAndReopen(done ? after : before, what);
            } catch (const EDurazError& e) {
                ADD_FAILURE() << what << ": " << e.what();
            }
            CloseAll();
            if (HasFailure()) break;
        }
        EXPECT_GT(failed, 0) << m.name << ": some failed call made the PACK fail";
        EXPECT_GE(failed + packed, 10) << m.name << ": a PACK makes many changing calls";
    }
}

TEST_F(PackKeepsIndexes, APackOfAnExclusiveTableFailingAtAnyFileCallKeepsItsIndexes) {
    FailEveryCall();
}

// A shared table is reopened exclusively for the PACK and shared again
// after it, its indexes logged out and in at the index semaphore.
TEST_F(PackKeepsIndexes, APackOfASharedTableFailingAtAnyFileCallKeepsItsIndexes) {
    shared = true;
    FailEveryCall();
}

}  // namespace
}  // namespace veldrim::testing
