#include "calc/cylindrical/cyl_tolerances.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "calc/cylindrical/cyl_measure.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/cylindrical/cyl_support.h"
#include "foundation/codepage.h"
#include "foundation/guarded_math.h"

namespace veldrim {

using namespace cyl;

namespace {

bool Outside(Real v, Real lo, Real hi) { return v < lo || v > hi; }

// Step factors of DIN 3961/3962 by accuracy grade.
Real DinStep(int q) {
    return q <= 9 ? IntPower(q - 5, 1.4L) : IntPower(4, 1.4L) * IntPower(q - 9, 1.6L);
}

Real DinFBeta(int q, Real b) {
    const Real base = 0.8L * std::sqrt(b) + 4.0L;
    if (q <= 6) return base * IntPower(q - 5, 1.25L);
    if (q <= 8) return base * 1.25L * IntPower(q - 6, 1.4L);
    return base * 1.25L * 1.4L * 1.4L * IntPower(q - 8, 1.6L);
}

Real DinFHBeta(int q, Real b) {
    const Real base = 4.16L * CheckedPower(std::string("Fehler : FHß5"_cp850), b, 0.14L);
    if (q <= 6) return base * IntPower(q - 5, 1.32L);
    if (q <= 8) return base * 1.32L * IntPower(q - 6, 1.4L);
    return base * 1.25L * 1.4L * 1.4L * IntPower(q - 8, 1.55L);
}

}  // namespace

Real RoundTolerance(Real v) {
    if (v < 5.0L) return std::rint(v * 10.0L) / 10.0L;
    if (v <= 10.0L) return std::rint(v * 2.0L) / 2.0L;
    return std::rint(v);
}

void CylIsoTolerances(int i) {
    CylGearRecord& g = cylGear;
    const int q = g.quality[i];
    const Real s = IntPower(q - 5, std::sqrt(2.0L));
    const Real mn = g.mn;
    const Real d = std::fabs(g.d[i]);
    const Real b = g.bGear[i];
    const Real sd = std::sqrt(d);
    const Real sb = std::sqrt(b);

    g.ffAlpha[i] = RoundTolerance((0.55L * mn + 5.0L) * s);
    g.fHAlpha[i] = RoundTolerance((0.4L * mn + 0.001L * d + 4.0L) * s);
    g.FAlpha[i] =
        RoundTolerance(std::sqrt(g.ffAlpha[i] * g.ffAlpha[i] + g.fHAlpha[i] * g.fHAlpha[i]));
    g.fp[i] = RoundTolerance(0.4L * mn + 0.001L * d + 5.0L) * s;
    g.fu[i] = g.fp[i] * std::sqrt(2.0L);
    g.Fp[i] = RoundTolerance((0.7L * mn + 0.002L * d + 0.55L * sd + 12.0L) * s);
    g.Fpz[i] = RoundTolerance(g.Fp[i] + g.fp[i]) / 2.0L;
    g.Fr[i] = 0.9L * g.Fp[i];
    g.Rs[i] = RoundTolerance(0.58L * g.Fr[i]);
    g.fHBeta[i] = RoundTolerance((0.05L * sd + 0.35L * sb + 4.0L) * s);
    g.ffBeta[i] = RoundTolerance((0.07L * sd + 0.45L * sb + 4.0L) * s);
    g.FBeta[i] = std::sqrt(g.ffBeta[i] * g.ffBeta[i] + g.fHBeta[i] * g.fHBeta[i]);
    g.fiTangential[i] = RoundTolerance(0.375L * mn + 5.0L) * s;
    g.FiTangential[i] = g.Fp[i] + g.fiTangential[i];
    g.fiRadial[i] = RoundTolerance((0.8L + 2.96L * mn + 0.01L * sd) * s);
    g.FiRadial[i] = RoundTolerance((6.4L + 3.2L * mn + 1.01L * sd) * s);

    if (WarningsShown()) {
        const Real z = std::fabs(Zr(i));
        if (Outside(z, 5, 1000)) Say("Warnung: Fr: (5<=z<=1000)");
        if (Outside(d, 5, 15000)) Say("Warnung: Fr: (5<=d<=15000)");
        if (Outside(mn, 0.5L, 70)) Say("Warnung: Fr: (0.5<=mn<=70)");
        if (Outside(z, 5, 400)) Say("Warnung: fis: (5<=z<=400)");
        if (Outside(d, 5, 2500)) Say("Warnung: fis: (5<=d<=2500)");
        if (Outside(mn, 1, 50)) Say("Warnung: fis: (1<=mn<=50)");
    }
}

bool CylDinTolerances(int i) {
    CylGearRecord& g = cylGear;
    const int q = g.quality[i];
    const Real t = DinStep(q);
    const Real t5 = IntPower(q - 5, 1.4L);
    const Real mn = g.mn;
    // The size of an internal gear (negative d, as the near-rack of the
    // worm's equivalent pair) enters the roots and powers as its magnitude.
    const Real d = std::fabs(g.d[i]);
    const Real b = g.bGear[i];
    const Real smn = std::sqrt(mn);
    const Real sd = std::sqrt(d);
    auto stop = [] {
        if (!Fatal()) return false;
        Say("Fatal: Fhfbeta !");
        return true;
    };

    const Real ff0 = 0.25L * (mn + 9.0L * smn) + 1.5L;
    const Real fH0 = 0.25L * (mn + 3.0L * smn) + 2.5L;
    g.ffAlpha[i] = ff0 * t;
    if (stop()) return false;
    g.fHAlpha[i] = fH0 * t;
    if (stop()) return false;
    g.FAlpha[i] = std::sqrt(ff0 * ff0 + fH0 * fH0) * t;
    if (stop()) return false;
    g.fp[i] = (0.315L * (mn + 0.25L * sd) + 4.0L) * t;
    if (stop()) return false;
    g.fu[i] = (0.4L * (mn + 0.25L * sd) + 5.0L) * t;
    if (stop()) return false;

    const Real z = std::fabs(Zr(i));
    g.Fp[i] = 7.25L * CheckedPower("Fehler : Fp", d, 1.0L / 3.0L) /
              CheckedPower("Fehler : Fp", z, 1.0L / 7.0L) * t;
    g.Fpz[i] = 6.25L * CheckedPower("Fehler : Fp", mn, 1.0L / 7.0L) *
               CheckedPower("Fehler : Fp", kPi * d, 1.0L / 3.0L) /
               CheckedPower("Fehler : Fp", d, 1.0L / 7.0L) * t;
    const Real lgMn = Log10OrZero(mn);
    g.Fr[i] =
        ((2.3L + 1.2L * lgMn) * CheckedPower("Fehler : Fr", d, 0.25L) + 1.68L + 2.18L * smn) * t5;
    g.Rs[i] =
        ((1.33L + 0.7L * lgMn) * CheckedPower("Fehler : Rs", d, 0.25L) + 1.28L * smn + 1.0L) * t5;
    g.FBeta[i] = DinFBeta(q, b);
    g.fHBeta[i] = DinFHBeta(q, b);
    g.ffBeta[i] = CheckedSqrt("", g.FBeta[i] * g.FBeta[i] - g.fHBeta[i] * g.fHBeta[i]);
    const Real d4 = CheckedPower("", d, 0.25L);
    g.FiRadial[i] = ((3.12L + 0.432L * lgMn) * d4 + 2.57L * smn + 2.0L) * t5;
    g.fiRadial[i] = (1.6L * d4 + 1.8L * smn - 1.0L) * t5;
    g.FiTangential[i] = 0.8L * (g.Fp[i] + g.FAlpha[i]);
    g.fiTangential[i] = 0.7L * (g.FAlpha[i] + g.fp[i]);

    if (g.Tsn[i] < 2.0L * g.Rs[i] / 1000.0L && mn >= 1.0L && WarningsShown())
        Say("Warnung: Tsn < 2Rs !  (" + GearText(i) + ")");
    return true;
}

void CylToleranceStage() {
    CylGearRecord& g = cylGear;
    if (Fatal()) return;
    CylMeasurementStep();
    if (Fatal()) return;
    for (int i = 1; i <= 2; ++i) {
        if (g.toleranceStandard == 1) {
            CylIsoTolerances(i);
        } else if (!CylDinTolerances(i)) {
            return;
        }
    }
    for (int i = 1; i <= 2; ++i)
        if (Z(i) > 0 && g.df[i] <= 0) Say("Invalid Data !");
}

}  // namespace veldrim
