#include "foundation/formatting.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

#include "foundation/codepage.h"
#include "foundation/text_conv.h"
#include "foundation_file_fixture.h"
#include "support/outside_programs.h"

namespace veldrim {
namespace {

constexpr Real kInf = std::numeric_limits<Real>::infinity();
constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();

class FormattingTest : public testing::StateFixture {};

// The same text with the decimal separator of option 2.
std::string WithComma(std::string s) { return std::ranges::replace(s, '.', ','), s; }

// One value at the decimals settings 0, 3 and 5, written with '.' (also checked with ',').
struct SettingCase {
    const char* name;
    std::function<std::string()> format;
    const char* at[3];  // at the settings 0, 3 and 5
};

std::vector<SettingCase> SettingCases() {
    return {
        {"FormatNum 0.12345", [] { return FormatNum(0.12345L); }, {"0", "0.123", "0.12345"}},
        {"FormatNum 12.5", [] { return FormatNum(12.5L); }, {"12", "12.5", "12.500"}},
        {"FormatNum 1234.56", [] { return FormatNum(1234.56L); }, {"1235", "1235", "1234.56"}},
        {"FormatNum 0.000123",
         [] { return FormatNum(0.000123L); },
         {"0.000", "0.000123", "0.00012300"}},
        {"FormatNum below 1E-5", [] { return FormatNum(0.000009L); }, {"0", "0", "0"}},
        {"FormatNumLong",
         [] { return FormatNumLong(3.14159265L); },
         {"3.142", "3.141593", "3.14159265"}},
        {"FormatFixed 4,2",
         [] { return FormatFixed(4, 2, 3.14159L); },
         {"   3", "   3.14", "   3.1416"}},
        {"FormatFixed negative",
         [] { return FormatFixed(3, 1, -2.25L); },
         {" -2", " -2.2", " -2.250"}},
        {"FormatFixed rounds to zero",
         [] { return FormatFixed(1, 2, -0.001L); },
         {"0", "0.00", "-0.0010"}},
        {"FormatDecimals 7",
         [] { return FormatDecimals(7, 5); },
         {"5.0000", "5.0000000", "5.000000000"}},
        {"FormatInWidth 7",
         [] { return FormatInWidth(7, 20.5L); },
         {"   20", "   20.5", "   20.500"}},
        {"FormatAuto", [] { return FormatAuto(123.456L); }, {"123", "123.5", "123.456"}},
        {"FormatEng large", [] { return FormatEng(12500); }, {"12E3", "12.5E3", "12.500E3"}},
    };
}

void CheckSettingCases() {
    for (int separator : {1, 2}) {
        decimalSeparatorOption = static_cast<std::int16_t>(separator);
        for (const auto& c : SettingCases()) {
            const int settings[] = {0, 3, 5};
            for (int i = 0; i < 3; ++i) {
                decimalsSetting = settings[i];
                EXPECT_EQ(c.format(), separator == 2 ? WithComma(c.at[i]) : c.at[i])
                    << c.name << " at setting " << settings[i] << " separator option " << separator;
            }
        }
    }
    decimalsSetting = 3;
    decimalSeparatorOption = 1;
}

TEST_F(FormattingTest, DecimalsSettingsAndSeparators) { CheckSettingCases(); }

// Texts that do not depend on the decimals setting: {formatted anew, expected}.
std::vector<std::pair<std::string, std::string>> FixedTextCases() {
    return {
        // Halves go to the even neighbour, on the exact binary value.
        {FormatNum(2.0625L), "2.062"},
        {FormatNum(2.1875L), "2.188"},
        {FormatDecimals(0, 2.5L), "2"},
        {FormatNum(999.99995L), "1000"},
        // Past 18 digits the exponent form of the general format.
        {FormatNum(1E30L), "1E30"},
        {FormatNum(-2.5E21L), "-2.5E21"},
        {FormatNum(1E3000L), "1E3000"},
        {FormatNum(1E18L), "1E18"},
        {FormatNum(123456789012345678.0L), "123456789012345678"},
        {FormatFixed(1, 2, 12345.678L), "1.23E4"},
        {FormatFixed(15, 5, 123456789012345.678L), "123456789012345.67800"},
        {FormatNum(kInf), "INF"},
        {FormatNum(kNaN), "NAN"},
        {FormatFixed(5, 2, kInf), "     INF"},
        {FormatFixed(5, 2, kNaN), "     NAN"},
        {FormatFixed(0, 2, 0), "0.00"},
        {FormatEng(-12500), "-12.5E3"},
        {FormatEng(0.000012L), "0.012E-3"},
        {FormatEng(1E-4000L), "0.1E-3999"},
        {FormatAuto(0.00005L), "0.05E-3"},
        {FormatAuto(1E-13L), "0"},
        {FormatGeneral(1.0L / 3), "0.333333333333333"},
        {FormatGeneral(1.5E-7L), "1.5E-7"},
        {IntTextZero(-5, 3), "-05"},
        {IntTextPad(123456, 3), "123456"},
    };
}

void CheckFixedTextCases() {
    const auto cases = FixedTextCases();
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

TEST_F(FormattingTest, TiesHugeValuesAndEdgeTexts) { CheckFixedTextCases(); }

TEST_F(FormattingTest, DigitLayoutTerminatesOnEveryValue) {
    struct Case {
        Real x;
        int n, intDigits, decimals;
    } cases[] = {
        {0, 3, 0, 1},  // zero is laid out as 0.5
        {1234.56L, 3, 4, 0},
        {-0.05L, 3, 0, 2},
        {1E-4000L, 3, 0, 4000},
        {0.5L, -5, 0, 0},
        {0.001L, -2, 0, 0},  // no digit left to look at
        {3.14159265358979L, 40, 1, 40},
        {kInf, 3, 3, 0},
        {-kInf, 3, 3, 0},
        {kNaN, 3, 3, 0},
    };
    for (const auto& c : cases) {
        std::int32_t i = -99, d = -99;
        DigitLayout(c.x, c.n, i, d);
        EXPECT_EQ(std::make_pair(i, d), std::make_pair(c.intDigits, c.decimals))
            << static_cast<double>(c.x) << " n " << c.n;
    }
}

TEST_F(FormattingTest, PointVariantsIgnoreTheCommaSeparator) {
    decimalSeparatorOption = 2;
    EXPECT_EQ(FormatNumPoint(12.5L) + "|" + FormatDecimalsPoint(2, 3.14159L) + "|" +
                  FormatFixedPoint(4, 2, 3.14159L),
              "12.5|3.14|   3.14");
}

TEST_F(FormattingTest, AnglesInBothFormats) {
    struct Case {
        int format, codePage;
        Real deg;
        std::string expected;
    } cases[] = {
        {1, 0, 20.5L, std::string("   20.5°"_cp850)},
        {1, 1, 20.5L, "   20.5deg"},
        {2, 0, 20.5125L, std::string("20°30'45\""_cp850)},
        {2, 0, kNaN, std::string("    NAN°"_cp850)},
        {2, 0, 10.999999L, std::string("     11°"_cp850)},  // seconds carry into whole degrees
        // Negative angles keep their sign, also between -1 and 0 degrees.
        {2, 0, -0.5L, std::string("   -0°30'"_cp850)},
        {2, 1, -0.25L, "   -0deg15'"},
    };
    for (const auto& c : cases) {
        angleFormat = static_cast<std::int16_t>(c.format);
        codePageOption = static_cast<std::int16_t>(c.codePage);
        EXPECT_EQ(FormatAngle(c.deg), c.expected)
            << static_cast<double>(c.deg) << " format " << c.format;
    }
}

// Length, force, stress, torque, temperature, micron, degree and viscosity;
// the last two rows in plain ASCII.
TEST_F(FormattingTest, UnitLabelsOfAllFiveSystems) {
    const struct {
        int system, codePage;
        std::string_view labels;
    } cases[] = {
        {0, 0, "mm|N|MPa|Nm|°C|µm|°|mm²/s"_cp850},
        {1, 0, "in|lbf|psi|lbfin| F|µin|°|mm²/s"_cp850},
        {2, 0, "mm|kN|MPa|Nm|°C|µm|°|mm²/s"_cp850},
        {3, 0, "mm|N|N/mm²|Nm|°C|µm|°|mm²/s"_cp850},
        {4, 0, "mm|kN|N/mm²|Nm|°C|µm|°|mm²/s"_cp850},
        {0, 1, "mm|N|MPa|Nm| C|um|deg|mm2/s"},
        {1, 1, "in|lbf|psi|lbfin| F|uin|deg|mm2/s"},
    };
    for (const auto& c : cases) {
        unitSystem = static_cast<std::int16_t>(c.system);
        codePageOption = static_cast<std::int16_t>(c.codePage);
        EXPECT_EQ(LengthUnit() + "|" + ForceUnit() + "|" + StressUnit() + "|" + TorqueUnit() + "|" +
                      TemperatureUnit() + "|" + MicronUnit() + "|" + DegreeSign() + "|" +
                      ViscosityUnit(),
                  c.labels)
            << c.system;
    }
}

TEST_F(FormattingTest, ValuesInTheFiveUnitSystems) {
    struct Case {
        const char* name;
        std::function<std::string()> format;
        const char* expected[5];
    } cases[] = {
        {"length 25.4",
         [] { return FormatLength(25.4L); },
         {"25.4", "1.0000", "25.4", "25.4", "25.4"}},
        {"length 6",
         [] { return FormatLength6(3.14159265L); },
         {"3.141593", "0.12368", "3.141593", "3.141593", "3.141593"}},
        {"length fixed",
         [] { return FormatLengthFixed(6, 2, 254); },
         {"   254.00", "   10.000", "   254.00", "   254.00", "   254.00"}},
        {"force fixed",
         [] { return FormatForceFixed(6, 1, 12500); },
         {" 12500.0", " 2810.11", "   12.50", " 12500.0", "   12.50"}},
        {"stress fixed",
         [] { return FormatStressFixed(4, 2, 100); },
         {" 100.00", " 14504", " 100.00", " 100.00", " 100.00"}},
        {"torque fixed",
         [] { return FormatTorqueFixed(4, 2, 10); },
         {"  10.00", "   88.5", "  10.00", "  10.00", "  10.00"}},
        {"temperature fixed",
         [] { return FormatTemperatureFixed(3, 1, 100); },
         {"100.0", "212.0", "100.0", "100.0", "100.0"}},
        {"torque 6", [] { return FormatTorque6(1); }, {"1", "8.850749", "1", "1", "1"}},
    };
    for (int system = 0; system < 5; ++system) {
        unitSystem = static_cast<std::int16_t>(system);
        for (const auto& c : cases)
            EXPECT_EQ(c.format(), c.expected[system]) << c.name << " system " << system;
    }
}

TEST_F(FormattingTest, ParsingFollowsTheUnitSystem) {
    unitSystem = 1;
    const std::pair<Real, Real> cases[] = {{ParseLength2("0,5"), 12.7L},
                                           {ParseStress("145.037"), 1},
                                           {ParseTorque("1"), 0.112984788L},
                                           {TorqueToDisplay(0.112984788L), 1}};
    for (auto [got, want] : cases)
        EXPECT_NEAR(static_cast<double>(got), static_cast<double>(want), 1E-12);
    unitSystem = 4;
    EXPECT_EQ(ParseLength("2,5"), 2.5L);
}

TEST_F(FormattingTest, NumberInputAcceptsOneWholeNumberOnly) {
    struct Case {
        const char* text;
        Real value;
    } cases[] = {
        {"1,5", 1.5L}, {"  -2.25  ", -2.25L},
        {"+3", 3},     {"1e3", 1000},
        {".5", 0.5L},  {"", 0},
        {"1.2.3", 0},  {"1,2,3", 0},
        {"12abc", 0},  {"1e5000", 0},
        {"inf", 0},    {"nan", 0},
        {"--1", 0},    {"+-1", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToFloat(c.text), c.value) << c.text;
        EXPECT_EQ(TextToFloat2(c.text), c.value) << c.text;
    }
    struct IntCase {
        const char* text;
        std::int32_t value;
    } ints[] = {
        {" -7 ", -7},
        {"+5", 5},
        {"12a", 0},
        {"1.5", 0},
        {"99999999999", 0},
        {"", 0},
        {"2147483647", 2147483647},
    };
    for (const auto& c : ints) {
        EXPECT_EQ(TextToInt(c.text), c.value) << c.text;
        EXPECT_EQ(TextToInt2(c.text), c.value) << c.text;
        EXPECT_EQ(TextToInt3(c.text), c.value) << c.text;
    }
}

// The window toolkit sets the process locale; no number text may follow it.
TEST_F(FormattingTest, TextsIgnoreAGermanProcessLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    CheckSettingCases();
    CheckFixedTextCases();
    EXPECT_EQ(TextToFloat("1.5"), 1.5L);
    EXPECT_EQ(TextToFloat("2,25"), 2.25L);
    std::setlocale(LC_ALL, saved.c_str());
}

class TextConv : public testing::StateFixture {};

TEST_F(TextConv, NoConversionEmptiesALongText) {
    const std::string longText(300, 'x');
    using Conv = std::string (*)(std::string_view);
    for (Conv conv : {&DisplayText, &OemToWin, &WinToOem, &WinToOemText, &TransliterateOem,
                      &OemToWinTable, &ConvertCadText, &UpperAscii})
        EXPECT_EQ(conv(longText).size(), 300u);
    EXPECT_EQ(DisplayText("Ma\xE1 20\xF8"), "Ma\xDF 20\xB0");  // to Windows-1252
    codePageOption = 1;
    EXPECT_EQ(DisplayText("Maß 20°"_cp850), "Mass 20deg");
}

// Every byte stays, or is box drawing turned into '|', '+' or '-', or is a code
// page 850 letter turned into its own Windows letter; ASCII, '|' included, stays.
TEST_F(TextConv, ScreenTableKeepsAsciiBarAndMapsOnlyBoxDrawingAndLetters) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string out = OemToWinTable(all);
    ASSERT_EQ(out.size(), 256u);
    auto at = [&](int b) { return static_cast<unsigned char>(out[b]); };
    for (int b = 0; b < 256; ++b) {
        const char32_t u = kCp850ToUnicode[b];
        const bool box = u >= 0x2500 && u <= 0x257F;
        const bool asBox = box && (at(b) == '|' || at(b) == '+' || at(b) == '-');
        const bool asLetter = !box && static_cast<int>(at(b)) == UnicodeToWin1252(u);
        EXPECT_TRUE(at(b) == b || asBox || asLetter) << b << " -> " << int(at(b));
        if (b < 128) {
            EXPECT_EQ(at(b), b) << b;
        }
    }
    const std::pair<int, int> mapped[] = {{179, '|'},  {186, '|'},  {197, '|'},  {187, '+'},
                                          {201, '+'},  {218, '+'},  {205, '-'},  {181, 0xC1},
                                          {184, 0xA9}, {209, 0xD0}, {225, 0xDF}, {253, 0xB2}};
    for (auto [oem, win] : mapped) EXPECT_EQ(at(oem), win) << oem;
}

TEST_F(TextConv, CadTextBySet) {
    const std::string oel = "Ölstand"_cp850.data();
    const std::pair<int, std::string> cases[] = {{1, oel}, {2, "\xD6lstand"}, {3, "Oelstand"}};
    for (const auto& [set, want] : cases) {
        cadTextCharacterSet = set;
        EXPECT_EQ(ConvertCadText(oel), want) << set;
    }
    EXPECT_EQ(TransliterateOem("±µ²ÄÖÜäöüßéáúñ─═"_cp850),
              "+/-u2AeOeUeaeoeuessea"
              "un--");
}

TEST_F(TextConv, PaddingTrimmingShorteningAndCounting) {
    const std::pair<std::string, std::string> cases[] = {
        {PadLeft("  12 ", 5), "   12"},
        {PadLeft("123456", 3), "123"},
        {PadRight("abcdef", 4), "abcd"},
        {RightStr("abc", -1), ""},
        {ShortenMiddle("ABCDEFGHIJKL", 12), "ABCD__IJKL"},
        {ShortenMiddle("ABCDEFGHIJK", 12), "ABCDEFGHIJK"},
        {UpperAscii("ab\x81z"), "AB\x81Z"},
        {ShortenWithDots("abcdefghijklmnopqrstuvwxyz0123", 20), "abcdefg ... wxyz0123"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
    // Overlapping finds count, up to 255.
    EXPECT_EQ(std::vector<int>({CountSubstr("aa", "aaaa"), CountSubstr("", "aaaa"),
                                CountSubstr("a", std::string(400, 'a'))}),
              std::vector<int>({3, 0, 255}));
    std::string d = "abcdef";
    OverwriteAt("XY", d, 5);
    EXPECT_EQ(d, "abcdXY");
    OverwriteAt("..", d, 6), OverwriteAt("..", d, 0);  // past the end, before the start: nothing
    EXPECT_EQ(d, "abcdXY");
}

TEST_F(TextConv, WrapToLinesBreaksBeforeTheWidth) {
    int lines = 0, maxLen = 0;
    WrapToLines("aaa bbb ccc", ' ', 8, lines, maxLen);
    EXPECT_EQ(std::to_string(lines) + " " + std::to_string(maxLen) + " " + lineBuffers[1] + "|" +
                  lineBuffers[2],
              "2 7 aaa |bbb ccc");
    WrapToLines("abcdefghij", ' ', 4, lines, maxLen);
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(lineBuffers[3], "ij");
    // More than five lines: the fifth keeps the rest, nothing beyond it is touched.
    WrapToLines(std::string(40, 'x'), ' ', 4, lines, maxLen);
    EXPECT_EQ(lines, 5);
    EXPECT_EQ(lineBuffers[5].size(), 24u);
}

// Runs iconv on the bytes; false when iconv refuses them.
bool Iconv(const std::string& from, const std::string& to, const std::string& in,
           std::string& out) {
    testing::TempDir tmp("veldrim-iconv");
    testing::Spit(tmp / "in", in);
    const testing::OutsideRun run =
        testing::RunOutsideProgram({"iconv", "-f", from, "-t", to, tmp / "in"});
    out = run.out;
    return run.status == 0;
}

// Every byte of code page 850 and every assigned byte of Windows-1252, both ways.
TEST(CodePage, TablesMatchIconvForAllAssignedBytes) {
    struct Table {
        const char* name;
        std::string (*toUtf8)(std::string_view);
        std::string (*fromUtf8)(std::string_view, char);
        int unassigned;
    };
    for (const Table& t : {Table{"CP850", Cp850ToUtf8, Utf8ToCp850, 0},
                           Table{"WINDOWS-1252", Win1252ToUtf8, Utf8ToWin1252, 5}}) {
        int unassigned = 0;
        for (int b = 0; b < 256; ++b) {
            std::string in(1, static_cast<char>(b)), want, back;
            if (!Iconv(t.name, "UTF-8", in, want)) {
                EXPECT_EQ(kWin1252ToUnicode[b], b) << "the table keeps the C1 control";
                ++unassigned;
                continue;
            }
            ASSERT_TRUE(Iconv("UTF-8", t.name, want, back)) << t.name << " byte " << b;
            ASSERT_EQ(back, in) << t.name << " byte " << b;
            EXPECT_EQ(t.toUtf8(in), want) << t.name << " byte " << b;
            EXPECT_EQ(t.fromUtf8(want, '?'), in) << t.name << " byte " << b;
        }
        EXPECT_EQ(unassigned, t.unassigned) << t.name;
    }
}

TEST(CodePage, LettersBetweenTablesLiteralsAndMalformedInput) {
    const std::string oem = "\x81\x84\x94\xE1\xF8\xFD";  // ü ä ö ß ° ²
    EXPECT_EQ(Win1252ToCp850(Cp850ToWin1252(oem)), oem);
    EXPECT_EQ(WinToOem(OemToWin(oem)), oem);
    EXPECT_EQ(OemToWin("\xC4\xCD").find('\0'), std::string::npos)
        << "box drawing gets a plain sign";
    EXPECT_EQ(Cp850ToWin1252("\xC4", '#'), "#");  // box drawing has no Windows-1252 form
    static_assert("Maß 20°"_cp850.size() == 7);
    EXPECT_EQ("Ölstand µm ±"_cp850, "\x99lstand \xE6m \xF1");
    EXPECT_EQ(Utf8ToCp850("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToCp850("\xE2\x82\xAC"), "?");  // the euro sign is not in code page 850
}

// A file name for the screen keeps the letters code page 850 lacks: the euro
// sign is U+20AC, the Polish L with stroke U+0141, the treble clef U+1D11E
// (four UTF-8 bytes); the letters code page 850 has become its bytes.
TEST(CodePage, LettersOutsideCodePage850ReachTheScreenAsThemselves) {
    const std::string names[] = {"Getriebe-\xE2\x82\xAC.qb3",
                                 "\xC5\x81\xC3\xB3"
                                 "d\xC5\xBA",
                                 "\xF0\x9D\x84\x9E",
                                 "Gr\xC3\xB6\xC3\x9F"
                                 "e"};
    for (const std::string& name : names)
        EXPECT_EQ(Cp850ToUtf8Carried(Utf8ToCp850Carried(name)), name) << name;
    EXPECT_EQ(Utf8ToCp850Carried("Gr\xC3\xB6\xC3\x9F"
                                 "e"),
              "Gr\x94\xE1"
              "e");
    EXPECT_EQ(Utf8ToCp850Carried("\xE2\x82\xAC"),
              "\x1A"
              "20AC;");
    // A carried letter cut short, or a mark in the text, stays as it stands.
    EXPECT_EQ(Cp850ToUtf8Carried("\x1A"
                                 "20AC"),
              "\x1A"
              "20AC");
    EXPECT_EQ(Cp850ToUtf8Carried("\x1A;x"), "\x1A;x");
    EXPECT_EQ(Cp850ToUtf8Carried("\x1A"
                                 "D800;"),
              "\x1A"
              "D800;")
        << "no surrogate";
    EXPECT_EQ(Cp850ToUtf8Carried(Utf8ToCp850Carried("\x1A")), "\x1A") << "the mark itself";
    // Files (CAD texts) store the code page's replacement instead.
    EXPECT_EQ(ConvertCadText(Utf8ToCp850Carried("Getriebe-\xE2\x82\xAC.qb3")), "Getriebe-?.qb3");
    EXPECT_EQ(DropCarriedLetters(Utf8ToCp850Carried("\xC5\x81\xC3\xB6")), "?\x94");
}

// The drawing's text of a file name: Windows-1252 has the euro sign (0x80)
// and the o umlaut (0xF6) but not the L with stroke (U+0141), which stays
// carried until the canvas paints it.
TEST(CodePage, TheDrawingKeepsLettersWindows1252Lacks) {
    const std::string shown = Utf8ToCp850Carried(
        "\xE2\x82\xAC\xC5\x81-Gr\xC3\xB6\xC3\x9F"
        "e");
    const std::string drawn = DisplayText(shown);
    EXPECT_EQ(drawn,
              "\x80\x1A"
              "141;-Gr\xF6\xDF"
              "e");
    EXPECT_EQ(Win1252ToUtf8Carried(drawn),
              "\xE2\x82\xAC\xC5\x81-Gr\xC3\xB6\xC3\x9F"
              "e");
    // A CAD file (Windows-1252 texts by default) still takes the replacement.
    EXPECT_EQ(ConvertCadText(shown),
              "?"
              "?-Gr\xF6\xDF"
              "e");
}

}  // namespace
}  // namespace veldrim
