#pragma once
// The first half of the worm gear rating: the input checks and the rating
// after Niemann. Called only by CalcWormRating (calc/worm_rating.h); kept in
// its own header so that tests can reach the steps one by one.

#include "foundation/real.h"

namespace veldrim {

// Tooth forces of a mesh driven by the wheel with the wheel's tangential
// force Ft2, friction coefficient mue and pressure angle alpha (rad): the
// worm's tangential force Ft1 = Ft2 tan(gamma m - rho) (0 when the mesh locks
// itself), the normal force and the radial force.
struct WheelDrivenMesh {
    Real Ft1 = 0;
    Real Fn = 0;
    Real Fr = 0;
};
WheelDrivenMesh WheelDrivingMeshForces(Real Ft2, Real gammaM, Real mue, Real alpha);

// The input checks in their order. False when a fatal input stopped the
// rating (the fatal flag is then set).
bool CheckRatingInputs();

// The Niemann rating of gearPair and wormGear: speeds, torques, efficiency
// and losses, forces, pitting, root and life, with their warnings.
void CalcNiemannRating();

}  // namespace veldrim
