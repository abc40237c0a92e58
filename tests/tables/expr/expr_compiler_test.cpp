// The expression compiler: precedence, type rules and their error texts, the
// position window of compile errors, result type, length and decimals, field
// references, evaluation faults and the life of compiled expressions; the
// functions of the language, one table per result kind, and the date
// functions over a sweep of dates against Python's calendar.

#include <gtest/gtest.h>

#include <sstream>

#include "expr_fake_fields.h"
#include "tables/table_test_util.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/expr/expr_compiler.h"
#include "tables/expr/expr_functions.h"
#include "tables/engine/proc_tables.h"

namespace veldrim {
namespace {

using testing_expr::ExprFixtureState;
using testing_expr::FakeArea;

class ExprCompiler : public ::testing::Test {
protected:
    void SetUp() override {
        state_.fields.areas[1] = FakeArea{"PARTS",
                                          {{"NAME", 'C', 20, 0, "Smith               "},
                                           {"QTY", 'N', 10, 2, "    123.45"},
                                           {"COUNT", 'N', 5, 0, "   42"},
                                           {"FLAG", 'L', 1, 0, "T"},
                                           {"BORN", 'D', 8, 0, "19991231"},
                                           {"NOTE", 'M', 10, 0, "         1"},
                                           {"DATE", 'C', 8, 0, "datefld "},
                                           {"RATE", 'F', 12, 4, "      0.2500"},
                                           {"D", 'D', 8, 0, ""}},
                                          7,
                                          false,
                                          {{6, "memo text"}}};
        state_.fields.areas[2] =
            FakeArea{"OTHER",
                     {{"CODE", 'C', 5, 0, "AB   "}, {"PRICE", 'N', 8, 3, "   1.500"}},
                     1,
                     false,
                     {}};
        state_.fields.areas[3] = FakeArea{"THIRD", {{"NAME", 'C', 6, 0, "Miller"}}, 1, false, {}};
    }

    struct Result {
        char type = '?';  // '?': not compiled
        double number = 0;
        bool logical = false;
        std::string text;
    };

    Result Eval(const std::string& text) {
        Result r;
        CompiledExpr* e = AssignExpr(text);
        if (!e) return r;
        r.type = e->resultType;
        EXPECT_NE(Evaluate(e), nullptr);
        r.number = ExprResultNumber(e);
        r.logical = ExprResultLogical(e);
        r.text = std::string(ExprResultText(e));
        FreeExpr(e);
        return r;
    }

