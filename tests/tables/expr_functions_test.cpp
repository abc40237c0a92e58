// The functions of the expression language, one table per result kind, and
// the date functions over a sweep of dates against Python's calendar.

#include <gtest/gtest.h>

#include <sstream>

#include "expr_fake_fields.h"
#include "tables/engine_dates.h"
#include "tables/expr_compiler.h"
#include "tables/expr_functions.h"
#include "tables/expr_python.h"

namespace veldrim {
namespace {

using testing_expr::ExprFixtureState;
using testing_expr::FakeArea;

class ExprFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        FakeArea a;
        a.alias = "T";
        a.fields = {
            {"NAME", 'C', 10, 0, "Smith     "},
            {"BORN", 'D', 8, 0, "19991231"},
            {"FLAG", 'L', 1, 0, "T"},
            {"D", 'D', 8, 0, ""},
        };
        state_.fields.areas[1] = a;
    }

    CompiledExpr* Compile(const std::string& text) {
        CompiledExpr* e = AssignExpr(text);
        EXPECT_NE(e, nullptr) << text << "\n" << ErrorState.contextText;
        if (e) Evaluate(e);
        return e;
    }
    std::string Text(const std::string& text) {
        CompiledExpr* e = Compile(text);
        std::string r = e ? std::string(ExprResultText(e)) : "<none>";
        EXPECT_TRUE(!e || e->resultType == 'C') << text;
        FreeExpr(e);
        return r;
    }
    double Number(const std::string& text) {
        CompiledExpr* e = Compile(text);
        double r = e ? ExprResultNumber(e) : -999;
        EXPECT_TRUE(!e || e->resultType == 'N') << text;
        FreeExpr(e);
        return r;
    }
    bool Logical(const std::string& text) {
        CompiledExpr* e = Compile(text);
        bool r = e && ExprResultLogical(e);
        FreeExpr(e);
        return r;
    }

    ExprFixtureState state_;
};

