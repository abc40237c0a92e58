// Numeric keys, Julian day numbers and date texts, SOUNDEX and ring lists.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <random>
#include <sstream>

#include "tables/engine/engine_dates.h"
#include "tables/expr/expr_keys.h"
#include "tables/table_test_util.h"

namespace veldrim {
namespace {

TNumKey Key(const std::string& s, int decimals = 0) {
    TNumKey k;
    StrToNumKey(k, s.data(), static_cast<int>(s.size()), decimals);
    return k;
}

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(NumKey, EncodingAndEdgeOrder) {
    for (const char* s : {"0", "-0.00", "  +0", ""}) {
        EXPECT_EQ(Key(s, 2).bytes[0], 0x34) << s;
        EXPECT_EQ(CompareNumKeys(Key(s, 2), Key("0")), 0) << "one key for every zero: " << s;
    }
    struct Case {
        const char* text;
        uint8_t exponent;
        uint8_t firstDigits;
    };
    const Case cases[] = {
        {"5", 0x35, 0x50}, {"0.005", 0x32, 0x50}, {"-12.75", 0x36, 0x12}, {"  123", 0x37, 0x12}};
    for (const Case& c : cases) {
        EXPECT_EQ(Key(c.text).bytes[0], c.exponent) << c.text;
        EXPECT_EQ(Key(c.text).bytes[2], c.firstDigits) << c.text;
    }
    EXPECT_TRUE(Key("-12.75").bytes[1] & 0x80);
    EXPECT_EQ((Key("5").bytes[1] >> 2) & 0x1F, 10) << "a short digit run counts as 10 digits";
    EXPECT_EQ((Key("1.500", 3).bytes[1] >> 2) & 0x1F, 4) << "unless trailing decimals are kept";
    // More than 20 integer digits still order by size.
    EXPECT_LT(
        CompareNumKeys(Key("1000000000000000000000000"), Key("100000000000000000000000000000")), 0);
}

// sign(compare(a, b)) = sign(a - b) for random decimal values, and the key
// of a double is the key of its text.
TEST(NumKey, OrderMatchesValueForRandomTexts) {
    std::mt19937_64 rng(20261206);
    std::uniform_int_distribution<long long> mant(-999999999999999LL, 999999999999999LL);
    std::uniform_int_distribution<int> decs(0, 6);
    auto text = [](long long m, int d) {
        std::string digits = std::to_string(m < 0 ? -m : m);
        if (d > 0) {
            if (static_cast<int>(digits.size()) <= d)
                digits.insert(0, static_cast<std::size_t>(d + 1 - digits.size()), '0');
            digits.insert(digits.size() - static_cast<std::size_t>(d), ".");
        }
        return (m < 0 ? "-" : "") + digits;
    };
    for (int i = 0; i < 20000; ++i) {
        long long ma = mant(rng), mb = mant(rng);
        if (i % 7 == 0) mb = ma;  // equal values in other spellings
        if (i % 11 == 0) mb = -ma;
        if (i % 13 == 0) ma /= 1000;  // small against large
        int da = decs(rng), db = decs(rng);
        // Compare exactly: scale both to 6 decimals.
        __int128 sa = static_cast<__int128>(ma);
        __int128 sb = static_cast<__int128>(mb);
        for (int k = da; k < 6; ++k) sa *= 10;
        for (int k = db; k < 6; ++k) sb *= 10;
        int want = (sa > sb) - (sa < sb);
        std::string ta = text(ma, da), tb = text(mb, db);
        ASSERT_EQ(Sign(CompareNumKeys(Key(ta, da), Key(tb, db))), want) << ta << " vs " << tb;
        TNumKey fromDouble;
        FloatToNumKey(fromDouble, da, static_cast<double>(ma) / std::pow(10.0, da));
        ASSERT_EQ(CompareNumKeys(fromDouble, Key(ta, da)), 0) << ta;
    }
}

TEST(Julian, FixedPoints) {
    EXPECT_EQ(JulianFromYMD(1, 1, 1), 1721426.0);
    EXPECT_EQ(JulianFromYMD(1900, 2, 29), 0.0);
    EXPECT_EQ(JulianFromYMD(0, 12, 31), 0.0);
    EXPECT_EQ(JulianFromYMD(2026, 13, 1), 0.0);
    EXPECT_EQ(JulianToDtos(1721425), "        ");
    EXPECT_EQ(JulianToDtos(1721426), "00010101") << "year 1, not year 0";
    EXPECT_EQ(JulianToDtos(5373485), "        ");
    for (const char* bad : {"        ", "20000231", "2000 101", "2000"})
        EXPECT_EQ(DtosToJulian(bad), 0.0) << bad;
    EXPECT_EQ(DayOfYear(-1, 1, 1), -1);
}

TEST(Julian, AgreesWithPythonOrdinals) {
    // Every day of the first three years, of 1890..2110 and of the last three
    // years, and every 29th day in between.
    const std::string script =
        "import datetime\n"
        "o = datetime.date\n"
        "days = set(range(1, 3 * 366)) | set(range(o(1890, 1, 1).toordinal(), o(2111, 1, "
        "1).toordinal()))\n"
        "days |= set(range(1, 3652060, 29)) | set(range(o(9997, 1, 1).toordinal(), 3652060))\n"
        "for n in sorted(days):\n"
        "    d = o.fromordinal(n)\n"
        "    print('%04d%02d%02d' % (d.year, d.month, d.day), n + 1721425, d.isoweekday() % 7 + "
        "1)\n";
    std::string out = testing::RunCapture({"/usr/bin/python3", "-c", script});
    ASSERT_FALSE(out.empty()) << "/usr/bin/python3 gave no reference";
    std::istringstream in(out);
    std::string ymd;
    long long j = 0;
    int dow = 0;
    int count = 0;
    while (in >> ymd >> j >> dow) {
        ASSERT_EQ(DtosToJulian(ymd), static_cast<double>(j)) << ymd;
        ASSERT_EQ(JulianToDtos(static_cast<double>(j)), ymd) << j;
        // Day 1721426 (a Monday) is weekday 2 with 1 = Sunday.
        ASSERT_EQ((j + 1) % 7 + 1, dow) << ymd;
        ++count;
    }
    EXPECT_GT(count, 200000);
}

// Every day from 1900 to 2100 in all nine formats, written by the Julian
// text conversion, is a valid date text, and reads back to the same day;
// impossible days of each month are refused.
TEST(Julian, DateTextsOfEveryDayAreValidInAllFormats) {
    ResetEngineDates();
    double first = JulianFromYMD(1900, 1, 1), last = JulianFromYMD(2100, 12, 31);
    for (int fmt = 0; fmt <= 8; ++fmt) {
        DateFormat = fmt;
        // Every day with four-digit years; two-digit years (widened by the
        // century window) every 11th day.
        for (bool century : {true, false}) {
            SetCentury = century;
            for (double j = first; j <= last; j += century ? 1 : 11) {
                std::string text = JulianToDateText(j);
                std::string checked = text;
                ASSERT_TRUE(IsDateValid(checked)) << "format " << fmt << " " << text;
                ASSERT_EQ(checked, text) << "format " << fmt;
                if (j == first) {
                    // The blank date is the picture of a date text.
                    std::string blank = text;
                    for (char& c : blank) c = std::isdigit(static_cast<unsigned char>(c)) ? ' ' : c;
                    EXPECT_EQ(JulianToDateText(0), blank) << "format " << fmt;
                }
                if (century && static_cast<long long>(j) % 5 == 0) {
                    ASSERT_EQ(CtodToJulian(text), j) << "format " << fmt << " " << text;
                }
            }
        }
        // Impossible days, four-digit years.
        SetCentury = true;
        for (int y : {1900, 1999, 2000, 2023, 2100}) {
            for (int m = 1; m <= 12; ++m) {
                for (int d = 28; d <= 32; ++d) {
                    bool possible = JulianFromYMD(y, m, d) != 0;
                    const std::string dd = ZeroPadInt(d, 2), mm = ZeroPadInt(m, 2),
                                      yy = ZeroPadInt(y, 4);
                    const std::string sep = fmt == 0 || fmt == 2 ? "/" : fmt == 3 ? "-" : ".";
                    const std::string text = fmt == 0   ? mm + sep + dd + sep + yy
                                             : fmt == 1 ? yy + sep + mm + sep + dd
                                                        : dd + sep + mm + sep + yy;
                    std::string checked = text;
                    ASSERT_EQ(IsDateValid(checked), possible) << "format " << fmt << " " << text;
                    ASSERT_EQ(CtodToJulian(text) != 0, possible) << text;
                }
            }
        }
    }
    ResetEngineDates();
}

TEST(SoundexCode, KnownCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"Robert", "R163"},  {"Rupert", "R163"},   {"Tymczak", "T522"},
        {"Pfister", "P236"}, {"Ashcraft", "A226"}, {"Lee", "L000"},
        {"o'hara", "O600"},  {"", "0000"},         {"1abc", "1120"},
    };
    for (auto [text, code] : cases) EXPECT_EQ(Soundex(text), code) << text;
}

TEST(RingList, OrderUnlinkAndRemove) {
    void* ring = nullptr;
    auto* a = RingAlloc(ring, 4);
    auto* b = RingAlloc(ring, 4);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_EQ(RingNext(ring, nullptr), a);
    EXPECT_EQ(RingNext(ring, b), nullptr);
    int foreign = 0;
    EXPECT_FALSE(RingRemove(ring, &foreign));
    EXPECT_TRUE(RingRemove(ring, a));
    RingFreeNode(a);
    EXPECT_EQ(RingUnlink(ring), b);
    EXPECT_EQ(ring, nullptr);
    RingFreeNode(b);
}

}  // namespace
}  // namespace veldrim
