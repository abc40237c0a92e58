// Number formatting and unit labels.
//
// All number texts are built with std::to_chars and the program's own
// decimal separator, so no text depends on the C locale (the window toolkit
// sets the process locale). Extended reals carry about 19 significant
// digits; a fixed-point text shows at most 18 of them and fills the rest with zeros, and a value whose
// integer part needs more digits than the field's precision (at most 18) is
// written in the exponent form "1.23E20".

#include "foundation/formatting.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "foundation/codepage.h"
#include "foundation/guarded_math.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

constexpr int kMaxSignificant = 18;

// Texts of values that have no digits.
std::string NonFiniteText(Real x) {
    if (std::isnan(x)) return "NAN";
    return x < 0 ? "-INF" : "INF";
}

// The separator that to_chars wrote (always '.', but some library versions
// format long double through printf, which follows LC_NUMERIC) becomes the
// program's own.
void SetSeparator(std::string& s, char separator) {
    for (char& c : s)
        if (c == '.' || c == ',') c = separator;
}

std::string PadLeft(std::string s, std::int64_t width) {
    if (width > static_cast<std::int64_t>(s.size()))
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

// x times 10^k. Powers of ten up to 10^27 are exact in extended precision,
// so a negative k divides (12500 / 10^3 is exactly 12.5, where 12500 x 0.001
// is not); very large k go in two steps so that the power cannot overflow.
Real ScaleByPow10(Real x, std::int32_t k) {
    const std::int32_t magnitude = k < 0 ? -k : k;
    const std::int32_t first = magnitude > 4000 ? magnitude / 2 : magnitude;
    const Real p1 = Pow10(first);
    const Real p2 = Pow10(magnitude - first);
    return k < 0 ? x / p1 / p2 : x * p1 * p2;
}

// The significant digits of a finite, non-zero x rounded to `count` digits
// (halves to even on the exact binary value): x = 0.d1d2d3... x 10^(exp + 1),
// that is d1 stands for 10^exp.
struct DigitString {
    bool negative = false;
    std::string digits;
    int exp = 0;
};

DigitString SignificantDigits(Real x, int count) {
    if (count < 1) count = 1;
    char buf[96];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, count - 1);
    std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    DigitString out;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        out.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i)
        if (text[i] >= '0' && text[i] <= '9') out.digits.push_back(text[i]);
    if (i < text.size()) {
        ++i;
        int sign = 1;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            sign = text[i] == '-' ? -1 : 1;
            ++i;
        }
        int e = 0;
        std::from_chars(text.data() + i, text.data() + text.size(), e);
        out.exp = sign * e;
    }
    return out;
}

// Fixed-point text of a digit string with `decimals` decimals; the digits
// beyond the string are zeros.
std::string LayoutFixed(const DigitString& ds, int decimals, char separator) {
    std::string s;
    if (ds.negative) s.push_back('-');
    const auto digitAt = [&](long long pos) -> char {
        return pos >= 0 && pos < static_cast<long long>(ds.digits.size())
                   ? ds.digits[static_cast<std::size_t>(pos)]
                   : '0';
    };
    if (ds.exp < 0) {
        s.push_back('0');
    } else {
        for (long long p = 0; p <= ds.exp; ++p) s.push_back(digitAt(p));
    }
    if (decimals > 0) {
        s.push_back(separator);
        for (long long k = 1; k <= decimals; ++k) s.push_back(digitAt(ds.exp + k));
    }
    return s;
}

// Exponent form of a digit string: trailing zeros dropped, "E" and the
// exponent with a sign only when negative ("1.5E-7", "1E20").
std::string LayoutExponent(DigitString ds, char separator) {
    while (ds.digits.size() > 1 && ds.digits.back() == '0') ds.digits.pop_back();
    std::string s;
    if (ds.negative) s.push_back('-');
    s.push_back(ds.digits[0]);
    if (ds.digits.size() > 1) {
        s.push_back(separator);
        s.append(ds.digits, 1);
    }
    s += "E" + IntText(ds.exp);
    return s;
}

// A text of only zeros keeps no minus sign: -0.001 with two decimals is
// "0.00", not "-0.00".
void DropSignOfZero(std::string& s) {
    if (s.empty() || s[0] != '-') return;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i] >= '1' && s[i] <= '9') return;
    s.erase(0, 1);
}

// x with exactly `decimals` decimals, correctly rounded, at most 18
// significant digits.
std::string FixedText(Real x, int decimals, char separator) {
    const std::int32_t e = DecimalExponent(x);
    std::string s;
    if (x == 0 || e + 1 + decimals <= kMaxSignificant) {
        s.resize(static_cast<std::size_t>(decimals) + 64);
        auto res =
            std::to_chars(s.data(), s.data() + s.size(), x, std::chars_format::fixed, decimals);
        s.resize(static_cast<std::size_t>(res.ptr - s.data()));
        SetSeparator(s, separator);
    } else {
        s = LayoutFixed(SignificantDigits(x, kMaxSignificant), decimals, separator);
    }
    DropSignOfZero(s);
    return s;
}

