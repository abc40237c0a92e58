// Index file format: the anchor, node bytes, keys made from records, the
// normalised expression text and the index file's name.
#include <charconv>
#include <cstring>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/expr/expr_keys.h"
#include "tables/index/ndx_internal.h"
#include "tables/engine/proc_tables.h"

namespace veldrim::ndx {

namespace {

char UpperAsciiChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

double GetDouble(const uint8_t* p) {
    double d;
    std::memcpy(&d, p, sizeof d);
    return d;
}

// Number text with fixed decimals, right-aligned to the width.
std::string NumberText(double v, int width, int decimals) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s = r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("*");
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

// Pads with blanks or cuts to the key length.
void FitKey(std::string& key, int length) { key.resize(static_cast<std::size_t>(length), ' '); }

// For one call, the table's record as a probe for its keys: the blank
// record after the last, or a record with every field filled (texts and
// numbers with "9", dates with a valid day, logicals true; memo references
// stay blank), in which a key whose length depends on the values shows it.
class ProbeRecord {
public:
    enum Kind { kBlank, kFilled };
    ProbeRecord(TWorkArea* a, Kind kind) : a_(a) {
        if (!a_ || a_->isVirtual) return;
        saved_ = a_->recordBuffer;
        number_ = a_->recordNumber;
        count_ = a_->recordCount;
        a_->recordBuffer.assign(a_->recordLength, ' ');
        if (kind == kBlank) {
            a_->recordNumber = a_->recordCount + 1;
            if (a_->binaryRecord) {
                binary_.assign(a_->binaryRecord, a_->binaryRecord + a_->binaryRecordSize);
                RecordToBinary(*a_, a_->binaryRecord);
            }
            return;
        }
        // The fields of an empty table read as blanks: the probe is a record.
        a_->recordCount = std::max(count_, 1);
        for (const TFieldEntry& f : a_->fields) {
            if (f.offset + f.length > a_->recordBuffer.size()) continue;
            uint8_t* at = a_->recordBuffer.data() + f.offset;
            if (f.type == 'C' || f.type == 'N' || f.type == 'F')
                std::memset(at, '9', f.length);
            else if (f.type == 'D' && f.length == 8)
                std::memcpy(at, "20000101", 8);
            else if (f.type == 'L' && f.length >= 1)
                *at = 'T';
        }
    }
    ~ProbeRecord() {
        if (!a_ || a_->isVirtual) return;
        a_->recordBuffer = std::move(saved_);
        a_->recordNumber = number_;
        a_->recordCount = count_;
        if (a_->binaryRecord && !binary_.empty() && binary_.size() == a_->binaryRecordSize)
            std::memcpy(a_->binaryRecord, binary_.data(), binary_.size());
    }
    ProbeRecord(const ProbeRecord&) = delete;
    ProbeRecord& operator=(const ProbeRecord&) = delete;

private:
    TWorkArea* a_;
    std::vector<uint8_t> saved_;
    std::vector<uint8_t> binary_;
    int32_t number_ = 0;
    int32_t count_ = 0;
};

// Raw key text of the current record before padding: the folded expression
// text (OEM for OEM tables) or the KeyMaker's text; numbers as 8 bytes.
// `textLength` receives the length of the text before folding.
std::string RawKey(TIndex& ix, std::size_t* textLength = nullptr) {
    TWorkArea* a = WorkAreas[ix.area];
    const bool oem = a && a->oemText;
    if (textLength) *textLength = 0;
    if (ix.keyMaker) {
        std::string text = InArea(ix.area, [&] { return ix.keyMaker(ix.order); });
        if (text.size() > kMaxKeyLength) text.resize(kMaxKeyLength);
        if (ix.soundex) text = Soundex(text);
        if (textLength) *textLength = text.size();
        if (ix.soundex) return text;
        return oem ? AnsiToOemStr(text) : text;
    }
    if (!ix.expr || !ParserProcTable.evaluate) return {};
    const void* r = InArea(ix.area, [&] { return ParserProcTable.evaluate(ix.expr); });
    if (!r) return {};
    if (ix.exprType == 'C') {
        std::string text(ExprResultText(ix.expr));
        if (textLength) *textLength = std::min<std::size_t>(text.size(), kMaxKeyLength);
        if (ix.FoldedKeys())
            text = FoldKeyText(text);
        else if (text.size() > kMaxKeyLength)
            text.resize(kMaxKeyLength);
        return oem ? AnsiToOemStr(text) : text;
    }
    double v = ExprResultNumber(ix.expr);
    std::string k(8, '\0');
    std::memcpy(k.data(), &v, 8);
    return k;
}

}  // namespace

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string FoldKeyText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size() && i < kMaxKeyLength; ++i) {
        auto c = static_cast<uint8_t>(text[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<uint8_t>(c - 'A' + 'a');
        else if (c == 196)
            c = 228;  // Ä
        else if (c == 214)
            c = 246;  // Ö
        else if (c == 220)
            c = 252;  // Ü
        switch (c) {
            case 228: out += "ae"; break;
            case 246: out += "oe"; break;
            case 252: out += "ue"; break;
            case 223: out += "ss"; break;
            default: out += static_cast<char>(c);
        }
    }
    if (out.size() > kMaxKeyLength) out.resize(kMaxKeyLength);
    return out;
}

std::string NormaliseExpression(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = text.find(c, i + 1);
            out += '"';
            out += text.substr(i + 1, (end == std::string::npos ? text.size() : end) - i - 1);
            if (end == std::string::npos) break;
            out += '"';
            i = end;
        } else if (c != ' ' && c != '\t') {
            out += UpperAsciiChar(c);
        }
    }
    return out;
}

