// Load capacity of the worm gear set after DIN 3996, editions 1998 and 2012.
//
// The rating runs once per edition; every pair of its results is indexed by
// edition (1 = DIN 3996:1998, 2 = DIN 3996:2012), and a message about one
// edition ends with that edition's text. What the editions share (the mean
// sliding path s*, the reduced modulus, the load cycles, the losses that do
// not depend on the tooth friction, the size and roughness factors, the
// pitting limit) is computed once. The editions differ in the
// characteristic values of the contact, in the base friction coefficient,
// in the wear intensity and in the deflection limit.
//
// Order of the rating (the later stages read what the earlier ones wrote):
//
//   worm torques, characteristic values pm*, h*, s*, E red, NL, c_alpha
//   losses PV0, PVLP, PVD; sliding speed; base friction mue 0T
//   per edition: friction mue zm, efficiency, losses, wheel torque, Ft1
//   per edition: mean Hertzian stress pm and wear path sWm
//   per edition: forces
//   film thickness hminm, wear intensity JW, flank wear del.Wn, wear safety
//   pitting limit Sig.HG, pitting safety and life
//   deflection limit, root of the wheel, worm core
//
// No condition here sets the fatal flag: a rating that cannot be made for
// one edition reports it and goes on with a value that makes the safety
// small (pm and sWm of 1000000) or 0.
//
// Units: P kW, T Nm, n 1/min, lengths mm, forces N, stresses and moduli
// N/mm², sliding speeds m/s, film thickness µm, alpha 0 in degrees where the
// regression formulas of the characteristic values want it.

#include "calc/rating_din3996.h"

#include <cmath>
#include <string>

#include "calc/rating_niemann.h"
#include "calc/records.h"
#include "calc/worm_rating.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/text_conv.h"