    ExprFixtureState state_;
};

TEST_F(ExprCompiler, NumericPrecedence) {
    const std::pair<const char*, double> cases[] = {
        {"-2^2", 4},                   // unary minus binds tighter than "^"
        {"-2^3", -8},  {"2^3^2", 64},  // "^" groups from the left
        {"2**3", 8},   {"2+3*4", 14}, {"2*3^2", 18}, {"10-4-3", 3},
        {"12/3/2", 2}, {"3 - -2", 5}, {"1E-3", -2},  // the literal 1E, then minus 3
    };
    for (const auto& [text, want] : cases) {
        Result r = Eval(text);
        EXPECT_EQ(r.type, 'N') << text;
        EXPECT_DOUBLE_EQ(r.number, want) << text;
    }
}

TEST_F(ExprCompiler, LogicalPrecedence) {
    const std::pair<const char*, bool> cases[] = {
        {".NOT. FLAG = .T.", false},  // (.NOT. FLAG) = .T.
        {".NOT. .F. = .T.", true},
        {"1 < 2 = .T.", true},             // comparisons bind tighter than "="
        {"'ab' $ 'xaby' = .T.", true},     // "$" binds tighter than "="
        {".T. .OR. .F. .AND. .F.", true},  // .AND. binds tighter than .OR.
        {"(.T. .OR. .F.) .AND. .F.", false},
        {"2 * 3 > 5 .AND. 1 # 2", true},
    };
    for (const auto& [text, want] : cases) {
        Result r = Eval(text);
        EXPECT_EQ(r.type, 'L') << text;
        EXPECT_EQ(r.logical, want) << text;
    }
    // .NOT. takes its numeric operand before the comparison: a type error.
    EXPECT_EQ(Eval(".NOT. 1 = 2").type, '?');
    EXPECT_EQ(Eval(".NOT. (1 = 2)").type, 'L');
}

TEST_F(ExprCompiler, CharacterDateAndLogicalOperators) {
    const std::pair<const char*, bool> logical[] = {
        {"NAME = 'Sm'", true},
        {"NAME == 'Smith'", false},
        {"'' = ''", false},
        {"'ab' < 'abc'", true},
        {"'b' > 'abc'", true},
        {"'ab' <> 'ab '", true},
        {"'' $ 'abc'", false},
        {"'\xe4' > 'z'", true},  // bytes compare unsigned
        {"BORN > CTOD('01/01/99')", true},
        {"FLAG <> .F.", true},
    };
    for (const auto& [text, want] : logical) {
        Result r = Eval(text);
        EXPECT_EQ(r.type, 'L') << text;
        EXPECT_EQ(r.logical, want) << text;
    }
    EXPECT_EQ(Eval("'AB  ' - 'CD'").text, "ABCD  ");
    EXPECT_EQ(Eval("'ab' + \"c'd\"").text, "abc'd");
    EXPECT_EQ(Eval("DTOS(1 + BORN)").text, "20000101");
    EXPECT_DOUBLE_EQ(Eval("BORN - CTOD('12/31/98')").number, 365);
    EXPECT_EQ(Eval("BORN - BORN").type, 'N');
}

std::string Report(const std::string& detail, const std::string& window) {
    return "Fehler in dBASE-Ausdruck : " + detail + "\r\n" + window + "\r\n [AssignExpr]";
}

// The report of an expression that must not compile.
std::string CompileError(const std::string& text) {
    ErrorState = EngineErrorState{};
    ErrorState.reportAtOnce = false;
    EXPECT_EQ(AssignExpr(text), nullptr) << text;
    EXPECT_EQ(LastError(), 351) << text;
    return ErrorState.contextText;
}

TEST_F(ExprCompiler, TypeErrorsNameTheOperatorOrFunction) {
    const std::pair<const char*, const char*> cases[] = {
        {"1 + 'a'", "Ausdruck \"+\""},
        {"1 - BORN", "Ausdruck \"-\""},
        {"'a' * 2", "Ausdruck \"*\""},
        {"'a' / 2", "Ausdruck \"/\""},
        {"2 ** 'a'", "Ausdruck \"** or ^\""},
        {"1 = 'a'", "Ausdruck \"=\""},
        {"1 == 1", "Ausdruck \"==\""},
        {"1 $ 'a'", "Ausdruck \"$\""},
        {"1 > 'a'", "Ausdruck \">\""},
        {"1 <= 'a'", "Ausdruck \"<=\""},
        {"1 # 'a'", "Ausdruck \"<>\""},
        {".T. .AND. 1", "Ausdruck \".AND.\""},
        {".T. .OR. 1", "Ausdruck \".OR.\""},
        {"-'a'", "Ausdruck \"Unary -\""},
        {"+'a'", "Ausdruck \"Unary +\""},
        {".NOT. 1", "Ausdruck \".NOT.\""},
        {"NOTE + 'x'", "Ausdruck \"+\""},
        {"IIF(.T., 'a', 1)", "Funktion \"IIF\""},
        {"SUBS(1, 1, 1)", "Funktion \"SUBSTR\""},
        {"MAX(1, BORN)", "Funktion \"MAX\""},
        {"STR('a')", "Funktion \"STR\""},
    };
    for (const auto& [text, detail] : cases) {
        EXPECT_EQ(CompileError(text), Report(std::string("PARSER:Unvereinbare Typen in ") + detail,
                                             "[" + std::string(text) + "]"));
    }
}

TEST_F(ExprCompiler, SyntaxErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"A.AND.B", "Syntax error"},              // one unresolved name
        {"1.AND.FLAG", "Syntax error"},           // the number 1. and the name AND.FLAG
        {".NOT..F.", "Syntax error"},             // one name: keywords need a separator
        {"SUB(NAME,1,3)", "Syntax error"},        // too short an abbreviation
        {"SUBSTRING(NAME,1,3)", "Syntax error"},  // longer than the name
        {"SUBSTR(NAME,1)", "Syntax error"},       // the count is required
        {"STR(1,2,3,4)", "Syntax error"},
        {"'abc", "Syntax error"},
        {"PARTS->NOPE", "Syntax error"},
        {"NOALIAS->NAME", "Syntax error"},
        {"1 @ 2", "Parser_stack_overflow"},
        {"1 2", "Parser_stack_overflow"},  // text after a complete expression
        {"", "Syntax error"},
    };
    for (const auto& [text, detail] : cases) {
        EXPECT_EQ(CompileError(text).substr(0, 27 + std::string(detail).size()),
                  "Fehler in dBASE-Ausdruck : " + std::string(detail))
            << text;
    }
    std::string tooDeep = std::string(200, '(') + "1" + std::string(200, ')');
    EXPECT_EQ(AssignExpr(tooDeep.substr(0, 255)), nullptr);
    EXPECT_NE(ErrorState.contextText.find("Parser_stack_overflow"), std::string::npos);
    EXPECT_EQ(AssignExpr(std::string(300, '1')), nullptr);  // longer than 255 characters
    EXPECT_EQ(LastError(), 351);
}

