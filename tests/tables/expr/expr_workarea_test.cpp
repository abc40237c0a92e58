// Expressions over real tables in work areas: field values of the current
// record, alias references, filters through the parser table, blank values
// of an empty table.

#include <gtest/gtest.h>

#include "tables/table_test_util.h"
#include "tables/engine/engine_dates.h"
#include "tables/expr/expr_compiler.h"
#include "tables/expr/expr_fields.h"
#include "tables/engine/navigation.h"
#include "tables/engine/proc_tables.h"

namespace veldrim::testing {
namespace {

class ExprWorkAreaTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        ResetExprFieldSource();
        // The engine's start links the expression unit.
        EXPECT_TRUE(ParserLinked);
        EXPECT_NE(ParserProcTable.compile, nullptr);
        SetReportErrors(false);
        const std::vector<RawField> fields = {
            {"NAME", 'C', 10, 0}, {"QTY", 'N', 8, 2}, {"BORN", 'D', 8, 0}, {"FLAG", 'L', 1, 0}};
        WriteBytes(Path("parts.dbf"),
                   BuildDbf(0x03, fields,
                            {" Smith        12.5019991231T", " Jones         3.0020000101F",
                             "*Brown        40.00        T", " Miller       99.9920260229Y"}));
        WriteBytes(Path("prices.dbf"), BuildDbf(0x03, {{"CODE", 'C', 4, 0}}, {" AB12", " CD34"}));
        WriteBytes(Path("empty.dbf"), BuildDbf(0x03, fields, {}));
    }
    void TearDown() override {
        ResetExpressionParser();
        TableTest::TearDown();
    }
};

TEST_F(ExprWorkAreaTest, FieldsOfTheCurrentRecordAndBlanksOfAnEmptyTable) {
    USE(Path("parts.dbf") + " EXCLUSIVE");
    ASSERT_EQ(LastError(), 0);
    CompiledExpr* e = AssignExpr(
        "TRIM(NAME) + ' ' + STR(QTY * 2, 6, 1) + ' ' + DTOS(BORN + 1) + IIF(FLAG, ' T', ' F')"
        " + STR(RECNO(), 2) + IIF(DELETED(), '*', ' ')");
    ASSERT_NE(e, nullptr);
    const char* want[] = {"Smith   25.0 20000101 T 1 ", "Jones    6.0 20000102 F 2 ",
                          "Brown   80.0          T 3*",
                          "Miller  200.0          T 4 "};  // 2026-02-29 does not exist: blank date
    for (const char* w : want) {
        Evaluate(e);
        EXPECT_EQ(ExprResultText(e), w);
        SKIP();
    }
    FreeExpr(e);
    e = AssignExpr("QTY");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->resultLength * 10 + e->decimals, 82) << "sized from the field table";
    FreeExpr(e);
    // An empty table reads blank values.
    USE(Path("empty.dbf") + " EXCLUSIVE");
    e = AssignExpr("'[' + NAME + ']' + STR(QTY, 4) + DTOS(BORN) + IIF(FLAG, 'T', 'F')");
    ASSERT_NE(e, nullptr);
    Evaluate(e);
    EXPECT_EQ(ExprResultText(e), "[          ]   0        F");
    FreeExpr(e);
}

TEST_F(ExprWorkAreaTest, FilterThroughTheParserTable) {
    USE(Path("parts.dbf") + " EXCLUSIVE");
    ASSERT_TRUE(SetFilterExpression("QTY > 5 .AND. FLAG"));
    std::vector<int32_t> seen;
    for (GoTop(); !dEOF(); SKIP()) seen.push_back(RecNo());
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 3, 4}));
    EXPECT_FALSE(SetFilterExpression("QTY > 'a'"));
    EXPECT_EQ(LastError(), 351);
    ASSERT_TRUE(SetFilterExpression(""));
    CloseArea();  // frees nothing twice
    EXPECT_EQ(LiveExprCount(), 0u);
}

TEST_F(ExprWorkAreaTest, AliasReferenceKeepsItsArea) {
    UseIn(2, Path("prices.dbf") + " ALIAS PR EXCLUSIVE");
    UseIn(1, Path("parts.dbf") + " EXCLUSIVE");
    CompiledExpr* e = AssignExpr("pr->CODE + '/' + TRIM(NAME)");
    ASSERT_NE(e, nullptr);
    Evaluate(e);
    EXPECT_EQ(ExprResultText(e), "AB12/Smith");
    Select(2);
    SKIP();
    Select(1);
    SKIP();
    Evaluate(e);
    EXPECT_EQ(ExprResultText(e), "CD34/Jones");
    FreeExpr(e);
}

// An in-memory table holds binary values; they read as the stored texts of a
// table record would.
TEST_F(ExprWorkAreaTest, InMemoryTableValues) {
    TWorkArea vt;
    vt.alias = "VT";
    vt.isVirtual = true;
    vt.fields = {F("NAME", 'C', 6), F("PRICE", 'N', 8, 2), F("CNT", 'N', 4), F("BORN", 'D', 8),
                 F("OK", 'L', 1)};
    vt.fieldCount = static_cast<int>(vt.fields.size());
    std::vector<uint8_t> rec(BinaryRecordSize(vt), 0);
    vt.binaryRecord = rec.data();
    vt.binaryRecordSize = static_cast<uint16_t>(rec.size());
    WorkAreas[5] = &vt;
    struct Release {
        ~Release() { WorkAreas[5] = nullptr; }
    } release;
    Select(5);
    SetBinaryText(1, "Abc");
    SetBinaryNumber(2, 12.5);
    SetBinaryInteger(3, -7);
    SetBinaryText(4, "12/31/99");
    SetBinaryLogical(5, true);
    DateFormat = 0;
    SetCentury = false;
    CompiledExpr* e = AssignExpr(
        "VT->NAME + STR(VT->PRICE, 6, 2) + STR(VT->CNT, 3) + DTOS(VT->BORN) + IIF(VT->OK, 'T', "
        "'F')");
    ASSERT_NE(e, nullptr);
    Evaluate(e);
    EXPECT_EQ(ExprResultText(e), "Abc 12.50 -719991231T");
    FreeExpr(e);
}

}  // namespace
}  // namespace veldrim::testing
