#pragma once
// Tip diameters, tooth thicknesses, tip and root form circles, usable tip
// diameters limited by interference, path of contact and contact ratios of
// the equivalent cylindrical gear pair (stages 4 and 5 of CalcCylGear).

#include "foundation/real.h"

namespace veldrim {

// Tip diameter of each gear by its tip-diameter mode: 1 from the tip
// clearance c, 2 from the tip shortening kmn, 3 given.
void CylTipDiameterStep();

// Tip shortening, tooth thicknesses, form circles, usable tip and root
// diameters, path of contact and contact ratios.
void Unit2();

// Tip part of the path of contact of a gear whose usable tip diameter is dNa
// and working diameter dw (base diameter db, tooth-count sign sz).
Real CylTipPathPart(Real sz, Real dNa, Real dw, Real db);

}  // namespace veldrim
