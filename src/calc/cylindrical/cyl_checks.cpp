#include "calc/cylindrical/cyl_checks.h"

#include <cmath>
#include <string>

#include "calc/cylindrical/cyl_record.h"
#include "calc/cylindrical/cyl_support.h"
#include "calc/measure_tables.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"

namespace veldrim {

using namespace cyl;

namespace {

// Pointed tooth, undercut, clearances of gear i.
void ToothChecks(int i) {
    const CylGearRecord& g = cylGear;
    if (g.sat[i] <= 0.15L * g.mn || g.san[i] <= 0.15L * g.mn)
        Say("Warnung: Spitzzahn ! (" + GearText(i) + ")");
    if (WarningsShown() && Z(i) > 0 && g.xMin[i] > g.x[i])
        Say("Warnung: Unterschnitt ! (" + GearText(i) + ")");
    if (WarningsShown() && g.cToFormCircle[i] < 0)
        Say("Warnung: cffmin < 0 ! (" + FormatLength(g.cToFormCircle[i]) + ")");
    if (g.c[i] < 0)
        Say("Fehler : Zahnspiel < 0 ! (" + GearText(i) + ")");
    else if (WarningsShown() && g.c[i] < 0.12L * g.mn)
        Say("Warnung: Zahnspiel < 0.12mn ! (" + GearText(i) + ")");
}

void PairChecks() {
    const CylGearRecord& g = cylGear;
    const bool teeth = Z(1) + Z(2) != 0;
    if (g.epsAlpha < 1 && teeth) Say("eps.alpha < 1 !");
    if (WarningsShown() && g.epsBeta < 1 && g.beta > 0) Say("eps.beta < 1 !");
    if (g.epsGamma < 1 && teeth) Say("eps.gamma < 1 !");
}

// Tool, measurement, allowance and backlash checks of gear i.
void SecondPass(int i) {
    const CylGearRecord& g = cylGear;
    if (std::fabs(g.x[i]) > 1.5L) Say("Warnung: x > 1.5   (" + GearText(i) + ") !");
    if (g.alphaPrP0[i] > g.alphaN) Say("alfa prP0 > alfa !");
    if (g.alphaN > g.alphaP0[i]) Say("alfa kP0 < alfa !");
    BallMeasurementCheck(Z(i), g.rhoaP0[i], g.alphaNRad, g.ballDiameter[i], g.dFaLower[i], g.df[i],
                         g.MdRPreUpper[i], g.MdKLower[i]);
    const int kCheck = TeethSpanned(g.mn, g.xee[i], g.alphaNRad, g.betaRad, Z(i));
    if (PercentDeviation(static_cast<Real>(g.teethSpanned[i]), static_cast<Real>(kCheck)) > 50)
        Say("Warnung: k measure  W " + GearText(i) + " !");
    if (WarningsShown() && g.beta > 0 &&
        g.bGear[i] < g.WkLower[i] * std::sin(g.betaB) + 2.0L + 0.03L * g.WkLower[i])
        Say("Warnung: b < b min. (" + GearText(i) + ")");
    if (WarningsShown() && g.Asne[i] > 2.0L * g.Aai * std::tan(g.alphaNRad))
        Say("Warnung: Asne < Aau !  (" + GearText(i) + ")");
    if (g.jtMin < 0) Say("Warnung: jtmin < 0 !");
    if (std::fabs(g.d[i]) < 2 && g.toleranceSeries[i] < 11) Say("Warnung: Tsn DIN d<2 !");
    if (PercentDeviation(g.snMin[i], g.sn[i]) > 25) Say("Warnung: Tol. Asne,Asni!");
    if (WarningsShown() && g.carried.strengthMethod == 4 && g.toleranceStandard != 1)
        Say("Warnung: ISO 6336 -> ISO 1328");
    if (std::fabs(g.Asni[i]) > g.mn) Say("Fatal  : Asni > mn ! (" + GearText(i) + ")");
}

}  // namespace

void CylPlausibilityChecks() {
    CylGearRecord& g = cylGear;
    for (int i = 1; i <= 2; ++i) ToothChecks(i);
    PairChecks();
    for (int i = 1; i <= 2; ++i) SecondPass(i);
    for (int i = 1; i <= 2; ++i)
        if (g.xPreUpper[i] < g.xPreLower[i]) Say("Fehler : xemin>xemax (" + GearText(i) + ")");

    // Values of the sibling data set that must not be 0.
    for (int i = 1; i <= 2; ++i) {
        if (g.carried.perGearA[i] == 0) g.carried.perGearA[i] = 1.0L;
        if (g.carried.perGearB[i] == 0) g.carried.perGearB[i] = 1.0L;
        if (gearPair.rho[i] == 0) gearPair.rho[i] = 7.8L;
    }

    for (int i = 1; i <= 2; ++i) {
        if (g.df[i] > g.dw[i]) Say("Fehler : dw < df ! (" + GearText(i) + ")");
        if (g.da[i] < g.dw[i]) Say("Fehler : dw > da ! (" + GearText(i) + ")");
        if (g.bGear[i] < g.b) Say("Warnung: beff > b ! (" + GearText(i) + ")");
    }
    if (WarningsShown() && Z(2) < 0 && g.x[2] > 0.05L) Say("Warnung: x2 > 0");
}

}  // namespace veldrim
