#pragma once
// Short forms of the cell texts that the report sections build row by row.

#include <string>
#include <string_view>

#include "foundation/formatting.h"

namespace veldrim::report_cells {

// A code page 850 literal as a text.
inline std::string Cp(std::string_view s) { return std::string(s); }
// Fixed-point numbers: plain, as a length, as a force in whole units.
inline std::string F(int i, int d, Real x) { return FormatFixed(i, d, x); }
inline std::string L(int i, int d, Real x) { return FormatLengthFixed(i, d, x); }
inline std::string N(Real x) { return FormatForceFixed(8, 0, x); }

}  // namespace veldrim::report_cells
