// COPY TO ... DELIMITED refuses a target the engine holds open, whoever calls
// it: the open table under its own or another name, its memo file, an open
// index and the index semaphore file. Written over, the table would be the
// text and every later append would go to the old file, unlinked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "foundation/files.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/ndx_index.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

class CopyDelimitedOntoOpenFilesTest : public TableTest {
protected:
    // NAME C 10, NOTE M: two records, open shared with an index on NAME.
    void OpenParts() {
        table = Make("parts.dbf", {F("NAME", 'C', 10), F("NOTE", 'M')});
        USE(table);
        FLock();
        for (const char* name : {"worm", "bronze"}) {
            ClearRecord();
            SetBinaryText(1, name);
            Append();
        }
        Index_On("NAME", Path("names.ndx"));
    }
    std::string table;
};

TEST_F(CopyDelimitedOntoOpenFilesTest, TheOpenTableAndItsFilesAreRefusedAndKeptByteForByte) {
    OpenParts();
    std::filesystem::create_directory_symlink(dir, Path("same"));
    ASSERT_EQ(::link(table.c_str(), Path("twin.dbf").c_str()), 0);
    const std::vector<std::string> held = {table,
                                           Path("same/parts.dbf"),
                                           Path("twin.dbf"),
                                           FindFileNoCase(Path("parts.dbt")),
                                           FindFileNoCase(Path("names.ndx")),
                                           FindFileNoCase(Path("parts.@S@"))};
    std::map<std::string, std::string> before;
    for (const std::string& f : held) before[f] = Slurp(f);
    for (const std::string& target : held) {
        SCOPED_TRACE(target);
        GO(2);
        const std::string message = Raised([&] { CopyDelimited(target); });
        EXPECT_EQ(LastError(), 214);
        EXPECT_TRUE(Contains(message, target + " ist ge\x94"
                                               "ffnet"))
            << message;
        for (const auto& [f, bytes] : before) EXPECT_EQ(Slurp(f), bytes) << f;
    }
    // The table is still the engine's: a record appended now is in the file.
    FLock();
    ClearRecord();
    SetBinaryText(1, "alloy");
    Append();
    CloseArea();
    USE(table);
    EXPECT_EQ(RecCount(), 3);
    GO(3);
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "alloy");
}

// A file beside the table that the engine does not hold is written.
TEST_F(CopyDelimitedOntoOpenFilesTest, AnEarlierExportBesideTheTableIsReplaced) {
    OpenParts();
    Spit(Path("parts.txt"), "an earlier export\r\n");
    Set_Order_To(0);
    EXPECT_EQ(CopyDelimited(Path("parts.txt")), 2);
    EXPECT_EQ(Slurp(Path("parts.txt")), "\"worm\",\r\n\"bronze\",\r\n\x1A");
}

}  // namespace
}  // namespace veldrim::testing