TEST_F(ExprCompiler, PositionWindow) {
    AssignExpr("1 +");
    EXPECT_EQ(ErrorState.contextText, Report("Syntax error", "[1 +]"));

    std::string text = std::string(58, ' ') + "1 +";  // error after 61 characters
    AssignExpr(text);
    EXPECT_EQ(ErrorState.contextText, Report("Syntax error", "[..." + text.substr(11) + "]"));

    std::string longText = std::string(52, ' ') + "BADNAME" + std::string(70, ' ') + "1";
    AssignExpr(longText);  // the name ends after 59 characters
    EXPECT_EQ(ErrorState.contextText,
              Report("Syntax error", "[..." + longText.substr(9, 51) + "...]"));

    std::string early = "BADNAME" + std::string(70, ' ') + "1";
    AssignExpr(early);
    EXPECT_EQ(ErrorState.contextText, Report("Syntax error", "[" + early.substr(0, 51) + "...]"));
}

TEST_F(ExprCompiler, CompileErrorsRaiseWhenTheEngineRaises) {
    ErrorState.reportAtOnce = true;
    ErrorState.raiseOnError = true;
    EXPECT_THROW(AssignExpr("1 + 'a'"), EDurazError);
    EXPECT_EQ(LiveExprCount(), 0u);
    SetReportErrors(false);
    SetError(358, "old");
    CompiledExpr* e = AssignExpr("1");
    EXPECT_EQ(LastError(), 0) << "a new compilation clears a pending expression error";
    FreeExpr(e);
    SetError(212, "kept");
    e = AssignExpr("1");
    EXPECT_EQ(LastError(), 212);
    FreeExpr(e);
}

TEST_F(ExprCompiler, ResultTypeLengthAndDecimals) {
    struct Case {
        const char* text;
        char type;
        int length;
        int decimals;
        int pool;
    };
    const Case cases[] = {
        {"NAME", 'C', 20, 0, 21},
        {"TRIM(NAME)", 'C', 0, 0, 21},
        {"NAME + 'x'", 'C', 0, 0, 23},
        {"DTOS(BORN)", 'C', 0, 0, 9},
        {"STR(QTY, 10, 2)", 'C', 0, 0, 256},
        {"-COUNT", 'N', 5, 0, 0},
        {"RATE", 'N', 12, 4, 0},
        {"OTHER->PRICE", 'N', 8, 3, 0},
        {"QTY * 2", 'N', 13, 2, 0},
        {"COUNT * 100 + QTY", 'N', 10, 2, 0},
        {"BORN", 'D', 8, 0, 0},
        {"FLAG", 'L', 1, 0, 0},
        {"NOTE", 'M', 256, 0, 256},
    };
    for (const Case& c : cases) {
        CompiledExpr* e = AssignExpr(c.text);
        ASSERT_NE(e, nullptr) << c.text;
        EXPECT_EQ(e->resultType, c.type) << c.text;
        EXPECT_EQ(e->resultLength, c.length) << c.text;
        EXPECT_EQ(e->decimals, c.decimals) << c.text;
        EXPECT_EQ(e->poolSize, c.pool) << c.text;
        FreeExpr(e);
    }
}

