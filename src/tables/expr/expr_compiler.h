#pragma once
// The expression unit (TzParser): compiles the text of a dBase expression
// into a CompiledExpr, evaluates it against the current records as often as
// asked, and frees it. The record layer and the index engine reach it through
// ParserProcTable, which StartExpressionParser fills.
//
// A CompiledExpr holds the expression in postfix order (one instruction per
// constant, field reference, operator or function, each operator and
// function coded per operand-type combination so that evaluation never tests
// types), a value stack, and the work pool: one growing byte stack in which
// every string value of an evaluation lives, zero-terminated, cut to 255
// characters.
//
// Result of an evaluation (valid until the next evaluation of the same
// expression):
//   C, M  the zero-terminated text at the pool start
//   N, D  an 8-byte double (D: Julian day number, 0 blank)
//   L     a 32-bit integer, 1 true, 0 false (its first byte read as Boolean)
//
// Result length and decimals, for the callers that size a value:
//   C  the field length when the expression is one C field (optionally under
//      UPPER or LOWER); 0 otherwise (the length varies)
//   N  decimals: those of the first N/F field reference when nothing else
//      numeric, literal or keyword follows it, else 2; length: the length of
//      the last field read in the text when that is at least decimals + 2,
//      else decimals + 11
//   D 8, L 1, M the pool size (256)
//
// Errors: compile errors are engine error 351 with a position report and the
// compilation answers nullptr. Evaluation never stops and never raises: a
// division by zero (also MOD and "^" of 0 to a negative power) records error
// 358 and goes on with its substitute value.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veldrim {

// Value types of the language and their type codes in the code list.
enum class ExprType : uint8_t { C, N, L, D, M };
inline constexpr int kTypeCodeC = 331;
inline constexpr int kTypeCodeN = 332;
inline constexpr int kTypeCodeL = 333;
inline constexpr int kTypeCodeD = 334;
inline constexpr int kTypeCodeM = 335;
char ExprTypeLetter(ExprType t);

// One instruction of the code list.
struct ExprInstr {
    uint16_t op = 0;              // operator, function, constant or field reference (ExprOp)
    uint8_t argCount = 0;         // arguments taken from the stack
    ExprType type = ExprType::N;  // type of a constant or field reference
    double number = 0;            // N constant
    int32_t logical = 0;          // L constant
    int32_t literal = -1;         // C constant: index into the literals
    int32_t area = 0;             // field reference: area fixed at compile time, 0 = current area
    int32_t field = 0;            // field reference: field number (1-based)
    int32_t length = 0;           // field reference: field length (blank values)
};

// A value on the work stack; a string lies in the pool.
struct ExprSlot {
    double number = 0;
    int32_t logical = 0;
    uint32_t start = 0;   // pool offset of a string
    uint32_t length = 0;  // string length without the terminator
};

struct CompiledExpr {
    std::string source;     // the expression text as given
    char resultType = 'C';  // "C", "N", "L", "D" or "M"
    uint16_t resultLength = 0;
    uint8_t decimals = 0;
    const void* result = nullptr;       // where the last evaluation left its value
    std::vector<std::string> literals;  // the string literals of the text
    std::vector<ExprInstr> code;        // postfix code, without an end entry
    std::vector<ExprSlot> stack;        // work stack, kept between evaluations
    uint16_t poolSize = 0;              // pool estimate of the compiler (0: no strings)
    std::vector<char> pool;             // work pool (grows; strings at most 255 + 1 bytes)
    std::size_t poolPosition = 0;       // next free pool byte during an evaluation
    std::size_t stackTop = 0;           // items on the work stack during an evaluation
};

// --- the four operations of ParserProcTable
// Compiles `text`; nullptr on failure (error 351 or 217 already recorded).
CompiledExpr* AssignExpr(const std::string& text);
// Frees what the expression owns and sets the variable to nullptr; nullptr
// and pointers that are not live compiled expressions are ignored.
void FreeExpr(CompiledExpr*& expr);
// Evaluates; the pointer to the result value (nullptr for nullptr).
const void* Evaluate(CompiledExpr*& expr);
// The source text.
std::string ExprSource(const CompiledExpr* expr);

// The index engine's current expression, evaluated by EvaluateCurrentExpr
// while keys are built.
extern CompiledExpr* CurrentKeyExpr;
const void* EvaluateCurrentExpr();

// Typed views of the last result.
std::string_view ExprResultText(const CompiledExpr* expr);
double ExprResultNumber(const CompiledExpr* expr);
bool ExprResultLogical(const CompiledExpr* expr);

// Unit start: fills ParserProcTable and sets ParserLinked (only the first
// time unless the tables were cleared since).
void StartExpressionParser();
// Frees every live compiled expression and clears the unit's state (tests).
void ResetExpressionParser();
// Number of live compiled expressions.
std::size_t LiveExprCount();

// The position report of a compile error: detail, the window of the text
// around `errorPos` (characters consumed by the scanner) and " [AssignExpr]".
std::string ExprPositionReport(const std::string& detail, std::string_view text,
                               std::size_t errorPos);

}  // namespace veldrim
