#include "foundation/text_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/system_info.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

using testing::FileFixture;
using testing::FileSizeLimit;

class TextFileTest : public FileFixture {
protected:
    void OpenForWriting(const std::string& path) {
        sharedTextFile.Assign(path);
        RewriteChecked(sharedTextFile);
    }
    void OpenForReading(const std::string& path) {
        sharedTextFile.Assign(path);
        ASSERT_EQ(sharedTextFile.Reset(), kIoOk);
    }
    std::vector<std::string> ErrorTexts() const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("message")) out.push_back(c.text);
        return out;
    }
};

TEST_F(TextFileTest, FloatLineRuleTable) {
    struct Case {
        Real x;
        int separatorOption;
        int decimals;
        const char* text;
    } cases[] = {
        {0.0L, 1, 3, "0"},          {0.5L, 1, 3, "0.5000000"},  {-3.0L, 1, 3, "-3"},
        {2.0L, 1, 3, "2.0000000"},  {1E-11L, 1, 3, "0"},        {0.5L, 2, 3, "0,5000000"},
        {80.0L, 1, 3, "80.0000000"}, {-0.25L, 1, 3, "-0.2500000"},
        // Never fewer than 7 decimals; a setting above 3 keeps its extra ones.
        {0.5L, 1, 0, "0.5000000"},  {3.14159265L, 1, 0, "3.1415927"},
        {0.5L, 1, 5, "0.500000000"}, {2.0L, 2, 5, "2,000000000"},
    };
    for (const auto& c : cases) {
        decimalSeparatorOption = static_cast<std::int16_t>(c.separatorOption);
        decimalsSetting = c.decimals;
        EXPECT_EQ(FloatLineText(c.x), c.text) << static_cast<double>(c.x) << " setting " << c.decimals;
    }
}

TEST_F(TextFileTest, EveryValueKindRoundTripsWithBothSeparators) {
    const Real reals[] = {0.0L,       0.5L,       -3.0L,         2.0L,           1E-11L,
                          0.1L,       1.0L / 3,   -12345.678901L, 123456.7654321L, 3.14159265358979L,
                          -0.000123456L, 0.999999999L, 4.4E-7L,  1E30L,          -7.5L};
    for (int option : {1, 2}) {
        for (int setting : {0, 3, 5}) {
            SCOPED_TRACE(::testing::Message() << "separator " << option << " setting " << setting);
            ResetSharedTextFile();
            cancelFlag = false;
            decimalSeparatorOption = static_cast<std::int16_t>(option);
            decimalsSetting = setting;
            const std::string path = Path("values.txt");
            OpenForWriting(path);
            WriteTextLine("Maß 20°"_cp850);
            WriteStringLine("");
            WriteIntLine(-2147483647 - 1);
            WriteIntLine(65535);
            WriteIntLine(-5);
            for (Real x : reals) WriteFloatLine(x);
            WriteBoolLine(true);
            WriteBoolLine(false);
            WriteBarFields4("10", "40", "700", "440");
            WriteBarFields6("a", "", "c", "d", "e", "f");
            WriteBarFields8("1", "2", "3", "4", "5", "6", "7", "8");
            WriteTextLine("J");
            WriteTextPart("piece ");
            WriteTextPart("of a line");
            WriteTextLine("");
            CloseChecked(sharedTextFile);
            ASSERT_FALSE(cancelFlag);

            OpenForReading(path);
            std::string s, a, b, c, d;
            std::int32_t n = 1;
            std::uint16_t w = 1;
            std::int16_t sw = 1;
            ReadTextLine(s);
            EXPECT_EQ(s, "Maß 20°"_cp850);
            ReadTextLine(s);
            EXPECT_EQ(s, "");
            ReadIntLine(n);
            EXPECT_EQ(n, -2147483647 - 1);
            ReadWordLine(w);
            EXPECT_EQ(w, 65535);
            ReadWordLine(sw);
            EXPECT_EQ(sw, -5);
            for (Real x : reals) {
                Real r = 99;
                ReadExtendedLine(r);
                EXPECT_NEAR(static_cast<double>(r), static_cast<double>(x),
                            std::max(5E-8, std::fabs(static_cast<double>(x)) * 1E-15))
                    << static_cast<double>(x);
            }
            bool t = false, f = true;
            ReadBoolLine(t);
            ReadBoolLine(f);
            EXPECT_TRUE(t);
            EXPECT_FALSE(f);
            ReadBarFields(a, b, c, d);
            EXPECT_EQ(a + "," + b + "," + c + "," + d, "10,40,700,440");
            ReadBarFields(a, b, c, d);
            EXPECT_EQ(a + "," + b + "," + c + "," + d, "a,,c,d");
            ReadBarFields(a, b, c, d);
            EXPECT_EQ(a + "," + b + "," + c + "," + d, "1,2,3,4");
            char ch = 'x';
            ReadCharLine(ch);
            EXPECT_EQ(ch, 'J');
            ReadTextLine(s);
            EXPECT_EQ(s, "piece of a line");
            EXPECT_TRUE(sharedTextFile.Eof());
            sharedTextFile.Close();
            EXPECT_FALSE(cancelFlag);
        }
    }
}

