#pragma once
// Load capacity, efficiency and temperature of the worm gear set (after
// Niemann and DIN 3996): rates the set whose geometry has just been computed.

namespace veldrim {

// Reads and writes only gearPair and wormGear; reports through the message list.
void CalcWormRating();

}  // namespace veldrim
