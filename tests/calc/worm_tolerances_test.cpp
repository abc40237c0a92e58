// Worm gear tolerances and measurement values: tooth-thickness allowances and
// the generating profile shifts they give, production limits, centre-distance
// allowances, designations and the DIN 3974 deviations with their rounding.

#include "calc/worm_tolerances.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "calc/cyl_record.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

constexpr Real kPiL = std::numbers::pi_v<Real>;

class WormTolerancesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGearData();
        ResetCylGearRecord();
        ResetMessages();
        ClearMessages();
        hideWarningsFlag = false;
        unitSystem = 0;
        wormGear.flankForm = kFlankZN;
    }
};

TEST_F(WormTolerancesTest, WorkedToothThicknessCase) {
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    // Worm: x = 0, mn = 4, alpha n = 20°, entered allowances.
    WormGearRecord& w = wormGear;
    w.mn = 4;
    w.alphaN = 20 * kPiL / 180;
    w.x[1] = 0;
    w.toleranceSeries[1] = 11;
    w.Asne[1] = -0.056L;
    w.Asni[1] = -0.106L;
    CalcWormTolerances();
    EXPECT_NEAR(static_cast<double>(w.Tsn[1]), 0.05, 1e-15);
    EXPECT_NEAR(static_cast<double>(w.xemax[1]), -0.01923, 5e-6);
    EXPECT_NEAR(static_cast<double>(w.xemin[1]), -0.03640, 5e-6);
    EXPECT_NEAR(static_cast<double>(w.xe[1]), -0.02782, 5e-6);
    EXPECT_NEAR(static_cast<double>(w.xeTol[1]), 0.00859, 5e-6);
    EXPECT_NEAR(static_cast<double>(w.sn[1]), 6.2832, 5e-5);
    EXPECT_NEAR(static_cast<double>(w.snMax[1]), 6.2272, 5e-5);
    EXPECT_NEAR(static_cast<double>(w.snMin[1]), 6.1772, 5e-5);
    // The thickness limits differ from the nominal thickness by the allowances.
    EXPECT_NEAR(static_cast<double>(w.snMax[1] - w.sn[1]), -0.056, 1e-15);
    EXPECT_NEAR(static_cast<double>(w.snMin[1] - w.sn[1]), -0.106, 1e-15);
    EXPECT_TRUE(w.toothThicknessDesignation[1].empty());
}

TEST_F(WormTolerancesTest, TableAllowancesAndDesignation) {
    wormGear.deviationSeries[2] = 8;   // e
    wormGear.toleranceSeries[2] = 5;   // 25
    wormGear.quality[2] = 6;
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    const WormGearRecord& w = wormGear;
    // Wheel reference diameter 29 mx = 133.6 mm: DIN 3967 step over 125 to 280.
    ASSERT_GT(w.d[2], 125);
    ASSERT_LE(w.d[2], 280);
    EXPECT_NEAR(static_cast<double>(w.Asne[2]), -0.056, 1e-15);
    EXPECT_NEAR(static_cast<double>(w.Tsn[2]), 0.050, 1e-15);
    EXPECT_NEAR(static_cast<double>(w.Asni[2]), -0.106, 1e-15);
    EXPECT_EQ(w.toothThicknessDesignation[2], " 6 e 25");
}

TEST_F(WormTolerancesTest, SeriesHKeepsTheNominalToothAtItsUpperLimit) {
    wormGear.deviationSeries = {{11, 11}};
    wormGear.toleranceSeries = {{5, 5}};
    wormGear.x[2] = 0.2L;
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    const WormGearRecord& w = wormGear;
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(w.Asne[i], 0);
        EXPECT_EQ(w.xemax[i], w.x[i]);
        EXPECT_EQ(w.snMax[i], w.sn[i]);
        EXPECT_NEAR(static_cast<double>(w.daMax[i]), static_cast<double>(w.da[i]), 1e-12);
        EXPECT_LT(w.xemin[i], w.x[i]);
    }
}

TEST_F(WormTolerancesTest, FreeInputWithoutAllowancesCollapsesEveryRange) {
    wormGear.toleranceSeries = {{11, 11}};
    wormGear.measurementInput = {{8, 8}};
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    const WormGearRecord& w = wormGear;
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(w.Tsn[i], 0);
        EXPECT_EQ(w.xe[i], w.x[i]);
        EXPECT_EQ(w.xemax[i], w.x[i]);
        EXPECT_EQ(w.xemin[i], w.x[i]);
        for (Real tol : {w.xeTol[i], w.snTol[i], w.daTol[i], w.dfTol[i], w.MRTol[i], w.MKTol[i]})
            EXPECT_EQ(tol, 0);
        EXPECT_EQ(w.MR[i], w.MRMax[i]);
        EXPECT_EQ(w.MR[i], w.MRMin[i]);
        EXPECT_EQ(w.W[i], w.WXemax[i]);
        EXPECT_GE(w.k[i], 1);
    }
}