TEST_F(TextFileTest, DoubleLineRoundTrip) {
    OpenForWriting(Path("d.txt"));
    WriteFloatLine(0.1L);
    WriteFloatLine(-2.5L);
    CloseChecked(sharedTextFile);
    OpenForReading(Path("d.txt"));
    double a = 0, b = 0;
    ReadDoubleLine(a);
    ReadDoubleLine(b);
    EXPECT_NEAR(a, 0.1, 5E-8);
    EXPECT_DOUBLE_EQ(b, -2.5);
}

TEST_F(TextFileTest, WritesCrLfAndReadsLfAndCrLf) {
    OpenForWriting(Path("le.txt"));
    WriteTextLine("a");
    WriteIntLine(7);
    CloseChecked(sharedTextFile);
    EXPECT_EQ(Slurp(Path("le.txt")), "a\r\n7\r\n");

    Spit(Path("mixed.txt"), "x\ny\r\n12\n0,25\nlast");
    OpenForReading(Path("mixed.txt"));
    std::string s;
    std::int32_t n = 0;
    Real r = 0;
    ReadTextLine(s);
    EXPECT_EQ(s, "x");
    ReadTextLine(s);
    EXPECT_EQ(s, "y");
    ReadIntLine(n);
    EXPECT_EQ(n, 12);
    ReadExtendedLine(r);
    EXPECT_EQ(r, 0.25L);
    ReadTextLine(s);
    EXPECT_EQ(s, "last");
    EXPECT_FALSE(cancelFlag);
}

