// An index on a key expression: a character field holding a NUL byte sorts
// like any other, and a key whose length cannot be decided is refused in
// the words of the expression, never of a caller's key maker that is not
// there.
#include <map>
#include <string>
#include <vector>

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

const std::string kKeyMakerWords = "anwender-definiertem KeyMaker";

class NdxKeyMessages : public IndexTest {};

// Names imported from a delimited text, one of them with a NUL byte inside
// ("be<NUL>ta"): the index orders the bytes as they are stored, the NUL
// before every letter, and finds each record by its whole key.
TEST_F(NdxKeyMessages, ACharacterColumnHoldingANulByteIsSorted) {
    MakeTable("names.dbf", {F("NAME", 'C', 8), F("QTY", 'N', 3)});
    Spit(Path("names.txt"),
         std::string("\"gamma\",1\r\n\"be\0ta\",2\r\n\"alpha\",3\r\n\"beta\",4\r\n", 43));
    ASSERT_EQ(AppendDelimited(Path("names.txt"), false), 4);
    GO(2);
    ASSERT_EQ(BinaryText(1), std::string("be\0ta   ", 8)) << "the NUL byte is stored";
    Index_On("NAME", "names");
    ASSERT_EQ(LastError(), 0);
    EXPECT_EQ(CurrentOrder(), 1);
    // alpha, be<NUL>ta, beta, gamma.
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{3, 2, 4, 1}));
    EXPECT_TRUE(CheckIndexTree(1).ok) << CheckIndexTree(1).problem;
    EXPECT_TRUE(FindExact(std::string("be\0ta", 5)));
    EXPECT_EQ(RecNo(), 2);
    // A later record with a NUL byte gets its key as well.
    ClearRecord();
    SetBinaryText(1, std::string("a\0b", 3));
    SetBinaryNumber(2, 5);
    Append();
    ASSERT_EQ(LastError(), 0);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{5, 3, 2, 4, 1}));
    // Opened again: the stored keys are accepted.
    CloseAllIndexes();
    Set_Index_To("names");
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{5, 3, 2, 4, 1}));
}

// SUBSTR(NAME,POS,3) on a table that never held a record: no record says
// how long its keys are, and the message says so of the expression.
TEST_F(NdxKeyMessages, AnExpressionWhoseKeyLengthCannotBeDecidedIsNamedInTheMessage) {
    MakeTable("parts.dbf", {F("NAME", 'C', 10), F("POS", 'N', 2)});
    const std::string message = Raised([] { Index_On("SUBSTR(NAME,POS,3)", "part"); });
    EXPECT_EQ(LastError(), 266);
    EXPECT_TRUE(Contains(message, "Index-Ausdruck SUBSTR(NAME,POS,3)")) << message;
    EXPECT_TRUE(Contains(message, "Tabelle ohne Datens\x84tze keine bestimmbare")) << message;
    EXPECT_FALSE(Contains(message, kKeyMakerWords)) << message;
    EXPECT_EQ(CurrentOrder(), 0);
}

// Every other refusal of an expression's key length names the expression:
// a key of no bytes, and keys of different lengths on the records.
TEST_F(NdxKeyMessages, KeyLengthRefusalsOfAnExpressionNameTheExpression) {
    MakeTable("parts.dbf", {F("NAME", 'C', 10), F("POS", 'N', 2)});
    for (const auto& [name, pos] :
         std::vector<std::pair<const char*, int>>{{"alpha", 1}, {"beta", 9}}) {
        ClearRecord();
        SetBinaryText(1, name);
        SetBinaryNumber(2, pos);
        Append();
    }
    const std::map<std::string, std::string> cases = {
        {"TRIM(NAME)", " ergibt einen leeren Schl\x81ssel."},
        {"SUBSTR(NAME,POS,3)", " ergibt Schl\x81ssel, die verschieden lang sind."}};
    for (const auto& [expression, cause] : cases) {
        const std::string message = Raised([&] { Index_On(expression, "part"); });
        EXPECT_EQ(LastError(), 266) << expression;
        EXPECT_TRUE(Contains(message, "Index-Ausdruck " + expression)) << message;
        EXPECT_TRUE(Contains(message, cause)) << message;
        EXPECT_FALSE(Contains(message, kKeyMakerWords)) << message;
    }
    // A key maker's own refusal still names the key maker.
    const std::string byMaker =
        Raised([] { Index_OnCB("made", [](int) { return std::string(); }); });
    EXPECT_EQ(LastError(), 266);
    EXPECT_TRUE(Contains(byMaker, kKeyMakerWords)) << byMaker;
}

}  // namespace
}  // namespace veldrim::testing
