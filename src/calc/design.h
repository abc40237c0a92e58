#pragma once
// Design of a worm gear set from its mean lead angle.

namespace veldrim {

// Completes the set from gamma m, z1, z2, mx and x[1..2]: mean diameters,
// normal module, wheel module, centre distance and dm1/a, then runs the whole
// calculation. gamma m = 0 or a resulting centre distance of 0 is fatal and
// leaves the records as they were.
void DesignFromLeadAngle();

}  // namespace veldrim
