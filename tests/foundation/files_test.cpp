#include "foundation/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "foundation/program_state.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        char tmpl[] = "/tmp/veldrim-files-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Write(const std::string& name, const std::string& body) {
        const std::string p = dir + "/" + name;
        std::ofstream(p, std::ios::binary) << body;
        return p;
    }
    static std::string Read(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    std::string dir;
};

TEST_F(Files, PathParts) {
    EXPECT_EQ(EnsureTrailingBackslash("/data"), "/data/");
    EXPECT_EQ(EnsureTrailingBackslash(" /data/ "), "/data/");
    EXPECT_EQ(EnsureTrailingBackslash("/data."), "/data./");  // whatever the last character
    EXPECT_EQ(EnsureTrailingBackslash("/data-"), "/data-/");
    EXPECT_EQ(EnsureTrailingBackslash(""), "");
    EXPECT_EQ(StripTrailingBackslash("/data/"), "/data");
    EXPECT_EQ(StripTrailingBackslash("/"), "/");
    EXPECT_EQ(BaseNameOf("/a.b/name.ext"), "name");
    EXPECT_EQ(BaseNameOf("/a.b/name"), "name");
    EXPECT_EQ(BaseNameOf("C:\\A.B\\NAME.EXT"), "NAME");
    EXPECT_EQ(DirPartOf("/a.b/name.ext"), "/a.b/");
    EXPECT_EQ(DirPartOf("name.ext"), "");
    EXPECT_EQ(PathWithoutExt("/x/y.tar.gz"), "/x/y.tar");
    EXPECT_EQ(ExtAfterFirstDot("NAME.TAR.GZ"), "TAR.GZ");
    EXPECT_EQ(ExtAfterFirstDot("NAME"), "");
    EXPECT_EQ(DriveOf("D:\\X"), "D:");
    EXPECT_EQ(DriveOf("/x"), "");
}

TEST_F(Files, ExistenceAndWritability) {
    const std::string f = Write("a.txt", "x");
    EXPECT_TRUE(FileExists(f));
    EXPECT_FALSE(FileExists(dir));  // a folder is not a file
    EXPECT_FALSE(FileExists(dir + "/missing"));
    EXPECT_TRUE(DirExists(dir));
    EXPECT_TRUE(DirExists(dir + "/"));
    EXPECT_FALSE(DirExists(dir + "/missing"));
    EXPECT_FALSE(DirExists(f + "/sub"));  // ENOTDIR, not ENOENT
    EXPECT_TRUE(DirAccessible(dir));
    EXPECT_TRUE(IsDirWritable(dir));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);  // no probe left behind
    EXPECT_FALSE(IsDirWritable("/proc"));  // not writable even for root
    EXPECT_FALSE(IsDirWritable(dir + "/missing"));
}

TEST_F(Files, CopyAndDeleteByMask) {
    const std::string src = Write("one.dxf", std::string(5000, 'a'));
    Write("two.DXF", "b");
    Write("three.txt", "c");
    fs::create_directory(dir + "/out");
    cancelFlag = true;
    CopyFilesByMask("*.dxf", dir, dir + "/out");
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Read(dir + "/out/one.dxf"), std::string(5000, 'a'));
    EXPECT_TRUE(FileExists(dir + "/out/two.DXF"));
    EXPECT_FALSE(FileExists(dir + "/out/three.txt"));

    CopyFilesByMask("*.none", dir, dir + "/out");
    EXPECT_TRUE(cancelFlag);

    // A failed copy keeps the flag set even when other files were found.
    cancelFlag = false;
    CopyFilesByMask("*.dxf", dir, dir + "/missing-folder");
    EXPECT_TRUE(cancelFlag);

    DeleteFilesByMask(dir + "/out/", "*.dxf");
    EXPECT_TRUE(fs::is_empty(dir + "/out"));
    DeleteFileIfExists(src);
    EXPECT_FALSE(FileExists(src));
    DeleteFileIfExists(src);  // a missing file is no error
}

TEST_F(Files, FailedCopiesSetTheCancelFlagAndLeaveNoFile) {
    const std::string src = Write("a.bin", std::string(10000, 'z'));
    cancelFlag = false;
    EXPECT_FALSE(CopyFileBlocks(dir + "/missing", dir + "/b.bin"));
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(fs::exists(dir + "/b.bin"));

    cancelFlag = false;
    EXPECT_FALSE(CopyFileBlocks(src, "/proc/veldrim-copy"));
    EXPECT_TRUE(cancelFlag);

    cancelFlag = false;
    EXPECT_FALSE(CopyFileBlocks(src, "/dev/full"));  // every write fails: disk full
    EXPECT_TRUE(cancelFlag);

    cancelFlag = false;
    EXPECT_TRUE(CopyFileBlocks(src, dir + "/c.bin"));
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Read(dir + "/c.bin"), std::string(10000, 'z'));
    fs::create_directory(dir + "/out");
    EXPECT_TRUE(CopyFileIfExists(src, dir + "/out/other-name"));
    EXPECT_TRUE(FileExists(dir + "/out/a.bin"));
    EXPECT_FALSE(CopyFileIfExists(dir + "/missing", dir + "/x"));
}

TEST_F(Files, FindsNamesIgnoringCase) {
    Write("VOVUZI.DBF", "x");
    EXPECT_EQ(FindFileNoCase(dir + "/vovuzi.dbf"), dir + "/VOVUZI.DBF");
    EXPECT_EQ(FindFileNoCase(dir + "/VOVUZI.DBF"), dir + "/VOVUZI.DBF");
    EXPECT_EQ(FindFileNoCase(dir + "/lubri.dbf"), dir + "/lubri.dbf");
    EXPECT_EQ(FindFileNoCase(dir + "/missing/x"), dir + "/missing/x");
}

}  // namespace
}  // namespace veldrim
