#include "foundation/text_file.h"

#include <cmath>
#include <functional>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/system_info.h"
#include "foundation_file_fixture.h"
#include "support/fault_calls.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::FaultCalls;
using testing::FileFixture;
using testing::FileSizeLimit;

class TextFileTest : public FileFixture {
protected:
    void OpenForWriting(const std::string& path) {
        sharedTextFile.Assign(path);
        RewriteChecked(sharedTextFile);
    }
    // The bytes that `write` leaves at `path` through the shared file.
    std::string Written(const std::string& path, const std::function<void()>& write) {
        OpenForWriting(path);
        write();
        CloseChecked(sharedTextFile);
        return Slurp(path);
    }
    void OpenForReading(const std::string& path) {
        sharedTextFile.Assign(path);
        ASSERT_EQ(sharedTextFile.Reset(), kIoOk);
    }
    // The next line of the shared file read into a variable that held `v`.
    static std::int32_t Int(std::int32_t v) { return ReadIntLine(v), v; }
    static Real Ext(Real v) { return ReadExtendedLine(v), v; }
    static std::string Text(std::string v) { return ReadTextLine(v), v; }
    static std::string Bars() {
        std::string a = "?", b = "?", c = "?", d = "?";
        ReadBarFields(a, b, c, d);
        return a + "," + b + "," + c + "," + d;
    }
};

TEST_F(TextFileTest, RealLinesKeepAtLeastSevenDecimals) {
    struct Case {
        Real x;
        int separatorOption, decimals;
        const char* text;
    } cases[] = {
        {0.0L, 1, 3, "0"},
        {-3.0L, 1, 3, "-3"},
        {1E-11L, 1, 3, "0"},
        {2.0L, 1, 3, "2.0000000"},
        {0.5L, 2, 3, "0,5000000"},
        {-0.25L, 1, 3, "-0.2500000"},
        {3.14159265L, 1, 0, "3.1415927"},  // a setting below 3 still gives 7 decimals
        {0.5L, 1, 5, "0.500000000"},
        {2.0L, 2, 5, "2,000000000"},  // above 3 keeps its extra ones
    };
    for (const auto& c : cases) {
        decimalSeparatorOption = static_cast<std::int16_t>(c.separatorOption);
        decimalsSetting = c.decimals;
        EXPECT_EQ(FloatLineText(c.x), c.text)
            << static_cast<double>(c.x) << " setting " << c.decimals;
    }
}

TEST_F(TextFileTest, EveryValueKindRoundTripsWithBothSeparators) {
    const Real reals[] = {0.0L,          0.5L,           -3.0L,           1E-11L,
                          1.0L / 3,      -12345.678901L, 123456.7654321L, 3.14159265358979L,
                          -0.000123456L, 0.999999999L,   4.4E-7L,         1E30L};
    for (int option : {1, 2}) {
        for (int setting : {0, 3, 5}) {
            SCOPED_TRACE(::testing::Message() << "separator " << option << " setting " << setting);
            ResetSharedTextFile();
            cancelFlag = false;
            decimalSeparatorOption = static_cast<std::int16_t>(option);
            decimalsSetting = setting;
            OpenForWriting(Path("values.txt"));
            WriteTextLine("Maß 20°"_cp850);
            WriteStringLine("");
            for (std::int32_t v : {-2147483647 - 1, 65535, -5}) WriteIntLine(v);
            for (Real x : reals) WriteFloatLine(x);
            WriteFloatLine(0.1L);
            WriteBoolLine(true), WriteBoolLine(false);
            WriteBarFields4("10", "40", "700", "440");
            WriteBarFields6("a", "", "c", "d", "e", "f");
            WriteBarFields8("1", "2", "3", "4", "5", "6", "7", "8");
            WriteTextLine("J");
            WriteTextPart("piece "), WriteTextPart("of a line"), WriteTextLine("");
            CloseChecked(sharedTextFile);
            ASSERT_FALSE(cancelFlag);

            OpenForReading(Path("values.txt"));
            EXPECT_EQ(Text("?"), "Maß 20°"_cp850);
            EXPECT_EQ(Text("?"), "");
            EXPECT_EQ(Int(1), -2147483647 - 1);
            std::uint16_t w = 1;
            std::int16_t sw = 1;
            ReadWordLine(w), ReadWordLine(sw);
            EXPECT_EQ(std::make_pair(int{w}, int{sw}), std::make_pair(65535, -5));
            for (Real x : reals)
                EXPECT_NEAR(static_cast<double>(Ext(99)), static_cast<double>(x),
                            std::max(5E-8, std::fabs(static_cast<double>(x)) * 1E-15))
                    << static_cast<double>(x);
            double dbl = 0;
            ReadDoubleLine(dbl);
            EXPECT_NEAR(dbl, 0.1, 5E-8);
            bool yes = false, no = true;
            ReadBoolLine(yes), ReadBoolLine(no);
            EXPECT_TRUE(yes);
            EXPECT_FALSE(no);
            for (const char* want : {"10,40,700,440", "a,,c,d", "1,2,3,4"}) EXPECT_EQ(Bars(), want);
            char ch = 'x';
            ReadCharLine(ch);
            EXPECT_EQ(ch, 'J');
            EXPECT_EQ(Text("?"), "piece of a line");
            EXPECT_TRUE(sharedTextFile.Eof());
            EXPECT_FALSE(cancelFlag);
        }
    }
}

