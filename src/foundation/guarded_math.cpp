// Guarded mathematics: domain-checked routines that substitute a value and
// report to the message list, plus the plain numeric helpers, the involute
// and the unit conversions.

#include "foundation/guarded_math.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "foundation/formatting.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

// Adds a message unless the hide-warnings flag is set.
void Report(const std::string& text) {
    if (!hideWarningsFlag) AddMessage(text);
}

// Labelled routines stay silent for an empty label.
void ReportLabelled(std::string_view label, std::string_view suffix) {
    if (label.empty()) return;
    Report(std::string(label) + std::string(suffix));
}

Real Frac(Real x) { return x - std::trunc(x); }

}  // namespace

// ---- Guarded routines ---------------------------------------------------------

Real CheckedArcSin(Real x) {
    if (std::fabs(x) <= 1.0L) return std::asin(x);
    Report("Error: ArcSin " + FormatGeneral(x));
    // Rounding noise just outside the domain must not flip the direction.
    return x < 0 ? -kPi / 2 : kPi / 2;
}

Real CheckedArcCos(Real x) {
    if (std::fabs(x) <= 1.0L) return std::acos(x);
    Report("Error: ArcCos " + FormatGeneral(x));
    return x < 0 ? kPi : 0.0L;
}

Real LabelledArcCos(std::string_view label, Real x) {
    if (x > -1.0L && x < 1.0L) return CheckedArcCos(x);
    // Only a value clearly outside the domain is reported; 1.00005 is
    // rounding noise of a touching contact.
    if (x > 1.0001L || x < -1.0001L)
        Report("Error : " + std::string(label) + " arccos(" + FormatGeneral(x) + ")");
    return x >= 1.0L ? 0.0L : kPi;
}

Real CheckedSqrt(std::string_view label, Real x) {
    if (x >= 0) return std::sqrt(x);
    ReportLabelled(label, " (sqrt)");
    return 0;
}

Real CheckedSqrt2(std::string_view label, Real x) { return CheckedSqrt(label, x); }

Real CheckedDiv(std::string_view label, Real a, Real b) {
    if (b != 0) return a / b;
    ReportLabelled(label, " (div)");
    const bool negative = a != 0 && ((a < 0) != std::signbit(b));
    return negative ? -kDivisionSubstitute : kDivisionSubstitute;
}

Real CheckedPower(std::string_view label, Real base, Real exponent) {
    if (base == 0) return 0;
    if (base < 0) ReportLabelled(label, " (pow)");
    const Real t = exponent * std::log(std::fabs(base));
    if (std::isnan(t)) {
        // 1^inf, inf^0 and NaN arguments have no usable value.
        if (base > 0) ReportLabelled(label, " (pow)");
        return 0;
    }
    if (t > 3000) return kPowerLimit;
    if (t < -3000) return 0;
    return std::exp(t);
}

