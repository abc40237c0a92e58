#pragma once
// Kinematic viscosity of the lubricant at another temperature after the
// Ubbelohde-Walther law, lg lg(nu + c) = A - m lg T with T absolute. The
// lubrication form derives v50 and the viscosity at the wheel bulk temperature
// from the entered values; the oil temperature of the rating uses it too.
// Viscosities in mm²/s, temperatures in °C. Neither function adds messages.

#include "foundation/real.h"

namespace veldrim {

// Viscosity at T of an oil given by its viscosities at 40 °C and 100 °C
// (c = 0.7, absolute temperature T + 273). Returns nu40 at 40 °C and nu100 at
// 100 °C. Viscosities too low for the law (nu + 0.7 <= 1) give 0.
Real ViscosityFromNu40Nu100(Real nu40, Real nu100, Real T);

// Viscosity at T of an oil with viscosity nuRef at TRef, with the fixed slope
// 3.726 (c = 0.8, absolute temperature T + 273.15). A viscosity too low for
// the law (nuRef + 0.8 <= 1) gives 0.
Real ViscosityAtTemperature(Real nuRef, Real TRef, Real T);

}  // namespace veldrim