TEST_F(TextFileTest, WritesCrLfAndReadsLfAndCrLfWhateverTheLetterCase) {
    EXPECT_EQ(Written(Path("le.txt"), [] { WriteTextLine("a"), WriteIntLine(7); }), "a\r\n7\r\n");

    Spit(Path("Mixed.TXT"), "x\ny\r\n12\n0,25\nlast");
    OpenForReading(Path("mixed.txt"));
    EXPECT_EQ(Text("?"), "x");
    EXPECT_EQ(Text("?"), "y");
    EXPECT_EQ(Int(0), 12);
    EXPECT_EQ(Ext(0), 0.25L);
    EXPECT_EQ(Text("?"), "last");
    EXPECT_FALSE(cancelFlag);
}

TEST_F(TextFileTest, ReaderCasesOfTheLineFormat) {
    Spit(Path("r.txt"), "true\r\nyes\r\nyes\r\nfalse\r\n12a\r\nabc\r\n a|b\r\n|||\r\n99999\r\n");
    OpenForReading(Path("r.txt"));
    bool b1 = false, b2 = true, b3 = false, b4 = true;
    ReadBoolLine(b1), ReadBoolLine(b2), ReadBoolLineDefaultTrue(b3), ReadBoolLineDefaultTrue(b4);
    EXPECT_EQ(std::vector<bool>({b1, b2, b3, b4}), std::vector<bool>({true, false, true, false}));
    EXPECT_FALSE(cancelFlag);

    // A number line that holds no number reads as 0 and tells the reader.
    EXPECT_EQ(Int(5), 0);
    EXPECT_TRUE(cancelFlag);
    cancelFlag = false;
    EXPECT_EQ(Ext(5), 0);
    EXPECT_TRUE(cancelFlag);
    cancelFlag = false;
    EXPECT_EQ(Bars(), " a,b,,");
    EXPECT_EQ(Bars(), ",,,");
    std::int16_t w = 3;  // out of the 16-bit range
    ReadWordLine(w);
    EXPECT_EQ(w, 0);
    EXPECT_TRUE(cancelFlag);
    // Past the end the values stay and the flag is set.
    cancelFlag = false;
    EXPECT_EQ(Int(42), 42);
    EXPECT_EQ(Ext(2.5L), 2.5L);
    EXPECT_EQ(Text("old"), "old");
    EXPECT_TRUE(cancelFlag);
}