namespace {

// tan a - a without the cancellation of the difference: for |a| < 0.75 by
// the Taylor series of the tangent from its third-order term on (the terms
// fall by 0.23 or more each, 32 of them reach the precision of Real), beyond
// by the difference itself, which there loses at most two bits.
constexpr Real kTanSeries[] = {
    3.333333333333333333333e-1L,  1.333333333333333333333e-1L,  5.396825396825396825397e-2L,
    2.186948853615520282187e-2L,  8.863235529902196568863e-3L,  3.592128036572481016925e-3L,
    1.455834387051318268249e-3L,  5.900274409455859813781e-4L,  2.391291142435524814857e-4L,
    9.691537956929450325596e-5L,  3.927832388331683405337e-5L,  1.591890506932896474074e-5L,
    6.451689215655430763191e-6L,  2.614771151290754554264e-6L,  1.059726832010465435091e-6L,
    4.294911078273805854820e-7L,  1.740661896357164777986e-7L,  7.054636946400968325215e-8L,
    2.859136662305253908331e-8L,  1.158764443279885220020e-8L,  4.696295398230901628819e-9L,
    1.903336833931275921320e-9L,  7.713933635359062290479e-10L, 3.126339545892087045778e-10L,
    1.267057693030540106010e-10L, 5.135191408039367740076e-11L, 2.081214686770047419897e-11L,
    8.434845419094338293849e-12L, 3.418514086811155814039e-12L, 1.385471574294846899390e-12L,
    5.615104792414680083259e-13L, 2.275716255372874845543e-13L,
};

// tan a and tan a - a together: below 0.75 both from the series, beyond
// from the library tangent.
struct TangentAndInvolute {
    Real tan, involute;
};
TangentAndInvolute PreciseInvolute(Real a) {
    if (std::fabs(a) >= 0.75L) {
        const Real t = std::tan(a);
        return {t, t - a};
    }
    // The terms fall by 0.405 a^2 each: enough of them for 2^-64 of the first.
    const Real a2 = a * a;
    const int terms = a2 < 0.09L     ? 13
                      : a2 < 0.2025L ? 18
                      : a2 < 0.36L   ? 24
                                     : static_cast<int>(std::size(kTanSeries));
    Real sum = 0;
    for (int k = terms - 1; k >= 0; --k) sum = sum * a2 + kTanSeries[k];
    const Real inv = a * a2 * sum;
    return {a + inv, inv};
}

// The bounds of the angle; beyond them the involute has no inverse here.
constexpr Real kArcInvoluteBound = 1.57L;

}  // namespace

// Halley's method on f(a) = tan a - a - v (f' = tan^2 a, f'' = 2 tan a
// (1 + tan^2 a)), from the reverted series of the involute (a = y - 2y^3/15 +
// 3y^5/175 - 2y^7/1575 with y = (3v)^(1/3), within 3e-4 for v <= 0.5) or,
// for larger v, from the angle whose tangent is v + pi/2. The steps converge
// cubically: once a step is below 1e-9 of the angle, the angle after it is
// exact to the precision of Real, which takes two steps from the series, the
// first of them in double precision.
// The involute is odd, so the solution for -v is the negated one.
InvoluteInverse ArcInvoluteWithCos(Real v) {
    const Real target = std::fabs(v);
    if (!(target <= Involute(kArcInvoluteBound))) {
        Report("Error: ArcInv in unit math");
        return {0, 1};
    }
    if (target == 0) return {0, 1};
    Real a;
    if (target <= 0.5L) {
        // The start needs no more than double precision, beyond 1e-100.
        const Real y = target > 1E-100L
                           ? static_cast<Real>(std::cbrt(static_cast<double>(3 * target)))
                           : std::cbrt(3 * target);
        const Real y2 = y * y;
        a = y * (1 + y2 * (-2.0L / 15 + y2 * (3.0L / 175 - y2 * (2.0L / 1575))));
        if (target > 1E-100L) {
            // A first step in double precision: its error, about 1e-15 / a^2
            // relative, leaves the one step in Real that makes the angle exact.
            const double ad = static_cast<double>(a), t = std::tan(ad);
            const double f = t - ad - static_cast<double>(target), d1 = t * t,
                         d2 = 2 * t * (1 + d1);
            a = std::clamp(static_cast<Real>(ad - f / (d1 - f * d2 / (2 * d1))), a / 2, a * 2);
        }
    } else {
        a = std::atan(target + kPi / 2);
    }
    for (int pass = 0; pass < 64; ++pass) {
        const auto [t, inv] = PreciseInvolute(a);
        const Real f = inv - target, d1 = t * t, d2 = 2 * t * (1 + d1);
        const Real step = f / (d1 - f * d2 / (2 * d1));
        const Real next = std::clamp(a - step, a / 2, kArcInvoluteBound);
        if (std::fabs(next - a) <= 1E-9L * a) {
            // cos(a - h) = cos a cos h + sin a sin h, with cos a from the
            // tangent at a and h below 1e-9 a.
            const Real h = a - next, c = 1 / std::sqrt(1 + d1);
            return {v < 0 ? -next : next, c * (1 - h * h / 2) + t * c * h};
        }
        a = next;
    }
    Report("Error: ArcInv in unit math");
    return {0, 1};
}