TEST_F(ExprCompiler, FieldReferences) {
    EXPECT_DOUBLE_EQ(Eval("RATE * 4").number, 1.0);
    EXPECT_EQ(Eval("NOTE").text, "memo text");
    EXPECT_EQ(Eval("DATE").text, "datefld ");  // the field
    EXPECT_EQ(Eval("DATE ( )").type, 'D');     // the function
    EXPECT_DOUBLE_EQ(Eval("OTHER->PRICE * 2").number, 3.0);
    EXPECT_EQ(Eval("name").text, "Smith               ");  // names are upper-cased
    for (const char* v : {"t", "Y"}) {
        state_.fields.Set("FLAG", v);
        EXPECT_TRUE(Eval("FLAG").logical) << v;
    }
    state_.fields.Set("FLAG", "?");
    EXPECT_FALSE(Eval("FLAG").logical);

    // A plain field reference reads the area current at evaluation time; an
    // alias reference keeps its area.
    CompiledExpr* plain = AssignExpr("NAME");
    CompiledExpr* aliased = AssignExpr("PARTS->NAME");
    state_.fields.current = 3;
    Evaluate(plain);
    Evaluate(aliased);
    EXPECT_EQ(ExprResultText(plain), "Miller");
    EXPECT_EQ(ExprResultText(aliased), "Smith               ");
    FreeExpr(plain);
    FreeExpr(aliased);
}

TEST_F(ExprCompiler, DivisionByZeroRecordsAndGoesOn) {
    // Even with the engine raising at once, evaluation never raises.
    ErrorState.reportAtOnce = true;
    ErrorState.raiseOnError = true;
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"1 / 0", 1E+250},    {"QTY / (COUNT - 42)", 1E+250},
        {"MOD(5, 0)", 5},     {"MOD(-7, 0.5)", -7},
        {"0 ^ -1", 1E+250},   {"(-8) ^ (1/3)", 0},
        {"10 ^ 400", 1E+250},
    };
    for (const Case& c : cases) {
        ErrorState.lastErrorCode = 0;
        CompiledExpr* e = AssignExpr(c.text);
        ASSERT_NE(e, nullptr) << c.text;
        EXPECT_NO_THROW(Evaluate(e)) << c.text;
        EXPECT_DOUBLE_EQ(ExprResultNumber(e), c.value) << c.text;  // never NaN
        EXPECT_EQ(LastError(), 358) << c.text;
        FreeExpr(e);
    }
    EXPECT_EQ(TakeErrorContext().substr(0, 18), "Auswertungsfehler:");
    ErrorState.lastErrorCode = 0;
    EXPECT_DOUBLE_EQ(Eval("(-2) ^ 3").number, -8);
    EXPECT_DOUBLE_EQ(Eval("4 ^ 0.5").number, 2);
    EXPECT_EQ(LastError(), 0);
}