TEST_F(TextFileTest, GoldenHeaders) {
    programVersionSource = [](const std::string& fileName) {
        return fileName == "WVELDRIM.exe" ? std::string("2.1.3") : std::string("?");
    };
    programVersion = "4.7";
    reportHeaderLines[1] = "Getriebebau Nord";
    reportHeaderLines[2] = "Abteilung Konstruktion";
    reportHeaderLines[3] = "Prüffeld"_cp850;
    const std::string rule(65, '-');

    // The header carries no date: two different clocks give the same bytes.
    std::string written[2];
    for (int year : {2024, 2031}) {
        SetFixedNow(testing::Moment(year, 1, 7));
        written[year == 2031] = Written(Path("data.EXT"), WriteDataFileHeader);
    }
    SetFixedNow(std::nullopt);
    EXPECT_EQ(written[1], written[0]);
    EXPECT_EQ(written[0], rule + "\r\nV E L D R I M    -    Software   V 2.1.3\r\nVersion 4.7\r\n" +
                              rule +
                              "\r\nGetriebebau Nord\r\nAbteilung Konstruktion\r\nPr\x81"
                              "ffeld\r\n");

    EXPECT_EQ(Written(Path("export.txt"), WriteExportFileHeader),
              rule + "\r\nV E L D R I M    -    Software  V 2.1.3\r\nVersion 4.7\r\n" + rule +
                  "\r\nGetriebebau Nord\r\nAbteilung Konstruktion\r\n");
    EXPECT_FALSE(cancelFlag);
}

TEST_F(TextFileTest, MissingFileIsReportedWithItsText) {
    CheckFileReadable(Path("nothing.cfg"));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Calls(), std::vector<std::string>{"Fehler : |Datei " + Path("nothing.cfg") +
                                                " nicht gefunden oder kein Zugriffsrecht !"});
    // With the error display off nothing is shown, the flag is still set.
    cancelFlag = false;
    errorDisplayFlag = false;
    CheckFileReadable(Path("nothing.cfg"));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(TextFileTest, FolderThatNobodyMayWriteIsReportedOnce) {
    OpenForWriting("/proc/veldrim-test.cfg");
    EXPECT_TRUE(cancelFlag);
    WriteTextLine("a"),
        WriteFloatLine(1.5L);  // later lines of the failed file add no further messages
    CloseChecked(sharedTextFile);
    // The message names the file and the system's reason.
    EXPECT_EQ(Shown(), std::vector<std::string>{
                           "file write error: /proc/veldrim-test.cfg: No such file or directory"});
}

// Many lines fail while writing; one short line fails only when the file is closed.
TEST_F(TextFileTest, FullDiskIsReportedOnce) {
    for (int lines : {10, 1}) {
        ResetSharedTextFile(), ui.calls.clear(), cancelFlag = false;
        FaultCalls full(FaultCalls::kFullDisk, 1);
        OpenForWriting(Path("full.cfg"));
        ASSERT_FALSE(cancelFlag);
        for (int i = 0; i < lines; ++i) WriteTextLine("line");
        if (lines > 1) WriteTextPart("piece");  // flushed at once: the failure shows here
        EXPECT_EQ(cancelFlag, lines > 1);
        CloseChecked(sharedTextFile);
        EXPECT_TRUE(cancelFlag);
        EXPECT_EQ(Shown(), std::vector<std::string>{"Diskette/Platte voll"}) << lines;
        EXPECT_FALSE(FileExists(Path("full.cfg"))) << lines;
    }
}