namespace veldrim {

namespace {

// The two editions, in the index order of every result pair.
constexpr int kEdition1998 = 1;
constexpr int kEdition2012 = 2;

std::string EditionText(int e) { return std::string(ChoiceText(kDinEditionTexts, e)); }

// ---- Characteristic values --------------------------------------------------------

// Coefficients of the regression formulas of pm*, h* and s*. ZH worms (concave
// flanks) have their own set; every other flank form shares one.
// DIN 3996: the characteristic values pm* (mean Hertzian stress), h* (mean
// lubricant film thickness) and s* (mean sliding path) by the regression
// formulas of the standard; the 2012 edition has its own pm* and h*.
struct CharacteristicCoefficients {
    Real A[8];  // pm* of 1998 (A[1]..A[7])
    Real B[8];  // pm* of 2012
    Real C[7];  // h* of 1998
    Real D[3];  // h* of 2012
    Real E[4];  // s*
};

constexpr CharacteristicCoefficients kCoefficientsOther = {
    {0, 0.4L, 1, 0.01L, 0.083L, 6.9L, 37.5L, 15.9L},
    {0, 0.2389L, 0.076L, 0.1794L, 0.0536L, 0.00369L, 0.01136L, 44.9814L},
    {0, 0.018L, 7.86L, 110, 36300, 370.4L, 213.9L},
    {0, 2.9157E-6L, -0.393L},
    {0, 5.6L, 0.21L, 0.78L},
};

constexpr CharacteristicCoefficients kCoefficientsZH = {
    {0, 0.31L, 0.78L, 0.008L, 0.065L, 8.9L, 47.9L, 20.3L},
    {0, 0.1866L, 0.0595L, 0.1401L, 0.0419L, 0.00288L, 0.0089L, 35.1417L},
    {0, 0.025L, 5.83L, 81.6L, 26920, 274.7L, 158.6L},
    {0, 3.7904E-6L, -0.511L},
    {0, 6.7L, 0.25L, 0.94L},
};

// ---- Base friction coefficient -------------------------------------------------------

// DIN 3996, efficiency: base friction coefficient of the test gear mue 0T over
// the mean sliding speed; 1998 by lubricant, 2012 by lubrication, lubricant
// and wheel material.
// mue 0T = Min(limit, c1 / (vgm + c0)^k + c2) over the mean sliding speed.
struct FrictionCurve {
    Real c0, k, c1, c2, limit;
};

constexpr FrictionCurve kNoCurve = {0, 0, 0, 0, 0};

// Edition 1998, by lubricant kind.
constexpr FrictionCurve kFriction1998Mineral = {0.17L, 0.76L, 0.026L, 0.028L, 0.1L};  // 1, 5
constexpr FrictionCurve kFriction1998Pg01 = {0.2L, 0.78L, 0.026L, 0.018L, 0.096L};    // 2
constexpr FrictionCurve kFriction1998Pg11 = {0.2L, 1.16L, 0.013L, 0.022L, 0.092L};    // 3
constexpr FrictionCurve kFriction1998Gh6 = {0.2L, 2.47L, 0.0015L, 0.018L, 0.094L};    // 4

// Edition 2012, bronze wheel, by lubrication and lubricant kind 1, 2-4, 5.
constexpr FrictionCurve kFriction2012Injection[3] = {
    {0.17L, 0.76L, 0.026L, 0.028L, 0.1L},
    {0.2L, 0.97L, 0.02L, 0.02L, 0.094L},
    {0.17L, 0.92L, 0.017L, 0.026L, 0.096L},
};
constexpr FrictionCurve kFriction2012Dip[3] = {
    {0.2L, 1.55L, 0.0079L, 0.033L, 0.1L},
    {0.1L, 1.71L, 0.0032L, 0.024L, 0.094L},
    {0.15L, 1.63L, 0.0056L, 0.027L, 0.096L},
};
// Edition 2012, wheel of steel or cast iron, lubricant kinds 1 and 5, 2-4.
constexpr FrictionCurve kFriction2012FerrousMineral = {0.2L, 0.87L, 0.015L, 0.055L, 0.1L};
constexpr FrictionCurve kFriction2012FerrousPolyglycol = {0.19L, 0.97L, 0.015L, 0.034L, 0.1L};

Real BaseFriction(const FrictionCurve& c, Real vgm) {
    if (c.limit == 0) return 0;
    const Real denominator = CheckedPower("vgm", vgm + c.c0, c.k);
    return Min(c.limit, CheckedDiv("", c.c1, denominator) + c.c2);
}

// Group of a lubricant kind in the 2012 tables: 0 mineral oil, 1 the
// polyglycols, 2 polyalphaolefin, -1 unknown.
int LubricantGroup(int kind) {
    if (kind == 1) return 0;
    if (kind >= 2 && kind <= 4) return 1;
    if (kind == 5) return 2;
    return -1;
}

bool IsFerrous(int materialKind) { return materialKind >= 1 && materialKind <= 7; }

const FrictionCurve& Friction1998(int lubricantKind) {
    switch (lubricantKind) {
        case 1:
        case 5: return kFriction1998Mineral;
        case 2: return kFriction1998Pg01;
        case 3: return kFriction1998Pg11;
        case 4: return kFriction1998Gh6;
        default: return kNoCurve;
    }
}

const FrictionCurve& Friction2012(int lubricantKind, int lubrication, int wheelKind) {
    const int group = LubricantGroup(lubricantKind);
    if (group < 0) return kNoCurve;
    if (IsFerrous(wheelKind))
        return group == 1 ? kFriction2012FerrousPolyglycol : kFriction2012FerrousMineral;
    return lubrication == 0 ? kFriction2012Injection[group] : kFriction2012Dip[group];
}

// ---- Wear intensity --------------------------------------------------------------------

// DIN 3996, wear: base wear intensity J0T over the lubricant film parameter KW,
// by wheel material and lubricant (and for 2012 by lubrication).
// J0T = Min(cap, c KW^k) with the lubricant film parameter KW.
Real WearCurve(Real c, Real KW, Real k, Real cap = 0) {
    const Real j = c * CheckedPower("Kw", KW, k);
    return cap > 0 ? Min(cap, j) : j;
}

constexpr Real kWearCap = 4E-7L;      // highest base wear intensity of the mild-wear range
constexpr Real kWearUnknown = 1E-6L;  // pairings without a measured wear line

Real BaseWear1998(int lubricantKind, Real KW) {
    if (lubricantKind == 1) return WearCurve(2.4E-11L, KW, -3.1L, kWearCap);
    if (lubricantKind >= 2 && lubricantKind <= 4) return WearCurve(1.27E-10L, KW, -2.24L);
    return 0;
}

Real BaseWear2012(const GearPairRecord& g, const WormGearRecord& w, Real KW) {
    const std::string name = LowerAscii(g.materialName[2]);
    const int kind = g.materialKind[2];
    const int group = LubricantGroup(w.lubricantKind);
    if (ContainsText("cusn", name)) {
        if (w.lubrication == 0) {
            if (group == 0) return WearCurve(2.4E-11L, KW, -3.1L, kWearCap);
            if (group == 1) return WearCurve(1.27E-10L, KW, -2.24L);
            if (group == 2) return WearCurve(3.18E-10L, KW, -2.24L);
        } else {
            if (group == 0) return WearCurve(6.5E-11L, KW, -2.68L, kWearCap);
            if (group == 1) return WearCurve(2.23E-10L, KW, -1.91L);
            if (group == 2) return WearCurve(5.58E-10L, KW, -1.91L);
        }
        return kWearUnknown;
    }
    if (kind == 8 && ContainsText("cual", name)) {
        if (group == 0) return WearCurve(5.45E-9L, KW, -1.23L, kWearCap);
        if (group == 2) return WearCurve(1.66E-11L, KW, -1.17L);
        return kWearUnknown;
    }
    if (IsFerrous(kind)) {
        if (group == 0 || group == 2) return WearCurve(9E-11L, KW, -3.7L, kWearCap);
        if (group == 1) return WearCurve(5.8E-10L, KW, -1.58L);
    }
    return kWearUnknown;
}

// ---- Stages of the rating ---------------------------------------------------------------

// Torques, characteristic values, shared quantities, losses and friction.
void SharedValues(const GearPairRecord& g, WormGearRecord& w) {
    // The driving power enters at the worm (T DIN[e]) or at the wheel (T DIN[2 + e]).
    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        if (w.driver == 1)
            w.TDin[e] = CheckedDiv("Fatal  : n1", 60000 * w.PDin[e], 2 * kPi * g.n[1]);
        else
            w.TDin[2 + e] = CheckedDiv("Fatal  : n2", 60000 * w.PDin[e], 2 * kPi * g.n[2]);
    }
    const Din3996CharacteristicValues cv = CalcDin3996CharacteristicValues(g, w);
    w.pmStar = cv.pmStar;
    w.hStar = cv.hStar;
    w.sStar = cv.sStar;
    // DIN 3996: reduced modulus E red = 2 / ((1 - nu1^2) / E1 + (1 - nu2^2) / E2), load
    // cycles of the wheel NL = Lh n1 60 / u, pressure-viscosity coefficient c alpha
    // by lubricant (m²/N).
    w.ERed = 2 / ((1 - g.nue[1] * g.nue[1]) / g.E[1] + (1 - g.nue[2] * g.nue[2]) / g.E[2]);
    w.NL = w.LHmin * g.n[1] * 60 / w.u;
    switch (w.lubricantKind) {
        case 2:
        case 3:
        case 4: w.cAlpha = 1.3E-8L; break;
        case 5: w.cAlpha = 1.4E-8L; break;
        default: w.cAlpha = 1.7E-8L; break;
    }

