#pragma once
// Gear accuracy tolerances of the equivalent cylindrical gears by closed
// formulas, after ISO 1328 (radial composite values after ISO 1328-2) or after
// DIN 3961/3962, chosen by cylGear.toleranceStandard (1 ISO, else DIN).
// All tolerances in µm.

#include "foundation/real.h"

namespace veldrim {

// Stage 6 of CalcCylGear: measurement values, then the tolerances of both
// gears, then the check of the root diameters ("Invalid Data !").
void CylToleranceStage();

// The tolerances of gear i after ISO 1328 and after DIN 3961/3962.
void CylIsoTolerances(int i);
// False when the stage must end (fatal flag set).
bool CylDinTolerances(int i);

// Rounding of ISO tolerance values: below 5 µm to 0.1 µm, from 5 to 10 µm to
// 0.5 µm, above 10 µm to whole µm, each to the nearest (halves to even).
Real RoundTolerance(Real v);

}  // namespace veldrim