// Texts without a column width of their own: the exponent form of a huge
// value is not padded to the width its fixed form would have had.
std::string FreeText(std::string s) {
    const auto first = s.find_first_not_of(' ');
    s.erase(0, first == std::string::npos ? s.size() : first);
    return s;
}

std::string PointVariant(std::string s) {
    for (char& c : s)
        if (c == ',') c = '.';
    return s;
}

bool ImperialUnits() { return unitSystem == 1; }
bool KiloNewtonUnits() { return unitSystem == 2 || unitSystem == 4; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

char DecimalSeparator() { return decimalSeparatorOption == 2 ? ',' : '.'; }

std::string FormatGeneral(Real x, int significantDigits) {
    if (!std::isfinite(x)) return NonFiniteText(x);
    if (x == 0) return "0";
    if (significantDigits < 1) significantDigits = 1;
    if (significantDigits > kMaxSignificant) significantDigits = kMaxSignificant;
    const char separator = DecimalSeparator();
    DigitString ds = SignificantDigits(x, significantDigits);
    if (ds.exp < -5 || ds.exp >= significantDigits) return LayoutExponent(ds, separator);
    while (ds.digits.size() > 1 && ds.digits.back() == '0') ds.digits.pop_back();
    const int decimals = std::max(0, static_cast<int>(ds.digits.size()) - 1 - ds.exp);
    return LayoutFixed(ds, decimals, separator);
}

// ---- Core -----------------------------------------------------------------------

void DigitLayout(Real x, std::int32_t n, std::int32_t& intDigits, std::int32_t& decimals) {
    if (!std::isfinite(x)) {
        intDigits = 3;  // "INF", "NAN"
        decimals = 0;
        return;
    }
    if (x == 0) x = 0.5L;
    x = std::fabs(x);
    const std::int32_t e = DecimalExponent(x);
    if (n <= e) {
        intDigits = e + 1;
        decimals = 0;
        return;
    }
    if (e < 0) {
        intDigits = 0;
        decimals = n - e - 1;
    } else {
        intDigits = e + 1;
        decimals = n - e;
    }
    // Trailing zeros: the first division drops the guard digit; every
    // further zero digit of the value costs one decimal. The last kept digit
    // is truncated, not rounded.
    Real m = std::nearbyint(ScaleByPow10(x, decimals + 1));
    do {
        m = std::trunc(m / 10);
        if (m == 0) break;  // nothing left to inspect
        if (std::fmod(m, 10.0L) == 0) --decimals;
    } while (std::fmod(m, 10.0L) == 0);
    if (e >= 0 && decimals < 0) decimals = 0;
}

std::string FormatFixed(std::int32_t intDigits, std::int32_t decimals, Real x) {
    if (std::fabs(x) < 1E-15L) x = 0;
    if (decimalsSetting != 3)
        decimals = IntClamp(0, 10, decimals + decimalsSetting - 3);
    else if (decimals < 0)
        decimals = 0;
    if (intDigits < 0) intDigits = 0;

    std::string s;
    if (!std::isfinite(x)) {
        s = NonFiniteText(x);
    } else {
        const std::int64_t precision = std::min<std::int64_t>(
            std::max<std::int64_t>(std::int64_t{intDigits} + decimals, 1), kMaxSignificant);
        if (x != 0 && DecimalExponent(x) + 1 > precision)
            s = LayoutExponent(SignificantDigits(x, static_cast<int>(precision)),
                               DecimalSeparator());
        else
            s = FixedText(x, decimals, DecimalSeparator());
    }
    const std::int64_t width =
        decimals > 0 ? std::int64_t{intDigits} + decimals + 1 : std::int64_t{intDigits};
    return PadLeft(std::move(s), width);
}

std::string FormatNum(Real x) { return FormatNumDigits(0, x); }

std::string FormatNumDigits(std::int32_t k, Real x) {
    if (std::fabs(x) < 1E-5L) return "0";
    std::int32_t intDigits = 0, decimals = 0;
    DigitLayout(x, 3 - k, intDigits, decimals);
    return FreeText(FormatFixed(intDigits, decimals, x));
}

std::string FormatNumLong(Real x) { return FormatNumDigits(-3, x); }

std::string FormatDecimals(std::int32_t decimals, Real x) {
    std::int32_t intDigits = 0, ignored = 0;
    DigitLayout(x, 3, intDigits, ignored);
    return FreeText(FormatFixed(intDigits, decimals, x));
}

std::string FormatInWidth(std::int32_t width, Real x) {
    std::int32_t intDigits = 0, decimals = 0;
    DigitLayout(x, 3, intDigits, decimals);
    intDigits = decimals < 1 ? width : width - decimals - 1;
    if (std::fabs(x) >= 1E-6L || std::isnan(x)) return FormatFixed(intDigits, decimals, x);
    return PadLeft("0", width);
}

std::string FormatEng(Real x) {
    if (!std::isfinite(x)) return FormatNum(x);
    const std::int32_t e = DecimalExponent(x);
    if (e >= -2 && e <= 3) return FormatNum(x);
    const std::int32_t k = e / 3;  // both truncate toward zero
    const std::int32_t r = e % 3;
    // Large values get a mantissa of 1 .. below 1000, small ones 0.01 .. below 10.
    const Real mantissa = e >= 4 ? ScaleByPow10(x, -(e - r)) : ScaleByPow10(x, r - e);
    return FormatNum(mantissa) + "E" + IntText(std::int64_t{3} * k);
}

std::string FormatAuto(Real x) {
    if (std::fabs(x) < 1E-12L) x = 0;
    if (std::fabs(x) < 1E-4L || std::fabs(x) >= 10000 || !std::isfinite(x)) return FormatEng(x);
    std::int32_t intDigits = 0, decimals = 0;
    DigitLayout(x, 3, intDigits, decimals);
    return FreeText(FormatFixed(intDigits, decimals, x));
}

std::string FormatAngle(Real deg) {
    // Decimal degrees, also for angles too large for a degree count.
    if (angleFormat == 1 || !std::isfinite(deg) || std::fabs(deg) >= 1E15L)
        return FormatInWidth(7, deg) + DegreeSign();
    // Degrees, minutes and seconds of the magnitude; the sign goes before
    // the degrees, so that -0.5 is -0°30' and not 0°30'.
    const bool negative = deg < 0;
    const Real a = std::fabs(deg);
    auto d = static_cast<std::int64_t>(std::trunc(a));
    const Real f = (a - std::trunc(a)) * 60;
    auto m = static_cast<std::int64_t>(std::trunc(f));
    auto s = static_cast<std::int64_t>(std::fabs(std::nearbyint((f - std::trunc(f)) * 60)));
    if (s >= 60) {
        ++m;
        s -= 60;
    }
    if (m >= 60) {
        ++d;
        m -= 60;
    }
    if (m == 0 && s == 0) return FormatInWidth(7, deg) + DegreeSign();
    const std::string degrees = (negative ? "-" : "") + IntText(d);
    if (s != 0) return degrees + DegreeSign() + IntText(m) + "'" + IntText(s) + "\"";
    return PadLeft(degrees, 5) + DegreeSign() + IntText(m) + "'";
}

std::string FormatDecimalsPoint(std::int32_t decimals, Real x) {
    return PointVariant(FormatDecimals(decimals, x));
}
std::string FormatNumPoint(Real x) { return PointVariant(FormatNum(x)); }
std::string FormatFixedPoint(std::int32_t intDigits, std::int32_t decimals, Real x) {
    return PointVariant(FormatFixed(intDigits, decimals, x));
}

// ---- Integer texts ------------------------------------------------------------------

std::string IntText(std::int64_t n) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, res.ptr);
}