    // No-load loss of the churning oil, bearing loss, loss of the shaft seals.
    // DIN 3996, losses: no-load loss PV0 ~ a n1^(4/3); bearing loss
    // PVLP = f P a^0.44 u / dm2 with f 0.03 or 0.013 by bearing arrangement; seal loss
    // PVD = 11.78e-3 dm1^2 n1 W per seal.
    w.PV0Din = CheckedPower("n1", g.n[1], 4.0L / 3) * (w.PV0Percent / 100 * 8.9E-5L * w.a) / 1000;
    Real bearing = 0;
    if (w.bearingArrangement == 1) bearing = 0.03L;
    if (w.bearingArrangement == 2) bearing = 0.013L;
    w.PVLPDin = bearing * w.P * 1000 * CheckedPower("a", w.a, 0.44L) * w.u / w.dm[2] / 1000;
    w.PVD = w.dm[1] * w.dm[1] * 1.178E-5L * g.n[1] / 1000 * w.sealCount;

    // DIN 3996: mean sliding speed vgm = dm1 n1 / (19098 cos(gamma m)) (19098 = 60000 / pi).
    w.vgmDin = w.dm[1] * g.n[1] / (19098 * std::cos(w.gammaM));
    w.mue0T[kEdition1998] = BaseFriction(Friction1998(w.lubricantKind), w.vgmDin);
    w.mue0T[kEdition2012] =
        BaseFriction(Friction2012(w.lubricantKind, w.lubrication, g.materialKind[2]), w.vgmDin);
    // DIN 3996, efficiency: size factor YS = sqrt(100 / a) for a from 65 to 250 mm,
    // roughness factor YR = (Ra1 / 0.5)^(1/4) with Ra1 at least 0.5 µm.
    w.YS = std::sqrt(100 / Clamp(65, 250, w.a));
    w.YR = CheckedPower("Ra1", Max(w.Ra1, 0.5L) / 0.5L, 0.25L);
}

// Per edition: friction, efficiency, losses, output power and the torque of
// the driven shaft. With the wheel driving, friction turns against the wheel:
// eta z = tan(gamma m - rho) / tan(gamma m), negative for a self-locking set.
void EfficiencyAndLosses(const GearPairRecord& g, WormGearRecord& w) {
    const Real fixedLosses = w.PV0Din + w.PVLPDin + w.PVD;
    const bool wormDrives = w.driver == 1;
    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        // DIN 3996, efficiency: geometry factor YG = sqrt(0.07 / h*), tooth friction
        // mue zm = mue 0T YS YG YW YR, mesh efficiency with rho = arctan(mue zm), and
        // the total losses PV = PVz + PV0 + PVLP + PVD.
        w.YG[e] = CheckedSqrt2("YG", CheckedDiv("", 0.07L, w.hStar[e]));
        w.mueZm[e] = w.mue0T[e] * w.YS * w.YG[e] * w.YW * w.YR;
        const Real rho = std::atan(w.mueZm[e]);
        w.etaZDin[e] = wormDrives ? std::tan(w.gammaM) / std::tan(rho + w.gammaM)
                                  : std::tan(w.gammaM - rho) / std::tan(w.gammaM);
        w.PVzDin[e] = (w.PDin[e] - fixedLosses) * (1 - w.etaZDin[e]);
        w.PV[e] = w.PVzDin[e] + fixedLosses;
        w.etaDin[e] = 1 - w.PV[e] / w.PDin[e];
        w.PDinOut[e] = w.PDin[e] - w.PV[e];
        Real& Tout = w.TDin[wormDrives ? 2 + e : e];
        Tout = wormDrives ? CheckedDiv("Fatal  : n2", 60000 * w.PDinOut[e], 2 * kPi * g.n[2])
                          : CheckedDiv("Fatal  : n1", 60000 * w.PDinOut[e], 2 * kPi * g.n[1]);
        if (Tout <= 0) {
            Tout = 0;
            AddMessage((wormDrives ? "Fehler : T2 = 0 ! " : "Fehler : T1 = 0 ! ") + EditionText(e));
        }
        if (wormDrives) w.Ft1Din[e] = CheckedDiv("Fatal  : Ftm", 2000 * w.TDin[e] * w.KA, w.dm[1]);
    }
}