TEST_F(TextFileTest, ReaderCasesOfTheLineFormat) {
    Spit(Path("r.txt"),
         "true\r\nyes\r\nyes\r\nfalse\r\nFALSE\r\n12a\r\nabc\r\n a|b\r\n|||\r\n99999\r\n");
    OpenForReading(Path("r.txt"));
    bool b1 = false, b2 = true, b3 = false, b4 = true, b5 = false;
    ReadBoolLine(b1);
    ReadBoolLine(b2);
    ReadBoolLineDefaultTrue(b3);
    ReadBoolLineDefaultTrue(b4);
    ReadBoolLine(b5);
    EXPECT_TRUE(b1);
    EXPECT_FALSE(b2);
    EXPECT_TRUE(b3);
    EXPECT_FALSE(b4);
    EXPECT_FALSE(b5);
    EXPECT_FALSE(cancelFlag);

    // A number line that holds no number reads as 0 and tells the reader.
    std::int32_t n = 5;
    ReadIntLine(n);
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(cancelFlag);
    cancelFlag = false;
    Real x = 5;
    ReadExtendedLine(x);
    EXPECT_EQ(x, 0);
    EXPECT_TRUE(cancelFlag);
    cancelFlag = false;

    std::string a = "?", b = "?", c = "?", d = "?";
    ReadBarFields(a, b, c, d);
    EXPECT_EQ(a, " a");
    EXPECT_EQ(b, "b");
    EXPECT_EQ(c, "");
    EXPECT_EQ(d, "");
    ReadBarFields(a, b, c, d);
    EXPECT_EQ(a + b + c + d, "");

    // Out of the 16-bit range.
    std::int16_t w = 3;
    ReadWordLine(w);
    EXPECT_EQ(w, 0);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(TextFileTest, ReadingPastTheEndKeepsValuesAndSetsCancelFlag) {
    Spit(Path("short.txt"), "1\r\n");
    OpenForReading(Path("short.txt"));
    std::int32_t a = 0, b = 42;
    Real x = 2.5L;
    std::string s = "old";
    bool flag = true;
    ReadIntLine(a);
    EXPECT_FALSE(cancelFlag);
    ReadIntLine(b);
    ReadExtendedLine(x);
    ReadTextLine(s);
    ReadBoolLine(flag);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 42);
    EXPECT_EQ(x, 2.5L);
    EXPECT_EQ(s, "old");
    EXPECT_TRUE(flag);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(TextFileTest, FindsNameIgnoringLetterCase) {
    Spit(Path("VELDRIM.Err"), "x\r\n");
    EXPECT_EQ(FindFileNoCase(Path("veldrim.err")), Path("VELDRIM.Err"));
    EXPECT_EQ(FindFileNoCase(Path("other.err")), Path("other.err"));
    OpenForReading(Path("veldrim.ERR"));
    std::string s;
    ReadTextLine(s);
    EXPECT_EQ(s, "x");
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
    std::tm moment{};
    moment.tm_year = 2024 - 1900;
    moment.tm_mon = 2;
    moment.tm_mday = 7;
    SetFixedNow(moment);
    OpenForWriting(Path("data.EXT"));
    WriteDataFileHeader();
    CloseChecked(sharedTextFile);
    const std::string first = Slurp(Path("data.EXT"));
    moment.tm_year = 2031 - 1900;
    SetFixedNow(moment);
    OpenForWriting(Path("data.EXT"));
    WriteDataFileHeader();
    CloseChecked(sharedTextFile);
    SetFixedNow(std::nullopt);
    EXPECT_EQ(Slurp(Path("data.EXT")), first);
    EXPECT_EQ(first,
              rule + "\r\nV E L D R I M    -    Software   V 2.1.3\r\nVersion 4.7\r\n" + rule +
                  "\r\nGetriebebau Nord\r\nAbteilung Konstruktion\r\nPr\x81" "ffeld\r\n");

    OpenForWriting(Path("export.txt"));
    WriteExportFileHeader();
    CloseChecked(sharedTextFile);
    EXPECT_EQ(Slurp(Path("export.txt")),
              rule + "\r\nV E L D R I M    -    Software  V 2.1.3\r\nVersion 4.7\r\n" + rule +
                  "\r\nGetriebebau Nord\r\nAbteilung Konstruktion\r\n");
    EXPECT_FALSE(cancelFlag);
}

TEST_F(TextFileTest, MissingFileIsReportedWithItsText) {
    CheckFileReadable(Path("nothing.cfg"));
    EXPECT_TRUE(cancelFlag);
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0], "Datei " + Path("nothing.cfg") + " nicht gefunden oder kein Zugriffsrecht !");
    EXPECT_EQ(ui.calls[0].title, "Fehler : ");

    // With the error display off nothing is shown, the flag is still set.
    cancelFlag = false;
    errorDisplayFlag = false;
    CheckFileReadable(Path("nothing.cfg"));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ErrorTexts().size(), 1u);
}

TEST_F(TextFileTest, FolderThatNobodyMayWriteIsReported) {
    OpenForWriting("/proc/veldrim-test.cfg");
    EXPECT_TRUE(cancelFlag);
    // Later lines of the failed file add no further messages.
    WriteTextLine("a");
    WriteFloatLine(1.5L);
    CloseChecked(sharedTextFile);
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0], "file write error");
}

