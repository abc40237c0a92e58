#pragma once
// Load capacity, efficiency and temperature of the worm gear set: rates the
// set whose geometry has just been computed, after Niemann always and after
// DIN 3996 (editions 1998 and 2012) when the DIN 3996 switch is on. Also the
// material and life factors behind the buttons of the material and
// lubrication forms, the material group text of the report and the wheel
// bulk temperature.
//
// Every routine reads and writes only gearPair and wormGear (calc/records.h)
// and reports through the message list.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// The rating: input checks, Niemann (efficiency, forces, pitting, root and
// life), then DIN 3996 for both editions when the switch is on. A fatal input
// (no driving power, a Young's modulus of 0) sets the fatal flag and leaves
// the results alone. Called by RunCalculation after the tolerances and by the
// diagrams, which call it many times with varied operating data.
void CalcWormRating();

// The life factor of the wheel root for `materialKind` at NL load cycles:
// (3E6 / NL)^k clamped to 1 .. hi; k = 0.16, hi = 2.5 for kind 4; k = 0.09,
// hi = 2.0 for kind 6; k = 0.16, hi = 2.0 otherwise. NL = 0 adds
// "Fatal  : NL = 0 !" (without setting the fatal flag) and gives 0.
// Nothing is stored: the rating takes this value when `YNL` is 0.
Real LifeFactorYNLValue(int materialKind, Real NL);

// LifeFactorYNLValue stored into wormGear.YNL (the material form's button:
// the user asks for the value to be entered). NL = 0 stores nothing.
Real LifeFactorYNL(int materialKind, Real NL);

// The material-lubricant factor WML of a wheel material with a lubricant
// kind (1..5); returns the current wormGear.WML when no rule applies.
Real MaterialLubricantFactorWML(int lubricantKind, std::string_view materialName);

// The material factor YW of the friction coefficient for a wheel material:
// 0.95 for CuSn12Ni bronzes, 1.0 for CuSn12, 1.1 for CuAl10Ni, 1.3 for
// nodular cast iron GGG 40 (EN-GJS-400), 1.4 for grey cast iron GG 25
// (EN-GJL-250) and 1.0 for anything else.
Real MaterialFactorYW(std::string_view materialName);

// The material group text of the report: the material-kind text for kinds
// 1..7, otherwise "Bronze", "Aluminiumbronze" or "Messing" by the name, or
// the empty text.
std::string MaterialGroupName(int materialKind, std::string_view materialName);

// The wheel bulk temperature thetaM (°C) for an oil at T0 (°C) with the
// viscosities nu40 and nu100 (mm²/s), from the DIN 3996 gear loss and wheel
// torque of the edition 2012 of the last rating. Stores it in wormGear.thetaM
// and returns it. Dip lubrication outside 63 <= a <= 400 mm and
// 60 <= n1 <= 3000 1/min has no value: returns 0 and leaves thetaM as it was.
Real CalcOilTemperature(Real T0, Real nu40, Real nu100);

}  // namespace veldrim
