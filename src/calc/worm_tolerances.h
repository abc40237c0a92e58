#pragma once
// Tolerances and measurement values of the worm gear set: tooth-thickness
// allowances and tolerances after DIN 3967, centre-distance allowances after
// ISO 286, the generating profile shifts and production limits that follow,
// test dimensions over pins and balls and span measurements, and the
// deviations of DIN 3974 by accuracy grade.

#include "foundation/real.h"

namespace veldrim {

// The step of the calculation between the geometry and the rating; reads and
// writes wormGear (geometry results must be current).
void CalcWormTolerances();

// DIN 3974 rounding of a deviation in µm: from 10 µm on to whole µm, below to
// 0.5 µm, each after adding 0.0001 µm.
Real RoundDeviation(Real v);

}  // namespace veldrim
