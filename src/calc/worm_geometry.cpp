// Worm gear geometry after DIN 3975 and the main calculation sequence.
//
// RunCalculation is the one routine every change of the data set ends in:
//
//   ClearMessages
//   CalcWormGeometry                         fatal -> stop
//   ZI worm: equivalent cylindrical gear     fatal -> stop
//            ClearMessages, CalcWormGeometry  (with what the cylinder stage
//                                              copied back)
//   CalcWormTolerances
//   not fatal: CalcWormRating, bore checks
//
// A run that ends fatal puts the gear data records back as they were before
// it: a failed calculation never leaves a half-written data set behind, and
// its messages say why it stopped.
//
// The geometry works with the axial module mx of the worm, the mean diameter
// dm1 = (dm1/a) a and the centre distance a, which tie the profile shifts in:
// a = dm1/2 + (x1 + x2 + z2/2) mx.

#include "calc/worm_geometry.h"

#include <cmath>
#include <string>

#include "calc/cylindrical/cyl_bridge.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "calc/worm_rating.h"
#include "calc/worm_tolerances.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

void Stop(std::string_view text) {
    AddMessage(text);
    fatalFlag = true;
}

// Steps 2 to 8: checks and the completion of inputs left at 0, then the main
// dimensions. False when a fatal condition stopped the geometry.
// DIN 3975: centre distance a = (dm1 + dm2) / 2, wheel mean diameter
// dm2 = d2 + 2 x2 mx with d2 = z2 mx, ratio u = z2 / z1.
bool MainDimensions(GearPairRecord& g, WormGearRecord& w) {
    if (g.z[2] == 0) {
        Stop("Fatal  : z2 = 0 !");
        return false;
    }
    if (w.alpha0 == 0) w.alpha0 = 20.0L;
    if (w.alpha0 < 10.0L || w.alpha0 > 30.0L) {
        Stop("Warnung: alpha !");
        return false;
    }
    if (w.dm1a == 0) w.dm1a = 0.35L;
    if (g.z[1] == 0) g.z[1] = 1;
    w.keptThreadCount = g.z[1];
    // The quotient is checked before a centre distance is derived from it:
    // at dm1/a = 2 the worm would fill the whole centre distance.
    if (w.dm1a >= 2.0L) {
        Stop("Fatal  : dm1/a >= 2 !");
        return false;
    }
    const Real z1 = g.z[1];
    const Real z2 = g.z[2];
    const Real shifts = w.x[1] + w.x[2];
    // With a = 0 the centre distance follows from the module still in the
    // record, so that the relation below gives that module back.
    if (w.a == 0) {
        w.a = (2 * shifts + z2) * w.mx / (2 - w.dm1a);
        // With x1 + x2 at or below -z2/2 no centre distance is left. The
        // module check below would not see it: the module derived from a
        // negative centre distance and a negative sum of shifts is positive.
        // (Without a module the module check names the cause.)
        if (w.mx > 0 && !(w.a > 0)) {
            Stop("Fatal  : a <= 0 !");
            return false;
        }
    }
    w.u = z2 / z1;
    w.dm[1] = w.dm1a * w.a;
    w.dm[2] = 2 * w.a - w.dm[1];
    const Real den = shifts + z2 / 2;
    w.mx = den == 0 ? 0 : (w.a - w.dm[1] / 2) / den;
    if (!(w.mx > 0)) {
        Stop("Fatal  : m <= 0 !");
        return false;
    }
    return true;
}

