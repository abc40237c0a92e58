// File name and disk helpers.
#include "tables/engine_files.h"

#include "table_test_util.h"

namespace veldrim::testing {
namespace {

class EngineFilesTest : public TableTest {};

TEST_F(EngineFilesTest, NameParts) {
    EXPECT_EQ(DefaultExtension("ADDR", "DBF"), "ADDR.DBF");
    EXPECT_EQ(DefaultExtension("ADDR.TXT", "DBF"), "ADDR.TXT");
    EXPECT_EQ(DefaultExtension("dir.v2/ADDR", "DBF"), "dir.v2/ADDR.DBF") << "a dot in a folder is no extension";
    EXPECT_EQ(ForceExtension("ADDR.DBF", "DBT"), "ADDR.DBT");
    std::string d, n, e;
    SplitFileName("/data/ADDR.DBF", d, n, e);
    EXPECT_EQ(d + "|" + n + "|" + e, "/data/|ADDR|.DBF");
    SplitFileName("ADDR", d, n, e);
    EXPECT_EQ(d + "|" + n + "|" + e, "|ADDR|");
    EXPECT_EQ(StripExtension("/x/y/Mat.dbf"), "/x/y/Mat");
}

TEST_F(EngineFilesTest, FindDeleteAndUniqueNames) {
    EXPECT_EQ(DiskFreeKB("/nonexistent/folder"), -1);
    for (const char* f : {"Lubri.DBF", "a1.tmp", "a2.tmp", "keep.txt"}) WriteBytes(Path(f), {1});
    EXPECT_EQ(FindFileNoCase(Path("lubri.dbf")), Path("Lubri.DBF"));
    EXPECT_FALSE(FileExist(dir)) << "a folder is no file";
    EXPECT_EQ(FileDateOf(Path("none")), 0);
    EXPECT_EQ(FileDateError, 2);
    DeleteFilesLike(Path("a?.tmp"));
    EXPECT_FALSE(FileExist(Path("a1.tmp")) || FileExist(Path("a2.tmp")));
    EXPECT_TRUE(FileExist(Path("keep.txt")));
    EXPECT_THROW(DeleteFilesLike(Path("gone.tmp")), EDurazError);
    EXPECT_EQ(LastError(), 2);
    std::string a, b;
    UniqueFilename(a);
    UniqueFilename(b);
    EXPECT_NE(a, b);
    EXPECT_TRUE(FileExist(a));
    std::filesystem::remove(a);
    std::filesystem::remove(b);
}

TEST_F(EngineFilesTest, AFileHeldOpenIsNotDeleted) {
    CreateDbf(Path("held.dbf"), {F("A", 'C', 1)});
    USE(Path("held.dbf"));
    EXPECT_EQ(DeleteFileChecked(Path("held.dbf")), 32);
    EXPECT_TRUE(FileExist(Path("held.dbf")));
    CloseArea();
    EXPECT_EQ(DeleteFileChecked(Path("held.dbf")), 0);
    EXPECT_FALSE(FileExist(Path("held.dbf")));
}

}  // namespace
}  // namespace veldrim::testing
