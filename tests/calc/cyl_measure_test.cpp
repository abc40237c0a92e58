// Test dimensions of the equivalent cylindrical gears: span measurement
// against published tables and the base-pitch identity, the dimension over
// balls against an independent numeric construction, and the diametral
// conversion of odd tooth counts.

#include "calc/cyl_measure.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/cyl_geometry.h"
#include "calc/cyl_record.h"
#include "cyl_test_support.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"

namespace veldrim {
namespace {

using cyltest::CylTest;
using cyltest::LoadPair;
using cyltest::Messages;
using cyltest::PairSpec;

// Unit0 and Unit1 give every value the measurement reads.
void Prepare(const PairSpec& p) {
    LoadPair(p);
    Unit0();
    ASSERT_TRUE(Unit1());
}

TEST_F(CylTest, SpanOfPublishedTable) {
    // m = 1, alpha = 20 deg, x = 0: z = 24 over k = 3 teeth gives 7.7165 mm.
    Prepare({.mn = 1, .z1 = 24, .z2 = 24});
    EXPECT_NEAR(CylSpanMeasurement(1, 0), 7.7165L, 5e-5L);
    EXPECT_EQ(cylGear.teethSpanned[1], 3);
    // Further rows of the same table: k chosen automatically.
    struct Row {
        int z, k;
        Real w;
    };
    const Row rows[] = {{12, 2, 4.5963L}, {36, 5, 13.7888L}, {60, 7, 20.0292L}};
    for (const Row& r : rows) {
        ResetCylGearRecord();
        Prepare({.mn = 1, .z1 = r.z, .z2 = r.z});
        EXPECT_NEAR(CylSpanMeasurement(2, 0), r.w, 5e-5L) << r.z;
        EXPECT_EQ(cylGear.teethSpanned[2], r.k) << r.z;
    }
}

TEST_F(CylTest, SpanOfPublishedProfileShiftedGear) {
    // m = 3, alpha = 20 deg, z = 24, x = +0.4: k = 4, W = 32.8266 mm. The
    // shift moves the circle that decides k, so k is one more than at x = 0.
    Prepare({.mn = 3, .z1 = 24, .z2 = 24, .x1 = 0.4L, .x2 = 0});
    EXPECT_NEAR(CylSpanMeasurement(1, 0.4L), 32.8266L, 5e-5L);
    EXPECT_EQ(cylGear.teethSpanned[1], 4);
    EXPECT_NEAR(CylSpanMeasurement(2, 0), 23.1494L, 5e-5L);
    EXPECT_EQ(cylGear.teethSpanned[2], 3);
}

TEST_F(CylTest, SpanIsWholeBasePitchesPlusBaseToothThickness) {
    // Wk = (k - 1) pbn + sbn, with sbn from the transverse base thickness.
    Prepare({.mn = 2.5L, .alphaN = 20, .beta = 17, .z1 = 23, .z2 = 61, .x1 = 0.4L, .x2 = -0.2L});
    const CylGearRecord& g = cylGear;
    for (int i = 1; i <= 2; ++i) {
        for (Real xE : {g.x[i], g.x[i] - 0.05L, g.x[i] + 0.03L}) {
            const Real w = CylSpanMeasurement(i, xE);
            const Real st = (kPi / 2 + 2 * xE * std::tan(g.alphaNRad)) * g.mn / std::cos(g.betaRad);
            const Real sbt = g.db[i] * (st / g.d[i] + Involute(g.alphaT));
            const Real sbn = sbt * std::cos(g.betaB);
            EXPECT_NEAR(w, (g.teethSpanned[i] - 1) * g.pbn + sbn, 1e-12L) << i << " " << xE;
        }
    }
}

TEST_F(CylTest, GivenTeethSpannedIsKept) {
    Prepare({.mn = 1, .z1 = 24, .z2 = 24});
    cylGear.teethSpanned[1] = 5;
    const Real w = CylSpanMeasurement(1, 0);
    EXPECT_EQ(cylGear.teethSpanned[1], 5);
    EXPECT_NEAR(w, 7.7165L + 2 * kPi * std::cos(DegToRad(20)), 5e-5L);
}

// Smallest distance from the point (px, py) to the involute flank of a spur
// tooth whose centre line is the x axis: the flank point at radius r lies at
// the polar angle psi + inv(alpha) - inv(alpha r).
Real DistanceToFlank(Real px, Real py, Real rb, Real ra, Real psiPlusInv) {
    auto point = [&](Real r, Real& x, Real& y) {
        const Real ar = std::acos(rb / r);
        const Real phi = psiPlusInv - (std::tan(ar) - ar);
        x = r * std::cos(phi);
        y = r * std::sin(phi);
    };
    auto dist = [&](Real r) {
        Real x, y;
        point(r, x, y);
        return std::hypot(x - px, y - py);
    };
    // Coarse scan, then golden-section refinement around the best sample.
    const int n = 2000;
    Real best = rb, bestD = dist(rb);
    for (int k = 1; k <= n; ++k) {
        const Real r = rb + (ra - rb) * k / n;
        if (dist(r) < bestD) bestD = dist(r), best = r;
    }
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

TEST_F(CylTest, BallDimensionMatchesNumericConstruction) {
    // A ball on the centre line of a tooth space, pushed outwards until it
    // touches both involute flanks: bisection on its centre radius.
    struct Case {
        int z;
        Real x, dm;
    };
    const Case cases[] = {{24, 0, 5.0L}, {24, 0.4L, 5.5L}, {17, -0.2L, 5.0L}, {40, 0.1L, 5.2L}};
    for (const Case& c : cases) {
        ResetCylGearRecord();
        Prepare({.mn = 3, .z1 = c.z, .z2 = 50, .x1 = c.x});
        cylGear.ballDiameter[1] = c.dm;
        const CylGearRecord& g = cylGear;
        const Real r = g.d[1] / 2, rb = g.db[1] / 2, ra = r + 4 * g.mn;
        const Real psi = (kPi / 2 + 2 * c.x * std::tan(g.alphaNRad)) * g.mn / g.d[1];
        const Real psiPlusInv = psi + Involute(g.alphaNRad);
        const Real spaceAngle = kPi / c.z;  // centre line of the neighbouring space
        Real lo = rb, hi = ra;
        for (int k = 0; k < 200; ++k) {
            const Real mid = (lo + hi) / 2;
            const Real dist = DistanceToFlank(mid * std::cos(spaceAngle),
                                              mid * std::sin(spaceAngle), rb, ra, psiPlusInv);
            if (dist < c.dm / 2)
                lo = mid;
            else
                hi = mid;
        }
        const Real centreRadius = (lo + hi) / 2;
        const Real expected = c.z % 2 == 0 ? 2 * centreRadius + c.dm
                                           : 2 * centreRadius * std::cos(kPi / 2 / c.z) + c.dm;
        EXPECT_NEAR(CylBallDimension(1, c.x), expected, 1e-6L) << c.z << " " << c.x;
    }
}

TEST_F(CylTest, DiametralDimensionOnlyForOddTeethAndPositiveHelix) {
    struct Case {
        int z;
        Real beta;
        bool converted;
    };
    const Case cases[] = {{24, 10, false}, {25, 0, false}, {25, -10, false}, {25, 10, true}};
    for (const Case& c : cases) {
        ResetCylGearRecord();
        Prepare({.mn = 2, .beta = c.beta, .z1 = c.z, .z2 = 60});
        const Real mdk = CylBallDimension(1, 0);
        const Real mdr = CylDiametralBallDimension(1, mdk);
        const Real dm = cylGear.ballDiameter[1];
        if (c.converted)
            EXPECT_NEAR(mdr, (mdk - dm) / std::cos(kPi / 2 / c.z) + dm, 1e-12L);
        else
            EXPECT_EQ(mdr, mdk) << c.z << " " << c.beta;
    }
}

TEST_F(CylTest, BallTooSmallForTheFlanksIsReported) {
    Prepare({.mn = 3, .z1 = 24, .z2 = 50});
    cylGear.ballDiameter[1] = 0.2L;
    CylBallDimension(1, 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Fehler : Dm ball !  (" + FormatLength(0.2L) +
                                                   LengthUnit() + ")"});
}

TEST_F(CylTest, MeasurementStepFillsFiveShiftsWithOneK) {
    Prepare({.mn = 2, .beta = 12, .z1 = 21, .z2 = 50, .x1 = 0.2L});
    cylGear.Asne[1] = -0.05L;
    cylGear.Asni[1] = -0.1L;
    Unit0();
    ASSERT_TRUE(Unit1());
    CylMeasurementStep();
    const CylGearRecord& g = cylGear;
    EXPECT_GT(g.teethSpanned[1], 0);
    // Thinner teeth give smaller spans and ball dimensions.
    EXPECT_LT(g.WkLower[1], g.WkUpper[1]);
    EXPECT_LT(g.WkUpper[1], g.Wk[1]);
    EXPECT_LT(g.MdKLower[1], g.MdKUpper[1]);
    EXPECT_EQ(g.WkPreLower[1], g.WkLower[1]);  // no finishing allowance
    EXPECT_GT(g.MdR[1], g.MdK[1]);             // odd teeth, positive helix
    EXPECT_EQ(g.MdR[2], g.MdK[2]);             // even teeth
}

TEST_F(CylTest, AutomaticBallChoiceResetsK) {
    Prepare({.mn = 2, .z1 = 21, .z2 = 50});
    cylGear.measurementBallSwitch = 1;
    cylGear.teethSpanned[1] = 9;
    CylMeasurementStep();
    EXPECT_NE(cylGear.teethSpanned[1], 9);
    EXPECT_NEAR(cylGear.ballDiameter[1], 3.4L, 0.4L);
}

}  // namespace
}  // namespace veldrim
