#pragma once
// Number formatting and unit labels.
//
// Every number that the program shows, prints or writes into a text file
// passes through these routines. They choose the decimals from the size of
// the value (significant digits rather than fixed decimals), shift every
// fixed-point format by the decimals setting, right-align in fixed columns,
// and switch to an engineering exponent for very small and very large
// values. The unit-system layer converts between the internal units (mm, N,
// MPa, Nm, °C) and the active unit system and supplies the unit labels.
//
// The decimal separator is the program's own, never the C locale's: ','
// when the decimal separator option is 2, '.' otherwise. The "Point"
// variants always write '.'. Texts with ° ² µ are code page 850 bytes.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// ',' when the decimal separator option is 2, else '.'.
char DecimalSeparator();

// General number text with up to `significantDigits` significant digits, no
// trailing zeros, the exponent form ("1.5E-7", "1E20") outside 1E-5 .. 1E15
// (outside 10^significantDigits generally), and the decimal separator.
// Numbers inside messages use it with 15 digits.
std::string FormatGeneral(Real x, int significantDigits = 15);

// ---- Core -----------------------------------------------------------------------

// Digit layout for n significant digits: integer digits and decimals, with
// trailing zeros of the value dropped from the decimals.
void DigitLayout(Real x, std::int32_t n, std::int32_t& intDigits, std::int32_t& decimals);
// Fixed-point text right-aligned to intDigits + decimals + 1 (intDigits when
// there are no decimals); decimals shifted by the decimals setting. A value
// whose integer part needs more digits than intDigits + decimals (at most
// 18) is written in the exponent form of FormatGeneral. inf and NaN give
// "INF", "-INF" and "NAN".
std::string FormatFixed(std::int32_t intDigits, std::int32_t decimals, Real x);
std::string FormatNum(Real x);  // 3 significant digits below 1, 4 up to 1000, whole above
std::string FormatNumDigits(std::int32_t k, Real x);  // DigitLayout(x, 3 - k)
std::string FormatNumLong(Real x);                    // six significant digits
std::string FormatDecimals(std::int32_t decimals, Real x);
std::string FormatInWidth(std::int32_t width, Real x);
std::string FormatEng(Real x);      // engineering exponent: 12.5E3, 0.12E-3
std::string FormatAuto(Real x);     // FormatEng outside 1E-4 .. 10000
std::string FormatAngle(Real deg);  // by the angle format
std::string FormatDecimalsPoint(std::int32_t decimals, Real x);
std::string FormatNumPoint(Real x);
std::string FormatFixedPoint(std::int32_t intDigits, std::int32_t decimals, Real x);

// Integer texts.
std::string IntText(std::int64_t n);
std::string IntTextZero(std::int64_t n, std::int32_t width);  // leading zeros up to width
std::string IntTextPad(std::int64_t n,
                       std::int32_t width);  // leading blanks up to width, never cut

// Number input: blanks around the text are ignored, the first ',' counts as
// the decimal point; anything else that is not one whole finite number gives 0.
Real TextToFloat(std::string_view s);
Real TextToFloat2(std::string_view s);
std::int32_t TextToInt(std::string_view s);
std::int32_t TextToInt2(std::string_view s);
std::int32_t TextToInt3(std::string_view s);

// ---- Unit-system layer (x in the internal unit) ------------------------------------------------

std::string FormatLength(Real x);
std::string FormatLengthNum(Real x);
std::string FormatLengthDecimals(std::int32_t n, Real x);
std::string FormatLength6(Real x);
std::string FormatLengthFixed(std::int32_t i, std::int32_t d, Real x);
std::string FormatLengthFixed2(std::int32_t i, std::int32_t d, Real x);
std::string FormatForceFixed(std::int32_t i, std::int32_t d, Real x);
std::string FormatStressFixed(std::int32_t i, std::int32_t d, Real x);
std::string FormatTorqueFixed(std::int32_t i, std::int32_t d, Real x);
std::string FormatTemperatureFixed(std::int32_t i, std::int32_t d, Real x);
std::string FormatStress(Real x);
std::string FormatTorque(Real x);
std::string FormatTorque6(Real x);
Real TorqueToDisplay(Real x);
Real ParseLength(std::string_view s);  // typed text in the active unit -> mm
Real ParseLength2(std::string_view s);
Real ParseStress(std::string_view s);  // -> MPa
Real ParseTorque(std::string_view s);  // -> Nm

// Unit labels, without brackets (code page 850).
std::string LengthUnit();
std::string ForceUnit();
std::string StressUnit();
std::string TorqueUnit();
std::string TemperatureUnit();
std::string MicronUnit();
std::string DegreeSign();
std::string ViscosityUnit();

}  // namespace veldrim