TEST_F(WormTolerancesTest, LimitsOrderWithTheAllowances) {
    wormGear.toleranceSeries = {{6, 6}};
    wormGear.deviationSeries = {{5, 5}};
    wormGear.measurementInput = {{8, 8}};
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    const WormGearRecord& w = wormGear;
    for (int i = 1; i <= 2; ++i) {
        EXPECT_GT(w.snMax[i], w.snMin[i]);
        EXPECT_GT(w.daMax[i], w.daMin[i]);
        EXPECT_GT(w.dfMax[i], w.dfMin[i]);
        EXPECT_GT(w.MKMax[i], w.MKMin[i]);
        EXPECT_GT(w.WXemax[i], w.WXemin[i]);
        EXPECT_NEAR(static_cast<double>(w.snMean[i]), static_cast<double>((w.snMax[i] + w.snMin[i]) / 2),
                    1e-15);
        // A profile shift moves tip and root diameters by twice its length.
        EXPECT_NEAR(static_cast<double>(w.daMax[i] - w.daMin[i]),
                    static_cast<double>(2 * (w.xemax[i] - w.xemin[i]) * w.mx), 1e-12);
    }
}

TEST_F(WormTolerancesTest, CentreDistanceAllowances) {
    struct Case {
        std::uint16_t field;
        Real a;
        Real upper;
    };
    // js4 .. js11 at 80 mm (over 50 up to 80): IT4 8 µm .. IT11 190 µm.
    for (Case c : {Case{1, 80, 0.004L}, Case{2, 80, 0.0065L}, Case{8, 80, 0.095L},
                   Case{1, 80.5L, 0.005L}, Case{4, 125, 0.020L}}) {
        ResetGearData();
        wormGear.flankForm = kFlankZN;
        wormGear.a = c.a;
        wormGear.centreDistanceToleranceField = c.field;
        RunCalculation();
        ASSERT_FALSE(fatalFlag);
        EXPECT_NEAR(static_cast<double>(wormGear.centreDistanceAllowanceUpper),
                    static_cast<double>(c.upper), 1e-15)
            << c.field << " at " << static_cast<double>(c.a);
        EXPECT_EQ(wormGear.centreDistanceAllowanceLower, -wormGear.centreDistanceAllowanceUpper);
    }
    ResetGearData();
    wormGear.centreDistanceToleranceField = 9;
    wormGear.centreDistanceAllowanceUpper = 0.1L;
    wormGear.centreDistanceAllowanceLower = -0.2L;
    RunCalculation();
    EXPECT_EQ(wormGear.centreDistanceAllowanceUpper, 0.1L);
    EXPECT_EQ(wormGear.centreDistanceAllowanceLower, -0.2L);
}

TEST_F(WormTolerancesTest, DeviationRounding) {
    struct Case {
        Real in, out;
    };
    for (Case c : {Case{9.74L, 9.5L}, Case{12.4L, 12}, Case{9.75L, 10}, Case{9.25L, 9.5L},
                   Case{10.5L, 11}, Case{11.5L, 12}, Case{0.2L, 0}, Case{0.25L, 0.5L}, Case{0, 0}})
        EXPECT_EQ(RoundDeviation(c.in), c.out) << static_cast<double>(c.in);
}

TEST_F(WormTolerancesTest, DeviationsFollowTheAccuracyGrade) {
    wormGear.quality = {{5, 0}};
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    const WormGearRecord g5 = wormGear;
    // Grade 0: every deviation of that gear is 0.
    for (Real v : {g5.fp[2], g5.fu[2], g5.ffalpha[2], g5.fHalpha[2], g5.Falpha[2], g5.FrDev[2],
                   g5.FiPrime[2], g5.fiPrime[2], g5.Fp2})
        EXPECT_EQ(v, 0);
    // Grade 5 is the base: mx 4.607 lies in the range over 3.55 to 6 (mean
    // 4.615), dm1 26.4 in the range over 10 to 50 (mean 22.36):
    // fp = R((0.25 sqrt(22.36) + 4.615) 0.315 + 4) = R(5.826) = 6.
    EXPECT_EQ(g5.fp[1], 6);
    // fHalpha = R((3 sqrt(4.615) + 4.615) 0.25 + 2.5) = R(5.265) = 5.5.
    EXPECT_EQ(g5.fHalpha[1], 5.5L);
    EXPECT_EQ(g5.fiPrime[1], RoundDeviation(0.7L * (g5.fp[1] + g5.Falpha[1])));

    ResetGearData();
    wormGear.flankForm = kFlankZN;
    wormGear.quality = {{8, 12}};
    RunCalculation();
    const WormGearRecord& w = wormGear;
    EXPECT_GT(w.fp[1], g5.fp[1]);
    EXPECT_GT(w.Fpz, g5.Fpz);
    EXPECT_GT(w.Fp2, 0);
    for (int i = 1; i <= 2; ++i)
        for (Real v : {w.fp[i], w.fu[i], w.Falpha[i], w.FrDev[i], w.FiPrime[i], w.fiPrime[i]}) {
            EXPECT_GT(v, 0);
            EXPECT_EQ(v * 2, std::nearbyint(v * 2));  // whole or half µm
        }
}

}  // namespace
}  // namespace veldrim
