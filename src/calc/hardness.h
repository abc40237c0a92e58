#pragma once
// Hardness conversion of steels: a hardness or tensile-strength value on one
// scale gives the values of all other scales, by linear interpolation in the
// conversion table of DIN EN ISO 18265, Table A.1 (unalloyed and low-alloy
// steels and cast steel). The material form takes the Brinell value back into
// its hardness field.
//
// Scales, by index: 1 Rm (N/mm²), 2 HV, 3 HRB, 4 HRF, 5 HRC, 6 HRA, 7 HRD,
// 8 HR15N, 9 HR30N, 10 HR45N, 11 HB (= 0.95 HV, not a table column).

#include <array>
#include <cstdint>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

enum HardnessScale : int {
    kScaleRm = 1,
    kScaleHV,
    kScaleHRB,
    kScaleHRF,
    kScaleHRC,
    kScaleHRA,
    kScaleHRD,
    kScaleHR15N,
    kScaleHR30N,
    kScaleHR45N,
    kScaleHB
};
inline constexpr int kHardnessScales = 11;
inline constexpr int kHardnessTableRows = 98;
inline constexpr int kHardnessTableColumns = 10;

// The converted values, entries 1..13 by scale index (11 in use, index 0
// unused); 0 means the scale is not defined for the value converted.
extern std::array<Real, 14> convertedHardness;
// Selects the caption of the conversion table view among kHardnessGroupNames;
// only group 0 (A.1) has a table.
extern std::int16_t hardnessMaterialGroup;
extern const std::array<std::string_view, 18> kHardnessGroupNames;

// Entry of the steel table: row 1..98 in ascending hardness, column 1..10 by
// scale index, Rm and HV whole, the Rockwell scales in tenths; 0 undefined.
std::int32_t SteelHardnessTable(int row, int column);

// Fills the converted values from `value` on `scale` (1..11). A value outside
// the scale's range adds "<scale>:<min>..<max> !" to the message list and
// sets every converted value to 0. A value on a table row gives that row.
void ConvertHardness(int scale, Real value);
// The same, for callers outside the table view.
void ConvertHardnessAll(int scale, Real value);
// Converted value of scale 1..13; 0 outside.
Real ConvertedHardness(int scale);
// The table view in the online dialog: all scales at once, converted anew
// from the row the user leaves it on. helpBase is the base of its hints. The
// calculation's message list and fatal flag are as before when it closes.
void ConvertHardnessDialog(int helpBase);

void ResetHardness();

}  // namespace veldrim