std::string NormaliseNameList(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = text.find(c, i + 1);
            const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
            out += text.substr(i, stop - i);
            i = stop - 1;
        } else if (c == ' ' || c == '\t') {
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (next != '\0' && next != ' ' && next != '\t' && next != '"' && next != '\'' &&
                next != '=')
                out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string IndexFileName(const std::string& name, const TWorkArea& table) {
    std::string n = name;
    // A name without a folder lies beside its table; only "/" separates
    // folders; a backslash and ":" are letters of the name.
    if (n.find('/') == std::string::npos) {
        std::string dir, base, ext;
        SplitFileName(table.fileName, dir, base, ext);
        n = dir + n;
    }
    std::string dir, base, ext;
    SplitFileName(n, dir, base, ext);
    if (ext.empty()) n += ".NDX";
    return FindFileNoCase(n);
}

std::string StripOptions(const std::string& text, TNameOptions& opt) {
    // Option words stand after the name, separated by blanks, in any case.
    std::string rest = text;
    for (;;) {
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
        const std::size_t blank = rest.find_last_of(" \t");
        if (blank == std::string::npos) break;
        std::string word = rest.substr(blank + 1);
        for (char& c : word) c = UpperAsciiChar(c);
        if (word == "UNIQUE")
            opt.unique = true;
        else if (word == "NOCACHE")
            opt.noCache = true;
        else if (word == "SOUNDEX")
            opt.soundex = true;
        else if (word == "DESCENDING")
            opt.descending = true;
        else
            break;
        rest.resize(blank);
    }
    std::size_t start = rest.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : rest.substr(start);
}

uint16_t EntrySizeFor(int keyLength) {
    return static_cast<uint16_t>(8 + ((keyLength + 3) / 4) * 4);
}

void EncodeAnchor(const TAnchor& a, uint8_t* b) {
    std::memset(b, 0, 24);
    PutU32(b, a.root);
    PutU32(b + 4, a.nextFree);
    b[8] = a.changing ? 1 : 0;
    b[9] = a.typeLetter ? static_cast<uint8_t>(a.keyType) : 0;
    PutU16(b + 12, a.keyLength);
    PutU16(b + 14, a.maxKeys);
    PutU16(b + 16, a.keyClass);
    PutU16(b + 18, a.entrySize);
    b[23] = a.unique ? 1 : 0;
}

TAnchor DecodeAnchor(const uint8_t* b) {
    TAnchor a;
    a.root = GetU32(b);
    a.nextFree = GetU32(b + 4);
    a.changing = b[8] != 0;
    a.keyType = static_cast<char>(b[9]);
    a.typeLetter = b[9] != 0;
    a.keyLength = GetU16(b + 12);
    a.maxKeys = GetU16(b + 14);
    a.keyClass = GetU16(b + 16);
    a.entrySize = GetU16(b + 18);
    a.unique = b[23] != 0;
    return a;
}

bool AnchorSane(const TAnchor& a) {
    if (!a.typeLetter) {
        // Key class 0: character keys; 1: numbers and dates as 8-byte doubles.
        if (a.keyClass > 1 || (a.keyClass == 1 && a.keyLength != 8)) return false;
    } else if (a.keyType != 'C' && a.keyType != 'N' && a.keyType != 'F' && a.keyType != 'D') {
        return false;
    } else if (a.keyType != 'C' && a.keyLength != 8) {
        return false;
    }
    if (a.keyLength > kMaxKeyLength) return false;
    if (a.entrySize != EntrySizeFor(a.keyLength)) return false;
    return a.maxKeys >= 2 && a.maxKeys <= 504 / a.entrySize && a.root >= 1 && a.nextFree >= 2;
}

bool ResolveKeyType(TAnchor& a, char resultType) {
    if (!a.typeLetter) {
        if ((resultType == 'C') != (a.keyClass == 0)) return false;
        a.keyType = resultType;
    }
    return (resultType == 'C') == (a.keyType == 'C');
}

std::vector<uint8_t> AnchorBlock(const TAnchor& a, const std::string& expression,
                                 int32_t recordCount, const std::string& tableName) {
    std::vector<uint8_t> b(kNdxBlock, 0);
    EncodeAnchor(a, b.data());
    std::memcpy(b.data() + 24, expression.data(), std::min<std::size_t>(expression.size(), 100));
    PutU32(b.data() + 488, ~static_cast<uint32_t>(recordCount));
    PutU32(b.data() + 492, static_cast<uint32_t>(recordCount));
    std::memcpy(b.data() + 496, tableName.data(), std::min<std::size_t>(tableName.size(), 12));
    return b;
}

int CompareKeys(const TIndex& ix, const uint8_t* a, const uint8_t* b) {
    if (ix.Character()) return CompareBytes(a, b, ix.anchor.keyLength);
    return CompareDoubles(GetDouble(a), GetDouble(b));
}

namespace {

// A raw key in its stored form: a character key padded or cut to the key
// length (a DESCENDING key maker's bytes inverted); false when a number or
// date key has no 8 bytes.
bool FitRawKey(const TIndex& ix, std::string& key) {
    if (ix.Character()) {
        FitKey(key, ix.anchor.keyLength);
        if (ix.keyMaker && ix.descending)
            for (char& c : key) c = static_cast<char>(~static_cast<uint8_t>(c));
        return true;
    }
    return key.size() == 8;
}

}  // namespace

bool MakeKey(TIndex& ix, std::string& key) {
    key = RawKey(ix);
    return FitRawKey(ix, key);
}

KeyMade MakeCheckedKey(TIndex& ix, std::string& key, const std::string& where) {
    std::size_t length = 0;
    key = RawKey(ix, &length);
    if (ix.Character() && ix.textLength >= 0 && static_cast<int>(length) != ix.textLength) {
        KeyLengthError(ix, key, where);
        return KeyMade::kRefused;
    }
    return FitRawKey(ix, key) ? KeyMade::kMade : KeyMade::kNoValue;
}

std::string BlankRecordKey(TIndex& ix) {
    ProbeRecord blank(WorkAreas[ix.area], ProbeRecord::kBlank);
    std::size_t length = 0;
    std::string key = RawKey(ix, &length);
    ix.textLength = static_cast<int>(length);
    return key;
}

std::string KeyLengthCause(const TIndex& ix, KeyLengthFault fault) {
    if (ix.keyMaker)
        return std::string(
            "Ungültige Schlüssellänge von anwender-definiertem KeyMaker geliefert."_cp850);
    // An expression index: the expression, as the file keeps it, is the cause.
    std::string text =
        std::string("Ungültige Schlüssellänge: der Index-Ausdruck "_cp850) + ix.expression;
    switch (fault) {
        case KeyLengthFault::kEmpty:
            return text + std::string(" ergibt einen leeren Schlüssel."_cp850);
        case KeyLengthFault::kTooLong:
            return text + std::string(" ergibt einen Schlüssel von mehr als 100 Zeichen."_cp850);
        case KeyLengthFault::kUndecided:
            // Blank and filled fields give keys of different lengths.
            return text +
                   std::string(
                       " ergibt auf einer Tabelle ohne Datensätze keine bestimmbare Schlüssellänge."_cp850);
        case KeyLengthFault::kVaries: break;
    }
    return text + std::string(" ergibt Schlüssel, die verschieden lang sind."_cp850);
}

void KeyLengthError(const TIndex& ix, const std::string& key, const std::string& where,
                    KeyLengthFault fault) {
    const int n = ix.anchor.keyLength;
    SetError(266, KeyLengthCause(ix, fault) + "\n\rErwartete Länge= "_cp850.data() +
                      std::string(n < 100 ? (n < 10 ? 2 : 1) : 0, ' ') + std::to_string(n) +
                      "\n\r" + std::string("Schlüssel= "_cp850) + "[" + key + "] " + where);
}

bool KeyLengthVaries(TIndex& ix, const std::string& where, bool standIn) {
    if (!ix.Character() || ix.keyMaker || ix.textLength < 0) return false;
    TWorkArea* a = WorkAreas[ix.area];
    // A table without records has no key to decide; the filled record stands
    // in only for a new index. A file that exists keeps its key length (every
    // key it held had it), and each record appended gets its key checked.
    if (!standIn && a && !a->isVirtual && a->recordCount == 0) return false;
    std::string key;
    {
        ProbeRecord filled(a, ProbeRecord::kFilled);
        std::size_t length = 0;
        key = RawKey(ix, &length);
        if (static_cast<int>(length) == ix.textLength) return false;
    }
    // The filled record only stands in for records the table does not have:
    // where it has records, they decide (SUBSTR(NAME,POS,3) is empty on the
    // filled record alone).
    if (a && !a->isVirtual && a->recordCount > 0)
        return !EachRecord(ix, 1, a->recordCount, [&](int32_t) {
            return MakeCheckedKey(ix, key, where) != KeyMade::kRefused;
        });
    KeyLengthError(ix, key, where, KeyLengthFault::kUndecided);
    return true;
}

bool EachRecord(TIndex& ix, int32_t from, int32_t to, const std::function<bool(int32_t)>& fn) {
    TWorkArea* a = WorkAreas[ix.area];
    if (!a || a->isVirtual || from > to) return true;
    KeepRecord keep(*a);
    for (int32_t r = std::max(from, 1); r <= to; ++r) {
        GetDbfRecord(*a, r);
        if (ErrorState.lastErrorCode != 0) return false;
        a->recordNumber = r;
        // A key maker reads the binary record, as callers see the record.
        if (ix.keyMaker) InArea(ix.area, [] { ConvertRecord(); });
        if (!fn(r)) return false;
    }
    return true;
}

std::string KeyDisplayText(TIndex& ix) {
    if (ix.keyMaker) return InArea(ix.area, [&] { return ix.keyMaker(ix.order); });
    std::string key;
    if (!MakeKey(ix, key)) return {};
    const TWorkArea* a = WorkAreas[ix.area];
    if (ix.anchor.keyType == 'C') return a && a->oemText ? OemToAnsiStr(key) : key;
    const double v = GetDouble(reinterpret_cast<const uint8_t*>(key.data()));
    if (ix.anchor.keyType == 'D') return JulianToDateText(v);
    return NumberText(v, ix.exprLength, ix.exprDecimals);
}

void Damaged(const TIndex& ix, const std::string& where) {
    SetError(254, std::string("Index-Datei beschädigt. "_cp850) + ShownFileName(ix.fileName) +
                      " [" + where + "]");
}

TIndex::~TIndex() {
    if (expr && ParserProcTable.free) ParserProcTable.free(expr);
    if (fd >= 0) CloseTableFile(fd);
}

}  // namespace veldrim::ndx
