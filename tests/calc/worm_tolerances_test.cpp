// Worm gear tolerances, measurement values and DIN 3974 deviations.

#include "calc/worm_tolerances.h"

#include <cmath>

#include "calc/worm_geometry.h"
#include "calc_test_support.h"

namespace veldrim::calctest {
namespace {

class WormTolerancesTest : public CalcTest {};

TEST_F(WormTolerancesTest, WorkedToothThicknessCase) {
    wormGear.flankForm = kFlankZN;
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    // Worm: x = 0, mn = 4, alpha n = 20°, entered allowances.
    WormGearRecord& w = wormGear;
    w.mn = 4;
    w.alphaN = DegToRad(20);
    w.x[1] = 0;
    w.toleranceSeries[1] = 11;
    w.Asne[1] = -0.056L;
    w.Asni[1] = -0.106L;
    CalcWormTolerances();
    const Real expected[][3] = {{w.Tsn[1], 0.05, 1e-15},     {w.xemax[1], -0.01923, 5e-6},
                                {w.xemin[1], -0.0364, 5e-6}, {w.xe[1], -0.02782, 5e-6},
                                {w.xeTol[1], 0.00859, 5e-6}, {w.sn[1], 6.2832, 5e-5},
                                {w.snMax[1], 6.2272, 5e-5},  {w.snMin[1], 6.1772, 5e-5}};
    for (const auto& e : expected) EXPECT_NEAR(e[0], e[1], e[2]) << e[1];
    EXPECT_TRUE(w.toothThicknessDesignation[1].empty());
}

TEST_F(WormTolerancesTest, TableAllowancesDesignationAndSeriesH) {
    wormGear.flankForm = kFlankZN;
    wormGear.deviationSeries = {{11, 8}};  // h, e
    wormGear.toleranceSeries = {{5, 5}};   // 25
    wormGear.quality[2] = 6;
    wormGear.x[2] = 0.2L;
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    const WormGearRecord& w = wormGear;
    // Wheel reference diameter 133.6 mm: DIN 3967 step over 125 to 280.
    for (const auto& [got, want] :
         {std::pair{w.Asne[2], -0.056L}, {w.Tsn[2], 0.05L}, {w.Asni[2], -0.106L}})
        EXPECT_NEAR(got, want, 1e-15);
    EXPECT_EQ(w.toothThicknessDesignation[2], " 6 e 25");
    // Series h keeps the nominal tooth at its upper limit.
    EXPECT_EQ(w.Asne[1], 0);
    EXPECT_EQ(w.xemax[1], w.x[1]);
    EXPECT_EQ(w.snMax[1], w.sn[1]);
    EXPECT_LT(w.xemin[1], w.x[1]);
    EXPECT_NEAR(w.daMax[1], w.da[1], 1e-12);
    for (int i = 1; i <= 2; ++i) {  // a profile shift moves tip and root by twice its length
        EXPECT_GT(w.snMax[i], w.snMin[i]) << i;
        EXPECT_GT(w.dfMax[i], w.dfMin[i]) << i;
        EXPECT_GT(w.WXemax[i], w.WXemin[i]) << i;
        EXPECT_NEAR(w.daMax[i] - w.daMin[i], 2 * (w.xemax[i] - w.xemin[i]) * w.mx, 1e-12);
    }
}

// Free input without allowances (series 11): every range is 0.
TEST_F(WormTolerancesTest, LimitsCollapseWithoutAllowances) {
    wormGear.toleranceSeries = {{11, 11}};
    wormGear.measurementInput = {{8, 8}};
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    const WormGearRecord& w = wormGear;
    for (int i = 1; i <= 2; ++i) {
        for (Real tol :
             {w.Tsn[i], w.xeTol[i], w.snTol[i], w.daTol[i], w.dfTol[i], w.MRTol[i], w.MKTol[i]})
            EXPECT_EQ(tol, 0);
        EXPECT_EQ(w.xemin[i], w.x[i]);
        EXPECT_EQ(w.MR[i], w.MRMin[i]);
        EXPECT_EQ(w.W[i], w.WXemax[i]);
    }
}

TEST_F(WormTolerancesTest, CentreDistanceAllowances) {
    // Fields js4 .. js11 at a = 80 mm (over 50 up to 80): IT4 8 µm, IT11 190 µm.
    for (const auto& [field, upper] : {std::pair{1, 0.004L}, std::pair{8, 0.095L}}) {
        ResetAll();
        wormGear.centreDistanceToleranceField = field;
        RunCalculation();
        EXPECT_NEAR(wormGear.centreDistanceAllowanceUpper, upper, 1e-15) << field;
        EXPECT_EQ(wormGear.centreDistanceAllowanceLower, -wormGear.centreDistanceAllowanceUpper);
    }
    ResetAll();  // field 9: the entered allowances stay
    wormGear.centreDistanceAllowanceLower = -0.2L;
    RunCalculation();
    EXPECT_EQ(wormGear.centreDistanceAllowanceLower, -0.2L);
}

TEST_F(WormTolerancesTest, DeviationRounding) {
    const Real cases[][2] = {{9.74L, 9.5L}, {12.4L, 12}, {9.75L, 10},   {9.25L, 9.5L}, {10.5L, 11},
                             {11.5L, 12},   {0.2L, 0},   {0.25L, 0.5L}, {0, 0}};
    for (const auto& c : cases) EXPECT_EQ(RoundDeviation(c[0]), c[1]) << static_cast<double>(c[0]);
}

TEST_F(WormTolerancesTest, DeviationsFollowTheAccuracyGrade) {
    wormGear.flankForm = kFlankZN;
    wormGear.quality = {{5, 0}};
    RunCalculation();
    const WormGearRecord g5 = wormGear;
    for (Real v : {g5.fp[2], g5.fu[2], g5.Falpha[2], g5.Fp2}) EXPECT_EQ(v, 0);  // grade 0
    // Hand-computed from the step means mx 4.615 and dm1 22.36: R(5.826) and R(5.265).
    EXPECT_EQ(g5.fp[1], 6) << static_cast<double>(g5.fp[1]);
    EXPECT_EQ(g5.fHalpha[1], 5.5L) << static_cast<double>(g5.fp[1]);

    wormGear.quality = {{8, 12}};
    RunCalculation();
    const WormGearRecord& w = wormGear;
    EXPECT_GT(w.fp[1], g5.fp[1]);
    for (int i = 1; i <= 2; ++i)  // every deviation a positive whole or half µm
        for (Real v : {w.fp[i], w.fu[i], w.Falpha[i], w.FrDev[i], w.FiPrime[i], w.fiPrime[i]}) {
            EXPECT_GT(v, 0) << static_cast<double>(v);
            EXPECT_EQ(v * 2, std::nearbyint(v * 2)) << static_cast<double>(v);
        }
}

// A ball or pin diameter of 0 means "choose it": the default set measures
// both gears over 6.9 mm balls (the ball touching near the reference circle:
// zn = z / cos^3.3(beta), rounded to 0.1 mm; reference/worm_reference.py), no
// ball message appears, and the input stays 0 for the next run. An entered
// diameter is used as it is.
TEST_F(WormTolerancesTest, ABallDiameterOfZeroIsChosenAndTheInputKeepsZero) {
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    const WormGearRecord& w = wormGear;
    EXPECT_EQ(CountPrefix("Fehler : Dm ball"), 0) << Log();
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(w.measurementInput[i], 0) << i;
        EXPECT_NEAR(w.measurementUsed[i], 6.9L, 1E-15L) << i;
    }
    EXPECT_NEAR(w.MK[2], 142.73548190761176L, 1E-9L);
    EXPECT_NEAR(w.MR[1], 35.70361413975592L, 1E-9L);
    wormGear.measurementInput[2] = 7.5L;
    RunCalculation();
    EXPECT_EQ(w.measurementUsed[2], 7.5L);
    EXPECT_NEAR(w.measurementUsed[1], 6.9L, 1E-15L);
}

}  // namespace
}  // namespace veldrim::calctest
