// The dBase expression language: keyword table, type rules of operators and
// functions, and their evaluation over the work stack and pool.

#include "tables/expr/expr_functions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/expr/expr_fields.h"
#include "tables/expr/expr_keys.h"

namespace veldrim {

// ---------------------------------------------------------------- keywords

namespace {

// Searched in this order; a name matches an entry when it is the full name
// or one of its abbreviations down to minLength characters.
constexpr KeywordEntry kKeywords[] = {
    {"ABS", 3, KeywordKind::Function, 0},
    {"ASC", 3, KeywordKind::Function, 0},
    {"AT", 2, KeywordKind::Function, 0},
    {"CDOW", 4, KeywordKind::Function, 15},
    {"CHR", 3, KeywordKind::Function, 2},
    {"CMONTH", 4, KeywordKind::Function, 15},
    {"CTOD", 4, KeywordKind::Function, 0},
    {"DATE", 4, KeywordKind::Function, 0},
    {"DAY", 3, KeywordKind::Function, 0},
    {"DELETED", 4, KeywordKind::Function, 0},
    {"DOW", 3, KeywordKind::Function, 0},
    {"DTOC", 4, KeywordKind::Function, 11},
    {"DTOS", 4, KeywordKind::Function, 9},
    {"IIF", 3, KeywordKind::Function, 256},
    {"INT", 3, KeywordKind::Function, 0},
    {"LEFT", 4, KeywordKind::Function, 0},
    {"LEN", 3, KeywordKind::Function, 0},
    {"LOWER", 4, KeywordKind::Function, 0},
    {"LTRIM", 4, KeywordKind::Function, 0},
    {"MAX", 3, KeywordKind::Function, 0},
    {"MIN", 3, KeywordKind::Function, 0},
    {"MOD", 3, KeywordKind::Function, 0},
    {"MONTH", 4, KeywordKind::Function, 0},
    {"RECNO", 4, KeywordKind::Function, 0},
    {"REPLICATE", 4, KeywordKind::Function, 256},
    {"RIGHT", 4, KeywordKind::Function, 0},
    {"ROUND", 4, KeywordKind::Function, 0},
    {"RTRIM", 4, KeywordKind::Function, 0},
    {"SOUNDEX", 4, KeywordKind::Function, 15},
    {"SPACE", 4, KeywordKind::Function, 256},
    {"STR", 3, KeywordKind::Function, 256},
    {"STUFF", 4, KeywordKind::Function, 0},
    {"SUBSTR", 4, KeywordKind::Function, 0},
    {"TRIM", 4, KeywordKind::Function, 0},
    {"UPPER", 4, KeywordKind::Function, 0},
    {"VAL", 3, KeywordKind::Function, 0},
    {"YEAR", 4, KeywordKind::Function, 0},
    {".F.", 3, KeywordKind::False, 0},
    {".T.", 3, KeywordKind::True, 0},
    {".NOT.", 5, KeywordKind::Not, 0},
    {".OR.", 4, KeywordKind::Or, 0},
    {".AND.", 5, KeywordKind::And, 0},
};

}  // namespace

const KeywordEntry* FindKeyword(std::string_view upperName) {
    for (const KeywordEntry& k : kKeywords) {
        std::string_view full(k.name);
        if (upperName.size() >= k.minLength && upperName.size() <= full.size() &&
            full.substr(0, upperName.size()) == upperName)
            return &k;
    }
    return nullptr;
}

// ---------------------------------------------------------------- type rules

namespace {

using T = ExprType;

TypeRule Rule(uint16_t op, ExprType result) {
    TypeRule r;
    r.ok = true;
    r.op = op;
    r.result = result;
    return r;
}

bool Is(const std::vector<ExprType>& args, std::initializer_list<ExprType> want) {
    return args.size() == want.size() && std::equal(args.begin(), args.end(), want.begin());
}

}  // namespace

TypeRule BinaryRule(std::string_view op, ExprType a, ExprType b) {
    bool nn = a == T::N && b == T::N, dd = a == T::D && b == T::D, ll = a == T::L && b == T::L,
         cc = a == T::C && b == T::C;
    if (op == "+") {
        if (nn) return Rule(kOpAddNN, T::N);
        if (a == T::D && b == T::N) return Rule(kOpAddDN, T::D);
        if (a == T::N && b == T::D) return Rule(kOpAddND, T::D);
        if (cc) return Rule(kOpAddCC, T::C);
    } else if (op == "-") {
        if (nn) return Rule(kOpSubNN, T::N);
        if (a == T::D && b == T::N) return Rule(kOpSubDN, T::D);
        if (dd) return Rule(kOpSubDD, T::N);
        if (cc) return Rule(kOpSubCC, T::C);
    } else if (op == "*") {
        if (nn) return Rule(kOpMul, T::N);
    } else if (op == "/") {
        if (nn) return Rule(kOpDiv, T::N);
    } else if (op == "^" || op == "**") {
        if (nn) return Rule(kOpPow, T::N);
    } else if (op == "=") {
        if (nn || dd) return Rule(kOpEqN, T::L);
        if (ll) return Rule(kOpEqL, T::L);
        if (cc) return Rule(kOpEqC, T::L);
    } else if (op == "==") {
        if (cc) return Rule(kOpExactEqC, T::L);
    } else if (op == "$") {
        if (cc) return Rule(kOpContainsC, T::L);
    } else if (op == "<" || op == ">" || op == "<=" || op == ">=") {
        int k = op == "<" ? 0 : op == ">" ? 1 : op == "<=" ? 2 : 3;
        if (nn || dd) return Rule(static_cast<uint16_t>(kOpLtN + k), T::L);
        if (cc) return Rule(static_cast<uint16_t>(kOpLtC + k), T::L);
    } else if (op == "<>" || op == "#") {
        if (nn || dd) return Rule(kOpNeN, T::L);
        if (ll) return Rule(kOpNeL, T::L);
        if (cc) return Rule(kOpNeC, T::L);
    } else if (op == ".AND.") {
        if (ll) return Rule(kOpAnd, T::L);
    } else if (op == ".OR.") {
        if (ll) return Rule(kOpOr, T::L);
    }
    return {};
}

TypeRule UnaryRule(std::string_view op, ExprType a) {
    if (op == "-" && a == T::N) return Rule(kOpNeg, T::N);
    if (op == "+" && a == T::N) {
        TypeRule r = Rule(0, T::N);
        r.emitsCode = false;
        return r;
    }
    if (op == ".NOT." && a == T::L) return Rule(kOpNot, T::L);
    return {};
}

std::string OperatorErrorName(std::string_view op, bool unary) {
    if (unary) return op == ".NOT." ? std::string(".NOT.") : "Unary " + std::string(op);
    if (op == "^" || op == "**") return "** or ^";
    if (op == "#") return "<>";
    return std::string(op);
}

TypeRule FunctionRule(std::string_view name, const std::vector<ExprType>& args) {
    struct Sig {
        const char* name;
        uint16_t op;
        std::initializer_list<ExprType> args;
        ExprType result;
    };
    // One line per accepted argument list; a name with several lines accepts
    // each of them (MAX, MIN and STR).
    static const Sig kSigs[] = {
        {"ABS", kFnAbs, {T::N}, T::N},
        {"ASC", kFnAsc, {T::C}, T::N},
        {"AT", kFnAt, {T::C, T::C}, T::N},
        {"CDOW", kFnCdow, {T::D}, T::C},
        {"CHR", kFnChr, {T::N}, T::C},
        {"CMONTH", kFnCmonth, {T::D}, T::C},
        {"CTOD", kFnCtod, {T::C}, T::D},
        {"DATE", kFnDate, {}, T::D},
        {"DAY", kFnDay, {T::D}, T::N},
        {"DELETED", kFnDeleted, {}, T::L},
        {"DOW", kFnDow, {T::D}, T::N},
        {"DTOC", kFnDtoc, {T::D}, T::C},
        {"DTOS", kFnDtos, {T::D}, T::C},
        {"IIF", kFnIif, {T::L, T::C, T::C}, T::C},
        {"INT", kFnInt, {T::N}, T::N},
        {"LEFT", kFnLeft, {T::C, T::N}, T::C},
        {"LEN", kFnLen, {T::C}, T::N},
        {"LOWER", kFnLower, {T::C}, T::C},
        {"LTRIM", kFnLtrim, {T::C}, T::C},
        {"MAX", kFnMaxN, {T::N, T::N}, T::N},
        {"MAX", kFnMaxD, {T::D, T::D}, T::D},
        {"MIN", kFnMinN, {T::N, T::N}, T::N},
        {"MIN", kFnMinD, {T::D, T::D}, T::D},
        {"MOD", kFnMod, {T::N, T::N}, T::N},
        {"MONTH", kFnMonth, {T::D}, T::N},
        {"RECNO", kFnRecno, {}, T::N},
        {"REPLICATE", kFnReplicate, {T::C, T::N}, T::C},
        {"RIGHT", kFnRight, {T::C, T::N}, T::C},
        {"ROUND", kFnRound, {T::N, T::N}, T::N},
        {"RTRIM", kFnRtrim, {T::C}, T::C},
        {"SOUNDEX", kFnSoundex, {T::C}, T::C},
        {"SPACE", kFnSpace, {T::N}, T::C},
        {"STR", kFnStr1, {T::N}, T::C},
        {"STR", kFnStr2, {T::N, T::N}, T::C},
        {"STR", kFnStr3, {T::N, T::N, T::N}, T::C},
        {"STUFF", kFnStuff, {T::C, T::N, T::N, T::C}, T::C},
        {"SUBSTR", kFnSubstr, {T::C, T::N, T::N}, T::C},
        {"TRIM", kFnRtrim, {T::C}, T::C},
        {"UPPER", kFnUpper, {T::C}, T::C},
        {"VAL", kFnVal, {T::C}, T::N},
        {"YEAR", kFnYear, {T::D}, T::N},
    };
    bool known = false, countFits = false;
    for (const Sig& s : kSigs) {
        if (name != s.name) continue;
        known = true;
        if (args.size() != s.args.size()) continue;
        countFits = true;
        if (Is(args, s.args)) {
            TypeRule r = Rule(s.op, s.result);
            return r;
        }
    }
    TypeRule r;
    r.countError = !known || !countFits;
    return r;
}

// ---------------------------------------------------------------- values

double TextToNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) return 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double v = 0.0;
    auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the nearest representable value.
        std::string_view rest(first, static_cast<std::size_t>(r.ptr - first));
        std::size_t e = rest.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < rest.size() && rest[e + 1] == '-';
        v = tiny ? 0.0 : 1.7976931348623157e308;
    } else if (r.ec != std::errc()) {
        v = 0.0;
    }
    return negative ? -v : v;
}

