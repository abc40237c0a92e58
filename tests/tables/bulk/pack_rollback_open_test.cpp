// A PACK that fails at its commit puts the old table and index back. While
// it does, its journal is still live: another program that opens the table
// then is refused and touches nothing, even though the PACK no longer holds
// the table file that was put back. The PACK runs in a forked child that
// stops at a chosen file call until the test lets it go on.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foundation/file_calls.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/pack_journal.h"
#include "tables/engine/win1252_text.h"
#include "support/fault_calls.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

// Inside the packing child: the journal's commit line cannot be written (an
// I/O error), and once the old table has its name back the child says 'r'
// and waits for the test.
struct RollbackWatch {
    static inline Peer* peer = nullptr;

    static ssize_t Write(int fd, const void* buf, std::size_t n) {
        if (n >= 6 && std::memcmp(buf, "COMMIT", 6) == 0 &&
            EndsWith(PathOfDescriptor(fd), ".$$$pack")) {
            errno = EIO;
            return -1;
        }
        return SystemFileCalls().write(fd, buf, n);
    }
    static int Rename(const char* from, const char* to) {
        const int r = SystemFileCalls().rename(from, to);
        if (r == 0 && peer && EndsWith(to, "/t.dbf") && std::strstr(from, ".$$$old")) {
            peer->Tell('r');
            peer->Await();
            peer = nullptr;
        }
        return r;
    }
    explicit RollbackWatch(Peer& p) {
        peer = &p;
        FileCallTable t = SystemFileCalls();
        t.write = Write;
        t.rename = Rename;
        FileCalls = t;
    }
    ~RollbackWatch() {
        ResetFileCalls();
        peer = nullptr;
    }
};

class PackRollbackOpen : public IndexTest {
protected:
    static constexpr const char* kNames[] = {"golf", "alpha", "echo", "bravo", "delta", "charly"};
    // t.dbf with six names, the second and fifth deleted, and its index n
    // on NAME.
    void SetUp() override {
        IndexTest::SetUp();
        MakeTable("t.dbf", {F("NAME", 'C', 8)});
        for (const char* v : kNames) AddRecord([&] { SetBinaryText(1, v); });
        for (int32_t r : {2, 5}) {
            GO(r);
            DeleteRec();
        }
        MakeIndex("NAME", "n");
        CloseAll();
    }
};

TEST_F(PackRollbackOpen, AnOpenDuringAFailedPacksRollbackIsRefusedAndTouchesNothing) {
    const auto tableBefore = ReadBytes(table);
    const std::string journal = table + ".$$$pack";
    Peer packer([this](Peer& p) {
        UseIn(1, table + " EXCLUSIVE");
        Set_Index_To("n");
        bool packed = true;
        {
            RollbackWatch watch(p);
            try {
                packed = Pack();
            } catch (const EDurazError&) {
                packed = false;
            }
        }
        CloseAll();
        return packed ? 1 : 0;
    });
    ASSERT_TRUE(packer.Started());
    ASSERT_EQ(packer.Receive(), 'r') << "the PACK did not reach its rollback";
    ASSERT_TRUE(fs::exists(journal)) << "the journal is live during the rollback";
    const auto before = FolderFiles(dir);
    const std::string message = Raised([&] { UseIn(1, table); });
    EXPECT_EQ(LastError(), 32) << message;
    EXPECT_EQ(WorkAreas[1], nullptr) << "no table is open in area 1";
    ExpectSameFiles(before, FolderFiles(dir), "an open during the rollback");
    packer.Send('g');
    EXPECT_EQ(packer.Finish(), 0) << "the PACK reports its failure";

    // The PACK put everything back and removed its journal.
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_EQ(ReadBytes(table), tableBefore);
    UseIn(1, table + " EXCLUSIVE");
    Set_Index_To("n");
    EXPECT_EQ(RecCount(), 6);
    for (int32_t r = 1; r <= 6; ++r) {
        EXPECT_TRUE(FindExact(kNames[r - 1])) << kNames[r - 1];
        EXPECT_EQ(RecNo(), r) << kNames[r - 1];
    }
    const TIndexCheck check = CheckIndexTree(1);
    EXPECT_TRUE(check.ok) << check.problem;
    EXPECT_EQ(check.keys, 6);
}

}  // namespace
}  // namespace veldrim::testing
