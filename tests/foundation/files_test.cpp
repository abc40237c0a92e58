#include "foundation/files.h"

#include <gtest/gtest.h>

#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::FileFixture;
using testing::FileSizeLimit;

class Files : public FileFixture {};

TEST_F(Files, PathParts) {
    EXPECT_EQ(EnsureTrailingBackslash(" /data/ "), "/data/");
    EXPECT_EQ(EnsureTrailingBackslash("/data."), "/data./");  // whatever the last character
    EXPECT_EQ(EnsureTrailingBackslash(""), "");
    EXPECT_EQ(StripTrailingBackslash("/"), "/");
    // The folder is dropped before the extension: dots in folder names stay.
    EXPECT_EQ(BaseNameOf("/a.b/name.ext"), "name");
    EXPECT_EQ(BaseNameOf("/a.b/name"), "name");
    EXPECT_EQ(BaseNameOf("C:\\A.B\\NAME.EXT"), "NAME");
    EXPECT_EQ(DirPartOf("name.ext"), "");
    EXPECT_EQ(PathWithoutExt("/x/y.tar.gz"), "/x/y.tar");
    EXPECT_EQ(ExtAfterFirstDot("NAME.TAR.GZ"), "TAR.GZ");
    EXPECT_EQ(DriveOf("D:\\X"), "D:");
    EXPECT_EQ(DriveOf("/x"), "");
}

TEST_F(Files, ExistenceAndWritability) {
    const std::string f = Path("a.txt");
    Spit(f, "x");
    EXPECT_TRUE(FileExists(f));
    EXPECT_FALSE(FileExists(dir));  // a folder is not a file
    EXPECT_TRUE(DirExists(dir + "/"));
    EXPECT_FALSE(DirExists(Path("missing")));
    EXPECT_FALSE(DirExists(f + "/sub"));  // ENOTDIR, not ENOENT
    EXPECT_TRUE(IsDirWritable(dir));
    EXPECT_EQ(FilesInDir(), 1u);  // no probe left behind
    EXPECT_FALSE(IsDirWritable("/proc"));  // not writable even for root
    EXPECT_FALSE(IsDirWritable(Path("missing")));
}

TEST_F(Files, CopyAndDeleteByMask) {
    Spit(Path("one.dxf"), std::string(5000, 'a'));
    Spit(Path("two.DXF"), "b");
    Spit(Path("three.txt"), "c");
    fs::create_directory(Path("out"));
    cancelFlag = true;
    CopyFilesByMask("*.dxf", dir, Path("out"));
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Slurp(Path("out/one.dxf")), std::string(5000, 'a'));
    EXPECT_TRUE(FileExists(Path("out/two.DXF")));
    EXPECT_FALSE(FileExists(Path("out/three.txt")));

    CopyFilesByMask("*.none", dir, Path("out"));
    EXPECT_TRUE(cancelFlag);
    // A failed copy keeps the flag set even when other files were found.
    cancelFlag = false;
    CopyFilesByMask("*.dxf", dir, Path("missing-folder"));
    EXPECT_TRUE(cancelFlag);

    DeleteFilesByMask(Path("out/"), "*.dxf");
    EXPECT_TRUE(fs::is_empty(Path("out")));
    DeleteFileIfExists(Path("one.dxf"));
    EXPECT_FALSE(FileExists(Path("one.dxf")));
    DeleteFileIfExists(Path("one.dxf"));  // a missing file is no error
}

TEST_F(Files, FailedCopiesSetTheCancelFlagAndLeaveNoPartialFile) {
    const std::string src = Path("a.bin");
    Spit(src, std::string(10000, 'z'));
    const std::pair<std::string, std::string> failing[] = {
        {Path("missing"), Path("b.bin")}, {src, "/proc/veldrim-copy"}, {src, "/dev/full"}};
    for (const auto& [from, to] : failing) {
        cancelFlag = false;
        EXPECT_FALSE(CopyFileBlocks(from, to)) << to;
        EXPECT_TRUE(cancelFlag) << to;
    }
    EXPECT_FALSE(fs::exists(Path("b.bin")));
    {
        FileSizeLimit limit(4096);  // the disk fills up half-way through the copy
        cancelFlag = false;
        EXPECT_FALSE(CopyFileBlocks(src, Path("half.bin")));
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(fs::exists(Path("half.bin")));

    cancelFlag = false;
    fs::create_directory(Path("out"));
    EXPECT_TRUE(CopyFileIfExists(src, Path("out/other-name")));
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Slurp(Path("out/a.bin")), std::string(10000, 'z'));
    EXPECT_FALSE(CopyFileIfExists(Path("missing"), Path("x")));
}

TEST_F(Files, FindsNamesIgnoringCase) {
    Spit(Path("VOVUZI.DBF"), "x");
    EXPECT_EQ(FindFileNoCase(Path("vovuzi.dbf")), Path("VOVUZI.DBF"));
    EXPECT_EQ(FindFileNoCase(Path("lubri.dbf")), Path("lubri.dbf"));
    EXPECT_EQ(FindFileNoCase(Path("missing/x")), Path("missing/x"));
}

}  // namespace
}  // namespace veldrim
