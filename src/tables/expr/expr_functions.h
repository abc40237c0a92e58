#pragma once
// The dBase expression language: the keyword table with its accepted
// abbreviations, the type rule of every operator and function, and the
// evaluation of each of them over a CompiledExpr's work stack and pool.
//
// Operators and functions are coded per operand-type combination (ExprOp),
// so the evaluator walks the code list without a single type test.
//
// Precedence, tightest first (binary operators of one level group from the
// left):
//   1  unary -, unary +, .NOT.     (-2^2 is 4; .NOT. A = B is (.NOT. A) = B)
//   2  ^ (also **)                  (2^3^2 is 64)
//   3  * /
//   4  + -
//   5  < > <= >=
//   6  == $
//   7  = <> (also #)
//   8  .AND.
//   9  .OR.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/expr/expr_compiler.h"

namespace veldrim {

enum ExprOp : uint16_t {
    // constants and field references
    kOpPushN,
    kOpPushL,
    kOpPushC,
    kOpFieldC,
    kOpFieldN,
    kOpFieldL,
    kOpFieldD,
    kOpFieldM,
    // operators
    kOpAddNN,
    kOpAddDN,
    kOpAddND,
    kOpAddCC,
    kOpSubNN,
    kOpSubDN,
    kOpSubDD,
    kOpSubCC,
    kOpMul,
    kOpDiv,
    kOpPow,
    kOpEqN,
    kOpEqL,
    kOpEqC,
    kOpExactEqC,
    kOpContainsC,
    kOpLtN,
    kOpGtN,
    kOpLeN,
    kOpGeN,
    kOpLtC,
    kOpGtC,
    kOpLeC,
    kOpGeC,
    kOpNeN,
    kOpNeL,
    kOpNeC,
    kOpAnd,
    kOpOr,
    kOpNot,
    kOpNeg,
    // functions
    kFnAbs,
    kFnAsc,
    kFnAt,
    kFnCdow,
    kFnChr,
    kFnCmonth,
    kFnCtod,
    kFnDate,
    kFnDay,
    kFnDeleted,
    kFnDow,
    kFnDtoc,
    kFnDtos,
    kFnIif,
    kFnInt,
    kFnLeft,
    kFnLen,
    kFnLower,
    kFnLtrim,
    kFnMaxN,
    kFnMaxD,
    kFnMinN,
    kFnMinD,
    kFnMod,
    kFnMonth,
    kFnRecno,
    kFnReplicate,
    kFnRight,
    kFnRound,
    kFnRtrim,
    kFnSoundex,
    kFnSpace,
    kFnStr1,
    kFnStr2,
    kFnStr3,
    kFnStuff,
    kFnSubstr,
    kFnUpper,
    kFnVal,
    kFnYear,
    kOpCount
};

// Kinds of keyword-table entries.
enum class KeywordKind : uint8_t { Function, True, False, Not, And, Or };

struct KeywordEntry {
    const char* name;   // full name
    uint8_t minLength;  // shortest accepted abbreviation
    KeywordKind kind;
    uint16_t poolContribution;  // bytes added to the work-pool estimate
};

// The keyword entry a whole upper-cased name means, or nullptr.
const KeywordEntry* FindKeyword(std::string_view upperName);

// Outcome of a type check.
struct TypeRule {
    bool ok = false;          // a rule matched
    bool countError = false;  // wrong number of arguments (a syntax error)
    uint16_t op = 0;          // code to append
    ExprType result = ExprType::N;
    bool emitsCode = true;  // false for unary +
};

// Binary operator by its token text ("+", "-", "*", "/", "^", "=", "==",
// "$", "<", ">", "<=", ">=", "<>", ".AND.", ".OR.").
TypeRule BinaryRule(std::string_view op, ExprType a, ExprType b);
// Unary operator ("-", "+", ".NOT.").
TypeRule UnaryRule(std::string_view op, ExprType a);
// Function by its full name.
TypeRule FunctionRule(std::string_view name, const std::vector<ExprType>& args);
// The operator's name in a type error ("** or ^", "Unary -", "<>" for "#" ...).
std::string OperatorErrorName(std::string_view op, bool unary);

// Runs the code list of `e` over its stack and pool. Never throws.
void RunExprCode(CompiledExpr& e);

// Value helpers shared with tests.
// The standard decimal text-to-number conversion: leading blanks, a sign,
// then the longest number prefix; 0 when there is none.
double TextToNumber(std::string_view text);
// ROUND: x cut toward zero after d decimals of its shortest decimal text.
double RoundDecimalText(double x, double d);
// STR: right-aligned in len characters with dec decimals; len "*" when longer.
std::string StrFormat(double x, double len, double dec);

}  // namespace veldrim
