// The expression compiler and evaluator (TzParser): scanner, precedence
// parser with type checks and code generation, the ring of live compiled
// expressions, and the operations of ParserProcTable.

#include "tables/expr/expr_compiler.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <new>

#include "foundation/text_conv.h"
#include "tables/engine/engine_base.h"
#include "tables/expr/expr_fields.h"
#include "tables/expr/expr_functions.h"
#include "tables/expr/expr_keys.h"
#include "tables/engine/proc_tables.h"

namespace veldrim {

CompiledExpr* CurrentKeyExpr = nullptr;

namespace {

constexpr std::size_t kMaxExprText = 255;
constexpr int kParserStackEntries = 150;
constexpr int kDefaultDecimals = 2;
constexpr uint16_t kMemoPool = 256;

// The ring of every live compiled expression; freeing finds a record here,
// so a stale or foreign pointer is ignored instead of freed.
void* exprRing = nullptr;

enum class Tok {
    End,
    Number,
    String,
    Field,
    Function,
    True,
    False,
    Not,
    And,
    Or,
    Plus,
    Minus,
    Star,
    Slash,
    Power,
    Eq,
    ExactEq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Dollar,
    LParen,
    RParen,
    Comma,
    Bad
};

struct Token {
    Tok kind = Tok::End;
    std::string text;  // operator text or upper-cased name
    double number = 0;
    int literal = -1;  // string literal index
    const KeywordEntry* keyword = nullptr;
    int area = 0;  // field reference: 0 current area, else the alias's area
    int field = 0;
    ExprFieldInfo info;
};

struct CompileError {
    std::string detail;
};

ExprType TypeOfField(char t) {
    switch (t) {
        case 'C': return ExprType::C;
        case 'D': return ExprType::D;
        case 'L': return ExprType::L;
        case 'M': return ExprType::M;
        default: return ExprType::N;
    }
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Compiler {
public:
    Compiler(std::string_view text, CompiledExpr& e) : text_(text), e_(e), src_(ExprFields()) {}

    void Compile() {
        Next();
        ExprType t = ParseLevel(9);
        if (tok_.kind != Tok::End) throw CompileError{"Parser_stack_overflow"};
        resultType_ = t;
    }

    ExprType resultType_ = ExprType::N;
    std::size_t pos_ = 0;  // characters consumed by the scanner
    uint32_t poolEstimate_ = 0;
    int lastFieldLength_ = 0;
    bool decimalsSet_ = false;
    int decimals_ = kDefaultDecimals;

private:
    // ------------------------------------------------------------ scanner
    char At(std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

    void SetDefaultDecimals() {
        decimals_ = kDefaultDecimals;
        decimalsSet_ = true;
    }

    void Next() { tok_ = Scan(); }

    Token Scan() {
        Token t;
        while (At(pos_) == ' ' || At(pos_) == '\t') ++pos_;
        char c = At(pos_);
        if (c == '\0') {
            t.kind = Tok::End;
            return t;
        }
        if (IsDigit(c)) return ScanNumber();
        if (c == '\'' || c == '"') return ScanString(c);
        if (IsLetter(c) || c == '.' || c == '_') return ScanName();
        ++pos_;
        char n = At(pos_);
        auto two = [&](Tok k, const char* s) {
            ++pos_;
            t.kind = k;
            t.text = s;
            return t;
        };
        switch (c) {
            case '=':
                if (n == '=') return two(Tok::ExactEq, "==");
                t.kind = Tok::Eq;
                t.text = "=";
                return t;
            case '<':
                if (n == '=') return two(Tok::Le, "<=");
                if (n == '>') return two(Tok::Ne, "<>");
                t.kind = Tok::Lt;
                t.text = "<";
                return t;
            case '>':
                if (n == '=') return two(Tok::Ge, ">=");
                t.kind = Tok::Gt;
                t.text = ">";
                return t;
            case '*':
                if (n == '*') return two(Tok::Power, "**");
                t.kind = Tok::Star;
                t.text = "*";
                return t;
            case '#':
                t.kind = Tok::Ne;
                t.text = "#";
                return t;
            case '+':
                t.kind = Tok::Plus;
                t.text = "+";
                return t;
            case '-':
                t.kind = Tok::Minus;
                t.text = "-";
                return t;
            case '/':
                t.kind = Tok::Slash;
                t.text = "/";
                return t;
            case '^':
                t.kind = Tok::Power;
                t.text = "^";
                return t;
            case '$':
                t.kind = Tok::Dollar;
                t.text = "$";
                return t;
            case '(':
                t.kind = Tok::LParen;
                t.text = "(";
                return t;
            case ')':
                t.kind = Tok::RParen;
                t.text = ")";
                return t;
            case ',':
                t.kind = Tok::Comma;
                t.text = ",";
                return t;
            default:
                t.kind = Tok::Bad;
                t.text = std::string(1, c);
                return t;
        }
    }

    Token ScanNumber() {
        Token t;
        bool point = false;
        std::string s;
        for (;;) {
            char c = UpperAsciiChar(At(pos_));
            if (IsDigit(c) || c == 'E') {
                s += c;
            } else if (c == '.' && !point) {
                point = true;
                s += c;
            } else {
                break;
            }
            ++pos_;
        }
        // The longest number at the start of the literal counts ("1E" is 1).
        double v = 0;
        auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
        if (r.ec == std::errc::result_out_of_range)
            v = TextToNumber(s);
        else if (r.ec != std::errc())
            v = 0;
        t.kind = Tok::Number;
        t.number = v;
        SetDefaultDecimals();
        lastFieldLength_ = 0;
        return t;
    }

    Token ScanString(char quote) {
        Token t;
        ++pos_;
        std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != quote && text_[pos_] != '\0') ++pos_;
        if (At(pos_) != quote) throw CompileError{"Syntax error"};
        std::string lit(text_.substr(start, pos_ - start));
        ++pos_;
        poolEstimate_ += static_cast<uint32_t>(lit.size()) + 1;
        SetDefaultDecimals();
        lastFieldLength_ = 0;
        t.kind = Tok::String;
        t.literal = static_cast<int>(e_.literals.size());
        e_.literals.push_back(std::move(lit));
        return t;
    }

    std::string ReadName() {
        std::string name;
        while (IsLetter(At(pos_)) || IsDigit(At(pos_)) || At(pos_) == '.' || At(pos_) == '_')
            name += UpperAsciiChar(At(pos_++));
        return name;
    }

    bool NextIsParen() const {
        std::size_t i = pos_;
        while (At(i) == ' ' || At(i) == '\t') ++i;
        return At(i) == '(';
    }

    Token ScanName() {
        Token t;
        std::string name = ReadName();
        int area = 0;
        bool aliased = false;
        if (At(pos_) == '-' && At(pos_ + 1) == '>') {
            // alias->field: the field of another work area.
            pos_ += 2;
            aliased = true;
            std::string alias = name;
            if (!(IsLetter(At(pos_)) || At(pos_) == '.' || At(pos_) == '_'))
                throw CompileError{"Syntax error"};
            name = ReadName();
            area = src_.FindAlias(alias);
            if (area == 0) throw CompileError{"Syntax error"};
        }
        ExprFieldInfo info;
        int field = src_.FindField(aliased ? area : src_.CurrentAreaNumber(), name, info);
        bool fieldType =
            field > 0 && std::string_view("CDNFLM").find(info.type) != std::string_view::npos;
        if (fieldType && !NextIsParen()) {
            t.kind = Tok::Field;
            t.text = name;
            t.area = area;
            t.field = field;
            t.info = info;
            if (info.type == 'C') poolEstimate_ += static_cast<uint32_t>(info.length) + 1;
            if (info.type == 'N' || info.type == 'F') {
                if (!decimalsSet_)
                    decimals_ = info.decimals;
                else
                    decimals_ = kDefaultDecimals;
                decimalsSet_ = true;
            }
            lastFieldLength_ = info.length;
            return t;
        }
        if (aliased) throw CompileError{"Syntax error"};
        const KeywordEntry* k = FindKeyword(name);
        if (!k) throw CompileError{"Syntax error"};
        poolEstimate_ += k->poolContribution;
        SetDefaultDecimals();
        lastFieldLength_ = 0;
        t.keyword = k;
        t.text = k->name;
        switch (k->kind) {
            case KeywordKind::Function: t.kind = Tok::Function; break;
            case KeywordKind::True: t.kind = Tok::True; break;
            case KeywordKind::False: t.kind = Tok::False; break;
            case KeywordKind::Not: t.kind = Tok::Not; break;
            case KeywordKind::And: t.kind = Tok::And; break;
            case KeywordKind::Or: t.kind = Tok::Or; break;
        }
        return t;
    }

    // ------------------------------------------------------------ parser
    // Pending symbols of the parse, as an LR parser's state stack would hold
    // them; more than its 150 entries is an overflow.
    struct Depth {
        Depth(Compiler& c, int n) : c_(c), n_(n) {
            c_.depth_ += n_;
            if (c_.depth_ >= kParserStackEntries) throw CompileError{"Parser_stack_overflow"};
        }
        ~Depth() { c_.depth_ -= n_; }
        Compiler& c_;
        int n_;
    };
    void Push(int n) {
        depth_ += n;
        if (depth_ >= kParserStackEntries) throw CompileError{"Parser_stack_overflow"};
    }

    static int LevelOf(Tok k) {
        switch (k) {
            case Tok::Power: return 2;
            case Tok::Star:
            case Tok::Slash: return 3;
            case Tok::Plus:
            case Tok::Minus: return 4;
            case Tok::Lt:
            case Tok::Gt:
            case Tok::Le:
            case Tok::Ge: return 5;
            case Tok::ExactEq:
            case Tok::Dollar: return 6;
            case Tok::Eq:
            case Tok::Ne: return 7;
            case Tok::And: return 8;
            case Tok::Or: return 9;
            default: return 0;
        }
    }

    void Emit(uint16_t op, int argc) {
        ExprInstr in;
        in.op = op;
        in.argCount = static_cast<uint8_t>(argc);
        e_.code.push_back(in);
    }

    // Binary operators of levels 2..9 over unary operands.
    ExprType ParseLevel(int level) {
        if (level == 1) return ParseUnary();
        ExprType left = ParseLevel(level - 1);
        while (LevelOf(tok_.kind) == level) {
            std::string op = tok_.text;
            Next();
            ExprType right;
            {
                Depth d(*this, 2);
                right = ParseLevel(level - 1);
            }
            TypeRule r = BinaryRule(op, left, right);
            if (!r.ok)
                throw CompileError{"PARSER:Unvereinbare Typen in Ausdruck \"" +
                                   OperatorErrorName(op, false) + "\""};
            Emit(r.op, 2);
            left = r.result;
        }
        return left;
    }

    ExprType ParseUnary() {
        if (tok_.kind == Tok::Minus || tok_.kind == Tok::Plus || tok_.kind == Tok::Not) {
            std::string op = tok_.kind == Tok::Not ? std::string(".NOT.") : tok_.text;
            Next();
            ExprType a;
            {
                Depth d(*this, 1);
                a = ParseUnary();
            }
            TypeRule r = UnaryRule(op, a);
            if (!r.ok)
                throw CompileError{"PARSER:Unvereinbare Typen in Ausdruck \"" +
                                   OperatorErrorName(op, true) + "\""};
            if (r.emitsCode) Emit(r.op, 1);
            return r.result;
        }
        return ParsePrimary();
    }

    ExprType ParsePrimary() {
        Token t = tok_;
        switch (t.kind) {
            case Tok::Number: {
                Next();
                ExprInstr in;
                in.op = kOpPushN;
                in.type = ExprType::N;
                in.number = t.number;
                e_.code.push_back(in);
                return ExprType::N;
            }
            case Tok::String: {
                Next();
                ExprInstr in;
                in.op = kOpPushC;
                in.type = ExprType::C;
                in.literal = t.literal;
                e_.code.push_back(in);
                return ExprType::C;
            }
            case Tok::True:
            case Tok::False: {
                Next();
                ExprInstr in;
                in.op = kOpPushL;
                in.type = ExprType::L;
                in.logical = t.kind == Tok::True ? 1 : 0;
                e_.code.push_back(in);
                return ExprType::L;
            }
            case Tok::Field: {
                Next();
                ExprInstr in;
                in.type = TypeOfField(t.info.type);
                switch (in.type) {
                    case ExprType::C: in.op = kOpFieldC; break;
                    case ExprType::L: in.op = kOpFieldL; break;
                    case ExprType::D: in.op = kOpFieldD; break;
                    case ExprType::M: in.op = kOpFieldM; break;
                    default: in.op = kOpFieldN; break;
                }
                in.area = t.area;
                in.field = t.field;
                in.length = t.info.length;
                in.argCount = t.area ? 2 : 1;
                e_.code.push_back(in);
                return in.type;
            }
            case Tok::LParen: {
                Next();
                ExprType inner;
                {
                    Depth d(*this, 1);
                    inner = ParseLevel(9);
                }
                if (tok_.kind != Tok::RParen) throw CompileError{"Syntax error"};
                Next();
                return inner;
            }
            case Tok::Function: return ParseCall(t);
            default: throw CompileError{"Syntax error"};
        }
    }

    ExprType ParseCall(const Token& fn) {
        Next();
        if (tok_.kind != Tok::LParen) throw CompileError{"Syntax error"};
        Next();
        std::vector<ExprType> args;
        // The name and "(" stay pending, and so does every argument with its
        // "," while the next one is parsed.
        Depth d(*this, 2);
        if (tok_.kind != Tok::RParen) {
            args.push_back(ParseLevel(9));
            int pending = 0;
            while (tok_.kind == Tok::Comma) {
                Next();
                Push(2);
                pending += 2;
                args.push_back(ParseLevel(9));
            }
            depth_ -= pending;
        }
        if (tok_.kind != Tok::RParen) throw CompileError{"Syntax error"};
        Next();
        TypeRule r = FunctionRule(fn.text, args);
        if (r.countError) throw CompileError{"Syntax error"};
        if (!r.ok) throw CompileError{"PARSER:Unvereinbare Typen in Funktion \"" + fn.text + "\""};
        Emit(r.op, static_cast<int>(args.size()));
        return r.result;
    }

    std::string_view text_;
    CompiledExpr& e_;
    ExprFieldSource& src_;
    Token tok_;
    int depth_ = 0;
};

void ResetPendingExprErrors() {
    if (ErrorState.lastErrorCode >= 350 && ErrorState.lastErrorCode <= 363)
        ErrorState.lastErrorCode = 0;
    if (ErrorState.pendingErrorCode >= 350 && ErrorState.pendingErrorCode <= 363) {
        ErrorState.pendingErrorCode = 0;
        ErrorState.contextText.clear();
    }
}

void SizeResult(CompiledExpr& e, const Compiler& c) {
    switch (c.resultType_) {
        case ExprType::C: {
            // One C field, alone or under a function that keeps its length.
            bool oneField =
                !e.code.empty() && e.code[0].op == kOpFieldC &&
                (e.code.size() == 1 ||
                 (e.code.size() == 2 && (e.code[1].op == kFnUpper || e.code[1].op == kFnLower)));
            e.resultLength = oneField ? static_cast<uint16_t>(e.code[0].length) : 0;
            e.decimals = 0;
            break;
        }
        case ExprType::N: {
            int dec = c.decimalsSet_ ? c.decimals_ : kDefaultDecimals;
            e.decimals = static_cast<uint8_t>(dec);
            e.resultLength = static_cast<uint16_t>(
                c.lastFieldLength_ >= dec + 2 ? c.lastFieldLength_ : dec + 11);
            break;
        }
        case ExprType::D:
            e.resultLength = 8;
            e.decimals = 0;
            break;
        case ExprType::L:
            e.resultLength = 1;
            e.decimals = 0;
            break;
        case ExprType::M:
            e.resultLength = e.poolSize;
            e.decimals = 0;
            break;
    }
}

}  // namespace

char ExprTypeLetter(ExprType t) {
    switch (t) {
        case ExprType::C: return 'C';
        case ExprType::N: return 'N';
        case ExprType::L: return 'L';
        case ExprType::D: return 'D';
        default: return 'M';
    }
}

std::string ExprPositionReport(const std::string& detail, std::string_view text,
                               std::size_t errorPos) {
    std::string window;
    std::size_t start = 0;
    if (errorPos < 50) {
        window = "[";
    } else {
        window = "[...";
        start = errorPos - 50;
    }
    std::string_view rest = start < text.size() ? text.substr(start) : std::string_view();
    if (rest.size() <= 51) {
        window.append(rest);
        window += "]";
    } else {
        window.append(rest.substr(0, 51));
        window += "...]";
    }
    return "Fehler in dBASE-Ausdruck : " + detail + "\r\n" + window + "\r\n" + " [AssignExpr]";
}

CompiledExpr* AssignExpr(const std::string& text) {
    ResetPendingExprErrors();
    CompiledExpr local;
    std::string error;
    std::size_t errorPos = 0;
    std::string_view src(text);
    std::size_t nul = src.find('\0');
    if (nul != std::string_view::npos) src = src.substr(0, nul);
    Compiler c(src, local);
    if (src.size() > kMaxExprText) {
        error = "Syntax error";
        errorPos = kMaxExprText;
    } else {
        try {
            c.Compile();
        } catch (const CompileError& ce) {
            error = ce.detail;
            errorPos = c.pos_;
        } catch (const std::bad_alloc&) {
            SetError(217, " [AssignExpr]");
            return nullptr;
        }
    }
    if (!error.empty()) {
        SetError(351, ExprPositionReport(error, src, errorPos));
        return nullptr;
    }
    local.source = text.substr(0, src.size());
    local.resultType = ExprTypeLetter(c.resultType_);
    local.poolSize = c.resultType_ == ExprType::M
                         ? kMemoPool
                         : static_cast<uint16_t>(std::min<uint32_t>(c.poolEstimate_, 65535));
    SizeResult(local, c);
    local.pool.assign(std::max<std::size_t>(local.poolSize, 16), '\0');
    local.stack.resize(8);

    void* node = RingAlloc(exprRing, sizeof(CompiledExpr));
    if (!node) {
        SetError(217, " [AssignExpr]");
        return nullptr;
    }
    return new (node) CompiledExpr(std::move(local));
}

void FreeExpr(CompiledExpr*& expr) {
    if (!expr) return;
    if (RingRemove(exprRing, expr)) {
        if (CurrentKeyExpr == expr) CurrentKeyExpr = nullptr;
        expr->~CompiledExpr();
        RingFreeNode(expr);
    }
    expr = nullptr;
}

const void* Evaluate(CompiledExpr*& expr) {
    if (!expr) return nullptr;
    CompiledExpr& e = *expr;
    RunExprCode(e);
    if (e.resultType == 'C' || e.resultType == 'M') {
        e.result = e.pool.data();
    } else if (e.stackTop == 0) {
        e.result = nullptr;
    } else if (e.resultType == 'L') {
        e.result = &e.stack[0].logical;
    } else {
        e.result = &e.stack[0].number;
    }
    return e.result;
}

std::string ExprSource(const CompiledExpr* expr) { return expr ? expr->source : std::string(); }

const void* EvaluateCurrentExpr() { return Evaluate(CurrentKeyExpr); }

std::string_view ExprResultText(const CompiledExpr* expr) {
    if (!expr || expr->stackTop == 0 || (expr->resultType != 'C' && expr->resultType != 'M'))
        return {};
    const ExprSlot& s = expr->stack[0];
    return std::string_view(expr->pool.data() + s.start, s.length);
}

double ExprResultNumber(const CompiledExpr* expr) {
    if (!expr || expr->stackTop == 0) return 0.0;
    return expr->stack[0].number;
}

bool ExprResultLogical(const CompiledExpr* expr) {
    if (!expr || expr->stackTop == 0) return false;
    return expr->stack[0].logical != 0;
}

namespace {
CompiledExpr* CompileSlot(const std::string& text) { return AssignExpr(text); }
void FreeSlot(CompiledExpr*& e) { FreeExpr(e); }
const void* EvaluateSlot(CompiledExpr*& e) { return Evaluate(e); }
std::string SourceSlot(const CompiledExpr* e) { return ExprSource(e); }
}  // namespace

void StartExpressionParser() {
    if (ParserLinked && ParserProcTable.compile) return;
    ParserProcTable.compile = &CompileSlot;
    ParserProcTable.free = &FreeSlot;
    ParserProcTable.evaluate = &EvaluateSlot;
    ParserProcTable.source = &SourceSlot;
    ParserLinked = true;
}

void ResetExpressionParser() {
    while (exprRing) {
        auto* e = static_cast<CompiledExpr*>(RingUnlink(exprRing));
        e->~CompiledExpr();
        RingFreeNode(e);
    }
    CurrentKeyExpr = nullptr;
}

std::size_t LiveExprCount() {
    std::size_t n = 0;
    for (void* p = RingNext(exprRing, nullptr); p; p = RingNext(exprRing, p)) ++n;
    return n;
}

}  // namespace veldrim