Real ArcInvolute(Real v) { return ArcInvoluteWithCos(v).angle; }

// ---- Plain routines -------------------------------------------------------------

// Halves go to the even neighbour through rint: the program never leaves the
// default rounding mode (to nearest), where rint rounds as nearbyint does, and
// rint does not save and restore the floating-point environment on each call.
Real RoundDecimals(std::int32_t n, Real x) {
    const Real scale = IntPower(n, 10.0L);
    return std::rint(x * scale) / scale;
}

Real Tangent(Real x) { return std::tan(x); }

Real IntPower(std::int32_t n, Real x) {
    Real result = 1.0L;
    const std::int64_t count = n < 0 ? -static_cast<std::int64_t>(n) : n;
    // Beyond 64 factors the product has left the range for every x but
    // those near 1; the library power gives the same without the long loop.
    if (count > 64) return std::pow(x, static_cast<Real>(n));
    for (std::int64_t i = 0; i < count; ++i) result *= x;
    return n < 0 ? 1.0L / result : result;
}

Real RotatedX(Real x, Real y, Real phi) { return x * std::cos(phi) + y * std::sin(phi); }
Real RotatedY(Real x, Real y, Real phi) { return y * std::cos(phi) - x * std::sin(phi); }
Real Hypot(Real a, Real b) { return std::sqrt(a * a + b * b); }

Real Cathetus(Real c, Real a) {
    if (std::fabs(c) > std::fabs(a)) return std::sqrt(c * c - a * a);
    return 0;
}

Real VectorAngle(Real x, Real y) {
    if (x == 0) return y >= 0 ? kPi / 2 : -kPi / 2;
    Real angle = std::atan(y / x);
    if (x < 0) angle += kPi;
    return angle;
}

Real ArcTan2(Real y, Real x) { return VectorAngle(x, y); }

void PolarToXY(Real r, Real phi, Real& x, Real& y) {
    x = r * std::cos(phi);
    y = r * std::sin(phi);
}

void XYToPolar(Real x, Real y, Real& r, Real& phi) {
    r = Hypot(x, y);
    phi = VectorAngle(x, y);
}

Real RadToDeg(Real x) { return x * 180.0L / kPi; }
Real DegToRad(Real x) { return x * kPi / 180.0L; }

Real NormalizeAngle(Real x) {
    Real r = Frac(x / (2 * kPi)) * 2 * kPi;
    if (r < 0) r += 2 * kPi;
    return r;
}

// log10l rather than ln x / ln 10, so that exact powers of ten give whole
// logarithms.
Real Log10OrZero(Real x) { return x > 0 ? std::log10(x) : 0.0L; }

// Whole powers of ten up to 10^27 are exact in extended precision; built by
// multiplication they are, and a negative one is then one correctly rounded
// division (Pow10(-2) is the nearest value to 0.01, as the literal 0.01L).
// The library's powl may miss by an ulp.
Real Pow10(Real x) {
    if (x == std::trunc(x) && std::fabs(x) <= 27) {
        const int n = static_cast<int>(std::fabs(x));
        Real p = 1;
        for (int i = 0; i < n; ++i) p *= 10;
        return x < 0 ? 1 / p : p;
    }
    return std::pow(10.0L, x);
}

Real Involute(Real alpha) { return std::tan(alpha) - alpha; }

bool IsEven(std::int32_t n) { return n % 2 == 0; }

Real FloorValue(Real x) {
    if (x >= 0) return std::trunc(x);
    return std::trunc(x) - 1;
}

std::int32_t DecimalExponent(Real x) {
    const Real ax = std::fabs(x);
    if (ax == 0 || !std::isfinite(ax)) return 0;
    // A true floor: FloorValue would put exact negative powers of ten (0.01)
    // one decade too low. The check against 10^e mends a logarithm rounded
    // across a whole number.
    auto e = static_cast<std::int32_t>(std::floor(std::log10(ax)));
    if (ax >= Pow10(e + 1))
        ++e;
    else if (ax < Pow10(e))
        --e;
    return e;
}