std::string IntTextZero(std::int64_t n, std::int32_t width) {
    std::string digits = IntText(n);
    const bool negative = n < 0;
    if (negative) digits.erase(0, 1);
    const std::int64_t room = std::int64_t{width} - (negative ? 1 : 0);
    if (room > static_cast<std::int64_t>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(room) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

std::string IntTextPad(std::int64_t n, std::int32_t width) { return PadLeft(IntText(n), width); }

// ---- Number input -------------------------------------------------------------------

Real TextToFloat(std::string_view s) {
    std::string text(Trim(s));
    if (auto comma = text.find(','); comma != std::string::npos) text[comma] = '.';
    std::string_view v = text;
    if (v.size() > 1 && v[0] == '+' && v[1] != '-' && v[1] != '+') v.remove_prefix(1);
    if (v.empty()) return 0;
    Real value = 0;
    auto res = std::from_chars(v.data(), v.data() + v.size(), value, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != v.data() + v.size() || !std::isfinite(value)) return 0;
    return value;
}

Real TextToFloat2(std::string_view s) { return TextToFloat(s); }

std::int32_t TextToInt(std::string_view s) {
    std::string_view v = Trim(s);
    if (v.size() > 1 && v[0] == '+' && v[1] != '-' && v[1] != '+') v.remove_prefix(1);
    if (v.empty()) return 0;
    std::int32_t value = 0;
    auto res = std::from_chars(v.data(), v.data() + v.size(), value);
    if (res.ec != std::errc() || res.ptr != v.data() + v.size()) return 0;
    return value;
}

std::int32_t TextToInt2(std::string_view s) { return TextToInt(s); }
std::int32_t TextToInt3(std::string_view s) { return TextToInt(s); }

// ---- Unit-system layer --------------------------------------------------------------

std::string FormatLength(Real x) {
    return ImperialUnits() ? FormatDecimals(4, MmToInch(x)) : FormatNum(x);
}

std::string FormatLengthNum(Real x) { return FormatNum(ImperialUnits() ? MmToInch(x) : x); }

std::string FormatLengthDecimals(std::int32_t n, Real x) {
    return ImperialUnits() ? FormatDecimals(n + 1, MmToInch(x)) : FormatDecimals(n, x);
}

std::string FormatLength6(Real x) {
    return ImperialUnits() ? FormatDecimals(5, MmToInch(x)) : FormatNumLong(x);
}

std::string FormatLengthFixed(std::int32_t i, std::int32_t d, Real x) {
    if (ImperialUnits()) return FormatFixed(IntMax(i - 1, 1), d + 1, MmToInch(x));
    return FormatFixed(i, d, x);
}

std::string FormatLengthFixed2(std::int32_t i, std::int32_t d, Real x) {
    return FormatLengthFixed(i, d, x);
}

std::string FormatForceFixed(std::int32_t i, std::int32_t d, Real x) {
    if (ImperialUnits()) return FormatFixed(IntMax(i - 1, 1), d + 1, NToLbf(x));
    if (KiloNewtonUnits()) return FormatFixed(IntMax(i - 1, 1), d + 1, x / 1000);
    return FormatFixed(i, d, x);
}

std::string FormatStressFixed(std::int32_t i, std::int32_t d, Real x) {
    if (ImperialUnits()) return FormatFixed(i + 2, IntMax(d - 2, 0), MpaToPsi(x));
    return FormatFixed(i, d, x);
}

std::string FormatTorqueFixed(std::int32_t i, std::int32_t d, Real x) {
    if (ImperialUnits()) return FormatFixed(i + 1, IntMax(d - 1, 0), NmToLbfIn(x));
    return FormatFixed(i, d, x);
}

std::string FormatTemperatureFixed(std::int32_t i, std::int32_t d, Real x) {
    return FormatFixed(i, d, ImperialUnits() ? CelsiusToFahrenheit(x) : x);
}

std::string FormatStress(Real x) { return FormatNum(ImperialUnits() ? MpaToPsi(x) : x); }
std::string FormatTorque(Real x) { return FormatNum(TorqueToDisplay(x)); }
std::string FormatTorque6(Real x) { return FormatNumLong(TorqueToDisplay(x)); }
Real TorqueToDisplay(Real x) { return ImperialUnits() ? NmToLbfIn(x) : x; }

Real ParseLength(std::string_view s) {
    const Real v = TextToFloat(s);
    return ImperialUnits() ? InchToMm(v) : v;
}
Real ParseLength2(std::string_view s) { return ParseLength(s); }
Real ParseStress(std::string_view s) {
    const Real v = TextToFloat(s);
    return ImperialUnits() ? PsiToMpa(v) : v;
}
Real ParseTorque(std::string_view s) {
    const Real v = TextToFloat(s);
    return ImperialUnits() ? LbfInToNm(v) : v;
}

// ---- Unit labels ---------------------------------------------------------------------

std::string LengthUnit() { return ImperialUnits() ? "in" : "mm"; }

std::string ForceUnit() {
    if (ImperialUnits()) return "lbf";
    return KiloNewtonUnits() ? "kN" : "N";
}

std::string StressUnit() {
    if (ImperialUnits()) return "psi";
    if (unitSystem == 3 || unitSystem == 4) return std::string("N/mm²"_cp850);
    return "MPa";
}

std::string TorqueUnit() { return ImperialUnits() ? "lbfin" : "Nm"; }

std::string TemperatureUnit() {
    if (ImperialUnits()) return " F";
    return codePageOption == 1 ? " C" : std::string("°C"_cp850);
}

std::string MicronUnit() {
    if (codePageOption == 1) return ImperialUnits() ? "uin" : "um";
    return std::string(ImperialUnits() ? "µin"_cp850 : "µm"_cp850);
}

std::string DegreeSign() { return codePageOption == 1 ? "deg" : std::string("°"_cp850); }

std::string ViscosityUnit() { return codePageOption == 1 ? "mm2/s" : std::string("mm²/s"_cp850); }

}  // namespace veldrim
