#include "calc/cylindrical/cyl_geometry.h"

#include <cmath>
#include <string>

#include "calc/cylindrical/cyl_checks.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/cylindrical/cyl_support.h"
#include "calc/cylindrical/cyl_tip_contact.h"
#include "calc/cylindrical/cyl_tolerances.h"
#include "calc/measure_tables.h"
#include "calc/forms/tooth_form.h"
#include "foundation/codepage.h"
#include "foundation/guarded_math.h"

namespace veldrim {

using namespace cyl;

namespace {

// Tool reference profiles 1..3: fixed factors; 5 and 9 keep the user's
// factors without protuberance; 4, 6, 7 and 8 keep everything.
void ApplyToolProfile(int i) {
    CylGearRecord& g = cylGear;
    switch (g.toolProfile[i]) {
        case 1:
        case 2:
        case 3: {
            const int code = g.toolProfile[i];
            g.hfP0Factor[i] = 1.0L;
            g.haP0Factor[i] = code == 3 ? 1.4L : 1.25L;
            g.rhoaP0Factor[i] = code == 1 ? 0.25L : (code == 2 ? 0.38L : 0.4L);
            g.alphaPrP0[i] = code == 3 ? 6.0L : 0.0L;
            g.prP0Factor[i] = code == 3 ? 0.02L : 0.0L;
            g.alphaP0[i] = g.alphaN;
            g.toolAngleHeightFactor[i] = g.hfP0Factor[i];
            g.toolProfileText[i] = code == 3 ? "Protub." : "Normal";
            break;
        }
        case 4:
        case 8: g.toolProfileText[i].clear(); break;
        case 5:
        case 9:
            g.alphaPrP0[i] = 0;
            g.prP0Factor[i] = 0;
            g.toolProfileText[i] = "Normal";
            break;
        default:  // 6, 7 and codes outside the table keep every value
            break;
    }
    if (std::fabs(g.alphaP0[i] - g.alphaN) < 0.001L) {
        g.toolAngleDiffers[i] = false;
        g.toolAngleHeightFactor[i] = g.hfP0Factor[i];
    } else {
        g.toolAngleDiffers[i] = true;
    }
}

}  // namespace

void Unit0() {
    CylGearRecord& g = cylGear;
    if (Fatal()) {
        Say("Fatal  : Unit0");
        return;
    }
    if (g.alphaN < 5.0L || g.alphaN > 45.0L) {
        SayFatal("Fatal  : alpha !");
        return;
    }
    // The axial-section pair of the worm has helix angles above 45 degrees
    // and is still calculated: a message only.
    if (std::fabs(g.beta) > 45.0L) Say("Fatal  : beta > 45!");
    if (g.mn <= 0) {
        SayFatal("Fatal  : mn <= 0!");
        return;
    }
    if (g.b <= 0) {
        SayFatal("Fatal  : b <= 0!");
        return;
    }
    // Every later stage divides by the tooth counts.
    if (Z(1) == 0 || Z(2) == 0) {
        SayFatal("Fatal  : z = 0 !");
        return;
    }
    if (std::abs(Z(2)) < std::abs(Z(1))) Say("Fehler : z2 < z1 !");
    if (Z(1) < 0) Say("Fehler : z1 < 0 !");

    for (int i = 1; i <= 2; ++i) {
        if (g.bGear[i] <= 0) g.bGear[i] = g.b;
        if (g.alphaP0[i] == 0) g.alphaP0[i] = g.alphaN;
        if (g.alphaP0[i] == g.alphaN) {
            g.toolAngleDiffers[i] = false;
            g.toolAngleHeightFactor[i] = g.hfP0Factor[i];
        } else {
            g.toolAngleDiffers[i] = true;
        }
    }
    g.alphaNRad = DegToRad(g.alphaN);
    g.betaRad = DegToRad(g.beta);
    g.diametralPitch = 25.4L / g.mn;
    if (g.pairKind[1] == 3) g.pairKind[2] = 3;

    const Real cb = std::cos(g.betaRad);
    g.mt = g.mn / cb;
    for (int i = 1; i <= 2; ++i) g.d[i] = Zr(i) * g.mt;
    g.alphaT = std::atan(std::tan(g.alphaNRad) / cb);

    const Real sa = std::sin(g.alphaNRad);
    g.zLimit = 2.0L / (sa * sa);
    g.zLimitPractical = 5.0L / 6.0L * g.zLimit;
    const Real cb3 = cb * cb * cb;
    g.xMin[1] = (g.zLimitPractical - Zr(1) / cb3) / g.zLimit;
    g.xMin[2] = Z(2) < 0 ? 0.0L : (g.zLimitPractical - Zr(2) / cb3) / g.zLimit;
    if (Z(2) < 0 && g.boreDiameter[2] > 0) g.boreDiameter[2] = -g.boreDiameter[2];
}

void CylCentreDistanceStep() {
    CylGearRecord& g = cylGear;
    if (Fatal()) return;
    if (g.a == 0) {
        g.alphaWt = 0;
        g.sumX = 0;
        return;
    }
    Real c = std::cos(g.alphaT) * (g.d[1] + g.d[2]) / 2.0L / g.a;
    if (c > 1.0L || c < 0.0L) {
        Say(std::string("Achsabstand angepaßt !"_cp850));
        g.aRef = g.mn / 2.0L / std::cos(g.betaRad) * (Zr(1) + Zr(2));
        if (PercentDeviation(g.a, g.aRef) > 20.0L) g.a = g.aRef;
        c = std::cos(g.alphaT) * (g.d[1] + g.d[2]) / 2.0L / g.a;
    }
    g.alphaWt = CheckedArcCos(c);
    g.sumX =
        (Involute(g.alphaWt) - Involute(g.alphaT)) * (Zr(1) + Zr(2)) / 2.0L / std::tan(g.alphaNRad);
}

bool Unit1() {
    CylGearRecord& g = cylGear;
    if (Fatal()) {
        Say("Fatal  : Unit1");
        return false;
    }
    const Real tanAn = std::tan(g.alphaNRad);
    const Real cosB = std::cos(g.betaRad);

    // 1. Tooth-thickness allowances; series 0 means allowances given.
    for (int i = 1; i <= 2; ++i) {
        if (g.toleranceSeries[i] == 0) g.toleranceSeries[i] = 11;
        if (g.toleranceSeries[i] < 11) {
            g.Asne[i] =
                -static_cast<Real>(ToothThicknessAllowanceAsne(g.deviationSeries[i], g.d[i])) /
                1000.0L;
            g.Tsn[i] = static_cast<Real>(ToothThicknessToleranceTsn(g.toleranceSeries[i], g.d[i])) /
                       1000.0L;
            g.Asni[i] = g.Asne[i] - g.Tsn[i];
        } else {
            g.Tsn[i] = g.Asne[i] - g.Asni[i];
        }
    }
    // 2. - 4. Reference centre distance and designations.
    g.aRef = g.mn / 2.0L / cosB * (Zr(1) + Zr(2));
    g.centreToleranceText = g.centreToleranceField >= 1 && g.centreToleranceField <= 8
                                ? std::string(kCylCentreFieldTexts[g.centreToleranceField - 1])
                                : std::string();
    for (int i = 1; i <= 2; ++i) {
        const int series = g.toleranceSeries[i];
        if (series >= 1 && series <= 10) {
            const int dev = g.deviationSeries[i];
            std::string letter = dev >= 1 && dev <= 11
                                     ? std::string(kCylDeviationSeriesTexts[dev - 1])
                                     : std::string();
            g.designationText[i] = letter + " " + std::to_string(series + 20);
        } else {
            g.designationText[i].clear();
        }
    }
    // 5. - 6. Tool reference profile and absolute tool values.
    for (int i = 1; i <= 2; ++i) {
        ApplyToolProfile(i);
        g.hfP0[i] = g.hfP0Factor[i] * g.mn;
        g.haP0[i] = g.haP0Factor[i] * g.mn;
        g.rhoaP0[i] = g.rhoaP0Factor[i] * g.mn;
        g.rhofP0[i] = g.rhofP0Factor[i] * g.mn;
        g.prP0[i] = g.prP0Factor[i] * g.mn;
        g.toolAngleHeight[i] = g.toolAngleHeightFactor[i] * g.mn;
    }
    // 7. - 8. Base helix angle and working pressure angle from the profile shifts.
    g.betaB = std::atan(std::tan(g.betaRad) * std::cos(g.alphaT));
    const Real zSum = Zr(1) + Zr(2);
    if (zSum != 0) {
        g.alphaWt = ArcInvolute(Involute(g.alphaT) + 2.0L * tanAn * (g.x[1] + g.x[2]) / zSum);
    } else {
        g.alphaWt = g.alphaT;
    }
    if (g.alphaWt == 0) {
        SayFatal("Fatal  : alpha wt !");
        cancelFlag = true;
        return false;
    }
    // The working centre distance of the pair follows from its own profile
    // shifts; the centre tolerance and the working-angle limits below are
    // taken at it, never at a value left from an earlier calculation.
    g.a = (g.d[1] + g.d[2]) / 2.0L * std::cos(g.alphaT) / std::cos(g.alphaWt);
    // 9. - 10.
    g.cos2BetaB = std::cos(g.betaB) * std::cos(g.betaB);
    if (g.centreToleranceField < 9) {
        const Real it = static_cast<Real>(IsoToleranceIT(g.centreToleranceField, g.a));
        g.Aae = it / 2000.0L;
        g.Aai = -g.Aae;
    }
    // 11. Backlash.
    g.jtMin = 2.0L * g.Aai * tanAn / cosB - (g.Asne[1] + g.Asne[2]) / cosB;
    g.jtMax = 2.0L * g.Aae * tanAn / cosB - (g.Asni[1] + g.Asni[2]) / cosB;
    g.jnMin = std::cos(g.alphaNRad) * g.jtMin * cosB;
    g.jnMax = std::cos(g.alphaNRad) * g.jtMax * cosB;
    g.jrMin = g.jtMin / (2.0L * std::tan(g.alphaWt));
    g.jrMax = g.jtMax / (2.0L * std::tan(g.alphaWt));
    // 12. Generating profile shifts of finishing and roughing.
    const Real sinAn = std::sin(g.alphaNRad);
    for (int i = 1; i <= 2; ++i) {
        g.xee[i] = g.Asne[i] / 2.0L / tanAn / g.mn + g.x[i];
        g.xei[i] = g.Asni[i] / 2.0L / tanAn / g.mn + g.x[i];
        if (std::fabs(g.qAllowance[i]) < 1e-5L) {
            g.qAllowance[i] = 0;
            g.qTolerance[i] = 0;
            g.xPreLower[i] = g.xei[i];
            g.xPreUpper[i] = g.xee[i];
        } else {
            g.xPreLower[i] = g.xee[i] + g.qAllowance[i] / sinAn / g.mn;
            g.xPreUpper[i] = g.xee[i] + (g.qAllowance[i] + g.qTolerance[i]) / sinAn / g.mn;
            if (WarningsShown() && g.qTolerance[i] < g.Tsn[i] / 2.0L)
                Say("Warnung: q tol < Tsn/2  (" + GearText(i) + ")");
        }
    }
    // 13. Working pressure angles at the centre-distance limits.
    if (zSum != 0 && g.a != 0) {
        const Real num = std::cos(g.alphaT) * (g.d[1] + g.d[2]);
        g.alphaWtAMin = CheckedArcCos(num / (2.0L * (g.a + g.Aai)));
        g.alphaWtAMax = CheckedArcCos(num / (2.0L * (g.a + g.Aae)));
    } else {
        g.alphaWtAMin = g.alphaT;
        g.alphaWtAMax = g.alphaT;
    }
    // 14. Diameters.
    const Real cosAt = std::cos(g.alphaT);
    for (int i = 1; i <= 2; ++i) {
        g.zn[i] = Zr(i) / cosB / g.cos2BetaB;
        g.dn[i] = g.mn * g.zn[i];
        g.dw[i] = g.d[i] * cosAt / std::cos(g.alphaWt);
        g.dwAMin[i] = g.d[i] * cosAt / std::cos(g.alphaWtAMin);
        g.dwAMax[i] = g.d[i] * cosAt / std::cos(g.alphaWtAMax);
        g.df[i] = g.d[i] - 2.0L * g.haP0[i] + 2.0L * g.xPreUpper[i] * g.mn;
        g.dfLower[i] = g.d[i] - 2.0L * g.haP0[i] + 2.0L * g.xPreLower[i] * g.mn;
        g.dfNominal[i] = g.d[i] - 2.0L * g.haP0[i] + 2.0L * g.x[i] * g.mn;
        g.dfSpan[i] = g.dfLower[i] - g.df[i];
        g.daRef[i] = g.d[i] + 2.0L * (g.x[i] * g.mn + g.hfP0[i]);
        g.daFull[i] = g.df[i] + 2.0L * (g.hfP0[i] + g.haP0[i]);
        g.db[i] = g.d[i] * cosAt;
        g.dMid[i] = (g.daFull[i] + g.df[i]) / 2.0L;
    }
    // 15. Pitches.
    g.pn = kPi * g.mn;
    g.pt = g.pn / cosB;
    g.pbt = cosAt * g.pt;
    g.pet = g.pbt;
    g.pbn = std::cos(g.alphaNRad) * g.pn;
    // 16.
    g.a = (g.dw[1] + g.dw[2]) / 2.0L;
    g.betaW = std::atan(std::tan(g.betaRad) * g.dw[1] / g.d[1]);
    return true;
}

bool IsInnerDiameterBelowRoot(int i) {
    return cylGear.boreDiameter[i] < cylGear.df[i] - 2.5L * cylGear.mn;
}

void CalcCylGear() {
    Unit0();
    if (Fatal()) return;
    CylCentreDistanceStep();
    if (Fatal()) return;
    // Unit1's own result decides, not a cancel flag that a dialog left set.
    if (!Unit1() || Fatal()) return;
    CylTipDiameterStep();
    if (Fatal()) return;
    Unit2();
    if (Fatal()) return;
    CylToleranceStage();
    if (Fatal()) return;
    CylProtuberanceStep();
    CylPlausibilityChecks();
    InitToothFormConfig();
}

}  // namespace veldrim