// Per edition: mean Hertzian stress and wear path over the required life.
void StressAndWearPath(WormGearRecord& w) {
    const Real a3 = IntPower(3, w.a);
    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        if (w.pmStar[e] <= 0) {
            // The wear safety becomes small instead of the rating stopping.
            AddMessage("Fatal  : pm < 0 !");
            w.pm[e] = 1000000;
            w.sWm[e] = 1000000;
            continue;
        }
        // DIN 3996, pitting and wear: mean Hertzian stress
        // sigma Hm = 4 / pi sqrt(pm* T2 KA 1000 E red / a^3), mean wear path
        // sWm = s* sigma Hm a / E red NL.
        const Real load = w.pmStar[e] * w.TDin[2 + e] * w.KA * 1000 * w.ERed / a3;
        w.pm[e] = 4 / kPi * CheckedSqrt("", load);
        w.sWm[e] = w.sStar * w.pm[e] * w.a / w.ERed * w.NL;
    }
}

// Per edition: the forces. With the worm driving the wheel's tangential force
// follows from the output torque, the normal force from the worm's with the
// Niemann friction. With the wheel driving the wheel's tangential force
// follows from the driving torque and the mesh of the edition's own friction
// balances the rest.
void Forces(WormGearRecord& w) {
    const Real cosA0 = std::cos(w.alpha0Rad);
    const Real sinG = std::sin(w.gammaM);
    const Real frictionPart = w.mueZ * std::cos(w.gammaM);
    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        if (w.driver == 1) {
            w.FnDin[e] = CheckedDiv("Fatal  : Fnm", w.Ft1Din[e], cosA0 * (frictionPart + sinG));
            w.Ft2Din[e] = CheckedDiv("Fatal  : Ftm2", 2000 * w.TDin[2 + e] * w.KA, w.dm[2]);
        } else {
            w.Ft2Din[e] = CheckedDiv("Fatal  : Ftm2", 2000 * w.TDin[2 + e] * w.KA, w.dm[2]);
            const WheelDrivenMesh mesh =
                WheelDrivingMeshForces(w.Ft2Din[e], w.gammaM, w.mueZm[e], w.alpha0Rad);
            w.Ft1Din[e] = mesh.Ft1;
            w.FnDin[e] = mesh.Fn;
            w.FrDin[e] = mesh.Fr;
        }
        w.Fx2Din[e] = w.Ft1Din[e];
        w.Fx1Din[e] = w.Ft2Din[e];
    }
    if (w.driver != 1) return;
    for (int e = kEdition1998; e <= kEdition2012; ++e)
        w.FrDin[e] = CheckedDiv("Fatal  : Frm", std::tan(w.alpha0Rad) * w.Ft1Din[e],
                                std::sin(w.gammaM + w.rhoZ));
}

