// Pre-dimensioning of a worm gear set from its operating data.
//
// The centre distance follows from the contact-stress capacity of the wheel
// after Niemann: a = CHE (Zp² T2 KA 1.1 fn)^(1/3), with the material factor
// CHE = 10 (ZE / Sig.Hlim2)^(2/3), the diameter-quotient factor
// Zp = 0.36 / (dm1/a) + 1.9 and the speed factor fn = (n2/8 + 1)^(1/4). The
// worm's thread count then comes from the usual rule of thumb
// z1 = (2.4 sqrt(a) + 7) / u. "Round" is to the nearest whole number, halves
// to the even neighbour.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "calc/design.h"
#include "calc/forms/material_form.h"
#include "calc/measure_tables.h"
#include "calc/forms/operating_data_form.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/guarded_math.h"
#include "foundation/help_texts.h"
#include "foundation/input_dialogs.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

constexpr Real kAssumedEfficiency = 0.8L;  // of the set, for the wheel torque from the worm's
constexpr Real kServiceFactor = 1.1L;
constexpr int kCentreDistanceHelp = 5040;
constexpr Real kCentreDistanceMin = 0.01L, kCentreDistanceMax = 100000;

// Round to a whole number, halves to even, kept within the 32-bit range.
std::int32_t RoundToInt(Real x) {
    constexpr Real lo = std::numeric_limits<std::int32_t>::min();
    constexpr Real hi = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(x)) return 0;
    return static_cast<std::int32_t>(std::clamp(std::nearbyint(x), lo, hi));
}

void Calculate(bool wheelSide) {
    if (wheelSide)
        IterateCalculation();
    else
        RunCalculation();
}

}  // namespace

void PreDimension() {
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;

    ShowOperatingDataForm();
    if (cancelFlag) return;
    // Abbrechen in the material form only drops its edits: the estimate goes
    // on with the materials as they were.
    ShowMaterialForm();
    cancelFlag = false;

    w.designReal = std::min(g.sigHlim[1], g.sigHlim[2]);
    const bool wheelSide = w.operatingDataSide == 2;
    if (wheelSide) {
        g.n[1] = g.n[2] * w.u;
    } else {
        g.n[2] = g.n[1] / w.u;
        g.T[2] = kAssumedEfficiency * g.T[1] * w.u;
    }

    const Real compliance = CheckedDiv("", 1 - g.nue[1] * g.nue[1], g.E[1]) +
                            CheckedDiv("", 1 - g.nue[2] * g.nue[2], g.E[2]);
    w.ZE = CheckedSqrt("Fehler : ZE", CheckedDiv("", 1 / kPi, compliance));
    w.CHE = 10 * CheckedPower("CHE", CheckedDiv("SigHlim2 !", w.ZE, g.sigHlim[2]), 2.0L / 3);
    w.Zp = 0.36L / w.dm1a + 1.9L;
    const Real fn = CheckedPower("a0", g.n[2] / 8 + 1, 0.25L);
    w.a = std::nearbyint(
        w.CHE * CheckedPower("a02", w.Zp * w.Zp * g.T[2] * w.KA * kServiceFactor * fn, 1.0L / 3));

    SetHelpNumber(kCentreDistanceHelp);
    InputLength("Achsabstand a ", w.a, kCentreDistanceMin, kCentreDistanceMax);
    if (cancelFlag) return;

    g.z[1] = std::max(RoundToInt((2.4L * std::sqrt(w.a) + 7) / w.u), 1);
    g.z[2] = RoundToInt(g.z[1] * w.u);
    Calculate(wheelSide);

    for (int i = 1; i <= 2; ++i) {
        w.b[i] = std::nearbyint(w.bRec[i]);
        w.measurementInput[i] = BallDiameter(w.mn, w.x[i], w.alphaN, w.beta[i], g.z[i]);
        w.k[i] = TeethSpanned(w.mn, w.xemin[i], w.alphaN, w.beta[i], g.z[i]);
    }
    Calculate(wheelSide);
}

}  // namespace veldrim
