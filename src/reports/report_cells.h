#pragma once
// Short forms of the cell texts that the report sections build row by row.

#include <string>
#include <string_view>

#include "foundation/formatting.h"

namespace veldrim::report_cells {

// A code page 850 literal as a text.
inline std::string Cp850Text(std::string_view s) { return std::string(s); }
// A plain number with intDigits places before and decimals after the point.
inline std::string FixedCell(int intDigits, int decimals, Real x) {
    return FormatFixed(intDigits, decimals, x);
}
// A length in the length unit of the report, fixed-point.
inline std::string LengthCell(int intDigits, int decimals, Real x) {
    return FormatLengthFixed(intDigits, decimals, x);
}
// A force in the force unit of the report, whole units in eight places.
inline std::string ForceCell(Real x) { return FormatForceFixed(8, 0, x); }

}  // namespace veldrim::report_cells