// Steps 9 to 13: modules, angles of the helix, heights and diameters.
void ModulesAndDiameters(const GearPairRecord& g, WormGearRecord& w) {
    const Real z1 = g.z[1];
    const Real z2 = g.z[2];
    w.mt[2] = w.mx;
    // DIN 3975: diameter quotient q = dm1 / mx, mean lead angle tan(gamma m) = z1 / q,
    // normal module mn = mx cos(gamma m); the wheel's helix angle is gamma m.
    w.q = w.dm[1] / w.mx;
    w.gammaM = std::atan(z1 / w.q);
    w.beta[1] = w.summa - w.gammaM;
    w.betaM = w.beta[1];
    w.beta[2] = w.gammaM;
    w.mn = w.mx * std::cos(w.gammaM);
    w.m[1] = w.mx;
    w.m[2] = w.mn / std::cos(kPi / 2 - w.gammaM);
    // DIN 3975: addendum ha = (ha* + x) mx, dedendum hf = (hf* - x) mx, tip and root
    // diameters da = d + 2 ha, df = d - 2 hf (worm about dm1, wheel about d2), tip
    // clearances c = a - (da + df of the mate) / 2.
    for (int i = 1; i <= 2; ++i) {
        w.ha[i] = (w.haStar[i] + w.x[i]) * w.mx;
        w.hf[i] = (w.hfStar[i] - w.x[i]) * w.mx;
        w.h[i] = w.ha[i] + w.hf[i];
    }
    w.d[1] = w.dm[1];
    w.d[2] = z2 * w.mx;
    w.da[1] = w.dm[1] + 2 * w.ha[1];
    w.da[2] = w.d[2] + 2 * w.ha[2];
    w.df[1] = w.dm[1] - 2 * w.hf[1];
    w.df[2] = w.d[2] - 2 * w.hf[2];
    w.c[1] = w.a - (w.da[1] + w.df[2]) / 2;
    w.c[2] = w.a - (w.da[2] + w.df[1]) / 2;
    // DIN 3975: outside diameter of the wheel de2 over its throat diameter da2.
    switch (w.wheelRimCode) {
        case 0:
        case 1: w.de2 = w.da[2] + w.mx; break;
        case 3: w.de2 = w.da[2] + 2 * w.mx; break;
        default: break;  // 2: entered
    }
}

// Steps 14 to 20: pressure angles, pitches, base diameters and contact ratio.
void AnglesPitchesContact(const GearPairRecord& g, WormGearRecord& w) {
    // DIN 3975, flank forms: the ZA worm is generated with the pressure angle in
    // the axial section, tan(alpha n) = tan(alpha x) cos(gamma m); the others in the
    // normal section. The ZI worm is an involute helicoid with the base lead angle
    // cos(gamma b) = cos(gamma m) cos(alpha n).
    w.alpha0Rad = DegToRad(w.alpha0);
    const Real cosGamma = std::cos(w.gammaM);
    if (w.flankForm == kFlankZA) {
        // ZA: the generating angle lies in the axial section.
        w.alphaX = w.alpha0Rad;
        w.alphaN = std::atan(std::tan(w.alphaX) * cosGamma);
    } else {
        w.alphaN = w.alpha0Rad;
        w.alphaX = std::atan(std::tan(w.alphaN) / cosGamma);
    }
    w.gammaB = LabelledArcCos("Fatal  : gamma-b", cosGamma * std::cos(w.alphaN));
    // Only the check of the worm's base diameter matters here; it is
    // overwritten with the transverse form below.
    CheckedDiv("Fatal  : db", std::tan(w.gammaM) * w.dm[1], std::tan(w.gammaB));
    w.db[2] = std::cos(std::atan(std::tan(w.alphaN) / cosGamma)) * w.d[2];
    for (int i = 1; i <= 2; ++i) {
        // DIN 3975: pz = pi m z, for the worm its lead z1 px with the axial pitch
        // px = pi mx; normal pitch pn = px cos(gamma m).
        w.pz[i] = kPi * w.m[i] * static_cast<Real>(g.z[i]);
        w.pzRed[i] = w.pz[i] / (2 * kPi);
    }
    w.px = kPi * w.mx;
    w.pn = w.px * cosGamma;
    w.pb = kPi * w.mx * std::cos(w.gammaB);
    w.snHalfRef = kPi * w.mx * cosGamma / 2;
    for (int i = 1; i <= 2; ++i) {
        // DIN 3960, the gears as helical gears: transverse pressure angle
        // tan(alpha t) = tan(alpha n) / cos(beta), base helix cos(beta b) = sin(alpha n) /
        // sin(alpha t), base diameter db = d cos(alpha t).
        w.alphaT[i] = std::atan(std::tan(w.alphaN) / std::cos(w.beta[i]));
        w.betaB[i] = CheckedArcCos(std::sin(w.alphaN) / std::sin(w.alphaT[i]));
        w.db[i] = w.d[i] * std::cos(w.alphaT[i]);
    }
    w.pbn = kPi * w.mn * std::cos(w.alphaN);
    for (int i = 1; i <= 2; ++i) {
        // A tip inside the base circle has no path of contact (reported as
        // an error below); the unlabelled root gives 0 there, not NaN.
        // DIN 3960: the part of the path of contact from the reference circle to the
        // tip, (sqrt(da^2 - db^2) - sqrt(d^2 - db^2)) / 2; the contact ratio is its
        // length over the normal base pitch pbn = pi mn cos(alpha n).
        const Real g2 = (CheckedSqrt("", w.da[i] * w.da[i] - w.db[i] * w.db[i]) -
                         CheckedSqrt("", w.d[i] * w.d[i] - w.db[i] * w.db[i])) /
                        2;
        w.gAlphaT[i] = g2 / std::cos(w.betaB[i]);
        w.gAlpha[i] = w.gAlphaT[i] * std::cos(w.betaB[i]);
        w.eps[i] = w.gAlphaT[i] / w.pbn;
    }
    w.epsN = w.eps[1] + w.eps[2];
}

