// INDEX ON never writes its index over a file the engine holds open: the
// table itself, its memo file, an index open in another work area, under
// any name that reaches it.
#include <filesystem>
#include <string>

#include "foundation/files.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class NdxOntoOpenFiles : public IndexTest {};

TEST_F(NdxOntoOpenFiles, AnIndexIsNeverBuiltOverAFileTheEngineHoldsOpen) {
    MakeTable("parts.dbf", {F("NAME", 'C', 10), F("NOTE", 'M')});
    for (const char* name : {"worm", "bronze"}) {
        ClearRecord();
        SetBinaryText(1, name);
        Append();
        ASSERT_EQ(LastError(), 0);
    }
    for (const char* name : {"names", "second"}) {
        Index_On("NAME", name);
        ASSERT_EQ(LastError(), 0);
    }
    CloseAllIndexes();
    fs::create_directory_symlink(dir, Path("same"));
    const std::string index = FindFileNoCase(Path("names.ndx"));
    const std::string second = FindFileNoCase(Path("second.ndx"));
    fs::create_hard_link(index, Path("hard.ndx"));
    Set_Index_To("names second");
    ASSERT_EQ(LastError(), 0);
    const std::string table = Path("parts.dbf"), memo = FindFileNoCase(Path("parts.dbt"));
    const std::string tableBytes = Slurp(table), memoBytes = Slurp(memo), indexBytes = Slurp(index),
                      secondBytes = Slurp(second);
    // INDEX ON closes the area's own indexes first; MAKE INDEX keeps them
    // open, and another name of an open index (the first or the second) is
    // that index.
    for (const std::string& target :
         {table, Path("same/parts.dbf"), memo, Path("hard.ndx"),
          Path("same/") + fs::path(index).filename().string(), second}) {
        SCOPED_TRACE("MAKE INDEX onto " + target);
        Raised([&] { MakeIndex("NAME", target); });
        EXPECT_EQ(LastError(), 214);
        EXPECT_EQ(Slurp(table), tableBytes);
        EXPECT_EQ(Slurp(memo), memoBytes);
        EXPECT_EQ(Slurp(index), indexBytes);
        EXPECT_EQ(Slurp(second), secondBytes);
    }
    for (const std::string& target : {table, Path("same/parts.dbf"), memo}) {
        SCOPED_TRACE("INDEX ON onto " + target);
        Raised([&] { Index_On("NAME", target); });
        EXPECT_EQ(LastError(), 214);
        EXPECT_EQ(Slurp(table), tableBytes);
        EXPECT_EQ(Slurp(memo), memoBytes);
    }
    // The table is still the one the area writes to.
    GO(1);
    SetBinaryText(1, "gear");
    Replace();
    EXPECT_EQ(LastError(), 0);
    CloseArea();
    EXPECT_NE(Slurp(table).find("gear"), std::string::npos);
}

}  // namespace
}  // namespace veldrim::testing
