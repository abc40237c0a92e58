// APPEND FROM refuses the receiving table under any name: a folder reached
// through a link, a hard link, the table open in a second work area. Each
// would read the records it is appending and never reach the end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

class AppendOntoItselfTest : public TableTest {
protected:
    // NAME C 10, QTY N 5: three records, written and closed.
    std::string Parts() {
        const std::string p = Path("parts.dbf");
        CreateDbf(p, {F("NAME", 'C', 10), F("QTY", 'N', 5)});
        USE(p + " EXCLUSIVE");
        for (const char* name : {"alpha", "beta", "gamma"}) {
            ClearRecord();
            SetBinaryText(1, name);
            SetBinaryInteger(2, 7);
            Append();
        }
        CloseArea();
        return p;
    }
};

TEST_F(AppendOntoItselfTest, TheReceivingTableUnderAnotherNameIsRefusedAndKeptByteForByte) {
    const std::string table = Parts();
    std::filesystem::create_directory_symlink(dir, Path("same"));
    ASSERT_EQ(::link(table.c_str(), Path("twin.dbf").c_str()), 0);
    const std::string before = Slurp(table);
    struct Case {
        const char* name;
        std::string source;
        int area;  // the receiving area; the table is open in area 1 as well
    };
    const Case cases[] = {{"a folder link", Path("same/parts.dbf"), 1},
                          {"the folder link without extension", Path("same/parts"), 1},
                          {"a hard link", Path("twin.dbf"), 1},
                          {"a second area", table, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseIn(1, table);  // shared: every SKIP reads the count from the file
        if (c.area == 2) UseIn(2, table + " ALIAS SECOND");
        Select(c.area);
        ASSERT_TRUE(FLock()) << "as the table editor's Append dbf takes it";
        const std::string raised = Raised([&] { AppendFrom(c.source); });
        EXPECT_EQ(LastError(), 214);
        EXPECT_TRUE(Contains(raised, "an sich selbst")) << raised;
        EXPECT_EQ(RecCount(), 3);
        EXPECT_EQ(WorkAreas[kScratchArea], nullptr) << "no source left open";
        CloseAll();
        EXPECT_EQ(Slurp(table), before);
    }
}

// A source that grows while it is appended (here the condition appends to
// it through a second area, as another program could) gives the records it
// held when the append began, and the append ends.
TEST_F(AppendOntoItselfTest, ASourceThatGrowsDuringTheAppendGivesTheRecordsItHeldAtTheStart) {
    const std::string source = Parts();
    // The writer reaches the source through a second name, so the append
    // opens the source in an area of its own.
    ASSERT_EQ(::link(source.c_str(), Path("writer.dbf").c_str()), 0);
    CreateDbf(Path("dst.dbf"), {F("NAME", 'C', 10), F("QTY", 'N', 5)});
    UseIn(2, Path("writer.dbf"));
    UseIn(1, Path("dst.dbf") + " EXCLUSIVE");
    int calls = 0;
    AppendFrom(source, [&] {
        // Stops a runaway append all the same, so that the test ends.
        if (++calls > 20) return false;
        const uint8_t here = CurrentArea;
        CurrentArea = 2;
        EXPECT_TRUE(ALock());
        ClearRecord();
        SetBinaryText(1, "late");
        Append();
        Unlock();
        CurrentArea = here;
        return true;
    });
    EXPECT_EQ(LastError(), 0);
    Select(1);
    EXPECT_EQ(RecCount(), 3);
    Select(2);
    EXPECT_EQ(RecCount(), 6) << "three appended to the source during the append";
}

}  // namespace
}  // namespace veldrim::testing
