#pragma once
// Guarded mathematics and small numeric helpers.
//
// The guarded routines test their arguments instead of letting the
// processor trap: outside the domain they return a fixed substitute and add
// a message naming the operation to the message list, unless the
// hide-warnings flag is set (and, for the labelled ones, unless the label is
// empty). The caller goes on with the substitute.
//
// The module also holds the involute function of gear geometry and its
// inverse, the scale of a diagram axis, plane rotations and transformations,
// and the conversions between metric and imperial units. Angles are radians
// unless a name or argument says degrees. Apart from the message list the
// routines keep no state.

#include <cstdint>
#include <numbers>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

inline constexpr Real kPi = std::numbers::pi_v<Real>;

// Substitute of a division by zero; it carries the sign of the quotient.
inline constexpr Real kDivisionSubstitute = 1E30L;
// Largest result of CheckedPower: exponents whose natural logarithm of the
// result passes 3000 give this value.
inline constexpr Real kPowerLimit = 1E3000L;

// ---- Guarded routines ---------------------------------------------------------

// arcsin x for abs(x) <= 1. Outside: -pi/2 below -1, +pi/2 above 1, and the
// message "Error: ArcSin " + x.
Real CheckedArcSin(Real x);
// arccos x for abs(x) <= 1. Outside: pi below -1, 0 above 1, and the message
// "Error: ArcCos " + x.
Real CheckedArcCos(Real x);
// arccos x, tolerant of rounding noise: x >= 1 gives 0, x <= -1 gives pi; the
// message "Error : " + label + " arccos(" + x + ")" only when x lies more than
// 1E-4 outside (an empty label still gives it).
Real LabelledArcCos(std::string_view label, Real x);
// Square root; x < 0 gives 0 and label + " (sqrt)".
Real CheckedSqrt(std::string_view label, Real x);
Real CheckedSqrt2(std::string_view label, Real x);
// a / b; b = 0 gives 1E30 with the sign of the quotient and label + " (div)".
Real CheckedDiv(std::string_view label, Real a, Real b);
// base ^ exponent. base = 0 gives 0; otherwise e^t with t = exponent ln|base|,
// t > 3000 giving 1E3000 and t < -3000 giving 0. A negative base works with
// its absolute value and adds label + " (pow)". Never inf or NaN.
Real CheckedPower(std::string_view label, Real base, Real exponent);
// Inverse of Involute on -1.57 .. 1.57, to the precision of Real; an
// argument beyond the involute of 1.57 (or NaN) gives 0 and
// "Error: ArcInv in unit math".
Real ArcInvolute(Real v);
// The same angle and its cosine, which the last step's tangent gives without
// a further cosine (1 for the substitute 0).
struct InvoluteInverse {
    Real angle, cos;
};
InvoluteInverse ArcInvoluteWithCos(Real v);

// ---- Plain routines (no messages) -------------------------------------------------

Real RoundDecimals(std::int32_t n, Real x);  // x rounded to n decimals, halves to even
Real Tangent(Real x);
Real IntPower(std::int32_t n, Real x);    // x^n by repeated multiplication
Real RotatedX(Real x, Real y, Real phi);  // x cos phi + y sin phi
Real RotatedY(Real x, Real y, Real phi);  // y cos phi - x sin phi
Real Hypot(Real a, Real b);
Real Cathetus(Real c, Real a);     // sqrt(c^2 - a^2), 0 unless abs(c) > abs(a)
Real VectorAngle(Real x, Real y);  // direction of (x, y) in -pi/2 .. 3pi/2
Real ArcTan2(Real y, Real x);      // VectorAngle(x, y)
void PolarToXY(Real r, Real phi, Real& x, Real& y);
void XYToPolar(Real x, Real y, Real& r, Real& phi);
Real RadToDeg(Real x);
Real DegToRad(Real x);
Real NormalizeAngle(Real x);  // into 0 .. 2pi
Real Log10OrZero(Real x);     // log10 x for x > 0, else 0
Real Pow10(Real x);           // 10^x
Real Involute(Real alpha);    // tan alpha - alpha
bool IsEven(std::int32_t n);
// Trunc(x) for x >= 0, Trunc(x) - 1 for every x < 0, whole values included
// (FloorValue(-2) is -3). Diagram scales rely on this.
Real FloorValue(Real x);
// The power of ten of the leading digit of x (0 for x = 0 and for inf/NaN).
std::int32_t DecimalExponent(Real x);
// Scale of a diagram axis with about n intervals.
void CalcAxisScale(Real minValue, Real maxValue, std::int32_t n, Real& lo, Real& hi, Real& step);
// The point turned by phi about the origin.
void RotatePoint(Real x, Real y, Real phi, Real& xr, Real& yr);
// The local point (x, y) turned by angleDeg degrees and moved to (x0, y0).
void TransformPoint(Real x0, Real y0, Real angleDeg, Real x, Real y, Real& xr, Real& yr);
void TransformPointScaled(Real sx, Real sy, Real x0, Real y0, Real angleDeg, Real x, Real y,
                          Real& xr, Real& yr);
bool NearlyEqual(Real a, Real b);  // abs(a - b) < 1E-5
Real Max(Real a, Real b);
Real Min(Real a, Real b);
Real Max4(Real a, Real b, Real c, Real d);
Real Clamp(Real lo, Real hi, Real x);  // Min(hi, Max(x, lo)): hi when lo > hi
std::int32_t IntMax(std::int32_t a, std::int32_t b);
std::int32_t IntMin(std::int32_t a, std::int32_t b);
std::int32_t IntClamp(std::int32_t lo, std::int32_t hi, std::int32_t x);
void SwapValues(Real& a, Real& b);
Real PercentDeviation(Real reference,
                      Real value);  // abs((value - reference) / reference) x 100, 0 for reference 0
Real SignOf(Real x);                // 1 for x >= 0, else -1
Real SignOf2(Real x);
// Sweep in degrees from angle a to angle b: 0 .. 360 counter-clockwise for
// dir >= 0, -360 .. 0 clockwise for dir < 0.
Real ArcSweepDeg(Real a, Real b, Real dir);
Real RoundToDouble(Real x);  // x through a 64-bit double
Real Mean2(Real a, Real b);

// ---- Unit conversions ----------------------------------------------------------------

Real InchToMm(Real x);             // x 25.4
Real MmToInch(Real x);             // / 25.4
Real PsiToMpa(Real x);             // / 145.037
Real MpaToPsi(Real x);             // x 145.037
Real LbfInToNm(Real x);            // x 0.112984788
Real NmToLbfIn(Real x);            // / 0.112984788
Real NToLbf(Real x);               // / 4.44822
Real CelsiusToFahrenheit(Real x);  // x 1.8 + 32

}  // namespace veldrim
