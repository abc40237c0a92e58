#pragma once
// The second half of the worm gear rating: the load capacity after DIN 3996,
// made once for each edition of the standard. Every pair of its results is
// indexed by edition, 1 DIN 3996:1998 and 2 DIN 3996:2012; factors that the
// editions share are computed once. Called only by CalcWormRating, after the
// Niemann rating, when the DIN 3996 switch is on.

#include "calc/records.h"
#include "foundation/real.h"

namespace veldrim {

// The characteristic values of the contact, which depend on the geometry
// alone: pmStar and hStar per edition, sStar shared.
struct Din3996CharacteristicValues {
    Pair<Real> pmStar{};  // `pm*`: mean Hertzian stress
    Pair<Real> hStar{};   // `h*`: minimum film thickness
    Real sStar = 0;       // `s*`: mean sliding path
};

// From z1, z2 (gear pair) and a, u, q, x[2], dm[1], mx, b2 eff, alpha 0 in
// degrees, gamma m and the flank form (ZH has its own coefficient set).
Din3996CharacteristicValues CalcDin3996CharacteristicValues(const GearPairRecord& g,
                                                            const WormGearRecord& w);

// The rating of both editions into wormGear; reads the Niemann results.
void CalcDin3996Rating();

}  // namespace veldrim