TEST_F(ExprCompiler, LongStringsGrowThePoolAndAreCut) {
    const char* cases[] = {
        "REPLICATE('ab', 200) - REPLICATE('cd', 200)",
        "NAME + REPLICATE(NAME, 20) + SPACE(300) + NAME",
        "IIF(FLAG, REPLICATE('x', 255), '') + IIF(FLAG, REPLICATE('y', 255), '')",
        "STUFF(REPLICATE('a', 250), 3, 0, REPLICATE('b', 250))",
    };
    for (const char* text : cases) {
        CompiledExpr* e = AssignExpr(text);
        ASSERT_NE(e, nullptr) << text;
        const void* r = Evaluate(e);
        ASSERT_NE(r, nullptr) << text;
        EXPECT_EQ(ExprResultText(e).size(), 255u) << text;
        EXPECT_EQ(std::string(static_cast<const char*>(r)).size(), 255u) << text;
        FreeExpr(e);
    }
    // A comparison of two long values sees both whole.
    EXPECT_TRUE(Eval("REPLICATE('a', 255) + 'x' == REPLICATE('a', 255)").logical);
}

TEST_F(ExprCompiler, IndependentRecordsAndSafeFreeing) {
    CompiledExpr* a = AssignExpr("QTY * 2");
    CompiledExpr* b = AssignExpr("QTY * 2");
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_NE(a, b);
    CompiledExpr* staleCopy = a;
    FreeExpr(a);
    EXPECT_EQ(a, nullptr);
    FreeExpr(staleCopy);  // no longer live: ignored
    EXPECT_EQ(Evaluate(a), nullptr);
    EXPECT_DOUBLE_EQ(*static_cast<const double*>(Evaluate(b)), 246.9);
    EXPECT_EQ(LiveExprCount(), 1u);
    FreeExpr(b);
    EXPECT_EQ(LiveExprCount(), 0u);
}

TEST_F(ExprCompiler, ParserProcTableSlots) {
    ClearIndexAndParserTables();
    StartExpressionParser();
    CompiledExpr* e = ParserProcTable.compile("NAME = 'Sm' .AND. FLAG");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(*static_cast<const uint8_t*>(ParserProcTable.evaluate(e)),
              1);  // the first byte as Boolean
    CurrentKeyExpr = e;
    ParserProcTable.free(e);
    EXPECT_EQ(CurrentKeyExpr, nullptr) << "freeing clears the key expression";
    ClearIndexAndParserTables();
}

class ExprFunctions : public ExprCompiler {};

TEST_F(ExprFunctions, CharacterResults) {
    const std::pair<const char*, const char*> cases[] = {
        {"CHR(65.9)", "A"},
        {"IIF(.NOT. FLAG, 'yes', 'no')", "no"},
        {"LEFT('abc', 5) + LEFT('abc', -1)", "abc"},
        {"LOWER('ABC\xc4')", "abc\xe4"},  // Windows-1252 letters too
        {"UPPE('abc\xe4\xfc')", "ABC\xc4\xdc"},
        {"LTRI('\t a ')", "\t a "},  // only blanks are trimmed
        {"RTRIM('  a  ')", "  a"},
        {"TRIM(NAME)", "Smith"},
        {"REPL('ab', 3) + REPLICATE('ab', -2)", "ababab"},
        {"RIGHT('abcdef', 2) + RIGHT('abc', -3)", "ef"},
        {"SOUN('Ashcraft')", "A226"},
        {"SPACE(3) + SPACE(-1)", "   "},
        {"STR(123456789012, 10)", "**********"},
        {"STR(42)", "        42"},
        {"STR(2.5, 3)", "  2"},  // halves to even
        {"STR(1, 0)", ""},
        {"STUFF('abcdef', 2, 3, 'XY')", "aXYef"},
        {"STUFF('abc', -5, 1, 'X')", "Xbc"},
        {"SUBS('abc', 5, 2) + SUBSTR('abc', 0, 2)", "ab"},
        {"DTOS(BORN) + DTOS(D)", "19991231        "},
        {"DTOC(D)", "  /  /  "},
        {"CDOW(BORN) + CDOW(D)", "Friday             "},
        {"CMON(BORN) + CMONTH(D)", "December          "},
        {"DTOS(CTOD('02/31/99')) + DTOS(CTOD('2/3/4'))", "        20040203"},
        {"DTOS(MAX(BORN, BORN + 1)) + DTOS(MIN(BORN, BORN + 1))", "2000010119991231"},
    };
    for (const auto& [text, want] : cases) {
        const Result r = Eval(text);
        EXPECT_EQ(r.type, 'C') << text;
        EXPECT_EQ(r.text, want) << text;
    }
}

