#pragma once
// Tooth-form configuration of the equivalent cylindrical pair, which the
// tooth-form, tool-profile and mesh drawings read from `cylGear`: the drawn
// profile shift per gear, its tooth thickness, root, tip and working
// diameters, ball dimension and tip form diameter, and the rotation angles of
// gear 1 over the path of contact. Also the protuberance step of CalcCylGear.

#include "calc/records.h"
#include "foundation/real.h"

namespace veldrim {

// Default configuration: the mean generating profile shifts, the record's
// centre distance, then ConfigureToothForm(toothFormX).
void InitToothFormConfig();

// Configuration for the profile shift factors x[1], x[2] (toothFormX or
// another per-gear pair such as the upper or lower limits).
void ConfigureToothForm(const Pair<Real>& x);

// Depth of the protuberance undercut of each gear cut by a tool with
// protuberance (stage 7 of CalcCylGear).
void CylProtuberanceStep();

}  // namespace veldrim
