// A PACK of a table whose index lives in another folder, killed at every
// changing file call from the moment its journal is on the disk: the journal
// names only the files beside the table, so the next open of the table
// accepts it and puts the table in order (the old or the packed records),
// and leaves no journal behind.
#include <filesystem>
#include <string>
#include <vector>

#include "support/fault_calls.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/pack_journal.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 6;

class PackIndexElsewhere : public IndexTest {
protected:
    // `name`/t.dbf (NAME C 8, records 1..6, the even ones deleted) with the
    // index keys/n.ndx on NAME in a folder of its own; open exclusive with
    // the index.
    std::string Fresh(const std::string& name) {
        const std::string folder = dir + "/" + name;
        fs::create_directories(folder + "/keys");
        CreateDbf(folder + "/t.dbf", {F("NAME", 'C', 8)});
        USE(folder + "/t.dbf EXCLUSIVE");
        for (int id = 1; id <= kRecords; ++id) {
            ClearRecord();
            SetBinaryText(1, "N" + std::to_string(id));
            Append();
        }
        for (int id = 2; id <= kRecords; id += 2) {
            GO(id);
            DeleteRec();
        }
        Index_On("NAME", folder + "/keys/n.ndx");
        return folder;
    }
    static void Forget() {
        try {
            ResetAllProgramState();
        } catch (const EDurazError&) {
        }
    }
};

TEST_F(PackIndexElsewhere, AKilledPackLeavesAJournalThatTheNextOpenAccepts) {
    // The changing calls of a whole PACK, and the one that puts the
    // journal's lines on the disk.
    Fresh("probe");
    long total = 0, journalSynced = 0;
    {
        FaultCalls count;
        ASSERT_TRUE(Pack());
        total = FaultCalls::Calls();
        long n = 0;
        for (const FaultCalls::Call& c : FaultCalls::Log()) {
            if (c.call == "close") continue;
            ++n;
            if (c.call == "fsync" && EndsWith(c.path, "t.dbf.$$$pack")) journalSynced = n;
        }
    }
    CloseAll();
    ASSERT_GT(journalSynced, 0) << "the PACK writes a journal";
    ASSERT_GT(total, journalSynced);

    int journalsLeft = 0;
    for (long n = journalSynced + 1; n <= total; ++n) {
        const std::string label = "killed at call " + std::to_string(n);
        const std::string folder = Fresh("kill" + std::to_string(n));
        {
            FaultCalls kill(FaultCalls::kKill, n);
            try {
                Pack();
            } catch (const EDurazError&) {
            }
            Forget();
        }
        const std::string journal = PackJournalName(folder + "/t.dbf");
        journalsLeft += fs::exists(journal);
        const std::string refused = Raised([&] { USE(folder + "/t.dbf EXCLUSIVE"); });
        EXPECT_EQ(refused, "<nothing raised>") << label;
        EXPECT_EQ(LastError(), 0) << label;
        EXPECT_FALSE(fs::exists(journal)) << label;
        const int32_t count = RecCount();
        EXPECT_TRUE(count == kRecords || count == kRecords / 2) << label << ": " << count;
        // The records kept are whole: N1, N3, N5 among them, in order.
        std::vector<std::string> names;
        for (int32_t r = 1; r <= count; ++r) {
            GO(r);
            names.push_back(TrimRightStr(BinaryText(1)));
        }
        if (count == kRecords / 2) {
            EXPECT_EQ(names, (std::vector<std::string>{"N1", "N3", "N5"})) << label;
        }
        Forget();
    }
    EXPECT_GT(journalsLeft, 0) << "kills that left a journal for the open to resolve";
}

}  // namespace
}  // namespace veldrim::testing
