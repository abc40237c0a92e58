// Runtime base: error texts, the three reporting modes, OEM/ANSI conversion,
// file name and disk helpers; date formats, century window, calendar and
// text helpers.
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/engine/engine_files.h"

#include "foundation/codepage.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

class EngineBaseTest : public TableTest {};

TEST_F(EngineBaseTest, ErrorTexts) {
    struct Case {
        uint16_t code;
        std::string text;
    };
    const Case cases[] = {
        {0, ""},
        {351, "Fehler Nr. 351 (Unbekannter Fehler)"},
        {1300, "Fehler Nr. 1300 (File format not supported)"},
        {12, std::string("Fehler Nr. 12 (Unzulässiger Dateizugriff )"_cp850)},
        {212, std::string("Fehler Nr. 212 (Anfrage außerhalb Bereich)"_cp850)},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorText(c.code), c.text) << c.code;
}

// Engine errors raise by default; nothing ends the process.
TEST_F(EngineBaseTest, RaisingIsTheDefault) {
    try {
        SetError(212, "somewhere [GO]");
    } catch (const EDurazError& e) {
        ShowDurazError(e);
    }
    EXPECT_EQ(Raised([] { SetError(212, "somewhere [GO]"); }),
              ErrorText(212) + "\r\nsomewhere [GO]");
    EXPECT_EQ(LastError(), 212);
    ASSERT_EQ(ui.CallsOf("message").size(), 1u) << "shown only through the UI port";
    SetError(0, "fine");
    {
        QuietEngineErrors quiet;
        SetError(100, "x");
    }
    EXPECT_THROW(SetError(100, "x"), EDurazError) << "the quiet scope restores the switch";
}

TEST_F(EngineBaseTest, MessageBoxModeShowsAndGoesOn) {
    EXPECT_TRUE(SetRaiseOnError(false));
    SetError(2, "Fehler beim Öffnen von x.dbf [USE/OpenDbf]"_cp850.data());
    SetError(5, "second");
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 2u) << "the engine does not halt after the first report";
    EXPECT_EQ(shown[0].title, "Programm angehalten.");
    EXPECT_EQ(shown[0].text, ErrorText(2) + "\r\n" +
                                 std::string("Fehler beim Öffnen von x.dbf [USE/OpenDbf]"_cp850));
    EXPECT_EQ(LastError(), 5);
}

TEST_F(EngineBaseTest, QuietModeIsCollectedByTheCaller) {
    EXPECT_TRUE(SetReportErrors(false));
    SetError(220, "[UnlockRec(0)]");
    EXPECT_EQ(LastError(), 220);
    EXPECT_EQ(TakeErrorMessage(), ErrorText(220) + "\r\n[UnlockRec(0)]");
    EXPECT_EQ(TakeErrorMessage(), "");
    SetError(5, "ctx");
    EXPECT_EQ(TakeErrorContext(), "ctx");
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(EngineBaseTest, OemAnsiRoundTrip) {
    const std::string oem(
        reinterpret_cast<const char*>("Stra\xE1"
                                      "e \x84\x94\x81"));
    const std::string ansi = OemToAnsiStr(oem);
    EXPECT_EQ(ansi,
              "Stra\xDF"
              "e \xE4\xF6\xFC");
    EXPECT_EQ(AnsiToOemStr(ansi), oem);
    std::vector<uint8_t> buf(oem.begin(), oem.end());
    OemToAnsiBuff(buf.data(), buf.size());
    EXPECT_EQ(std::string(buf.begin(), buf.end()), ansi);
}

class EngineFilesTest : public TableTest {};

TEST_F(EngineFilesTest, NameParts) {
    EXPECT_EQ(DefaultExtension("ADDR", "DBF"), "ADDR.DBF");
    EXPECT_EQ(DefaultExtension("ADDR.TXT", "DBF"), "ADDR.TXT");
    EXPECT_EQ(DefaultExtension("dir.v2/ADDR", "DBF"), "dir.v2/ADDR.DBF")
        << "a dot in a folder is no extension";
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
    DeleteFilesLike(Path("a?.tmp"));
    EXPECT_FALSE(FileExist(Path("a1.tmp")));
    EXPECT_FALSE(FileExist(Path("a2.tmp")));
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
    USE(Make("held.dbf", {F("A", 'C', 1)}));
    EXPECT_EQ(DeleteFileChecked(Path("held.dbf")), 32);
    EXPECT_TRUE(FileExist(Path("held.dbf")));
    CloseArea();
    EXPECT_EQ(DeleteFileChecked(Path("held.dbf")), 0);
    EXPECT_FALSE(FileExist(Path("held.dbf")));
}

class EngineDatesTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        PivotYear = 1956;
    }
};

TEST_F(EngineDatesTest, FormatAndParseDateTexts) {
    struct Case {
        int fmt;
        bool century;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {5, false, "12/31/99", "31.12.99"}, {5, true, "01/02/03", "02.01.2003"},
        {0, false, "1/2/3", "01/02/03"},    {1, true, "12/31/55", "2055.12.31"},
        {3, false, "12/31/99", "31-12-99"}, {1, true, "", "    .  .  "},
    };
    for (const auto& c : cases) {
        SetDateFormat(c.fmt);
        SetCentury = c.century;
        EXPECT_EQ(FormatDateText(c.in), c.out) << c.fmt << " " << c.in;
    }
    SetCentury = false;
    SetDateFormat(3);
    EXPECT_EQ(ParseDateText("2-3-4"), "03/02/04");
    SetDateFormat(5);
    EXPECT_EQ(ParseDateText("31.12.1999"), "12/31/1999");
    EXPECT_EQ(ParseDateText("nothing"), "  /  /");
    EXPECT_EQ(DateToDigits("01.01.20"), "20200101");
    SetCentury = true;
    EXPECT_EQ(DigitsToDate("20240229"), "29.02.2024");
}

