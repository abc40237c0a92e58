// A number text as the digits a number field stores, worked on the decimal
// digits themselves.
#include "tables/engine/number_digits.h"

#include <algorithm>
#include <cstdint>

#include "foundation/codepage.h"

namespace veldrim {

namespace {

// A number text read as: sign, significant digits (no leading zero) and the
// count of them that stand before the point (may be negative or beyond the
// digits). No digits: zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int64_t whole = 0;
};

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ReadDecimal(std::string_view s, Decimal& d) {
    s = Trimmed(s);
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        d.negative = s[0] == '-';
        s.remove_prefix(1);
    }
    std::size_t i = 0;
    bool point = false, anyDigit = false;
    int64_t before = 0;  // digits written before the point
    std::string mantissa;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !point) {
            point = true;
        } else if (IsDigit(c)) {
            anyDigit = true;
            mantissa += c;
            if (!point) ++before;
        } else {
            break;
        }
    }
    if (!anyDigit) return false;
    int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) negativeExponent = s[i++] == '-';
        if (i >= s.size() || !IsDigit(s[i])) return false;
        // Beyond a million places every field is too narrow, or the number
        // rounds to zero: the count stops growing there.
        for (; i < s.size() && IsDigit(s[i]); ++i)
            exponent = std::min<int64_t>(exponent * 10 + (s[i] - '0'), 1000000);
        if (negativeExponent) exponent = -exponent;
    }
    if (i != s.size()) return false;
    const std::size_t first = mantissa.find_first_not_of('0');
    if (first == std::string::npos) return true;  // zero
    const std::size_t last = mantissa.find_last_not_of('0');
    d.digits = mantissa.substr(first, last - first + 1);
    d.whole = before - static_cast<int64_t>(first) + exponent;
    return true;
}

// The number in whole units of the last place (10^-decimals), rounded to the
// nearest, a half to the even neighbour, or cut: its digits, "" for zero.
std::string Units(const Decimal& d, int decimals, bool cut) {
    const int64_t keep = d.whole + decimals;  // digits of d.digits that stay
    if (d.digits.empty() || keep < 0) return {};
    const auto kept = static_cast<std::size_t>(std::min<int64_t>(keep, d.digits.size()));
    std::string units = d.digits.substr(0, kept);
    units.append(static_cast<std::size_t>(keep) - kept, '0');
    const std::string_view rest = std::string_view(d.digits).substr(kept);
    // rest has no trailing zero: a lone "5" is the half.
    bool up = false;
    if (!rest.empty() && !cut) {
        if (rest[0] > '5' || (rest[0] == '5' && rest.size() > 1))
            up = true;
        else if (rest[0] == '5')
            up = !units.empty() && (units.back() - '0') % 2 == 1;
    }
    if (up) {
        int i = static_cast<int>(units.size()) - 1;
        for (; i >= 0 && units[i] == '9'; --i) units[i] = '0';
        if (i >= 0)
            ++units[i];
        else
            units.insert(units.begin(), '1');
    }
    const std::size_t nonZero = units.find_first_not_of('0');
    return nonZero == std::string::npos ? std::string() : units.substr(nonZero);
}

}  // namespace

FieldNumberDigits DigitsForField(std::string_view text, int length, int decimals, bool cut) {
    FieldNumberDigits out;
    Decimal d;
    if (!ReadDecimal(text, d)) return out;
    decimals = std::max(decimals, 0);
    // A number with more places before the point than the field has
    // characters needs no rounding to be too wide.
    if (!d.digits.empty() && d.whole > length) {
        out.kind = FieldNumberDigits::tooWide;
        return out;
    }
    std::string units = Units(d, decimals, cut);
    const bool zero = units.empty();
    if (units.size() < static_cast<std::size_t>(decimals) + 1)
        units.insert(0, static_cast<std::size_t>(decimals) + 1 - units.size(), '0');
    if (decimals > 0) units.insert(units.size() - static_cast<std::size_t>(decimals), 1, '.');
    if (d.negative && !zero) units.insert(units.begin(), '-');
    out.kind = static_cast<int>(units.size()) <= length ? FieldNumberDigits::fits
                                                        : FieldNumberDigits::tooWide;
    out.digits = std::move(units);
    return out;
}

FieldNumberDigits TypedDigitsForField(std::string_view text, int length, int decimals) {
    std::string t(text);
    if (const auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    return DigitsForField(t, length, decimals);
}

std::string RefusalOfTypedNumber(std::string_view text, std::string_view name, int length,
                                 int decimals) {
    const std::string_view value = Trimmed(text);
    if (value.empty()) return {};
    std::string verdict;
    switch (TypedDigitsForField(value, length, decimals).kind) {
        case FieldNumberDigits::fits: return {};
        case FieldNumberDigits::tooWide: verdict = " passt nicht in das Feld "; break;
        case FieldNumberDigits::noNumber: verdict = " ist keine Zahl für das Feld "_cp850; break;
    }
    std::string places = std::to_string(length) + (length == 1 ? " Stelle" : " Stellen");
    if (decimals > 0)
        places += ", " + std::to_string(decimals) + (decimals == 1 ? " Dezimale" : " Dezimalen");
    return "Der Wert " + std::string(value) + verdict + std::string(name) + " (" + places + ") !";
}

}  // namespace veldrim