double RoundDecimalText(double x, double d) {
    if (!std::isfinite(x)) return x;
    if (!(d >= 1.0)) return std::trunc(x);
    // Cutting on the decimal text keeps values such as 8.2 or 4.35 whole,
    // which cutting the binary fraction digit by digit would lower.
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
    if (r.ec != std::errc()) return x;
    std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    std::size_t point = text.find('.');
    if (point == std::string_view::npos) return x;
    std::size_t keep = static_cast<std::size_t>(std::min(d, 400.0));
    if (point + 1 + keep < text.size()) text = text.substr(0, point + 1 + keep);
    double v = 0.0;
    bool negative = !text.empty() && text[0] == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    std::from_chars(digits.data(), digits.data() + digits.size(), v, std::chars_format::fixed);
    return negative ? -v : v;
}

namespace {

int32_t ToCount(double v) {
    if (!(v == v)) return 0;
    v = std::clamp(v, -1.0e6, 1.0e6);
    return static_cast<int32_t>(std::trunc(v));
}

}  // namespace

std::string StrFormat(double x, double len, double dec) {
    int width = std::clamp<int32_t>(ToCount(len), 0, 255);
    int decimals = std::clamp<int32_t>(ToCount(dec), 0, 255);
    char buf[1024];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    std::string text = r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
    if (text.size() > static_cast<std::size_t>(width) || r.ec != std::errc())
        return std::string(static_cast<std::size_t>(width), '*');
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

// ---------------------------------------------------------------- evaluation

namespace {

constexpr std::size_t kMaxText = 255;
constexpr double kDivisionByZeroValue = 1E+250;

void RecordEvalError(const char* context) {
    // Evaluation goes on with a substitute value: the error is recorded for
    // the caller and never raised out of the evaluator.
    try {
        QuietEngineErrors quiet;
        SetError(358, context);
    } catch (...) {
    }
}

void DivisionByZero() { RecordEvalError("Auswertungsfehler: Division durch 0 [Evaluate/Engine]"); }
void PowerOutOfRange() {
    RecordEvalError("Auswertungsfehler: Potenz ausserhalb des Zahlenbereichs [Evaluate/Engine]");
}

// A text value is its bytes, NUL bytes included (a character field may hold
// one): only its length ends it, at most 255.
std::string_view CutText(std::string_view s) { return s.substr(0, std::min(s.size(), kMaxText)); }

double Power(double a, double b) {
    if (a == 0.0 && b < 0.0) {
        DivisionByZero();
        return kDivisionByZeroValue;
    }
    double v = std::pow(a, b);
    if (std::isnan(v)) {
        // A negative base with a fractional exponent has no real power.
        PowerOutOfRange();
        return 0.0;
    }
    if (std::isinf(v) && std::isfinite(a) && std::isfinite(b)) {
        PowerOutOfRange();
        return std::copysign(kDivisionByZeroValue, v);
    }
    return v;
}

class Machine {
public:
    explicit Machine(CompiledExpr& e) : e_(e), src_(ExprFields()) {}

    void Run() {
        e_.stackTop = 0;
        e_.poolPosition = 0;
        if (e_.pool.empty()) e_.pool.resize(std::max<std::size_t>(e_.poolSize, 16));
        e_.pool[0] = '\0';
        for (const ExprInstr& in : e_.code) Step(in);
    }

private:
    // --- stack and pool
    ExprSlot& Push() {
        if (e_.stackTop >= e_.stack.size()) e_.stack.resize(e_.stackTop + 8);
        ExprSlot& s = e_.stack[e_.stackTop++];
        s = ExprSlot{};
        return s;
    }
    ExprSlot Pop() { return e_.stack[--e_.stackTop]; }
    ExprSlot& Top() { return e_.stack[e_.stackTop - 1]; }

    void PushNumber(double v) { Push().number = v; }
    void PushLogical(bool v) { Push().logical = v ? 1 : 0; }
    void PushText(std::string_view s) {
        s = CutText(s);
        std::size_t need = e_.poolPosition + s.size() + 1;
        if (need > e_.pool.size()) e_.pool.resize(std::max(need, e_.pool.size() * 2));
        std::memmove(e_.pool.data() + e_.poolPosition, s.data(), s.size());
        e_.pool[e_.poolPosition + s.size()] = '\0';
        ExprSlot& slot = Push();
        slot.start = static_cast<uint32_t>(e_.poolPosition);
        slot.length = static_cast<uint32_t>(s.size());
        e_.poolPosition += s.size() + 1;
    }
    // The text of a slot; valid until the next push.
    std::string_view Text(const ExprSlot& s) const { return {e_.pool.data() + s.start, s.length}; }
    // Pops a string; its bytes stay readable until the next push.
    std::string_view PopText() {
        ExprSlot s = Pop();
        e_.poolPosition = s.start;
        return Text(s);
    }
    double PopNumber() { return Pop().number; }
    bool PopLogical() { return Pop().logical != 0; }
    // Pushes scratch_ as a new string (after the operands were popped).
    void PushScratch() { PushText(scratch_); }

    // The top string, changed in place: keep [from, from + count).
    void KeepTop(std::size_t from, std::size_t count) {
        ExprSlot& s = Top();
        from = std::min<std::size_t>(from, s.length);
        count = std::min<std::size_t>(count, s.length - from);
        char* p = e_.pool.data() + s.start;
        if (from) std::memmove(p, p + from, count);
        p[count] = '\0';
        s.length = static_cast<uint32_t>(count);
        e_.poolPosition = s.start + count + 1;
    }

    // --- field references
    int AreaOf(const ExprInstr& in) { return in.area != 0 ? in.area : src_.CurrentAreaNumber(); }

    void PushField(const ExprInstr& in) {
        int area = AreaOf(in);
        switch (in.op) {
            case kOpFieldC: {
                std::string_view t = src_.FieldText(area, in.field);
                if (t.empty()) {
                    scratch_.assign(static_cast<std::size_t>(in.length), ' ');
                    PushScratch();
                } else {
                    PushText(t);
                }
                break;
            }
            case kOpFieldN: PushNumber(TextToNumber(src_.FieldText(area, in.field))); break;
            case kOpFieldL: {
                std::string_view t = src_.FieldText(area, in.field);
                char c = t.empty() ? ' ' : t[0];
                PushLogical(c == 'Y' || c == 'y' || c == 'T' || c == 't');
                break;
            }
            case kOpFieldD: PushNumber(DtosToJulian(src_.FieldText(area, in.field))); break;
            case kOpFieldM: {
                scratch_ = src_.MemoText(area, in.field);
                PushScratch();
                break;
            }
            default: break;
        }
    }

    // --- string comparisons (unsigned bytes, the shorter prefix is smaller)
    static int CompareText(std::string_view a, std::string_view b) {
        std::size_t n = std::min(a.size(), b.size());
        int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
        if (c != 0) return c;
        return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
    }

    // --- dates
    static bool Ymd(double j, int& y, int& m, int& d) { return JulianToYMD(j, y, m, d); }
    static std::string Neutral(int y, int m, int d) {
        return ZeroPadInt(m, 2) + "/" + ZeroPadInt(d, 2) + "/" + ZeroPadInt(y, 4);
    }

    void Step(const ExprInstr& in);
    void PushOperand(const ExprInstr& in);
    void Arithmetic(const ExprInstr& in);
    void JoinTexts(const ExprInstr& in);
    void Compare(const ExprInstr& in);
    void Logic(const ExprInstr& in);
    void NumericFunction(const ExprInstr& in);
    void RecordFunction(const ExprInstr& in);
    void TextInPlaceFunction(const ExprInstr& in);
    void TextFunction(const ExprInstr& in);
    void DateFunction(const ExprInstr& in);

    CompiledExpr& e_;
    ExprFieldSource& src_;
    std::string scratch_;
};

// One instruction: dispatched to the function of its operation group.
void Machine::Step(const ExprInstr& in) {
    switch (in.op) {
        case kOpPushN:
        case kOpPushL:
        case kOpPushC:
        case kOpFieldC:
        case kOpFieldN:
        case kOpFieldL:
        case kOpFieldD:
        case kOpFieldM: PushOperand(in); return;
        case kOpAddNN:
        case kOpAddDN:
        case kOpAddND:
        case kOpSubNN:
        case kOpSubDN:
        case kOpSubDD:
        case kOpMul:
        case kOpDiv:
        case kOpPow:
        case kOpNeg: Arithmetic(in); return;
        case kOpAddCC:
        case kOpSubCC: JoinTexts(in); return;
        case kOpEqN:
        case kOpNeN:
        case kOpLtN:
        case kOpGtN:
        case kOpLeN:
        case kOpGeN:
        case kOpEqL:
        case kOpNeL:
        case kOpEqC:
        case kOpExactEqC:
        case kOpContainsC:
        case kOpNeC:
        case kOpLtC:
        case kOpGtC:
        case kOpLeC:
        case kOpGeC: Compare(in); return;
        case kOpAnd:
        case kOpOr:
        case kOpNot: Logic(in); return;
        case kFnAbs:
        case kFnInt:
        case kFnMaxN:
        case kFnMaxD:
        case kFnMinN:
        case kFnMinD:
        case kFnMod:
        case kFnRound: NumericFunction(in); return;
        case kFnRecno:
        case kFnDeleted: RecordFunction(in); return;
        case kFnUpper:
        case kFnLower:
        case kFnLtrim:
        case kFnRtrim:
        case kFnLeft:
        case kFnRight: TextInPlaceFunction(in); return;
        case kFnAsc:
        case kFnLen:
        case kFnAt:
        case kFnVal:
        case kFnChr:
        case kFnSpace:
        case kFnReplicate:
        case kFnSubstr:
        case kFnStuff:
        case kFnIif:
        case kFnSoundex:
        case kFnStr1:
        case kFnStr2:
        case kFnStr3: TextFunction(in); return;
        case kFnCtod:
        case kFnDate:
        case kFnDtoc:
        case kFnDtos:
        case kFnCdow:
        case kFnCmonth:
        case kFnDay:
        case kFnMonth:
        case kFnYear:
        case kFnDow: DateFunction(in); return;
        default: return;
    }
}

// Literals and field values onto the stack.
void Machine::PushOperand(const ExprInstr& in) {
    switch (in.op) {
        case kOpPushN: PushNumber(in.number); return;
        case kOpPushL: PushLogical(in.logical != 0); return;
        case kOpPushC: PushText(e_.literals[static_cast<std::size_t>(in.literal)]); return;
        case kOpFieldC:
        case kOpFieldN:
        case kOpFieldL:
        case kOpFieldD:
        case kOpFieldM: PushField(in); return;
        default: return;
    }
}

// Numbers and dates: + - * / ^ and unary minus.
void Machine::Arithmetic(const ExprInstr& in) {
    switch (in.op) {
        case kOpAddNN:
        case kOpAddDN:
        case kOpAddND: {
            double b = PopNumber();
            Top().number += b;
            return;
        }
        case kOpSubNN:
        case kOpSubDN:
        case kOpSubDD: {
            double b = PopNumber();
            Top().number -= b;
            return;
        }
        case kOpMul: {
            double b = PopNumber();
            Top().number *= b;
            return;
        }
        case kOpDiv: {
            double b = PopNumber();
            if (b == 0.0) {
                DivisionByZero();
                Top().number = kDivisionByZeroValue;
            } else {
                Top().number /= b;
            }
            return;
        }
        case kOpPow: {
            double b = PopNumber();
            Top().number = Power(Top().number, b);
            return;
        }
        case kOpNeg: Top().number = -Top().number; return;
        default: return;
    }
}

// Text + and - (the second keeps the first text's trailing blanks at the end).
void Machine::JoinTexts(const ExprInstr& in) {
    switch (in.op) {
        case kOpAddCC: {
            std::string_view b = PopText();
            std::string_view a = PopText();
            scratch_.assign(a);
            scratch_.append(b);
            PushScratch();
            return;
        }
        case kOpSubCC: {
            // a without its trailing blanks, then b, then a's trailing blanks.
            std::string_view b = PopText();
            std::string_view a = PopText();
            std::size_t end = a.find_last_not_of(' ');
            std::size_t kept = end == std::string_view::npos ? 0 : end + 1;
            scratch_.assign(a.substr(0, kept));
            scratch_.append(b);
            scratch_.append(a.size() - kept, ' ');
            PushScratch();
            return;
        }
        default: return;
    }
}

// Comparisons of numbers and dates, logicals and texts.
void Machine::Compare(const ExprInstr& in) {
    switch (in.op) {
        case kOpEqN:
        case kOpNeN:
        case kOpLtN:
        case kOpGtN:
        case kOpLeN:
        case kOpGeN: {
            double b = PopNumber();
            double a = PopNumber();
            bool r = in.op == kOpEqN   ? a == b
                     : in.op == kOpNeN ? a != b
                     : in.op == kOpLtN ? a < b
                     : in.op == kOpGtN ? a > b
                     : in.op == kOpLeN ? a <= b
                                       : a >= b;
            PushLogical(r);
            return;
        }
        case kOpEqL:
        case kOpNeL: {
            bool b = PopLogical();
            bool a = PopLogical();
            PushLogical(in.op == kOpEqL ? a == b : a != b);
            return;
        }
        case kOpEqC:
        case kOpExactEqC:
        case kOpContainsC:
        case kOpNeC:
        case kOpLtC:
        case kOpGtC:
        case kOpLeC:
        case kOpGeC: {
            std::string_view b = PopText();
            std::string_view a = PopText();
            bool r = false;
            switch (in.op) {
                case kOpEqC: r = !b.empty() && a.substr(0, b.size()) == b; break;
                case kOpExactEqC: r = a == b; break;
                case kOpNeC: r = a != b; break;
                case kOpContainsC: r = !a.empty() && b.find(a) != std::string_view::npos; break;
                case kOpLtC: r = CompareText(a, b) < 0; break;
                case kOpGtC: r = CompareText(a, b) > 0; break;
                case kOpLeC: r = CompareText(a, b) <= 0; break;
                default: r = CompareText(a, b) >= 0; break;
            }
            PushLogical(r);
            return;
        }
        default: return;
    }
}

// .AND., .OR., .NOT.
void Machine::Logic(const ExprInstr& in) {
    switch (in.op) {
        case kOpAnd: {
            bool b = PopLogical();
            Top().logical = (Top().logical != 0 && b) ? 1 : 0;
            return;
        }
        case kOpOr: {
            bool b = PopLogical();
            Top().logical = (Top().logical != 0 || b) ? 1 : 0;
            return;
        }
        case kOpNot: Top().logical = Top().logical ? 0 : 1; return;
        default: return;
    }
}

// ABS, INT, MAX, MIN, MOD, ROUND.
void Machine::NumericFunction(const ExprInstr& in) {
    switch (in.op) {
        case kFnAbs: Top().number = std::fabs(Top().number); return;
        case kFnInt: Top().number = std::trunc(Top().number); return;
        case kFnMaxN:
        case kFnMaxD: {
            double b = PopNumber();
            Top().number = std::max(Top().number, b);
            return;
        }
        case kFnMinN:
        case kFnMinD: {
            double b = PopNumber();
            Top().number = std::min(Top().number, b);
            return;
        }
        case kFnMod: {
            double b = std::trunc(PopNumber());
            double a = std::trunc(PopNumber());
            if (b == 0.0 || !std::isfinite(a)) {
                DivisionByZero();
                PushNumber(std::isfinite(a) ? a : 0.0);
            } else {
                PushNumber(std::fmod(a, b));
            }
            return;
        }
        case kFnRound: {
            double d = PopNumber();
            Top().number = RoundDecimalText(Top().number, std::trunc(d));
            return;
        }
        default: return;
    }
}

// RECNO and DELETED of the current area.
void Machine::RecordFunction(const ExprInstr& in) {
    switch (in.op) {
        case kFnRecno: PushNumber(src_.RecordNumber(src_.CurrentAreaNumber())); return;
        case kFnDeleted: PushLogical(src_.RecordDeleted(src_.CurrentAreaNumber())); return;
        default: return;
    }
}

// UPPER, LOWER, LTRIM, RTRIM, LEFT, RIGHT: the top text changed in place.
void Machine::TextInPlaceFunction(const ExprInstr& in) {
    switch (in.op) {
        case kFnUpper:
        case kFnLower: {
            ExprSlot& s = Top();
            char* p = e_.pool.data() + s.start;
            for (uint32_t i = 0; i < s.length; ++i)
                p[i] = in.op == kFnUpper ? UpperWin1252Char(p[i]) : LowerWin1252Char(p[i]);
            return;
        }
        case kFnLtrim: {
            std::string_view t = Text(Top());
            std::size_t first = 0;
            while (first < t.size() && t[first] == ' ') ++first;
            KeepTop(first, t.size() - first);
            return;
        }
        case kFnRtrim: {
            std::string_view t = Text(Top());
            std::size_t n = t.size();
            while (n > 0 && t[n - 1] == ' ') --n;
            KeepTop(0, n);
            return;
        }
        case kFnLeft: {
            int32_t n = ToCount(PopNumber());
            KeepTop(0, static_cast<std::size_t>(std::max(n, 0)));
            return;
        }
        case kFnRight: {
            int32_t n = std::max(ToCount(PopNumber()), 0);
            std::size_t len = Top().length;
            std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(n), len);
            KeepTop(len - keep, keep);
            return;
        }
        default: return;
    }
}

// The other text functions, which build a new text or a number from texts.
void Machine::TextFunction(const ExprInstr& in) {
    switch (in.op) {
        case kFnAsc: {
            std::string_view t = PopText();
            PushNumber(t.empty() ? 0.0 : static_cast<unsigned char>(t[0]));
            return;
        }
        case kFnLen: {
            std::string_view t = PopText();
            PushNumber(static_cast<double>(t.size()));
            return;
        }
        case kFnAt: {
            std::string_view t = PopText();
            std::string_view s = PopText();
            std::size_t p = s.empty() ? std::string_view::npos : t.find(s);
            PushNumber(p == std::string_view::npos ? 0.0 : static_cast<double>(p + 1));
            return;
        }
        case kFnVal: {
            std::string_view t = PopText();
            std::size_t n = t.size();
            while (n > 0 && t[n - 1] == ' ') --n;
            PushNumber(TextToNumber(t.substr(0, n)));
            return;
        }
        case kFnChr: {
            int32_t code = ToCount(PopNumber());
            scratch_.assign(1, static_cast<char>(static_cast<unsigned char>(code & 0xFF)));
            PushScratch();
            return;
        }
        case kFnSpace: {
            int32_t n = std::clamp<int32_t>(ToCount(PopNumber()), 0, kMaxText);
            scratch_.assign(static_cast<std::size_t>(n), ' ');
            PushScratch();
            return;
        }
        case kFnReplicate: {
            int32_t n = std::max(ToCount(PopNumber()), 0);
            std::string_view s = PopText();
            scratch_.clear();
            for (int32_t i = 0; i < n && !s.empty() && scratch_.size() < kMaxText; ++i)
                scratch_.append(s);
            PushScratch();
            return;
        }
        case kFnSubstr: {
            int32_t count = ToCount(PopNumber());
            int32_t start = ToCount(PopNumber());
            std::string_view s = PopText();
            // Positions before the text start at its first character; the
            // result always stays within the text.
            std::size_t from = static_cast<std::size_t>(std::max(start, 1) - 1);
            from = std::min(from, s.size());
            std::size_t n = static_cast<std::size_t>(std::max(count, 0));
            scratch_.assign(s.substr(from, n));
            PushScratch();
            return;
        }
        case kFnStuff: {
            std::string_view r = PopText();
            int32_t count = ToCount(PopNumber());
            int32_t start = ToCount(PopNumber());
            std::string_view s = PopText();
            std::size_t from = std::min(static_cast<std::size_t>(std::max(start, 1) - 1), s.size());
            std::size_t del =
                std::min(static_cast<std::size_t>(std::max(count, 0)), s.size() - from);
            scratch_.assign(s.substr(0, from));
            scratch_.append(r);
            scratch_.append(s.substr(from + del));
            PushScratch();
            return;
        }
        case kFnIif: {
            std::string_view y = PopText();
            std::string_view x = PopText();
            bool c = PopLogical();
            scratch_.assign(c ? x : y);
            PushScratch();
            return;
        }
        case kFnSoundex: {
            std::string_view t = PopText();
            scratch_ = Soundex(t);
            PushScratch();
            return;
        }
        case kFnStr1:
        case kFnStr2:
        case kFnStr3: {
            double dec = in.op == kFnStr3 ? PopNumber() : 0.0;
            double len = in.op != kFnStr1 ? PopNumber() : 10.0;
            double x = PopNumber();
            scratch_ = StrFormat(x, len, dec);
            PushScratch();
            return;
        }
        default: return;
    }
}

// Date functions; dates are day numbers on the stack.
void Machine::DateFunction(const ExprInstr& in) {
    switch (in.op) {
        case kFnCtod: {
            std::string_view t = PopText();
            PushNumber(CtodToJulian(t));
            return;
        }
        case kFnDate: {
            int y = 0, m = 0, d = 0, w = 0;
            GetToday(y, m, d, w);
            PushNumber(JulianFromYMD(y, m, d));
            return;
        }
        case kFnDtoc:
            scratch_ = JulianToDateText(PopNumber());
            PushScratch();
            return;
        case kFnDtos:
            scratch_ = JulianToDtos(PopNumber());
            PushScratch();
            return;
        case kFnCdow:
        case kFnCmonth: {
            int y = 0, m = 0, d = 0;
            double j = PopNumber();
            if (Ymd(j, y, m, d))
                scratch_ = in.op == kFnCdow ? CDOW(Neutral(y, m, d)) : CMONTH(Neutral(y, m, d));
            else
                scratch_.assign(in.op == kFnCdow ? 10 : 9, ' ');
            PushScratch();
            return;
        }
        case kFnDay:
        case kFnMonth:
        case kFnYear:
        case kFnDow: {
            int y = 0, m = 0, d = 0;
            double j = Top().number;
            double v = 0.0;
            if (Ymd(j, y, m, d)) {
                switch (in.op) {
                    case kFnDay: v = d; break;
                    case kFnMonth: v = m; break;
                    case kFnYear: v = SetCentury ? y : y % 100; break;
                    // Day 1721426 (1 January of year 1) was a Monday.
                    default: v = static_cast<double>((static_cast<int64_t>(j) + 1) % 7 + 1); break;
                }
            }
            Top().number = v;
            return;
        }
        default: return;
    }
}

}  // namespace

void RunExprCode(CompiledExpr& e) {
    Machine m(e);
    m.Run();
}

}  // namespace veldrim