void CalcAxisScale(Real minValue, Real maxValue, std::int32_t n, Real& lo, Real& hi, Real& step) {
    if (n < 1) n = 1;
    if (NearlyEqual(minValue, maxValue)) {
        minValue -= 1;
        maxValue += 1;
    }
    maxValue -= (maxValue - minValue) * 1E-5L;
    const Real raw = (maxValue - minValue) / n;
    const std::int32_t e = DecimalExponent(raw);
    const Real m = raw / Pow10(e);
    Real mantissa = 10;
    if (m < 1.5L)
        mantissa = 1;
    else if (m < 3)
        mantissa = 2;
    else if (m < 8)
        mantissa = 5;
    step = Pow10(e) * mantissa;
    hi = (FloorValue(maxValue / step) + 1) * step;
    lo = FloorValue(minValue / step) * step;
}

void RotatePoint(Real x, Real y, Real phi, Real& xr, Real& yr) {
    const Real c = std::cos(phi), s = std::sin(phi);
    xr = x * c - y * s;
    yr = y * c + x * s;
}

void TransformPoint(Real x0, Real y0, Real angleDeg, Real x, Real y, Real& xr, Real& yr) {
    const Real a = DegToRad(angleDeg);
    const Real c = std::cos(a), s = std::sin(a);
    xr = x0 + x * c - y * s;
    yr = y0 + x * s + y * c;
}

void TransformPointScaled(Real sx, Real sy, Real x0, Real y0, Real angleDeg, Real x, Real y,
                          Real& xr, Real& yr) {
    TransformPoint(x0, y0, angleDeg, x * sx, y * sy, xr, yr);
}

bool NearlyEqual(Real a, Real b) { return std::fabs(a - b) < 1E-5L; }
Real Max(Real a, Real b) { return a > b ? a : b; }
Real Min(Real a, Real b) { return a < b ? a : b; }
Real Max4(Real a, Real b, Real c, Real d) { return Max(Max(a, b), Max(c, d)); }
Real Clamp(Real lo, Real hi, Real x) { return Min(hi, Max(x, lo)); }
std::int32_t IntMax(std::int32_t a, std::int32_t b) { return a > b ? a : b; }
std::int32_t IntMin(std::int32_t a, std::int32_t b) { return a < b ? a : b; }
std::int32_t IntClamp(std::int32_t lo, std::int32_t hi, std::int32_t x) {
    return IntMin(IntMax(lo, x), hi);
}

void SwapValues(Real& a, Real& b) {
    const Real t = a;
    a = b;
    b = t;
}

Real PercentDeviation(Real reference, Real value) {
    if (reference == 0) return 0;
    return std::fabs((value - reference) / reference) * 100;
}

Real SignOf(Real x) { return x >= 0 ? 1.0L : -1.0L; }
Real SignOf2(Real x) { return SignOf(x); }

Real ArcSweepDeg(Real a, Real b, Real dir) {
    Real s = (Frac(b / 360) - Frac(a / 360)) * 360;
    // The difference of two fractions spans -720 .. 720 when the angles have
    // different signs; bring it into one turn.
    if (dir < 0) s = -s;
    s = std::fmod(s, 360.0L);
    if (s < 0) s += 360;
    return dir < 0 ? -s : s;
}

Real RoundToDouble(Real x) { return static_cast<Real>(static_cast<double>(x)); }
Real Mean2(Real a, Real b) { return (a + b) / 2; }

// ---- Unit conversions -------------------------------------------------------------

Real InchToMm(Real x) { return x * 25.4L; }
Real MmToInch(Real x) { return x / 25.4L; }
Real PsiToMpa(Real x) { return x / 145.037L; }
Real MpaToPsi(Real x) { return x * 145.037L; }
Real LbfInToNm(Real x) { return x * 0.112984788L; }
Real NmToLbfIn(Real x) { return x / 0.112984788L; }
Real NToLbf(Real x) { return x / 4.44822L; }
Real CelsiusToFahrenheit(Real x) { return x * 1.8L + 32; }

}  // namespace veldrim
