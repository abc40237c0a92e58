// File name and disk helpers.
#include "tables/engine_files.h"

#include "table_test_util.h"

namespace veldrim::testing {
namespace {

class EngineFilesTest : public TableTest {};

TEST_F(EngineFilesTest, NameParts) {
    EXPECT_EQ(DefaultExtension("ADDR", "DBF"), "ADDR.DBF");
    EXPECT_EQ(DefaultExtension("ADDR.TXT", "DBF"), "ADDR.TXT");
    EXPECT_EQ(DefaultExtension("dir.v2/ADDR", "DBF"), "dir.v2/ADDR.DBF");
    EXPECT_EQ(ForceExtension("ADDR.DBF", "DBT"), "ADDR.DBT");
    std::string d, n, e;
    SplitFileName("/data/ADDR.DBF", d, n, e);
    EXPECT_EQ(d, "/data/");
    EXPECT_EQ(n, "ADDR");
    EXPECT_EQ(e, ".DBF");
    SplitFileName("ADDR", d, n, e);
    EXPECT_EQ(d, "");
    EXPECT_EQ(n, "ADDR");
    EXPECT_EQ(e, "");
    EXPECT_EQ(FileBaseName("/x/y/Mat.dbf"), "Mat");
    EXPECT_EQ(StripExtension("/x/y/Mat.dbf"), "/x/y/Mat");
    std::string s = "/a/b/c.txt";
    StripThrough('/', s);
    EXPECT_EQ(s, "c.txt");
}

TEST_F(EngineFilesTest, DiskFree) {
    EXPECT_GT(DiskFreeKB(""), 0);
    EXPECT_NEAR(DriveFreeKB(0), DiskFreeKB(""), 1024.0 * 64);
    EXPECT_EQ(DiskFreeKB("/nonexistent/folder"), -1);
}

TEST_F(EngineFilesTest, FindFileNoCase) {
    WriteBytes(Path("Lubri.DBF"), {1});
    EXPECT_EQ(FindFileNoCase(Path("lubri.dbf")), Path("Lubri.DBF"));
    EXPECT_EQ(FindFileNoCase(Path("none.dbf")), Path("none.dbf"));
    EXPECT_TRUE(FileExist(Path("Lubri.DBF")));
    EXPECT_FALSE(FileExist(dir));
    EXPECT_TRUE(FileDatedToday(Path("Lubri.DBF")));
    EXPECT_EQ(FileDateOf(Path("none")), 0);
    EXPECT_EQ(FileDateError, 2);
}

TEST_F(EngineFilesTest, DeletingFiles) {
    for (const char* f : {"a1.tmp", "a2.tmp", "b.tmp", "keep.txt"}) WriteBytes(Path(f), {1});
    DeleteFilesLike(Path("a?.tmp"));
    EXPECT_FALSE(FileExist(Path("a1.tmp")));
    EXPECT_FALSE(FileExist(Path("a2.tmp")));
    EXPECT_TRUE(FileExist(Path("b.tmp")));
    DeleteFilesLike(Path("b.tmp"));
    EXPECT_FALSE(FileExist(Path("b.tmp")));
    EXPECT_THROW(DeleteFilesLike(Path("gone.tmp")), EDurazError);
    EXPECT_EQ(LastError(), 2);
    EXPECT_TRUE(FileExist(Path("keep.txt")));
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

TEST_F(EngineFilesTest, UniqueFilename) {
    std::string a, b;
    UniqueFilename(a);
    UniqueFilename(b);
    EXPECT_NE(a, b);
    EXPECT_TRUE(FileExist(a));
    EXPECT_EQ(std::filesystem::path(a).filename().string().rfind("TZP", 0), 0u);
    std::filesystem::remove(a);
    std::filesystem::remove(b);
}

}  // namespace
}  // namespace veldrim::testing
