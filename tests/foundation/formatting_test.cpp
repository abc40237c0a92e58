#include "foundation/formatting.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

constexpr Real kInf = std::numeric_limits<Real>::infinity();
constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();

class FormattingTest : public testing::StateFixture {};

// The same text with the decimal separator of option 2.
std::string WithComma(std::string s) {
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

// One formatted value at the decimals settings 0, 3 and 5, written with '.';
// every case is also checked with the ',' separator.
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
        {"FormatNum 0.000123", [] { return FormatNum(0.000123L); }, {"0.000", "0.000123", "0.00012300"}},
        {"FormatNum below 1E-5", [] { return FormatNum(0.000009L); }, {"0", "0", "0"}},
        {"FormatNumLong", [] { return FormatNumLong(3.14159265L); }, {"3.142", "3.141593", "3.14159265"}},
        {"FormatFixed 4,2", [] { return FormatFixed(4, 2, 3.14159L); }, {"   3", "   3.14", "   3.1416"}},
        {"FormatFixed negative", [] { return FormatFixed(3, 1, -2.25L); }, {" -2", " -2.2", " -2.250"}},
        {"FormatFixed rounds to zero", [] { return FormatFixed(1, 2, -0.001L); }, {"0", "0.00", "-0.0010"}},
        {"FormatDecimals 7", [] { return FormatDecimals(7, 5); }, {"5.0000", "5.0000000", "5.000000000"}},
        {"FormatInWidth 7", [] { return FormatInWidth(7, 20.5L); }, {"   20", "   20.5", "   20.500"}},
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

// Texts that do not depend on the decimals setting: {formatted, expected},
// formatted anew on each call.
std::vector<std::pair<std::string, std::string>> FixedTextCases() {
    return {
        // Halves go to the even neighbour, on the exact binary value.
        {FormatNum(2.0625L), "2.062"}, {FormatNum(2.1875L), "2.188"}, {FormatDecimals(0, 2.5L), "2"},
        {FormatNum(999.99995L), "1000"},
        // Past 18 digits the exponent form of the general format.
        {FormatNum(1E30L), "1E30"}, {FormatNum(-2.5E21L), "-2.5E21"}, {FormatNum(1E3000L), "1E3000"},
        {FormatNum(1E18L), "1E18"}, {FormatNum(123456789012345678.0L), "123456789012345678"},
        {FormatFixed(1, 2, 12345.678L), "1.23E4"},
        {FormatFixed(15, 5, 123456789012345.678L), "123456789012345.67800"}, {FormatNum(kInf), "INF"},
        {FormatNum(kNaN), "NAN"}, {FormatFixed(5, 2, kInf), "     INF"}, {FormatFixed(5, 2, kNaN), "     NAN"},
        {FormatFixed(0, 2, 0), "0.00"}, {FormatEng(-12500), "-12.5E3"}, {FormatEng(0.000012L), "0.012E-3"},
        {FormatEng(1E-4000L), "0.1E-3999"}, {FormatAuto(0.00005L), "0.05E-3"}, {FormatAuto(1E-13L), "0"},
        {FormatGeneral(1.0L / 3), "0.333333333333333"}, {FormatGeneral(1.5E-7L), "1.5E-7"},
        {IntTextZero(-5, 3), "-05"}, {IntTextPad(123456, 3), "123456"},
    };
}

void CheckFixedTextCases() {
    const auto cases = FixedTextCases();
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

TEST_F(FormattingTest, TiesHugeValuesAndEdgeTexts) { CheckFixedTextCases(); }

TEST_F(FormattingTest, DigitLayoutTerminatesOnEveryValue) {
    struct Case { Real x; int n, intDigits, decimals; } cases[] = {
        {0, 3, 0, 1},  // zero is laid out as 0.5
        {1234.56L, 3, 4, 0}, {-0.05L, 3, 0, 2}, {1E-4000L, 3, 0, 4000}, {0.5L, -5, 0, 0},
        {0.001L, -2, 0, 0},  // no digit left to look at
        {3.14159265358979L, 40, 1, 40},
        {kInf, 3, 3, 0},     {-kInf, 3, 3, 0},  {kNaN, 3, 3, 0},
    };
    for (const auto& c : cases) {
        std::int32_t i = -99, d = -99;
        DigitLayout(c.x, c.n, i, d);
        EXPECT_EQ(std::make_pair(i, d), std::make_pair(c.intDigits, c.decimals)) << static_cast<double>(c.x) << " n " << c.n;
    }
}

TEST_F(FormattingTest, PointVariantsIgnoreTheCommaSeparator) {
    decimalSeparatorOption = 2;
    EXPECT_EQ(FormatNumPoint(12.5L), "12.5");
    EXPECT_EQ(FormatDecimalsPoint(2, 3.14159L), "3.14");
    EXPECT_EQ(FormatFixedPoint(4, 2, 3.14159L), "   3.14");
}

TEST_F(FormattingTest, AnglesInBothFormats) {
    struct Case { int format, codePage; Real deg; std::string expected; } cases[] = {
        {1, 0, 20.5L, std::string("   20.5°"_cp850)}, {1, 1, 20.5L, "   20.5deg"},
        {2, 0, 20.5125L, std::string("20°30'45\""_cp850)},
        {2, 0, 10.999999L, std::string("     11°"_cp850)},  // seconds carry into whole degrees
        // Negative angles keep their sign, also between -1 and 0 degrees.
        {2, 0, -0.5L, std::string("   -0°30'"_cp850)},
        {2, 1, -0.25L, "   -0deg15'"},
        {2, 0, kNaN, std::string("    NAN°"_cp850)},
    };
    for (const auto& c : cases) {
        angleFormat = static_cast<std::int16_t>(c.format);
        codePageOption = static_cast<std::int16_t>(c.codePage);
        EXPECT_EQ(FormatAngle(c.deg), c.expected) << static_cast<double>(c.deg) << " format " << c.format;
    }
}

TEST_F(FormattingTest, UnitLabelsOfAllFiveSystems) {
    // Length, force, stress, torque, temperature and micron of each system.
    const std::string_view labels[] = {
        "mm|N|MPa|Nm|°C|µm"_cp850,     "in|lbf|psi|lbfin| F|µin"_cp850, "mm|kN|MPa|Nm|°C|µm"_cp850,
        "mm|N|N/mm²|Nm|°C|µm"_cp850, "mm|kN|N/mm²|Nm|°C|µm"_cp850,
    };
    for (int system = 0; system < 5; ++system) {
        unitSystem = static_cast<std::int16_t>(system);
        EXPECT_EQ(LengthUnit() + "|" + ForceUnit() + "|" + StressUnit() + "|" + TorqueUnit() + "|" + TemperatureUnit() +
                      "|" + MicronUnit(),
                  labels[system])
            << system;
        EXPECT_EQ(DegreeSign(), "°"_cp850);
        EXPECT_EQ(ViscosityUnit(), "mm²/s"_cp850);
    }
    // Plain ASCII output.
    codePageOption = 1;
    unitSystem = 0;
    EXPECT_EQ(TemperatureUnit() + MicronUnit() + DegreeSign() + ViscosityUnit(), " Cumdegmm2/s");
    unitSystem = 1;
    EXPECT_EQ(MicronUnit(), "uin");
}

TEST_F(FormattingTest, ValuesInTheFiveUnitSystems) {
    struct Case { const char* name; std::function<std::string()> format; const char* expected[5]; } cases[] = {
        {"length 25.4", [] { return FormatLength(25.4L); }, {"25.4", "1.0000", "25.4", "25.4", "25.4"}},
        {"length 6", [] { return FormatLength6(3.14159265L); }, {"3.141593", "0.12368", "3.141593", "3.141593", "3.141593"}},
        {"length fixed", [] { return FormatLengthFixed(6, 2, 254); }, {"   254.00", "   10.000", "   254.00", "   254.00", "   254.00"}},
        {"force fixed", [] { return FormatForceFixed(6, 1, 12500); }, {" 12500.0", " 2810.11", "   12.50", " 12500.0", "   12.50"}},
        {"stress fixed", [] { return FormatStressFixed(4, 2, 100); }, {" 100.00", " 14504", " 100.00", " 100.00", " 100.00"}},
        {"torque fixed", [] { return FormatTorqueFixed(4, 2, 10); }, {"  10.00", "   88.5", "  10.00", "  10.00", "  10.00"}},
        {"temperature fixed", [] { return FormatTemperatureFixed(3, 1, 100); }, {"100.0", "212.0", "100.0", "100.0", "100.0"}},
        {"torque 6", [] { return FormatTorque6(1); }, {"1", "8.850749", "1", "1", "1"}},
    };
    for (int system = 0; system < 5; ++system) {
        unitSystem = static_cast<std::int16_t>(system);
        for (const auto& c : cases) EXPECT_EQ(c.format(), c.expected[system]) << c.name << " system " << system;
    }
}

TEST_F(FormattingTest, ParsingFollowsTheUnitSystem) {
    unitSystem = 1;
    EXPECT_NEAR(static_cast<double>(ParseLength2("0,5")), 12.7, 1E-12);
    EXPECT_NEAR(static_cast<double>(ParseStress("145.037")), 1, 1E-12);
    EXPECT_NEAR(static_cast<double>(ParseTorque("1")), 0.112984788, 1E-12);
    EXPECT_NEAR(static_cast<double>(TorqueToDisplay(0.112984788L)), 1, 1E-12);
    unitSystem = 4;
    EXPECT_EQ(ParseLength("2,5"), 2.5L);
}

TEST_F(FormattingTest, NumberInputAcceptsOneWholeNumberOnly) {
    struct Case { const char* text; Real value; } cases[] = {
        {"1,5", 1.5L}, {"  -2.25  ", -2.25L}, {"+3", 3},  {"1e3", 1000}, {".5", 0.5L},  {"", 0},
        {"1.2.3", 0},  {"1,2,3", 0},          {"12abc", 0}, {"1e5000", 0}, {"inf", 0},  {"nan", 0},
        {"--1", 0},    {"+-1", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToFloat(c.text), c.value) << c.text;
        EXPECT_EQ(TextToFloat2(c.text), c.value) << c.text;
    }
    struct IntCase { const char* text; std::int32_t value; } ints[] = {
        {" -7 ", -7}, {"+5", 5}, {"12a", 0}, {"1.5", 0}, {"99999999999", 0}, {"", 0},
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
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    CheckSettingCases();
    CheckFixedTextCases();
    EXPECT_EQ(TextToFloat("1.5"), 1.5L);
    EXPECT_EQ(TextToFloat("2,25"), 2.25L);
    std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace veldrim