// Steps 21 to 25: widths, cut diameter, throat radius, tooth thickness, lengths.
void WidthsAndLengths(const GearPairRecord& g, WormGearRecord& w) {
    const Real z2 = g.z[2];
    // Recommended face widths, rounded to whole millimetres: worm
    // b1 = 2.5 mx sqrt(z2 + 1), wheel b2 = 2 mx sqrt(q + 1).
    w.bRec[1] = std::rint(2.5L * w.mx * CheckedSqrt("Fatal  : xz2", z2 + 1));
    w.bRec[2] = std::rint(2 * w.mt[2] * CheckedSqrt("Fatal  : q", w.q + 1));
    if (w.b[2] == 0) w.b[2] = w.bRec[2];
    w.b2Eff = w.b[2];
    if (w.a <= w.de2 / 2) {
        w.dwCut = w.dm[1];
    } else {
        const Real e = 2 * w.a - w.de2;
        w.dwCut = CheckedSqrt("Fehler : dw cut", w.dm[1] * w.dm[1] - e * e);
    }
    // DIN 3975: throat radius of the wheel rK = a - da2 / 2.
    w.rK = w.a - w.da[2] / 2;
    for (int i = 1; i <= 2; ++i) {
        if (w.b[i] == 0) w.b[i] = w.bRec[i];
        // DIN 3960: normal tooth thickness sn = mn (pi / 2 + 2 x tan(alpha n)),
        // normal space width en = pn - sn.
        w.sn[i] = w.mn * (kPi / 2 + 2 * w.x[i] * std::tan(w.alphaN));
        w.en[i] = w.pn - w.sn[i];
    }
    switch (w.shaftEndCode) {
        case 1: w.L[1] = w.b[1] + w.lw; break;
        case 2: w.L[1] = w.b[1] + 2 * w.lw; break;
        default: w.L[1] = w.b[1]; break;
    }
    w.L[2] = w.b[2] + w.c[1];
}