// A read that fails (EIO), the first of the file or the one after its first
// buffer of 64 KiB, is no end of the file: Eof says so, the value readers set
// the cancel flag, no read is tried again, and the failure names the line it
// stopped at. The file holds 700 lines of 100 letters and CR LF, 102 bytes
// each: the first 65,536 bytes hold 642 whole lines (65,536 / 102 = 642.5),
// so the second read fails in line 643.
TEST_F(TextFileTest, AFailedReadIsNoEndOfTheFile) {
    std::string text;
    for (int i = 0; i < 700; ++i)
        text += std::string(100, static_cast<char>('a' + i % 26)) + "\r\n";
    const std::string path = Path("long.txt");
    Spit(path, text);
    const struct {
        long read;
        int whole;  // lines read before the failure
        std::string shown;
    } cases[] = {
        {1, 0, "Fehler beim Lesen von " + path + ", Zeile 1 (Input/output error)"},
        {2, 642, "Fehler beim Lesen von " + path + ", Zeile 643 (Input/output error)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.read);
        cancelFlag = false;
        FaultCalls fail(FaultCalls::kFailRead, c.read, EIO);
        OpenForReading(path);
        int whole = 0;
        std::string line;
        while (!sharedTextFile.Eof()) {
            ReadTextLine(line);
            if (cancelFlag) break;
            ++whole;
        }
        EXPECT_EQ(whole, c.whole);
        EXPECT_TRUE(cancelFlag);
        EXPECT_TRUE(sharedTextFile.ReadFailed());
        EXPECT_FALSE(sharedTextFile.Eof());
        EXPECT_EQ(ReadErrorText(sharedTextFile, sharedTextFile.FailedLine()), c.shown);
        EXPECT_EQ(sharedTextFile.ReadLine(line), kIoReadError);
        EXPECT_EQ(FaultCalls::Reads(), c.read) << "read again after the failure";
        ResetSharedTextFile();
    }
}

TEST_F(TextFileTest, SaveReplacesTheFileOnlyAtACleanClose) {
    const std::string path = Path("gear.EXT");
    Spit(path, "old\r\n");
    {
        FileSizeLimit limit(4096);
        OpenForWriting(path);
        for (int i = 0; i < 2000; ++i) WriteFloatLine(i + 0.5L);
        CloseChecked(sharedTextFile);
    }
    EXPECT_TRUE(cancelFlag) << "the temporary file is removed";
    EXPECT_EQ(FilesInDir(), 1u) << "the temporary file is removed";
    EXPECT_EQ(Slurp(path), "old\r\n");
    EXPECT_EQ(Shown(), std::vector<std::string>{"Diskette/Platte voll"});

    cancelFlag = false;
    std::string beforeClose;
    EXPECT_EQ(Written(path, [&] { WriteTextLine("new"), beforeClose = Slurp(path); }), "new\r\n");
    EXPECT_EQ(beforeClose, "old\r\n");
    // An abandoned write leaves the old file.
    OpenForWriting(path);
    WriteTextLine("half");
    ResetSharedTextFile();
    EXPECT_EQ(Slurp(path), "new\r\n");
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(TextFileTest, WriteCheckedStopsAfterAFailureAndRewriteUntilOkGivesUp) {
    TextFile f;
    f.Assign(Path("w.txt"));
    RewriteChecked(f);
    WriteChecked(f, "abc");
    cancelFlag = true;
    WriteChecked(f, "def");  // after a failure nothing more is written
    cancelFlag = false;
    CloseChecked(f);
    EXPECT_EQ(Slurp(Path("w.txt")), "abc");

    f.Assign("/proc/veldrim-test.cfg");
    RewriteUntilOk(f);
    const auto texts = Shown();
    ASSERT_TRUE(cancelFlag) << texts.size();
    ASSERT_EQ(texts.size(), static_cast<std::size_t>(kRewriteAttempts)) << texts.size();
    EXPECT_TRUE(texts[0].starts_with("I/O-Error ")) << texts[0];
}

class Files : public FileFixture {};

TEST_F(Files, PathParts) {
    const std::pair<std::string, std::string> cases[] = {
        {EnsureTrailingBackslash(" /data/ "), "/data/"},
        {EnsureTrailingBackslash("/data."), "/data./"},
        {EnsureTrailingBackslash(""), ""},
        {StripTrailingBackslash("/"), "/"},
        // The folder is dropped before the extension: dots in folder names stay.
        {BaseNameOf("/a.b/name.ext"), "name"},
        {BaseNameOf("/a.b/name"), "name"},
        // A backslash and ':' are letters of a name here, not separators.
        {BaseNameOf("C:\\A.B\\NAME.EXT"), "C:\\A.B\\NAME"},
        {DirPartOf("name.ext"), ""},
        {PathWithoutExt("/x/y.tar.gz"), "/x/y.tar"},
        {ExtAfterFirstDot("NAME.TAR.GZ"), "TAR.GZ"},
        {DriveOf("D:\\X"), ""},
        {DriveOf("/x"), ""},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST_F(Files, ExistenceAndWritability) {
    const std::string f = Path("a.txt");
    Spit(f, "x");
    // A folder is not a file; a missing folder below a file fails with ENOTDIR, not ENOENT.
    EXPECT_TRUE(FileExists(f));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_TRUE(DirExists(dir + "/"));
    EXPECT_FALSE(DirExists(Path("missing")));
    EXPECT_FALSE(DirExists(f + "/sub"));
    EXPECT_TRUE(IsDirWritable(dir));
    EXPECT_EQ(FilesInDir(), 1u);  // no probe left behind
    EXPECT_FALSE(IsDirWritable("/proc"));
    EXPECT_FALSE(IsDirWritable(Path("missing")));  // /proc: not even for root
}

TEST_F(Files, CopyAndDeleteByMask) {
    Spit(Path("one.dxf"), std::string(5000, 'a')), Spit(Path("two.DXF"), "b"),
        Spit(Path("three.txt"), "c");
    fs::create_directory(Path("out"));
    cancelFlag = true;
    CopyFilesByMask("*.dxf", dir, Path("out"));
    EXPECT_EQ(Slurp(Path("out/one.dxf")), std::string(5000, 'a'));
    EXPECT_FALSE(cancelFlag);
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
    DeleteFileIfExists(Path("one.dxf")),
        DeleteFileIfExists(Path("one.dxf"));  // a missing file is no error
    EXPECT_FALSE(FileExists(Path("one.dxf")));
}

TEST_F(Files, FailedCopiesSetTheCancelFlagAndLeaveNoPartialFile) {
    const std::string src = Path("a.bin");
    Spit(src, std::string(10000, 'z'));
    const std::pair<std::string, std::string> failing[] = {{Path("missing"), Path("b.bin")},
                                                           {src, "/proc/veldrim-copy"}};
    for (const auto& [from, to] : failing) {
        cancelFlag = false;
        EXPECT_FALSE(CopyFileBlocks(from, to)) << to;
        EXPECT_TRUE(cancelFlag) << to;
    }
    EXPECT_FALSE(fs::exists(Path("b.bin")));
    {
        FaultCalls full(FaultCalls::kFullDisk, 1);  // not a byte fits on the disk
        cancelFlag = false;
        EXPECT_FALSE(CopyFileBlocks(src, Path("full.bin")));
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(fs::exists(Path("full.bin")));
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
    EXPECT_FALSE(cancelFlag);  // keeps its own name
    EXPECT_EQ(Slurp(Path("out/a.bin")), std::string(10000, 'z'));
    EXPECT_FALSE(CopyFileIfExists(Path("missing"), Path("x")));
}

// A copy whose target is its own source, by the same name, through another
// path or through a link, keeps the file's bytes and counts as done.
TEST_F(Files, AFileCopiedOntoItselfKeepsItsBytes) {
    const std::string bytes = std::string(5000, 'q') + "end";
    const std::string src = Path("a.bin");
    Spit(src, bytes);
    fs::create_directory(Path("sub"));
    fs::create_hard_link(src, Path("hard.bin"));
    fs::create_symlink(src, Path("soft.bin"));
    for (const std::string& target :
         {src, dir + "/./a.bin", Path("sub/../a.bin"), Path("hard.bin"), Path("soft.bin")}) {
        cancelFlag = false;
        EXPECT_TRUE(CopyFileBlocks(src, target)) << target;
        EXPECT_FALSE(cancelFlag) << target;
        EXPECT_EQ(Slurp(src), bytes) << target;
    }
    EXPECT_TRUE(fs::is_symlink(Path("soft.bin")));

    // One folder as source and target, named twice in different ways.
    Spit(Path("two.bin"), "zwei");
    for (const std::string& target : {dir, Path("sub/..") + "/"}) {
        cancelFlag = true;
        CopyFilesByMask("*.bin", dir, target);
        EXPECT_FALSE(cancelFlag) << target;
        EXPECT_EQ(Slurp(src), bytes) << target;
        EXPECT_EQ(Slurp(Path("two.bin")), "zwei") << target;
    }
}

}  // namespace
}  // namespace veldrim