TEST_F(ExprFunctions, NumericResults) {
    const std::pair<const char*, double> cases[] = {
        {"ABS(-3.5)", 3.5},
        {"ASC('\xe4')", 228},
        {"ASC('')", 0},
        {"AT('bc', 'abcbc')", 2},
        {"AT('', 'abc')", 0},
        {"INT(-3.7)", -3},
        {"LEN(NAME)", 20},
        {"MAX(1, 2) * 10 + MIN(1, 2)", 21},
        {"MOD(7, -2)", 1},
        {"MOD(-7, 2)", -1},
        {"ROUND(-2.567, 2)", -2.56},
        {"ROUN(-2.567, -1)", -2},
        {"ROUND(8.2, 1)", 8.2},
        {"ROUND(4.35, 2)", 4.35},
        {"ROUND(2.3, 1)", 2.3},
        {"ROUND(0.1 + 0.2, 1)", 0.3},
        {"VAL('  12.5  ')", 12.5},
        {"VAL('12abc')", 12},
        {"DAY(BORN) * 100 + MONT(BORN)", 3112},
        {"YEAR(BORN)", 99},
        {"DOW(BORN)", 6},
        {"DAY(D) + MONTH(D) + YEAR(D) + DOW(D)", 0},
        {"RECN()", 7},
    };
    for (const auto& [text, want] : cases) {
        const Result r = Eval(text);
        EXPECT_EQ(r.type, 'N') << text;
        EXPECT_DOUBLE_EQ(r.number, want) << text;
    }
    SetCentury = true;
    EXPECT_DOUBLE_EQ(Eval("YEAR(BORN)").number, 1999);
    EXPECT_FALSE(Eval("DELETED()").logical);
    EXPECT_TRUE(Eval("DATE() > CTOD('01/01/2020')").logical);
}

TEST_F(ExprFunctions, DateTextsFollowTheDateFormat) {
    DateFormat = 5;
    EXPECT_EQ(Eval("DTOC(BORN) + CDOW(BORN)").text, "31.12.99Freitag   ");
    EXPECT_EQ(Eval("DTOS(CTOD('01.02.2003'))").text, "20030201");
    DateFormat = 3;
    EXPECT_EQ(Eval("DTOS(CTOD('2-3-4'))").text, "20040302");
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
        "    print('%04d%02d%02d' % (d.year, d.month, d.day), names[d.weekday()], months[d.month - "
        "1], d.isoweekday() % 7 + 1)\n"
        "    d += datetime.timedelta(days=3)\n";
    std::string out = testing::RunCapture({"/usr/bin/python3", "-c", script});
    ASSERT_FALSE(out.empty()) << "/usr/bin/python3 gave no reference";
    SetCentury = true;
    CompiledExpr* e = AssignExpr(
        "CDOW(D) + CMONTH(D) + STR(DOW(D), 2) + STR(DAY(D), 3) + STR(MONTH(D), 3) + STR(YEAR(D), "
        "5)");
    ASSERT_NE(e, nullptr);
    std::istringstream in(out);
    std::string ymd, day, month;
    int dow = 0, count = 0;
    while (in >> ymd >> day >> month >> dow) {
        state_.fields.Set("D", ymd);
        Evaluate(e);
        auto pad = [](std::string s, std::size_t n) {
            s.resize(std::max(s.size(), n), ' ');
            return s;
        };
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
        {"  12.50", 12.5},
        {".25", 0.25},
        {"1E", 1},
        {"1E-2", 0.01},
        {"   ", 0},
        {"-", 0},
        {"1e999", 1.7976931348623157e308},
        {"1e-999", 0},
        {"********", 0},
        {"inf", 0},
        {"nan", 0},
    };
    for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(TextToNumber(text), want) << text;
}

}  // namespace
}  // namespace veldrim
