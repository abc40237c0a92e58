// The equivalent cylindrical pair: published values, involute identities,
// stage checks, tip and contact, measurement, tolerances and tooth form.

#include "calc/cylindrical/cyl_geometry.h"

#include <algorithm>
#include <cmath>
#include <gmock/gmock.h>

#include "calc/cylindrical/cyl_measure.h"
#include "calc/cylindrical/cyl_tip_contact.h"
#include "calc/cylindrical/cyl_tolerances.h"
#include "calc/forms/tooth_form.h"
#include "calc/calc_test_support.h"
#include "foundation/formatting.h"

using ::testing::IsEmpty;

namespace veldrim::calctest {
namespace {

class CylGeometryTest : public CalcTest {
protected:
    // The stages up to the tip-diameter step, which give every value the
    // measurement and the tolerances read.
    static void Prepare(const PairSpec& p) {
        ResetCylGearRecord();
        LoadPair(p);
        Unit0();
        ASSERT_TRUE(Unit1());
    }
    static void ToContact(const PairSpec& p) {
        Prepare(p);
        CylTipDiameterStep();
        Unit2();
    }
};

// The smallest profile shift without undercut: with the limit tooth number
// zg = 2 / sin²(20°) = 2 / 0.1169778 = 17.0973 and the practical limit
// zg' = 5/6 zg = 14.2477, x min = (zg' - z / cos³beta) / zg. For z = 12
// spur: (14.2477 - 12) / 17.0973 = 0.131467; helical at 15° the virtual
// 12 / 0.901221 = 13.3153 teeth give 0.054538; z = 24 gives -0.570400.
TEST_F(CylGeometryTest, MinimumProfileShiftAgainstUndercut) {
    const struct {
        Real beta;
        int z1, z2;
        Real x1, x2;
    } cases[] = {
        {0, 12, 24, 0.1314666626902676L, -0.5704000079527981L},
        {15, 12, 30, 0.0545380988559855L, -1.1136547528600362L},
    };
    for (const auto& c : cases) {
        Prepare({.beta = c.beta, .z1 = c.z1, .z2 = c.z2});
        EXPECT_NEAR(cylGear.zLimit, 17.097264340826065L, 1E-12L);
        EXPECT_NEAR(cylGear.xMin[1], c.x1, 1E-12L) << static_cast<double>(c.beta);
        EXPECT_NEAR(cylGear.xMin[2], c.x2, 1E-12L) << static_cast<double>(c.beta);
    }
}

TEST_F(CylGeometryTest, ProfileShiftedSpurPairMatchesPublishedValues) {
    // m = 3, alpha = 20°, z = 12 / 24, x = 0.6 / 0.36: the centre distance
    // follows from the profile shifts.
    LoadPair({.mn = 3, .z1 = 12, .z2 = 24, .x1 = 0.6L, .x2 = 0.36L});
    CalcCylGear();
    EXPECT_FALSE(fatalFlag) << Log();
    EXPECT_NEAR(RadToDeg(cylGear.alphaWt), 26.0886L, 5e-5L);
    EXPECT_NEAR(cylGear.a, 56.4999L, 5e-5L);
    // And back: that centre distance yields the shift sum.
    ClearMessages();
    Unit0();
    cylGear.a = 56.4999L;
    CylCentreDistanceStep();
    EXPECT_NEAR(cylGear.sumX, 0.96L, 1e-4L);
    // More than 20 % off the reference distance: replaced.
    cylGear.a = 30;
    CylCentreDistanceStep();
    EXPECT_EQ(Log(), std::string("Achsabstand angepaßt !\n"_cp850));
    EXPECT_EQ(cylGear.a, 54);  // the reference distance
}

class CylIdentityTest : public CylGeometryTest, public ::testing::WithParamInterface<PairSpec> {};

TEST_P(CylIdentityTest, InvolutePairIdentitiesHold) {
    LoadPair(GetParam());
    cylGear.centreToleranceField = 4;  // js 7: a real backlash range
    CalcCylGear();
    ASSERT_FALSE(fatalFlag) << Log();
    const CylGearRecord& g = cylGear;
    const Real eps = 1e-12L;
    EXPECT_NEAR(g.epsAlpha, g.epsPartial[1] + g.epsPartial[2], 1e-9L);  // Tsn = 0
    EXPECT_NEAR(g.jnMin, g.jtMin * std::cos(g.alphaNRad) * std::cos(g.betaRad), eps);
    EXPECT_NEAR(g.jnMax, g.jtMax * std::cos(g.alphaNRad) * std::cos(g.betaRad), eps);
    for (int i = 1; i <= 2; ++i) EXPECT_NEAR(g.pbt, kPi * g.db[i] / gearPair.z[i], eps);
    EXPECT_NEAR(std::cos(g.alphaT) * std::cos(g.betaB), std::cos(g.alphaNRad) * std::cos(g.betaRad),
                eps);
    EXPECT_NEAR(g.a, (g.dw[1] + g.dw[2]) / 2, eps);  // the working circles roll on each other
    EXPECT_NEAR(g.epsBeta, g.b * std::sin(g.betaRad) / (kPi * g.mn), 1e-12L);
    EXPECT_NEAR(g.epsGamma, g.epsAlpha + g.epsBeta, 1e-15L);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CylIdentityTest,
    ::testing::Values(PairSpec{.mn = 3, .z1 = 12, .z2 = 24, .x1 = 0.6L, .x2 = 0.36L},
                      PairSpec{.mn = 2, .beta = 15, .z1 = 19, .z2 = 47, .x1 = 0.2L, .x2 = -0.1L},
                      PairSpec{.mn = 5, .alphaN = 25, .beta = 8, .z1 = 30, .z2 = 31, .b = 60},
                      PairSpec{.mn = 2, .beta = 5, .z1 = 21, .z2 = -67, .x1 = 0.2L, .x2 = 0.1L},
                      // the worm's near-rack counterpart
                      PairSpec{.mn = 4, .beta = 11, .z1 = -5000, .z2 = 29, .x2 = 0.1L}));

TEST_F(CylGeometryTest, StageChecksAndFatalStops) {
    const struct {
        PairSpec pair;
        bool fatal;
        Strings messages;
    } cases[] = {
        {{.mn = 3, .alphaN = 45.01L, .z1 = 20, .z2 = 30}, true, {"Fatal  : alpha !"}},
        {{.mn = 3, .alphaN = 4.99L, .z1 = 20, .z2 = 30}, true, {"Fatal  : alpha !"}},
        {{.mn = 3, .beta = -46, .z1 = 20, .z2 = 30}, false, {"Fatal  : beta > 45!"}},
        {{.mn = 0, .z1 = 20, .z2 = 30}, true, {"Fatal  : mn <= 0!"}},
        {{.z1 = 20, .z2 = 30, .b = 0}, true, {"Fatal  : b <= 0!"}},
        {{.z1 = -5000, .z2 = 29}, false, {"Fehler : z2 < z1 !", "Fehler : z1 < 0 !"}},
    };
    for (const auto& c : cases) {
        ResetAll();
        LoadPair(c.pair);
        Unit0();
        EXPECT_EQ(fatalFlag, c.fatal) << c.messages[0];
        EXPECT_EQ(Messages(), c.messages);
    }
    // A tooth count of 0 is fatal before any stage divides by it.
    ResetAll();
    LoadPair({.z1 = 20, .z2 = 0});
    CalcCylGear();
    EXPECT_TRUE(fatalFlag) << Log();
    EXPECT_EQ(Messages(), Strings{"Fatal  : z = 0 !"}) << Log();
}

TEST_F(CylGeometryTest, FailedWorkingAngleStopsTheRunAndAStaleCancelFlagDoesNot) {
    LoadPair({.z1 = 20, .z2 = 30, .x1 = 50000, .x2 = 50000});  // beyond any involute
    CalcCylGear();
    EXPECT_TRUE(fatalFlag) << Log();
    EXPECT_TRUE(cancelFlag) << Log();
    EXPECT_EQ(cylGear.epsAlpha, 0) << Log();
    EXPECT_TRUE(HasMessage("Fatal  : alpha wt !")) << Log();
    // A cancel flag left from an earlier dialog does not stop a sound run.
    ResetAll();
    LoadPair({.z1 = 20, .z2 = 30});
    cancelFlag = true;
    CalcCylGear();
    EXPECT_FALSE(fatalFlag);
    EXPECT_GT(cylGear.epsAlpha, 1);
    EXPECT_NE(cylGear.Wk[1], 0);
}

// Two runs from different leftovers in `a` give the same tolerance and the
// same working-angle limits: both are taken at the pair's own a.
TEST_F(CylGeometryTest, WorkingCentreDistanceIsDerivedBeforeTheCentreToleranceIsTaken) {
    CylGearRecord results[2];
    for (int run = 0; run < 2; ++run) {
        ResetCylGearRecord();
        LoadPair({.mn = 2, .beta = 10, .z1 = 17, .z2 = 53, .x1 = 0.3L, .x2 = 0.1L});
        cylGear.centreToleranceField = 4;
        Unit0();
        cylGear.a = run == 0 ? 0 : 1000;
        ASSERT_TRUE(Unit1());
        results[run] = cylGear;
    }
    EXPECT_EQ(results[0].alphaWtAMin, results[1].alphaWtAMin);
    EXPECT_EQ(results[0].jtMin, results[1].jtMin);
    for (const CylGearRecord& r : results)
        EXPECT_EQ(r.Aae, 30.0L / 2000.0L);  // js 7, a in 50 .. 80: IT7 30 µm
}

TEST_F(CylGeometryTest, SeriesZeroMeansGivenAllowancesBeforeTheyAreRead) {
    LoadPair({.mn = 2, .z1 = 20, .z2 = 30});
    cylGear.toleranceSeries = {{0, 5}};  // given; series 25
    cylGear.deviationSeries[2] = 8;      // "e"
    cylGear.Asne[1] = -0.05L;
    cylGear.Asni[1] = -0.12L;
    Unit0();
    ASSERT_TRUE(Unit1());
    EXPECT_EQ(cylGear.toleranceSeries[1], 11);
    EXPECT_EQ(cylGear.Asne[1], -0.05L);
    EXPECT_THAT(cylGear.designationText[1], IsEmpty());
    EXPECT_NEAR(cylGear.Tsn[1], 0.07L, 1e-15L);  // from the given allowances
    // d2 = 60 mm: DIN 3967 step 3 -> Asne e 40 µm, Tsn 25 40 µm.
    EXPECT_NEAR(cylGear.Asni[2], -0.080L, 1e-15L);
    EXPECT_EQ(cylGear.designationText[2], "e 25");
}

TEST_F(CylGeometryTest, TipDiameterModesAndInterference) {
    const PairSpec pair{.mn = 2, .beta = 10, .z1 = 20, .z2 = 41, .x1 = 0.2L, .x2 = 0.1L};
    for (int i = 1; i <= 2; ++i) {  // mode 3: da kept (gear 2: 0, fatal), kmn and c derived
        Prepare(pair);
        cylGear.tipDiameterMode[i] = 3;
        const Real da = cylGear.da[i] = i == 1 ? cylGear.daFull[1] - 1.0L : 0;
        CylTipDiameterStep();
        Unit2();
        EXPECT_EQ(cylGear.da[i], da) << Log();
        EXPECT_EQ(fatalFlag, (i == 2)) << Log();
        if (i == 2) break;
        EXPECT_NEAR(cylGear.kmn[1], 0.5L, 1e-12L);  // 1 mm off the full tip
        EXPECT_NEAR(cylGear.c[1], cylGear.a - (da + cylGear.df[2]) / 2, 1e-12L);
    }
    EXPECT_TRUE(HasMessage("Fatal  : da = 0 !")) << Log();
    // A small unshifted pinion: the wheel's tip passes the end of the line of
    // action at the pinion's base circle and is cut back there.
    ResetAll();
    ToContact({.mn = 2, .z1 = 9, .z2 = 80});
    const CylGearRecord& g = cylGear;
    EXPECT_TRUE(HasMessage("Fehler : Eingr.stör. da2 !"_cp850)) << Log();
    EXPECT_NEAR(
        g.dNa[2],
        2 * std::hypot(g.a - std::cos(g.alphaWt) * g.db[1] / 2, std::sin(g.alphaWt) * g.db[1] / 2),
        1e-12L);
    EXPECT_NEAR(g.dNf[1], g.db[1], 1e-9L);
}

TEST_F(CylGeometryTest, SpanMeasurement) {
    // m = 1, alpha = 20°, x = 0: z = 24 over k = 3 teeth gives 7.7165 mm.
    Prepare({.mn = 1, .z1 = 24, .z2 = 24});
    EXPECT_NEAR(CylSpanMeasurement(1, 0), 7.7165L, 5e-5L);
    EXPECT_EQ(cylGear.teethSpanned[1], 3);
    // Wk = (k - 1) pbn + sbn, with sbn from the transverse base thickness.
    Prepare({.mn = 2.5L, .beta = 17, .z1 = 23, .z2 = 61, .x1 = 0.4L, .x2 = -0.2L});
    const CylGearRecord& g = cylGear;
    for (int i = 1; i <= 2; ++i)
        for (Real xE : {g.x[i], g.x[i] - 0.05L}) {
            const Real w = CylSpanMeasurement(i, xE);
            const Real st = (kPi / 2 + 2 * xE * std::tan(g.alphaNRad)) * g.mn / std::cos(g.betaRad);
            const Real sbn = g.db[i] * (st / g.d[i] + Involute(g.alphaT)) * std::cos(g.betaB);
            EXPECT_NEAR(w, (g.teethSpanned[i] - 1) * g.pbn + sbn, 1e-12L) << i;
        }
}

// Smallest distance from (px, py) to the involute flank of a spur tooth whose
// centre line is the x axis: the flank point at radius r lies at the polar
// angle psi + inv(alpha) - inv(alpha r). Scan, then golden-section search.
Real DistanceToFlank(Real px, Real py, Real rb, Real ra, Real psiPlusInv) {
    auto dist = [&](Real r) {
        const Real ar = std::acos(rb / r), phi = psiPlusInv - (std::tan(ar) - ar);
        return std::hypot(r * std::cos(phi) - px, r * std::sin(phi) - py);
    };
    const int n = 2000;
    Real best = rb;
    for (int k = 1; k <= n; ++k)
        if (const Real r = rb + (ra - rb) * k / n; dist(r) < dist(best)) best = r;
    Real lo = std::max(rb, best - (ra - rb) / n), hi = std::min(ra, best + (ra - rb) / n);
    const Real gr = (std::sqrt(5.0L) - 1) / 2;
    for (int k = 0; k < 200; ++k) {
        const Real m1 = hi - gr * (hi - lo), m2 = lo + gr * (hi - lo);
        if (dist(m1) < dist(m2))
            hi = m2;
        else
            lo = m1;
    }
    return dist((lo + hi) / 2);
}

// A ball on the centre line of a tooth space, pushed outwards until it
// touches both involute flanks: bisection on its centre radius.
TEST_F(CylGeometryTest, BallDimensionMatchesNumericConstruction) {
    struct Case {
        int z;
        Real x, dm;
    };
    for (Case c : {Case{24, 0, 5.0L}, Case{24, 0.4L, 5.5L}, Case{17, -0.2L, 5.0L}}) {
        Prepare({.mn = 3, .z1 = c.z, .z2 = 50, .x1 = c.x});
        cylGear.ballDiameter[1] = c.dm;
        const CylGearRecord& g = cylGear;
        const Real rb = g.db[1] / 2, ra = g.d[1] / 2 + 4 * g.mn;
        const Real psi = (kPi / 2 + 2 * c.x * std::tan(g.alphaNRad)) * g.mn / g.d[1];
        Real lo = rb, hi = ra;
        for (int k = 0; k < 200; ++k) {
            const Real mid = (lo + hi) / 2;
            const Real d = DistanceToFlank(mid * std::cos(kPi / c.z), mid * std::sin(kPi / c.z), rb,
                                           ra, psi + Involute(g.alphaNRad));
            (d < c.dm / 2 ? lo : hi) = mid;
        }
        const Real r = (lo + hi) / 2;
        const Real expected = c.z % 2 == 0 ? 2 * r + c.dm : 2 * r * std::cos(kPi / 2 / c.z) + c.dm;
        EXPECT_NEAR(CylBallDimension(1, c.x), expected, 1e-6L)
            << c.z << " " << static_cast<double>(c.x);
    }
    // Odd teeth and a positive helix: the diametral dimension spans the circle.
    Prepare({.mn = 2, .beta = 10, .z1 = 25, .z2 = 60});
    const Real mdk = CylBallDimension(1, 0), dm = cylGear.ballDiameter[1];
    EXPECT_NEAR(CylDiametralBallDimension(1, mdk), (mdk - dm) / std::cos(kPi / 50) + dm, 1e-12L);
    cylGear.ballDiameter[1] = 0.2L;
    ClearMessages();
    CylBallDimension(1, 0);
    EXPECT_EQ(Messages(),
              Strings{"Fehler : Dm ball !  (" + FormatLength(0.2L) + LengthUnit() + ")"});
}

TEST_F(CylGeometryTest, IsoAndDinTolerances) {
    const Real rounding[][2] = {
        {4.84L, 4.8L}, {5.25L, 5.0L}, {5.75L, 6.0L}, {10.5L, 10.0L}, {11.5L, 12.0L}};
    for (const auto& c : rounding) EXPECT_NEAR(RoundTolerance(c[0]), c[1], 1e-15L) << c[0];
    // mn = 2, d = 40, b = 20, Q = 5 (s = 1), hand-computed with the rounding rules.
    LoadPair({.mn = 2, .z1 = 20, .z2 = 20, .b = 20});
    Unit0();
    cylGear.quality[1] = 5;
    CylIsoTolerances(1);
    const CylGearRecord& g = cylGear;
    const Real expected[][2] = {
        {g.ffAlpha[1], 6.0L}, {g.fHAlpha[1], 4.8L},       {g.fp[1], 6.0L},       {g.Fp[1], 17.0L},
        {g.Fr[1], 15.3L},     {g.FiTangential[1], 23.0L}, {g.FiRadial[1], 19.0L}};
    for (const auto& e : expected) EXPECT_NEAR(e[0], e[1], 1e-12L);
    cylGear.quality[1] = 7;  // grade step root two on the rounded base
    CylIsoTolerances(1);
    EXPECT_NEAR(cylGear.fp[1], 12.0L, 1e-15L);
    EXPECT_EQ(Log(), "");
    // DIN: a thickness tolerance below twice the runout.
    cylGear.Tsn[1] = 0.01L;
    cylGear.quality[1] = 8;
    EXPECT_TRUE(CylDinTolerances(1));
    EXPECT_TRUE(HasMessage("Warnung: Tsn < 2Rs !  (1)")) << Log();
}

TEST_F(CylGeometryTest, ToothFormConfiguration) {
    LoadPair({.mn = 2, .beta = 10, .z1 = 20, .z2 = 43, .x1 = 0.25L, .x2 = 0.05L});
    for (int i = 1; i <= 2; ++i) cylGear.ballDiameter[i] = 3.5L;
    CalcCylGear();
    ASSERT_FALSE(fatalFlag) << Log();
    const CylGearRecord& g = cylGear;
    EXPECT_EQ(g.toothFormA, g.a);  // the mean gear in its mesh
    EXPECT_NEAR(g.meshAngleStart - g.meshAngleEnd, RadToDeg(g.gAlpha / (g.db[1] / 2)), 1e-9L);
    ConfigureToothForm(cylGear.xee);  // the ball dimension of the given shifts
    EXPECT_EQ(g.toothFormMdK[2], g.MdKUpper[2]);
    // Far too small a centre distance: reported, no working diameters.
    ClearMessages();
    cylGear.toothFormDw[1] = -1;
    cylGear.toothFormA = 10;
    ConfigureToothForm(cylGear.xee);
    EXPECT_EQ(Messages(), Strings{"Fehler : confgraf"});
    EXPECT_EQ(g.toothFormDw[1], -1);
}

}  // namespace
}  // namespace veldrim::calctest