TEST_F(ExprFunctions, CharacterResults) {
    const std::pair<const char*, const char*> cases[] = {
        {"CHR(65)", "A"},
        {"CHR(65.9)", "A"},
        {"IIF(.T., 'a', 'b')", "a"},
        {"IIF(FLAG, 'yes', 'no')", "yes"},
        {"IIF(.NOT. FLAG, 'yes', 'no')", "no"},
        {"LEFT('abcdef', 3)", "abc"},
        {"LEFT('abc', 5)", "abc"},
        {"LEFT('abc', -1)", ""},
        {"LOWER('ABC\xc4')", "abc\xe4"},       // Windows-1252 letters too
        {"UPPER('abc\xe4\xfc')", "ABC\xc4\xdc"},
        {"UPPE(NAME)", "SMITH     "},
        {"LTRIM('  a ')", "a "},
        {"LTRI('\t a')", "\t a"},            // only blanks are trimmed
        {"RTRIM('  a  ')", "  a"},
        {"TRIM(NAME)", "Smith"},
        {"TRIM('   ')", ""},
        {"REPLICATE('ab', 3)", "ababab"},
        {"REPL('ab', 0)", ""},
        {"REPLICATE('ab', -2)", ""},
        {"REPLICATE('', 100)", ""},
        {"RIGHT('abcdef', 2)", "ef"},
        {"RIGHT('abc', 0)", ""},
        {"RIGHT('abc', 9)", "abc"},
        {"RIGHT('abc', -3)", ""},
        {"SOUNDEX('Robert')", "R163"},
        {"SOUN('Ashcraft')", "A226"},
        {"SPACE(3)", "   "},
        {"SPACE(-1)", ""},
        {"STR(123456789012, 10)", "**********"},
        {"STR(3.14159, 8, 2)", "    3.14"},
        {"STR(42)", "        42"},
        {"STR(-1.5, 5, 1)", " -1.5"},
        {"STR(2.5, 3)", "  2"},               // halves to even
        {"STR(99.99, 4, 1)", "****"},
        {"STR(1, 0)", ""},
        {"STUFF('abcdef', 2, 3, 'XY')", "aXYef"},
        {"STUFF('abc', 4, 0, 'de')", "abcde"},
        {"STUFF('abc', 9, 9, 'd')", "abcd"},
        {"STUFF('abc', -5, 1, 'X')", "Xbc"},
        {"SUBSTR('abcdef', 2, 3)", "bcd"},
        {"SUBS('abc', 5, 2)", ""},
        {"SUBSTR('abc', 0, 2)", "ab"},
        {"SUBSTR('abc', 2, -1)", ""},
        {"SUBSTR(NAME, 1, 3) + 'x'", "Smix"},
        {"DTOS(BORN)", "19991231"},
        {"DTOS(D)", "        "},
        {"DTOC(BORN)", "12/31/99"},
        {"DTOC(D)", "  /  /  "},
        {"CDOW(BORN)", "Friday   "},
        {"CDOW(D)", "          "},
        {"CMONTH(BORN)", "December "},
        {"CMON(D)", "         "},
        {"DTOS(CTOD('02/31/99'))", "        "},
        {"DTOS(CTOD('2/3/4'))", "20040203"},
        {"DTOS(MAX(BORN, BORN + 1))", "20000101"},
        {"DTOS(MIN(BORN, BORN + 1))", "19991231"},
        {"DTOS(CTOD(''))", "        "},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(Text(text), want) << text;
}

TEST_F(ExprFunctions, NumericResults) {
    const std::pair<const char*, double> cases[] = {
        {"ABS(-3.5)", 3.5},
        {"ASC('A')", 65},
        {"ASC('\xe4')", 228},
        {"ASC('')", 0},
        {"AT('b', 'abc')", 2},
        {"AT('', 'abc')", 0},
        {"AT('z', 'abc')", 0},
        {"AT('bc', 'abcbc')", 2},
        {"INT(-3.7)", -3},
        {"INT(3.7)", 3},
        {"LEN(NAME)", 10},
        {"LEN('')", 0},
        {"MAX(1, 2)", 2},
        {"MIN(1, 2)", 1},
        {"MOD(7, -2)", 1},
        {"MOD(-7, 2)", -1},
        {"MOD(7.9, 2.9)", 1},
        {"ROUND(1.999, 2)", 1.99},
        {"ROUND(2.567, 2)", 2.56},
        {"ROUND(-2.567, 2)", -2.56},
        {"ROUN(2.567, 0)", 2},
        {"ROUND(-2.567, -1)", -2},
        {"ROUND(8.2, 1)", 8.2},
        {"ROUND(4.35, 2)", 4.35},
        {"ROUND(2.3, 1)", 2.3},
        {"ROUND(0.1 + 0.2, 1)", 0.3},
        {"ROUND(123, 5)", 123},
        {"VAL('  12.5  ')", 12.5},
        {"VAL('-3')", -3},
        {"VAL('abc')", 0},
        {"VAL('1E2')", 100},
        {"VAL('12abc')", 12},
        {"VAL('')", 0},
        {"DAY(BORN)", 31},
        {"MONTH(BORN)", 12},
        {"MONT(BORN)", 12},
        {"YEAR(BORN)", 99},
        {"DOW(BORN)", 6},
        {"DAY(D)", 0},
        {"MONTH(D)", 0},
        {"YEAR(D)", 0},
        {"DOW(D)", 0},
        {"RECN()", 1},
    };
    for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(Number(text), want) << text;
    SetCentury = true;
    EXPECT_DOUBLE_EQ(Number("YEAR(BORN)"), 1999);
}

TEST_F(ExprFunctions, LogicalResults) {
    EXPECT_FALSE(Logical("DELETED()"));
    EXPECT_TRUE(Logical("DATE() > CTOD('01/01/2020')"));
    EXPECT_TRUE(Logical("DATE() = DATE()"));
}

TEST_F(ExprFunctions, KeywordAbbreviations) {
    const std::pair<const char*, const char*> accepted[] = {
        {"CMON", "CMONTH"}, {"CMONT", "CMONTH"}, {"DELE", "DELETED"}, {"DELET", "DELETED"},
        {"LOWE", "LOWER"}, {"LTRI", "LTRIM"}, {"MONT", "MONTH"}, {"RECN", "RECNO"},
        {"REPL", "REPLICATE"}, {"REPLICAT", "REPLICATE"}, {"RIGH", "RIGHT"}, {"ROUN", "ROUND"},
        {"RTRI", "RTRIM"}, {"SOUN", "SOUNDEX"}, {"SOUNDE", "SOUNDEX"}, {"SPAC", "SPACE"},
        {"STUF", "STUFF"}, {"SUBS", "SUBSTR"}, {"SUBST", "SUBSTR"}, {"UPPE", "UPPER"},
        {"TRIM", "TRIM"}, {"DATE", "DATE"}, {".T.", ".T."}, {".AND.", ".AND."},
    };
    for (const auto& [name, full] : accepted) {
        const KeywordEntry* k = FindKeyword(name);
        ASSERT_NE(k, nullptr) << name;
        EXPECT_STREQ(k->name, full) << name;
    }
    for (const char* name : {"SUB", "REP", "CMO", "DAT", "TRI", "DEL", "SUBSTRING", "UPPERS", ".NO.", "A"})
        EXPECT_EQ(FindKeyword(name), nullptr) << name;
}

TEST_F(ExprFunctions, DateTextsFollowTheDateFormat) {
    DateFormat = 5;
    EXPECT_EQ(Text("DTOC(BORN)"), "31.12.99");
    EXPECT_EQ(Text("CDOW(BORN)"), "Freitag   ");
    EXPECT_EQ(Text("CMONTH(BORN)"), "Dezember ");
    EXPECT_EQ(Text("DTOS(CTOD('01.02.2003'))"), "20030201");
    SetCentury = true;
    EXPECT_EQ(Text("DTOC(BORN)"), "31.12.1999");
    DateFormat = 1;
    EXPECT_EQ(Text("DTOC(BORN)"), "1999.12.31");
    EXPECT_EQ(Text("DTOS(CTOD('1999.12.30'))"), "19991230");
    DateFormat = 3;
    EXPECT_EQ(Text("DTOS(CTOD('2-3-4'))"), "20040302");
}

// Weekday and month names, day, month and year for a sweep of dates, against
// Python's calendar (English names of date format 0).
TEST_F(ExprFunctions, DateFunctionsOverASweepOfDates) {
    const std::string script =
        "import datetime\n"
        "names = ['Monday','Tuesday','Wednesday','Thursday','Friday','Saturday','Sunday']\n"
        "months = ['January','February','March','April','May','June','July','August',"
        "'September','October','November','December']\n"
        "d = datetime.date(1800, 1, 1)\n"
        "while d.year < 2200:\n"
        "    print('%04d%02d%02d' % (d.year, d.month, d.day), names[d.weekday()], months[d.month - 1], d.isoweekday() % 7 + 1)\n"
        "    d += datetime.timedelta(days=3)\n";
    std::string out = RunPython(script);
    ASSERT_FALSE(out.empty()) << "/usr/bin/python3 gave no reference";
    SetCentury = true;
    CompiledExpr* e = AssignExpr("CDOW(D) + CMONTH(D) + STR(DOW(D), 2) + STR(DAY(D), 3) + STR(MONTH(D), 3) + STR(YEAR(D), 5)");
    ASSERT_NE(e, nullptr);
    std::istringstream in(out);
    std::string ymd, day, month;
    int dow = 0, count = 0;
    while (in >> ymd >> day >> month >> dow) {
        state_.fields.Set("D", ymd);
        Evaluate(e);
        auto pad = [](std::string s, std::size_t n) { s.resize(std::max(s.size(), n), ' '); return s; };
        std::string want = pad(day, 9) + pad(month, 9) + StrFormat(dow, 2, 0) +
                           StrFormat(std::stoi(ymd.substr(6, 2)), 3, 0) +
                           StrFormat(std::stoi(ymd.substr(4, 2)), 3, 0) + " " + ymd.substr(0, 4);
        ASSERT_EQ(ExprResultText(e), want) << ymd;
        ++count;
    }
    EXPECT_GT(count, 45000);
    FreeExpr(e);
}

TEST_F(ExprFunctions, TextToNumberConversion) {
    const std::pair<const char*, double> cases[] = {
        {"  12.50", 12.5}, {"-0.5", -0.5}, {"+7", 7}, {".25", 0.25}, {"1E", 1}, {"1E-2", 0.01},
        {"", 0}, {"   ", 0}, {"abc", 0}, {"-", 0}, {"1e999", 1.7976931348623157e308}, {"1e-999", 0},
        {"********", 0}, {"inf", 0}, {"nan", 0},
    };
    for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(TextToNumber(text), want) << text;
}

}  // namespace
}  // namespace veldrim