// Lubricant film, wear intensity, flank wear, wear limit and wear safety.
void Wear(const GearPairRecord& g, WormGearRecord& w) {
    w.WS = 1;
    if (w.lubricantKind >= 2 && w.lubricantKind <= 5)
        w.WS = w.eta0M <= 0 ? 100 : 1 / CheckedPower("eta0M", w.eta0M, 0.35L);

    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        const Real T2 = w.TDin[2 + e];
        if (T2 <= 0) {
            w.hminm[e] = 0;
        } else {
            // DIN 3996, wear: minimum film thickness hmin m = 21 h* c alpha^0.6
            // eta 0M^0.7 n1^0.7 a^1.39 E red^0.03 / (T2 KA)^0.13 (µm); structure factor of
            // the synthetic oils WS = 1 / eta 0M^0.35; film parameter KW = hmin m WS.
            w.hminm[e] = 21 * w.hStar[e] * CheckedPower("c_alpha", w.cAlpha, 0.6L) *
                         CheckedPower("eta 0M", w.eta0M, 0.7L) * CheckedPower("n1", g.n[1], 0.7L) *
                         CheckedPower("a", w.a, 1.39L) * CheckedPower("E red", w.ERed, 0.03L) /
                         CheckedPower("T2", T2 * w.KA, 0.13L);
        }
        if (e == kEdition1998) {
            w.KW[e] = w.hminm[e] * w.WS;
            w.J0T[e] = BaseWear1998(w.lubricantKind, w.KW[e]);
        } else {
            // The 2012 edition lets a hard wheel wear less: its hardness
            // factor grows as the stress stays below what the material bears.
            Real WH = 1;
            const int kind = g.materialKind[2];
            if (kind >= 4 && kind <= 7 && w.pm[2] > 0) WH = 300 / w.pm[2];
            if (kind == 8 && w.pm[2] >= 450) WH = CheckedPower("WH", 450 / w.pm[2], 4.5L);
            w.KW[e] = w.hminm[e] * w.WS * WH;
            w.J0T[e] = BaseWear2012(g, w, w.KW[e]);
        }
        // DIN 3996, wear: wear intensity JW = J0T WML (material-lubricant factor).
        w.JW[e] = w.J0T[e] * w.WML;
        if (w.pmStar[e] <= 0) {
            AddMessage("Fehler : pm < 0 ! " + EditionText(e));
            w.pmStar[e] = 0.01L;
        }
    }

    // DIN 3996, wear: flank wear delta Wn = JW sWm; wear limit either the pointed
    // tip, mx cos(gamma m) (pi / 2 - 2 tan(alpha 0)), or 0.3 mx cos(gamma m); wear
    // safety SW = delta Wlimn / delta Wn (at least 1.1).
    for (int e = kEdition1998; e <= kEdition2012; ++e) w.delWn[e] = w.JW[e] * w.sWm[e];

    const Real cosG = std::cos(w.gammaM);
    w.dWlimnTip = cosG * w.mx * (kPi / 2 - 2 * std::tan(w.alpha0Rad));
    w.dWlimn03 = cosG * 0.3L * w.mx;
    w.dWlimn = w.wearLimitCode == 1 ? w.dWlimnTip : w.dWlimn03;

    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        w.SW[e] = w.delWn[e] <= 0 ? 0 : w.dWlimn / w.delWn[e];
        if (w.SW[e] < 1.1L) AddMessage("Fehler : SW < 1.1 ! " + EditionText(e));
    }
}

