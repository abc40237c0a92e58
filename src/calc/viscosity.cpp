// Ubbelohde-Walther viscosity-temperature law for lubricants.
//
// The two-point form passes the straight line in the lg lg(nu + 0.7) over
// lg T plane through the points at 40 °C and 100 °C. Its constants are formed
// from the absolute temperatures 313 K and 373 K themselves rather than from
// rounded decimals, so the line meets both given viscosities exactly (rounded
// constants miss them by 1-2 %).

#include "calc/viscosity.h"

#include "foundation/guarded_math.h"

namespace veldrim {

Real ViscosityFromNu40Nu100(Real nu40, Real nu100, Real T) {
    constexpr Real kC = 0.7L;
    const Real a40 = Log10OrZero(nu40 + kC);
    const Real a100 = Log10OrZero(nu100 + kC);
    // lg lg(nu + c) must exist at both points, otherwise there is no line.
    if (a40 <= 0 || a100 <= 0) return 0;
    const Real lg313 = Log10OrZero(313.0L);
    const Real lg373 = Log10OrZero(373.0L);
    const Real slope = -Log10OrZero(a40 / a100) / (lg373 - lg313);
    const Real intercept = Log10OrZero(a40) - lg313 * slope;
    return Pow10(Pow10(slope * Log10OrZero(T + 273.0L) + intercept)) - kC;
}

Real ViscosityAtTemperature(Real nuRef, Real TRef, Real T) {
    constexpr Real kC = 0.8L;
    constexpr Real kSlope = 3.726L;
    const Real aRef = Log10OrZero(nuRef + kC);
    if (aRef <= 0) return 0;
    const Real w =
        Log10OrZero(aRef) - kSlope * (Log10OrZero(T + 273.15L) - Log10OrZero(TRef + 273.15L));
    return Pow10(Pow10(w)) - kC;
}

}  // namespace veldrim
