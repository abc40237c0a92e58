// The bridge from the worm set to its equivalent cylindrical pair: what it
// copies by mode, that nothing of an earlier pair leaks into the next one,
// the whole ZI calculation, and the tool-factor scaling for the export.

#include "calc/cyl_bridge.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/cyl_geometry.h"
#include "calc/cyl_record.h"
#include "calc/worm_geometry.h"
#include "cyl_test_support.h"
#include "foundation/guarded_math.h"

namespace veldrim {
namespace {

using cyltest::CylTest;
using cyltest::Messages;
using Strings = std::vector<std::string>;

// The default worm set with its geometry computed.
void DefaultWormGeometry() {
    ResetGearData();
    CalcWormGeometry();
    ASSERT_FALSE(fatalFlag);
    ClearMessages();
}

TEST_F(CylTest, BridgeCopiesTheWormSetForTheRadialSection) {
    DefaultWormGeometry();
    wormGear.b[1] = 63;
    wormGear.b[2] = 28.5L;
    wormGear.Asne[2] = -0.04L;
    wormGear.Asni[2] = -0.1L;
    wormGear.Tsn[2] = 0.06L;
    wormGear.measurementInput[2] = 7.5L;
    cylGear.a = 123;              // left by an earlier pair
    cylGear.teethSpanned[1] = 9;  // likewise
    WormToCylGear(1, 0);
    const CylGearRecord& g = cylGear;
    const WormGearRecord& w = wormGear;
    const Real c = std::cos(w.gammaM);
    EXPECT_EQ(g.mn, w.mn);
    EXPECT_NEAR(g.alphaN, 20, 1e-12L);
    EXPECT_NEAR(g.beta, RadToDeg(w.gammaM), 1e-15L);
    EXPECT_EQ(gearPair.z[1], -5000);
    EXPECT_EQ(g.a, 0);
    EXPECT_EQ(g.b, 28.5L);
    EXPECT_EQ(g.teethSpanned[1], 0);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(g.toolProfile[i], 4);
        EXPECT_NEAR(g.hfP0Factor[i], w.haStar[i] / c, 1e-15L);
        EXPECT_NEAR(g.haP0Factor[i], w.hfStar[i] / c, 1e-15L);
        EXPECT_NEAR(g.rhoaP0Factor[i], w.rfStar[i] / c, 1e-15L);
        EXPECT_NEAR(g.rhofP0Factor[i], w.raStar[i] / c, 1e-15L);
        EXPECT_EQ(g.toolAngleHeightFactor[i], g.haP0Factor[i]);
        EXPECT_EQ(g.alphaP0[i], g.alphaN);
        EXPECT_EQ(g.prP0Factor[i], 0);
        EXPECT_EQ(g.toleranceSeries[i], 11);
        EXPECT_EQ(g.tipDiameterMode[i], 2);
        EXPECT_EQ(g.bGear[i], w.b[i]);
        EXPECT_EQ(g.x[i], w.x[i]);
    }
    EXPECT_EQ(g.Asne[2], -0.04L);
    EXPECT_EQ(g.Asni[2], -0.1L);
    EXPECT_EQ(g.Tsn[2], 0.06L);
    EXPECT_EQ(g.ballDiameter[2], 7.5L);
    CylGearToWorm();
    EXPECT_EQ(gearPair.z[1], wormGear.keptThreadCount);
}

TEST_F(CylTest, BridgeModesChooseHelixAngleAndToothCount) {
    DefaultWormGeometry();
    WormToCylGear(2, 0);
    EXPECT_NEAR(cylGear.beta, RadToDeg(wormGear.summa) - RadToDeg(wormGear.gammaM), 1e-15L);
    EXPECT_EQ(gearPair.z[1], wormGear.keptThreadCount);
    WormToCylGear(3, 0);
    EXPECT_EQ(cylGear.beta, 0);
    EXPECT_EQ(gearPair.z[1], -5000);
    // Another mode leaves both and still copies the gears.
    cylGear.beta = 7;
    gearPair.z[1] = 5;
    wormGear.x[2] = 0.25L;
    WormToCylGear(9, 0);
    EXPECT_EQ(cylGear.beta, 7);
    EXPECT_EQ(gearPair.z[1], 5);
    EXPECT_EQ(cylGear.x[2], 0.25L);
}

// One bridge run and calculation; returns the record and the messages.
std::pair<CylGearRecord, Strings> BridgeRun(int mode) {
    ClearMessages();
    WormToCylGear(mode, 0);
    RunCylGearCalculation();
    CylGearToWorm();
    return {cylGear, Messages()};
}

TEST_F(CylTest, IdenticalInputsGiveIdenticalEquivalentPairs) {
    DefaultWormGeometry();
    cylGear.centreToleranceField = 4;  // the centre tolerance is taken at a
    const auto first = BridgeRun(1);
    ASSERT_FALSE(fatalFlag) << ::testing::PrintToString(first.second);
    const auto second = BridgeRun(1);
    EXPECT_TRUE(first.first == second.first);
    EXPECT_EQ(first.second, second.second);
    BridgeRun(2);
    const auto third = BridgeRun(1);
    EXPECT_TRUE(first.first == third.first);
    EXPECT_EQ(first.second, third.second);
    // The near-rack's working centre distance is its own, not the worm set's.
    EXPECT_NEAR(first.first.a, (first.first.dw[1] + first.first.dw[2]) / 2, 1e-9L);
    EXPECT_LT(first.first.a, 0);
    EXPECT_EQ(gearPair.z[1], wormGear.keptThreadCount);
}

TEST_F(CylTest, DefaultZiDataSetRunsWithoutFatalMessageAndStably) {
    ResetGearData();
    ASSERT_TRUE(IsFlankFormZI());
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << ::testing::PrintToString(Messages());
    const CylGearRecord cyl = cylGear;
    const WormGearRecord worm = wormGear;
    const Strings messages = Messages();
    EXPECT_GT(cyl.epsAlpha, 1);
    for (int run = 0; run < 3; ++run) {
        RunCalculation();
        EXPECT_TRUE(cylGear == cyl) << run;
        EXPECT_TRUE(wormGear == worm) << run;
        EXPECT_EQ(Messages(), messages);
    }
}

TEST_F(CylTest, ExportScalingNeverDriftsAndImportScalesRead) {
    DefaultWormGeometry();
    wormGear.rfStar[1] = 0.3L;
    wormGear.raStar[2] = 0.1L;
    const WormGearRecord before = wormGear;
    const Real ratio = wormGear.mn / wormGear.mx;

    ScaleDiametersForExport();
    EXPECT_NEAR(wormGear.haStar[1], before.haStar[1] * ratio, 1e-15L);
    EXPECT_NEAR(wormGear.rfStar[1], before.rfStar[1] * ratio, 1e-15L);
    EXPECT_NEAR(wormGear.raStar[2], before.raStar[2] * ratio, 1e-15L);
    ScaleDiametersForImport();
    EXPECT_TRUE(wormGear == before);

    // Many export cycles, even a doubled export, come back exactly.
    for (int k = 0; k < 50; ++k) {
        ScaleDiametersForExport();
        if (k % 7 == 0) ScaleDiametersForExport();
        ScaleDiametersForImport();
    }
    EXPECT_TRUE(wormGear == before);

    // mn = 0 writes zero factors but does not lose the live ones.
    wormGear.mn = 0;
    ScaleDiametersForExport();
    EXPECT_EQ(wormGear.hfStar[2], 0);
    ScaleDiametersForImport();
    EXPECT_EQ(wormGear.hfStar[2], before.hfStar[2]);
    wormGear.mn = before.mn;

    // mx = 0: nothing to scale.
    wormGear.mx = 0;
    ScaleDiametersForExport();
    ScaleDiametersForImport();
    EXPECT_TRUE(wormGear.hfStar == before.hfStar);
    wormGear.mx = before.mx;

    // Import after reading a file in axial-module reference.
    ScaleDiametersForImport();
    EXPECT_NEAR(wormGear.hfStar[1], before.hfStar[1] / ratio, 1e-15L);
}

}  // namespace
}  // namespace veldrim
