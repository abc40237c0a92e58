// LOCATE and CONTINUE: the search for the next record whose fields hold given
// values, and the memo search they share.
#include "tables/bulk/bulk_verbs.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "tables/bulk/bulk_io.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/navigation.h"
#include "tables/engine/number_digits.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

using namespace bulk;

namespace {

// LOCATE state.
struct LocateState {
    std::string value;
    uint8_t field = 0;
    bool caseSensitive = false;
    bool exact = false;
    bool contained = false;
    // The value sought is no number the field can hold: no record matches.
    bool matchesNone = false;
} locate;

// The text by which a number field of entry `f` is compared: the digits it
// stores for the number in `number`, right-aligned to the field's length, a
// blank field holding 0. Worked on the decimal digits, so that numbers
// beyond 64 bits and beyond a double's 15 to 17 digits keep their value.
// Not `fits`: the field cannot hold the number, or the text is no number
// (a field filled with "*" among them); `t` is then left as it was.
FieldNumberDigits::Kind ComparedNumber(const TFieldEntry& f, std::string_view number,
                                       std::string& t) {
    const bool blank = std::all_of(number.begin(), number.end(),
                                   [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    const FieldNumberDigits d = DigitsForField(blank ? "0" : number, f.length, f.decimals);
    if (d.kind == FieldNumberDigits::fits)
        t.assign(f.length - d.digits.size(), ' ').append(d.digits);
    return d.kind;
}

// The field's text of a stored record as LOCATE compares it, into `t`; the
// scan keeps one `t` for all records, so a character field costs no
// allocation per record. False when the field holds no number that a value
// can match (a field of "*").
bool FieldTextOf(const TWorkArea& a, const TFieldEntry& f, const uint8_t* raw, std::string& t) {
    // Of a character field only the characters that Matches compares.
    const std::size_t compared = locate.exact || locate.contained
                                     ? f.length
                                     : std::min<std::size_t>(f.length, locate.value.size());
    t.assign(reinterpret_cast<const char*>(raw) + f.offset, f.type == 'C' ? compared : f.length);
    switch (f.type) {
        case 'C':
            if (a.oemText) OemToAnsiBuff(reinterpret_cast<uint8_t*>(t.data()), t.size());
            return true;
        case 'D': {
            const std::string d = AllTrim(t);
            t = d.size() == 8 ? DigitsToDate(d) : BlankDate(DateFormat);
            return true;
        }
        case 'N':
        case 'F': return ComparedNumber(f, std::string(t), t) == FieldNumberDigits::fits;
        case 'L':
            t = (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y') ? "T" : "F";
            return true;
        default: return true;
    }
}

}  // namespace

namespace bulk {

void ResetLocateState() { locate = LocateState{}; }

}  // namespace bulk

namespace {

int LocateCountSum(const std::string& clauseIn) {
    std::string clause = UpperWin1252(AllTrim(clauseIn)) + " ";
    locate.caseSensitive = !StripKeyword(" NOCASE", clause);
    clause += " ";
    locate.exact = StripKeyword(" EXACT", clause);
    clause += " ";
    locate.contained = StripKeyword(" CONTAINED", clause);
    clause = AllTrim(clause);
    if (clause.empty()) {
        SetError(220, "No field name specified [Locate/Count/Sum]");
        return 0;
    }
    const int n = FieldNo(clause);
    if (n == 0) SetError(220, "Unrecognized field name [Locate/Count/Sum(" + clause + ")]");
    return n;
}

// The value sought as the field's text, into `out`. False when it is no
// number a number field can hold: too wide for it, not finite, or a text
// without digits ("*****", "abc").
bool ValueText(const TFieldEntry& f, const LocateVariant& value, bool exact, std::string& out) {
    out.clear();
    const bool number = f.type == 'N' || f.type == 'F';
    if (const auto* d = std::get_if<double>(&value)) {
        if (number)
            return std::isfinite(*d) &&
                   ComparedNumber(f,
                                  FixedText(f.decimals > 0 ? *d : std::nearbyint(*d), f.decimals),
                                  out) == FieldNumberDigits::fits;
        out = f.type == 'L' ? (*d != 0 ? "T" : "F") : FixedText(*d, f.decimals);
        return true;
    }
    if (const auto* b = std::get_if<bool>(&value)) {
        out = *b ? "T" : "F";
        return true;
    }
    const std::string& s = std::get<std::string>(value);
    if (number) {
        // The digits of a number text, exactly; a text that is none read as
        // far as it holds digits, with the program's decimal separator.
        const FieldNumberDigits::Kind kind = ComparedNumber(f, s, out);
        if (kind != FieldNumberDigits::noNumber) return kind == FieldNumberDigits::fits;
        std::string clean = s;
        CleanNumberText(clean);
        return !clean.empty() && ComparedNumber(f, clean, out) == FieldNumberDigits::fits;
    }
    switch (f.type) {
        case 'C': out = exact ? PadRightStr(s, f.length) : s; return true;
        case 'L': {
            const char c = s.empty() ? 'F' : s[0];
            out = (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? "T" : "F";
            return true;
        }
        default: out = s; return true;
    }
}

// Compares a field's text (changed in place) with the sought value.
bool Matches(std::string& text) {
    if (locate.matchesNone) return false;
    if (!locate.exact && !locate.contained && text.size() > locate.value.size())
        text.resize(locate.value.size());
    if (!locate.caseSensitive)
        for (char& c : text) c = UpperWin1252Char(c);
    if (locate.contained) return text.find(locate.value) != std::string::npos;
    return text == locate.value;
}

void LocateScan(int32_t fromRec, uint8_t fieldNo, bool first) {
    TWorkArea* a = CurrentWorkArea();
    FlushRecordBlocks(*a);
    if (first) {
        if (!locate.exact) locate.value = TrimRightStr(locate.value);
        if (!locate.caseSensitive) locate.value = UpperWin1252(locate.value);
        locate.field = fieldNo;
    }
    RefreshRecCount();
    const TFieldEntry& f = a->fields[fieldNo - 1];
    int32_t hit = 0;
    if (a->isVirtual) {
        for (int32_t rec = std::max(1, fromRec); rec <= a->recordCount && !hit; ++rec) {
            std::string text = PeekAny(fieldNo, rec);
            if (f.type == 'N' || f.type == 'F') {
                // The number as the field shows it, with the program's
                // decimal separator.
                if (const auto p = text.find(DecimalSeparator); p != std::string::npos)
                    text[p] = '.';
                if (ComparedNumber(f, std::string(text), text) != FieldNumberDigits::fits) continue;
            }
            if (Matches(text)) hit = rec;
        }
    } else {
        const std::size_t recLen = a->recordLength;
        std::string text;
        bool failed = false;
        ScanRecordBlocks(*a, fromRec, [&](int32_t rec, uint8_t* block, int32_t have) {
            // The table's record hook first; the code page of the compared
            // text is converted field by field below.
            TranslateRecords(false, false, a->readHook, have * recLen, a->recordLength, block);
            for (int32_t k = 0; k < have && !hit; ++k) {
                const uint8_t* r = block + k * recLen;
                if (f.type == 'M') {
                    const int32_t ref = MemoBlockOfText(
                        std::string_view(reinterpret_cast<const char*>(r) + f.offset, f.length));
                    if (MemoContains(locate.value, ref)) hit = rec + k;
                    if (ErrorState.lastErrorCode) {
                        failed = true;
                        return true;
                    }
                } else {
                    if (FieldTextOf(*a, f, r, text) && Matches(text)) hit = rec + k;
                }
            }
            return hit != 0;
        });
        if (failed) return;
    }
    if (hit) {
        GO(hit);
        return;
    }
    GoBottom();
    if (a->recordCount > 0 && !a->eof) SKIP(1);
    locate.field = 0;
}

}  // namespace

bool MemoContains(const std::string& value, int32_t reference) {
    if (!MemoProcTable.assignMemo) {
        SetError(220, "MEMO unit not linked in [Count/Sum/Continue]");
        return false;
    }
    if (reference < 1) return false;
    for (std::string line : MemoProcTable.assignMemo(reference)) {
        if (!locate.caseSensitive) line = UpperWin1252(line);
        if (line.find(value) != std::string::npos) return true;
    }
    return false;
}

bool LocateValue(const std::string& fieldName, const LocateVariant& value, bool noCase,
                 int32_t fromRec, bool exact) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Locate")) return false;
    TWorkArea* a = CurrentWorkArea();
    const int n = LocateCountSum(fieldName + (noCase ? " NOCASE" : "") + (exact ? " EXACT" : ""));
    if (n == 0) return false;
    const TFieldEntry& f = a->fields[n - 1];
    if (f.type == 'M' && a->isVirtual) {
        GoPhantom();
        return false;
    }
    locate.matchesNone = !ValueText(f, value, exact, locate.value);
    LocateScan(fromRec, static_cast<uint8_t>(n), true);
    while (!a->eof && ErrorState.lastErrorCode == 0 && !RecordVisible()) Continue();
    return !a->eof;
}

void Continue() {
    if (NoDbfOpen("Continue")) return;
    if (locate.field == 0) {
        SetError(220, "Call to CONTINUE not preceeded by call to LOCATE. [Continue]");
        return;
    }
    LocateScan(CurrentWorkArea()->recordNumber + 1, locate.field, false);
}

bool LocateByFields(const std::string& fields, const std::vector<LocateVariant>& values,
                    bool noCase, bool move, bool exact) {
    if (NoDbfOpen("Locate")) return false;
    TWorkArea* a = CurrentWorkArea();
    const int32_t start = a->recordNumber;
    std::vector<std::string> names;
    for (std::size_t p = 0;;) {
        const auto q = fields.find(';', p);
        names.push_back(AllTrim(fields.substr(p, q == std::string::npos ? q : q - p)));
        if (q == std::string::npos) break;
        p = q + 1;
    }
    bool found = false;
    {
        RelationPause pause(a);
        if (names.size() > values.size()) {
            SetError(220, "[LocateByFields(" + fields + ")]");
            return false;
        }
        std::size_t i = 0;
        int32_t from = 1, matchRec = 0;
        for (;;) {
            if (!LocateValue(names[i], values[i], noCase, from, exact)) break;
            const int32_t rec = a->recordNumber;
            if (i == 0 || rec == matchRec) {
                matchRec = rec;
                if (++i == names.size()) {
                    found = true;
                    break;
                }
            } else {
                i = 0;  // start again with the first field from this record
            }
            from = rec;
        }
        if (!found || !move) {
            QuietEngineErrors quiet;
            GoIfValid(start);
        }
    }
    return found;
}

}  // namespace veldrim