// Lubricant factor of the pitting limit: mineral oil 0.89, polyglycols 1.0,
// polyalphaolefin 0.94; a lubricant code outside the table has no factor.
// DIN 3996, pitting: lubricant factor Zoil.
Real LubricantFactorZoil(int lubricantKind) {
    if (lubricantKind == 1) return 0.89L;
    if (lubricantKind >= 2 && lubricantKind <= 4) return 1.0L;
    if (lubricantKind == 5) return 0.94L;
    return 0;
}

// Pitting limit, pitting safety and life.
void Pitting(const GearPairRecord& g, WormGearRecord& w) {
    // DIN 3996, pitting: limit sigma HG = sigma Hlim Zh Zv ZS Zu Zoil with the life
    // factor Zh = (25000 / Lh)^(1/6) <= 1.6, the speed factor Zv = sqrt(5 / (4 + vgm)),
    // the size factor ZS = sqrt(3000 / (2900 + a)), the ratio factor
    // Zu = (u / 20.5)^(1/6) below u = 20.5; safety SH = sigma HG / sigma Hm (at
    // least 1.0), life 25000 h SH^6.
    w.Zh = Min(1.6L, CheckedPower("Lh", 25000 / w.LHmin, 1.0L / 6));
    w.Zv = CheckedSqrt2("zvdin", 5 / (w.vgm + 4));
    w.ZS = std::sqrt(3000 / (w.a + 2900));
    w.Zoil = LubricantFactorZoil(w.lubricantKind);
    w.Zu = w.u < 20.5L ? CheckedPower("Zu", w.u / 20.5L, 1.0L / 6) : 1.0L;
    w.sigHG = Min(g.sigHlim[1], g.sigHlim[2]) * w.Zh * w.Zv * w.ZS * w.Zu * w.Zoil;
    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        w.SHDin[e] = w.TDin[2 + e] <= 0 ? 0 : CheckedDiv("", w.sigHG, w.pm[e]);
        w.LtHDin[e] = w.SHDin[e] <= 0 ? 0 : Min(100000, 25000 * IntPower(6, w.SHDin[e]));
        if (w.SHDin[e] < 1.0L) AddMessage("Fehler : SH < 1.0 !  " + EditionText(e));
    }
}

// Deflection limit of the worm shaft and the root of the wheel, which the
// flank wear has thinned.
void DeflectionAndRoot(const GearPairRecord& g, WormGearRecord& w) {
    // DIN 3996, deflection: limit of the worm's deflection 0.01 mx (1998),
    // 0.04 sqrt(mx) (2012).
    w.deltalim[kEdition1998] = 0.01L * w.mx;
    w.deltalim[kEdition2012] = 0.04L * std::sqrt(w.mx);
    // DIN 3996, tooth root: shear stress tau F = Ftm2 / (b2H mx) Y eps YF Y gamma YK
    // with the contact factor Y eps = 0.5, the form factor YF = 2.9 mx / sft over the
    // root thickness sft that the flank wear delta W has thinned, the lead factor
    // Y gamma = 1 / cos(gamma m), the rim factor YK = 1.
    w.Yeps = 0.5L;
    w.s0 = w.mt[2] * kPi / 2;
    const Real cosG = std::cos(w.gammaM);
    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        w.dW[e] = Min(w.dWlimn, w.delWn[e]) / cosG;
        w.sft[e] = 1.06L * (std::tan(w.alpha0Rad) * (w.dm[2] - w.df[2]) / cosG + w.s0 - w.dW[e]);
        w.YF[e] = CheckedDiv("", 2.9L * w.mx, w.sft[e]);
    }
    w.Ygamma = 1 / cosG;
    w.YK = 1;
    for (int e = kEdition1998; e <= kEdition2012; ++e)
        w.tauF[e] =
            CheckedDiv("", w.Fx1Din[e], w.b2Eff * w.mx) * w.Yeps * w.YF[e] * w.Ygamma * w.YK;

    // Inputs left at 0 are derived for this rating only; they stay 0 in the
    // record so that the next rating derives them afresh.
    // DIN 3996, tooth root: limit tau FG = tau FlimT YNL with the life factor YNL;
    // safety SF = tau FG / tau F (at least 1.1).
    w.tauFlimTUsed = w.tauFlimT != 0 ? w.tauFlimT : 0.4L * g.sigmaFE[2];
    w.YNLUsed = w.YNL != 0 ? w.YNL : LifeFactorYNLValue(g.materialKind[2], w.NL);
    w.tauFG = w.tauFlimTUsed * w.YNLUsed;
    for (int e = kEdition1998; e <= kEdition2012; ++e) {
        w.SFDin[e] = (w.TDin[2 + e] <= 0 || w.tauF[e] == 0) ? 0 : w.tauFG / w.tauF[e];
        if (w.SFDin[e] < 1.1L) AddMessage("Fehler : SF < 1.1 ! " + EditionText(e));
    }
}