// Step 26: warnings the user may hide.
void Warnings(const GearPairRecord& g, const WormGearRecord& w) {
    if (hideWarningsFlag) return;
    if (g.z[1] > 1 && g.z[2] % g.z[1] == 0) AddMessage("Übersetzungsverhältnis !"_cp850);
    if (w.dm1a > 0.5L) AddMessage("Warnung: dm1/a > 0.5 !");
    if (w.dm1a < 0.25L) AddMessage("Warnung: dm1/a < 0.25 !");
    if (w.flankForm == kFlankZI) {
        if (w.x[2] < -0.5L) AddMessage("Warnung: ZI: x < -0.5 !");
        if (w.x[2] > 0.5L) AddMessage("Warnung: ZI: x > 0.5 !");
    }
    if (w.flankForm == kFlankZH) {
        if (w.x[2] < 0) AddMessage("Warnung: ZH: x < 0 !");
        if (w.x[2] > 1) AddMessage("Warnung: ZH: x > 1 !");
    }
}

// Step 27: errors of the mesh; the calculation goes on.
void MeshErrors(const WormGearRecord& w) {
    if (w.da[1] < w.db[1]) AddMessage("Fehler : db > da  (1)");
    const Real room = 2 * w.a - w.da[1];
    if (w.db[2] != 0 && room / w.db[2] < 0.98L)
        AddMessage("Fehler : db2 > 2a-da1 ! (" + FormatLength(w.db[2]) + ">" + FormatLength(room) +
                   ")");
    if (w.da[2] / 2 > w.a - w.df[1] / 2) AddMessage("Fehler : da2-df1 Collision !");
    if (w.da[1] / 2 > w.a - w.df[2] / 2) AddMessage("Fehler : da1-df2 Collision !");
    if (w.da[1] < w.b[2]) AddMessage("Fehler : b2 > da1 !");
}

// Bores of a worm with a bore and of the wheel must stay inside the roots.
void BoreChecks(const WormGearRecord& w) {
    if (w.shaftEndCode != 0) return;
    if (w.bore[1] > w.df[1]) AddMessage("Fehler : df < dBore ! (1)");
    if (w.bore[2] > w.df[2]) AddMessage("Fehler : df < dBore ! (2)");
}

}  // namespace

void CalcWormGeometry() {
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    fatalFlag = false;
    if (!MainDimensions(g, w)) return;
    ModulesAndDiameters(g, w);
    AnglesPitchesContact(g, w);
    WidthsAndLengths(g, w);
    Warnings(g, w);
    MeshErrors(w);
}

void RunCalculation() {
    const GearPairRecord gearPairBefore = gearPair;
    const WormGearRecord wormGearBefore = wormGear;
    const CylGearRecord cylGearBefore = cylGear;
    auto endFatal = [&] {
        gearPair = gearPairBefore;
        wormGear = wormGearBefore;
        cylGear = cylGearBefore;
    };

    ClearMessages();
    CalcWormGeometry();
    if (fatalFlag) return endFatal();
    if (IsFlankFormZI()) {
        // The equivalent cylindrical gear checks a ZI worm; its messages are
        // kept only when it ends fatal.
        WormToCylGear(1, 0);
        RunCylGearCalculation();
        CylGearToWorm();
        if (fatalFlag) return endFatal();
        ClearMessages();
        CalcWormGeometry();
        if (fatalFlag) return endFatal();
    }
    CalcWormTolerances();
    if (!fatalFlag) {
        CalcWormRating();
        BoreChecks(wormGear);
    }
    if (fatalFlag) endFatal();
}

void IterateCalculation() {
    const Real nominal = wormGear.P;
    gearPair.P = nominal;
    wormGear.PDin[1] = nominal;
    wormGear.PDin[2] = nominal;
    RunCalculation();
    for (int pass = 0; pass < 5; ++pass) {
        for (int e = 1; e <= 2; ++e) {
            // The rating overwrites P with the output power it reaches.
            wormGear.P = nominal;
            wormGear.PDinOut[e] = nominal;
            if (wormGear.eta != 0) gearPair.P = nominal / wormGear.eta;
            if (wormGear.din3996Switch != 0 && wormGear.etaDin[e] != 0)
                wormGear.PDin[e] = wormGear.PDinOut[e] / wormGear.etaDin[e];
            RunCalculation();
        }
    }
}

}  // namespace veldrim
