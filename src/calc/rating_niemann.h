#pragma once
// The first half of the worm gear rating: the input checks and the rating
// after Niemann. Called only by CalcWormRating (calc/worm_rating.h); kept in
// its own header so that tests can reach the steps one by one.

namespace veldrim {

// The input checks in their order. False when a fatal input stopped the
// rating (the fatal flag is then set).
bool CheckRatingInputs();

// The Niemann rating of gearPair and wormGear: speeds, torques, efficiency
// and losses, forces, pitting, root and life, with their warnings.
void CalcNiemannRating();

}  // namespace veldrim