TEST_F(EngineDatesTest, IsDateValidAndTheCenturyWindow) {
    SetDateFormat(0);
    struct Case {
        const char* in;
        bool valid;
        const char* stored;
    };
    const Case cases[] = {
        {"  /  /  ", true, "  /  /  "}, {"02/29/1900", false, ""}, {"02/29/2000", true, "02/29/00"},
        {"04/31/26", false, ""},        {"13/01/26", false, ""},   {"1/2/26", true, "01/02/26"},
        {"02/29/57", false, ""},         // widened to 1957
        {"02/29/56", true, "02/29/56"},  // widened to 1956, a leap year
    };
    for (const auto& c : cases) {
        std::string s = c.in;
        EXPECT_EQ(IsDateValid(s), c.valid) << c.in;
        if (c.valid) {
            EXPECT_EQ(s, c.stored) << c.in;
        }
    }
    EXPECT_EQ(CenturyBase("55"), 2000);
    EXPECT_EQ(CenturyBase("56"), 1900);
    SetCentury = true;
    EXPECT_EQ(ExpandYear("7"), "0007");
}

// The fast conversion of the record layer agrees with the validating path.
TEST_F(EngineDatesTest, DateTextToDigitsAgreesWithTheValidatingPath) {
    const char* texts[] = {"31.12.99", "29.02.00",   "29.02.1900", "31.04.26",
                           "01.13.26", "12/31/99",   "02/29/2000", "1999.12.31",
                           "99.12.31", "31-12-99",   "00.00.00",   "  .  .  ",
                           "3.1.26",   "31.12.1999", "ab.cd.ef",   "02/30/20"};
    for (int fmt : {0, 1, 3, 5}) {
        for (bool century : {false, true}) {
            SetDateFormat(fmt);
            SetCentury = century;
            for (const char* t : texts) {
                std::string fast;
                const bool ok = DateTextToDigits(t, fast);
                std::string check = t;
                const bool valid = IsDateValid(check) && AllTrim(check) != AllTrim(BlankDate(fmt));
                EXPECT_EQ(ok, valid) << fmt << century << " " << t;
                if (ok && valid) {
                    EXPECT_EQ(fast, DateToDigits(t)) << fmt << century << " " << t;
                }
            }
        }
    }
}

TEST_F(EngineDatesTest, Calendar) {
    EXPECT_EQ(DayOfWeek("01/01/2000"), 7);
    SetDateFormat(5);
    EXPECT_EQ(CDOW("01/01/2000"), "Samstag   ");
    EXPECT_EQ(CMONTH("03/01/2000"), std::string("März     "_cp850));
    SetDateFormat(0);
    EXPECT_EQ(CDOW("  /  /"), std::string(10, ' '));
    SetDateFormat(8);
    EXPECT_EQ(CMONTH("05/01/2000"), "\x8C\xA0\xA9     ");
    SetDateFormat(12);
    EXPECT_EQ(DateFormat, 0) << "an unknown format falls back";
}

TEST_F(EngineDatesTest, NumberTexts) {
    DecimalSeparator = ',';
    EXPECT_EQ(NumTextToInt("+1.234"), 1234);
    EXPECT_EQ(NumTextToInt("-99999"), -32768) << "clamped to 16 bits";
    const std::pair<std::string, const char*> cases[] = {
        {",$ 1.234,5", "1234.5"}, {".1,234.5", "1234.5"}, {".- 12", "-12"},
        {".-.5", "-0.5"},         {".+ +7x", "7"},        {".-", ""}};
    for (auto [in, out] : cases) {
        DecimalSeparator = in[0];  // the first character is the separator in force
        in.erase(0, 1);
        CleanNumberText(in);
        EXPECT_EQ(in, out);
    }
    DecimalSeparator = ',';
    EXPECT_EQ(FormatFloatStr(8, 2, -3.14159), "   -3,14");
}

TEST_F(EngineDatesTest, TextHelpers) {
    EXPECT_EQ(CountOccurrences("aa", "aaaa"), 2) << "overlapping hits count";
    EXPECT_EQ(AtOccurrence(-2, "ab", "abxab"), 1);
    EXPECT_EQ(UpperWin1252("stra\xDF"
                           "e \xE4\xFF"),
              "STRA\xDF"
              "E \xC4\x9F");
    std::string s = "a.dbf EXCLUSIVE ALIAS x";
    EXPECT_TRUE(StripKeyword(" EXCLUSIVE", s));
    EXPECT_EQ(s, "a.dbf  ALIAS x");
    for (std::string whole : {"a.dbf EXCLUSIVEly", "a.dbf EXCLUSIVE\\x"})
        EXPECT_FALSE(StripKeyword(" EXCLUSIVE", whole));
}

}  // namespace
}  // namespace veldrim::testing
