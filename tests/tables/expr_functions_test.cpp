// The functions of the expression language, one table per result kind, and
// the date functions over a sweep of dates against Python's calendar.

#include <gtest/gtest.h>

#include <sstream>

#include "expr_fake_fields.h"
#include "tables/engine_dates.h"
#include "tables/expr_compiler.h"
#include "tables/expr_functions.h"
#include "table_test_util.h"

namespace veldrim {
namespace {

using testing_expr::ExprFixtureState;
using testing_expr::FakeArea;

class ExprFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        state_.fields.areas[1] = FakeArea{"T", {{"NAME", 'C', 10, 0, "Smith     "}, {"BORN", 'D', 8, 0, "19991231"},
                                                {"FLAG", 'L', 1, 0, "T"}, {"D", 'D', 8, 0, ""}},
                                          1, false, {}};
    }

    // Compiles and evaluates `text`; `type` is the result type it must have.
    CompiledExpr* Compile(const std::string& text, char type) {
        CompiledExpr* e = AssignExpr(text);
        EXPECT_NE(e, nullptr) << text << "\n" << ErrorState.contextText;
        if (e) Evaluate(e);
        EXPECT_TRUE(!e || e->resultType == type) << text;
        return e;
    }
    std::string Text(const std::string& text) {
        CompiledExpr* e = Compile(text, 'C');
        std::string r = e ? std::string(ExprResultText(e)) : "<none>";
        FreeExpr(e);
        return r;
    }
    double Number(const std::string& text) {
        CompiledExpr* e = Compile(text, 'N');
        double r = e ? ExprResultNumber(e) : -999;
        FreeExpr(e);
        return r;
    }
    bool Logical(const std::string& text) {
        CompiledExpr* e = Compile(text, 'L');
        bool r = e && ExprResultLogical(e);
        FreeExpr(e);
        return r;
    }

    ExprFixtureState state_;
};

TEST_F(ExprFunctions, CharacterResults) {
    const std::pair<const char*, const char*> cases[] = {
        {"CHR(65.9)", "A"}, {"IIF(.NOT. FLAG, 'yes', 'no')", "no"}, {"LEFT('abc', 5) + LEFT('abc', -1)", "abc"},
        {"LOWER('ABC\xc4')", "abc\xe4"},       // Windows-1252 letters too
        {"UPPE('abc\xe4\xfc')", "ABC\xc4\xdc"},
        {"LTRI('\t a ')", "\t a "},             // only blanks are trimmed
        {"RTRIM('  a  ')", "  a"}, {"TRIM(NAME)", "Smith"}, {"REPL('ab', 3) + REPLICATE('ab', -2)", "ababab"},
        {"RIGHT('abcdef', 2) + RIGHT('abc', -3)", "ef"}, {"SOUN('Ashcraft')", "A226"},
        {"SPACE(3) + SPACE(-1)", "   "}, {"STR(123456789012, 10)", "**********"}, {"STR(42)", "        42"},
        {"STR(2.5, 3)", "  2"},               // halves to even
        {"STR(1, 0)", ""}, {"STUFF('abcdef', 2, 3, 'XY')", "aXYef"}, {"STUFF('abc', -5, 1, 'X')", "Xbc"},
        {"SUBS('abc', 5, 2) + SUBSTR('abc', 0, 2)", "ab"}, {"DTOS(BORN) + DTOS(D)", "19991231        "},
        {"DTOC(D)", "  /  /  "}, {"CDOW(BORN) + CDOW(D)", "Friday             "},
        {"CMON(BORN) + CMONTH(D)", "December          "},
        {"DTOS(CTOD('02/31/99')) + DTOS(CTOD('2/3/4'))", "        20040203"},
        {"DTOS(MAX(BORN, BORN + 1)) + DTOS(MIN(BORN, BORN + 1))", "2000010119991231"},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(Text(text), want) << text;
}

TEST_F(ExprFunctions, NumericResults) {
    const std::pair<const char*, double> cases[] = {
        {"ABS(-3.5)", 3.5}, {"ASC('\xe4')", 228}, {"ASC('')", 0}, {"AT('bc', 'abcbc')", 2},
        {"AT('', 'abc')", 0}, {"INT(-3.7)", -3}, {"LEN(NAME)", 10}, {"MAX(1, 2) * 10 + MIN(1, 2)", 21},
        {"MOD(7, -2)", 1}, {"MOD(-7, 2)", -1}, {"ROUND(-2.567, 2)", -2.56}, {"ROUN(-2.567, -1)", -2},
        {"ROUND(8.2, 1)", 8.2}, {"ROUND(4.35, 2)", 4.35}, {"ROUND(2.3, 1)", 2.3}, {"ROUND(0.1 + 0.2, 1)", 0.3},
        {"VAL('  12.5  ')", 12.5}, {"VAL('12abc')", 12}, {"DAY(BORN) * 100 + MONT(BORN)", 3112},
        {"YEAR(BORN)", 99}, {"DOW(BORN)", 6}, {"DAY(D) + MONTH(D) + YEAR(D) + DOW(D)", 0}, {"RECN()", 1},
    };
    for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(Number(text), want) << text;
    SetCentury = true;
    EXPECT_DOUBLE_EQ(Number("YEAR(BORN)"), 1999);
    EXPECT_FALSE(Logical("DELETED()"));
    EXPECT_TRUE(Logical("DATE() > CTOD('01/01/2020')"));
}

// Abbreviations of four or more letters are accepted in the rows above; too
// short, too long or unseparated names are not keywords.
TEST_F(ExprFunctions, KeywordAbbreviations) {
    ASSERT_NE(FindKeyword("REPLICAT"), nullptr);
    EXPECT_STREQ(FindKeyword("REPLICAT")->name, "REPLICATE");
    for (const char* name : {"SUB", "DAT", "SUBSTRING", ".NO.", "A"}) EXPECT_EQ(FindKeyword(name), nullptr) << name;
}

TEST_F(ExprFunctions, DateTextsFollowTheDateFormat) {
    DateFormat = 5;
    EXPECT_EQ(Text("DTOC(BORN) + CDOW(BORN)"), "31.12.99Freitag   ");
    EXPECT_EQ(Text("DTOS(CTOD('01.02.2003'))"), "20030201");
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
    std::string out = testing::RunCapture({"/usr/bin/python3", "-c", script});
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
        {"  12.50", 12.5}, {".25", 0.25}, {"1E", 1}, {"1E-2", 0.01}, {"   ", 0}, {"-", 0},
        {"1e999", 1.7976931348623157e308}, {"1e-999", 0}, {"********", 0}, {"inf", 0}, {"nan", 0},
    };
    for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(TextToNumber(text), want) << text;
}

}  // namespace
}  // namespace veldrim
