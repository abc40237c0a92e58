#include "calc/cylindrical/cyl_tip_contact.h"

#include <cmath>

#include "calc/cylindrical/cyl_record.h"
#include "calc/cylindrical/cyl_support.h"
#include "calc/measure_tables.h"
#include "foundation/codepage.h"
#include "foundation/guarded_math.h"

namespace veldrim {

using namespace cyl;

namespace {

// Transverse tooth thickness on the diameter dy whose pressure angle is
// alphaY, from the transverse thickness st on the reference diameter d.
Real ThicknessAt(Real st, Real d, Real dy, Real alphaY) {
    return (Involute(cylGear.alphaT) + st / d - Involute(alphaY)) * dy;
}

// Tip form diameters and tooth thicknesses at the tip of gear i, step 4 and 7
// of the first pass.
void TipFormAndThickness(int i) {
    CylGearRecord& g = cylGear;
    const Real cosB = std::cos(g.betaRad);
    Real s1 = 0, s2 = 0;
    if (g.toolAngleDiffers[i]) {
        // The tip is shaped by the second flank part of the roughing tool.
        const Real alphaP0Rad = DegToRad(g.alphaP0[i]);
        g.dFa[i] = TipDiameterSearch(Z(i), i, s1, g.alphaNRad, g.betaRad, g.mn, g.xei[i],
                                     g.xPreLower[i], alphaP0Rad, g.toolAngleHeight[i], g.da[i]);
        g.dFaLower[i] =
            TipDiameterSearch(Z(i), i, s2, g.alphaNRad, g.betaRad, g.mn, g.xee[i], g.xPreUpper[i],
                              alphaP0Rad, g.toolAngleHeight[i], g.daLower[i]);
    } else if (g.rhofP0Factor[i] <= 0) {
        g.dFa[i] = g.da[i];
        g.dFaLower[i] = g.daLower[i];
    } else {
        g.dFa[i] = Min(g.daFull[i] - 2.0L * g.rhofP0[i] * (1.0L - std::sin(g.alphaNRad)), g.da[i]);
        g.dFaLower[i] = g.dFa[i] + g.dfSpan[i];
    }
    if (g.da[i] == 0) {
        SayFatal("Fatal  : da = 0 !");
        return;
    }
    const Real cosAa = std::cos(g.alphaT) * g.d[i] / g.da[i];
    if (cosAa <= 1.0L) {
        g.alphaA[i] = LabelledArcCos("Fatal  : ArcCos(cos(alpha t)*d/da)>1 !", cosAa);
    } else {
        Say("Fehler : cos(alpha t)*d/da)>1");
        g.alphaA[i] = 0;
    }
    g.sat[i] = ThicknessAt(g.st[i], g.d[i], g.da[i], g.alphaA[i]);
    g.stw[i] = ThicknessAt(g.st[i], g.d[i], g.dw[i], g.alphaWt);
    if (!g.toolAngleDiffers[i]) {
        g.satUpper[i] = ThicknessAt(g.stMax[i], g.d[i], g.da[i], g.alphaA[i]);
        g.satLower[i] = ThicknessAt(g.stMin[i], g.d[i], g.da[i], g.alphaA[i]);
    } else {
        const Real t = std::tan(DegToRad(g.alphaP0[i]) + kPi / Zr(i));
        g.satUpper[i] = s1 - t * (g.da[i] - g.dFa[i]) + g.Asne[i];
        g.satLower[i] = s2 - t * (g.da[i] - g.dFaLower[i]) + g.Asni[i];
    }
    g.san[i] = cosB * g.sat[i];
    g.sanLower[i] = cosB * g.satLower[i];
    g.sanUpper[i] = cosB * g.satUpper[i];
}

// Root form diameters of gear i for the profile shift xE of its flank.
Real RootForm(int i, Real xE) {
    const CylGearRecord& g = cylGear;
    if (g.prP0[i] > 0) {
        return Sz(i) * RootFormDiameterProtuberance(g.db[i], g.alphaNRad, g.rhoaP0[i], g.mn, xE,
                                                    g.haP0[i], g.alphaT, g.d[i], g.prP0[i]);
    }
    return Sz(i) * RootFormDiameter(g.db[i], g.alphaNRad, g.rhoaP0[i], g.mn, xE, g.haP0[i],
                                    g.alphaT, g.d[i]);
}

// Diameter of the circle through the end of the line of action at gear i's
// base circle, seen from the mating gear at the centre distance aPrime: the
// largest tip the mating gear may have without interference (signed).
Real InterferenceLimit(int i, Real aPrime) {
    const CylGearRecord& g = cylGear;
    const Real r =
        Hypot(aPrime - std::cos(g.alphaWt) * g.db[i] / 2.0L, std::sin(g.alphaWt) * g.db[i] / 2.0L);
    return 2.0L * r * Sz(Other(i));
}

// Path of contact for the usable tip diameters dNa1, dNa2 at the centre
// distance aPrime with the working angle alphaW.
Real PathOfContact(Real dNa1, Real dNa2, Real aPrime, Real alphaW) {
    const CylGearRecord& g = cylGear;
    const Real r1 = CheckedSqrt("Fehler : g alpha", dNa1 * dNa1 - g.db[1] * g.db[1]);
    const Real r2 = CheckedSqrt("Fehler : g alpha", dNa2 * dNa2 - g.db[2] * g.db[2]);
    return 0.5L * (Sz(1) * r1 + Sz(2) * r2 - 2.0L * aPrime * std::sin(alphaW));
}

}  // namespace

Real CylTipPathPart(Real sz, Real dNa, Real dw, Real db) {
    return sz * (Cathetus(dNa / 2.0L, db / 2.0L) - Cathetus(dw / 2.0L, db / 2.0L));
}

void CylTipDiameterStep() {
    CylGearRecord& g = cylGear;
    if (Fatal()) return;
    for (int i = 1; i <= 2; ++i) {
        const int o = Other(i);
        switch (g.tipDiameterMode[i]) {
            case 1:
                g.da[i] = 2.0L * (g.a - g.c[i]) - g.df[o];
                g.kmn[i] = (g.daFull[i] - g.da[i]) / 2.0L;
                break;
            case 2:
                g.da[i] = g.daFull[i] - 2.0L * g.kmn[i];
                g.c[i] = g.a - (g.da[i] + g.df[o]) / 2.0L;
                break;
            case 3:
                g.kmn[i] = (g.daFull[i] - g.da[i]) / 2.0L;
                g.c[i] = g.a - (g.da[i] + g.df[o]) / 2.0L;
                break;
            default: break;
        }
    }
}

void Unit2() {
    CylGearRecord& g = cylGear;
    if (Fatal()) {
        Say("Fatal  : Unit2");
        return;
    }
    const Real tanAn = std::tan(g.alphaNRad);
    const Real cosB = std::cos(g.betaRad);
    const Real sinAn = std::sin(g.alphaNRad);

    // First pass: tip shortening, depths, thicknesses, tip form circles.
    for (int i = 1; i <= 2; ++i) {
        const int o = Other(i);
        g.kmn[i] = (g.daFull[i] - g.da[i]) / 2.0L;
        if (std::fabs(g.kmn[i]) < 0.001L) {
            g.kmn[i] = 0;
            g.da[i] = g.daFull[i];
        }
        if (g.kmn[i] < 0) Say("Fehler : kmn < 0 !  (" + GearText(i) + ")");
        g.daLower[i] = g.da[i] + g.dfSpan[i];
        g.c[i] = g.a - (g.da[i] + g.df[o]) / 2.0L;
        g.h[i] = (g.da[i] - g.df[i]) / 2.0L;
        g.hFromDaLower[i] = (g.daLower[i] - g.df[i]) / 2.0L;
        g.hFromDfLower[i] = (g.da[i] - g.dfLower[i]) / 2.0L;

        g.sn[i] = (kPi / 2.0L + 2.0L * g.x[i] * tanAn) * g.mn;
        g.snMax[i] = (kPi / 2.0L + 2.0L * g.xee[i] * tanAn) * g.mn;
        g.snMin[i] = (kPi / 2.0L + 2.0L * g.xei[i] * tanAn) * g.mn;
        g.st[i] = g.sn[i] / cosB;
        g.stMax[i] = g.snMax[i] / cosB;
        g.stMin[i] = g.snMin[i] / cosB;
        g.et[i] = g.pt - g.st[i];
        g.en[i] = cosB * g.et[i];

        TipFormAndThickness(i);
        if (Fatal()) return;
    }
    for (int i = 1; i <= 2; ++i) {
        const int o = Other(i);
        g.cMin[i] = g.a + g.Aai - g.da[i] / 2.0L - g.df[o] / 2.0L;
        g.cMax[i] = g.a + g.Aae - (g.da[i] + g.dfSpan[i]) / 2.0L - (g.df[o] + g.dfSpan[o]) / 2.0L;
    }

    // Second pass: root form circles, usable tip diameters, partial ratios.
    for (int i = 1; i <= 2; ++i) {
        const int o = Other(i);
        g.toothAngleW[i] = 2.0L * CheckedArcSin(g.stw[i] / (2.0L * g.dw[i]));
        if (Z(i) > 0) {
            g.dFf[i] = RootForm(i, g.x[i]);
            g.dFfUpper[i] = RootForm(i, g.xee[i]);
            g.dFfLower[i] = RootForm(i, g.xei[i]);
        } else {
            const Real rounding = 2.0L * g.rhoaP0[i] * (1.0L - sinAn);
            g.dFf[i] = g.dfNominal[i] + rounding;
            g.dFfLower[i] = g.dfLower[i] + rounding;
            g.dFfUpper[i] = g.df[i] + rounding;
        }
        Real limit, limitAMin, limitAMax;
        if (Z(i) > 0) {
            limit = InterferenceLimit(i, g.a);
            limitAMin = InterferenceLimit(i, g.a + g.Aai);
            limitAMax = InterferenceLimit(i, g.a + g.Aae);
        } else {
            limit = g.da[o];
            limitAMin = g.daLower[o];
            limitAMax = g.da[o];
        }
        if (g.da[o] <= limit) {
            g.dNa[o] = Min(limit, g.dFa[o]);
            g.dNaAMin[o] = Min(limitAMin, g.dFaLower[o]);
            g.dNaAMax[o] = Min(limitAMax, g.dFa[o]);
        } else {
            Say(std::string("Fehler : Eingr.stör. da"_cp850) + GearText(o) + " !");
            g.dNa[o] = limit;
            g.dNaAMin[o] = limitAMin;
            g.dNaAMax[o] = limitAMax;
        }
    }
    for (int i = 1; i <= 2; ++i) {
        const Real q = g.dFaLower[i] / g.db[i];
        Real term = 0;
        if (q <= 1.0L) {
            Say("Fehler : db > da  (" + GearText(i) + ") !");
        } else {
            term = CheckedSqrt("Fehler : eps.alpha", q * q - 1.0L);
        }
        g.epsPartial[i] = (term - std::tan(g.alphaWt)) * Zr(i) / 2.0L / kPi;
    }

    // Path of contact and its tip parts.
    g.gAlpha = PathOfContact(g.dNa[1], g.dNa[2], g.a, g.alphaWt);
    g.gAlphaAMax = PathOfContact(g.dNaAMin[1], g.dNaAMin[2], g.a + g.Aae, g.alphaWtAMax);
    g.gAlphaAMin = PathOfContact(g.dNaAMax[1], g.dNaAMax[2], g.a + g.Aai, g.alphaWtAMin);
    for (int i = 1; i <= 2; ++i) {
        g.gTip[i] = CylTipPathPart(Sz(i), g.dNa[i], g.dw[i], g.db[i]);
        g.gTipAMax[i] = CylTipPathPart(Sz(i), g.dNaAMin[i], g.dwAMax[i], g.db[i]);
        g.gTipAMin[i] = CylTipPathPart(Sz(i), g.dNaAMax[i], g.dwAMin[i], g.db[i]);
    }

    // Contact ratios.
    g.epsAlpha = g.gAlpha / g.pet;
    g.epsAlphaAMax = g.gAlphaAMax / g.pet;
    g.epsAlphaAMin = g.gAlphaAMin / g.pet;
    if (g.epsAlpha <= 0) {
        SayFatal("Fatal  : epsilon alpha <=0 !");
        return;
    }
    const Real path = 2.0L * g.a * std::sin(g.alphaWt);
    const Real r2 = CheckedSqrt("Fehler : dnf1", g.dNa[2] * g.dNa[2] - g.db[2] * g.db[2]);
    const Real t1 = path - Sz(2) * r2;
    g.dNf[1] = Sz(1) * CheckedSqrt("Fehler : dnf1", g.db[1] * g.db[1] + t1 * t1);
    const Real r1 = CheckedSqrt("Fehler : dnf2", g.dNa[1] * g.dNa[1] - g.db[1] * g.db[1]);
    const Real t2 = path - Sz(1) * r1;
    g.dNf[2] = Sz(2) * CheckedSqrt("Fehler : dnf2", g.db[2] * g.db[2] + t2 * t2);
    g.epsBeta = g.b * std::sin(g.betaRad) / (kPi * g.mn);
    g.epsGamma = g.epsAlpha + g.epsBeta;
    g.epsGammaAMax = g.epsAlphaAMax + g.epsBeta;
    g.epsGammaAMin = g.epsAlphaAMin + g.epsBeta;
    g.u = Zr(2) / Zr(1);
    for (int i = 1; i <= 2; ++i) g.cToFormCircle[i] = g.a - (g.da[i] + g.dFfUpper[Other(i)]) / 2.0L;
}

}  // namespace veldrim