TEST_F(TextFileTest, FullDiskIsReportedOnce) {
    OpenForWriting("/dev/full");
    ASSERT_FALSE(cancelFlag);
    for (int i = 0; i < 10; ++i) WriteTextLine("line");
    WriteTextPart("piece");  // flushed at once: the failure shows here
    EXPECT_TRUE(cancelFlag);
    CloseChecked(sharedTextFile);
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0], "Diskette/Platte voll");
}

TEST_F(TextFileTest, FullDiskShownAtCloseWhenTheBufferHeldEverything) {
    OpenForWriting("/dev/full");
    WriteTextLine("short");
    EXPECT_FALSE(cancelFlag);
    CloseChecked(sharedTextFile);
    EXPECT_TRUE(cancelFlag);
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0], "Diskette/Platte voll");
}

TEST_F(TextFileTest, FailedSaveKeepsTheOldFile) {
    const std::string path = Path("gear.EXT");
    Spit(path, "old contents\r\n");
    {
        FileSizeLimit limit(4096);
        OpenForWriting(path);
        for (int i = 0; i < 2000; ++i) WriteFloatLine(i + 0.5L);
        CloseChecked(sharedTextFile);
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Slurp(path), "old contents\r\n");
    EXPECT_EQ(FilesInDir(), 1u) << "the temporary file is removed";
    ASSERT_EQ(ErrorTexts().size(), 1u);
    EXPECT_EQ(ErrorTexts()[0], "Diskette/Platte voll");
}

TEST_F(TextFileTest, SaveReplacesTheFileOnlyAtClose) {
    const std::string path = Path("gear.EXT");
    Spit(path, "old\r\n");
    OpenForWriting(path);
    WriteTextLine("new");
    EXPECT_EQ(Slurp(path), "old\r\n");
    CloseChecked(sharedTextFile);
    EXPECT_EQ(Slurp(path), "new\r\n");
    EXPECT_EQ(FilesInDir(), 1u);

    // An abandoned write leaves the old file.
    OpenForWriting(path);
    WriteTextLine("half");
    ResetSharedTextFile();
    EXPECT_EQ(Slurp(path), "new\r\n");
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(TextFileTest, WriteCheckedStopsAfterAFailure) {
    TextFile f;
    f.Assign(Path("w.txt"));
    RewriteChecked(f);
    WriteChecked(f, "abc");
    cancelFlag = true;
    WriteChecked(f, "def");
    cancelFlag = false;
    CloseChecked(f);
    EXPECT_EQ(Slurp(Path("w.txt")), "abc");
}

TEST_F(TextFileTest, RewriteUntilOkGivesUp) {
    TextFile f;
    f.Assign("/proc/veldrim-test.cfg");
    RewriteUntilOk(f);
    EXPECT_TRUE(cancelFlag);
    auto texts = ErrorTexts();
    ASSERT_EQ(texts.size(), static_cast<std::size_t>(kRewriteAttempts));
    EXPECT_EQ(texts[0].rfind("I/O-Error ", 0), 0u);

    cancelFlag = false;
    f.Assign(Path("ok.cfg"));
    RewriteUntilOk(f);
    EXPECT_FALSE(cancelFlag);
    f.Close();
}

TEST(ValueLineParsing, AcceptsOnlyWholeNumbers) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {{"1.5", true, 1.5},   {"1,5", true, 1.5},  {"  -2 ", true, -2}, {"+3", true, 3},
                 {"1E3", true, 1000},  {"12a", false, 0},   {"", false, 0},      {"inf", false, 0},
                 {"nan", false, 0},    {"+-1", false, 0},   {"1.5.2", false, 0}, {"1 2", false, 0}};
    for (const auto& c : cases) {
        Real x = 0;
        EXPECT_EQ(ParseRealLine(c.text, x), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(static_cast<double>(x), c.value) << c.text;
        }
    }
    std::int64_t n = 0;
    EXPECT_TRUE(ParseIntLine(" 42 ", n));
    EXPECT_EQ(n, 42);
    EXPECT_FALSE(ParseIntLine("4.2", n));
    EXPECT_FALSE(ParseIntLine("0x10", n));
}

}  // namespace
}  // namespace veldrim