// The worm core under the Niemann worm torque against its root strength.
void WormCore(const GearPairRecord& g, const WormGearRecord& w) {
    // Bending of the worm core: section modulus of the root circle pi df1^3 / 32.
    const Real modulus = IntPower(3, w.df[1]) * kPi / 32;
    if (g.sigmaFE[1] < CheckedDiv("", 1000 * g.T[1], modulus))
        AddMessage("Fehler : T1/Wt>Sig.Flim !");
}

}  // namespace

Din3996CharacteristicValues CalcDin3996CharacteristicValues(const GearPairRecord& g,
                                                            const WormGearRecord& w) {
    const bool zh = w.flankForm == kFlankZH;
    const CharacteristicCoefficients& k = zh ? kCoefficientsZH : kCoefficientsOther;
    const Real z1 = g.z[1];
    const Real z2 = g.z[2];
    const Real u = w.u;
    const Real q = w.q;
    const Real x2 = w.x[2];
    const Real b = w.b2Eff;
    const Real mx = w.mx;
    const Real dm1 = w.dm[1];
    const Real a0 = w.alpha0;  // degrees
    const Real rootPm = zh ? CheckedSqrt("", 2 * q - 1) : CheckedSqrt2("pm", 2 * q - 1);
    const Real rootH = zh ? CheckedSqrt("", 2 * q - 1) : CheckedSqrt2("hst", 2 * q - 1);

    Din3996CharacteristicValues cv;
    const auto& A = k.A;
    cv.pmStar[1] = 1.03L * (A[1] + A[2] * x2 / u + A[3] * z2 - A[4] * b / mx + rootPm / A[5] +
                            (q + 50 * (u + 1) / u) / (A[6] * q + A[7]));
    const auto& B = k.B;
    cv.pmStar[2] = B[1] * w.a / dm1 + B[2] * x2 * CheckedPower("pm2*", std::fabs(x2), 3.18L) +
                   B[3] + B[4] * q - B[5] * z2 - B[6] * a0 +
                   CheckedPower("pm2*", z1 / q, 2.6872L) * (x2 + 0.005657L) * B[7] / z2;
    const auto& C = k.C;
    cv.hStar[1] = C[1] + q / (C[2] * (z2 + q)) + 1 / z2 + x2 / C[3] - u / C[4] + b / (C[5] * mx) -
                  rootH / C[6];
    const Real L = CheckedSqrt("", 6 * mx * dm1 - 9 * mx * mx) + mx;
    const Real zq = z1 / q;
    cv.hStar[2] = k.D[1] * CheckedPower("h*", z2, -0.0847L) * CheckedPower("h*", a0, 0.0595L) *
                      (7.947E-7L * x2 + 5.927E-5L) * ((1 - 0.038L * q) * q + 65.576L) *
                      ((108.8547L * zq - 1) * zq - 3294.921L) *
                      ((0.003291L * L + 1) * L - 13064.58L) +
                  k.D[2];
    cv.sStar = k.E[1] / std::tan(w.gammaM) + k.E[2] * u + k.E[3];
    return cv;
}

void CalcDin3996Rating() {
    const GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    SharedValues(g, w);
    EfficiencyAndLosses(g, w);
    StressAndWearPath(w);
    Forces(w);
    Wear(g, w);
    Pitting(g, w);
    DeflectionAndRoot(g, w);
    WormCore(g, w);
}

}  // namespace veldrim
