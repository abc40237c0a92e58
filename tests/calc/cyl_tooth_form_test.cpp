// Tooth-form configuration for the drawings and the protuberance step.

#include <gtest/gtest.h>

#include <cmath>

#include "calc/cyl_geometry.h"
#include "calc/cyl_measure.h"
#include "calc/cyl_record.h"
#include "calc/tooth_form.h"
#include "cyl_test_support.h"
#include "foundation/guarded_math.h"

namespace veldrim {
namespace {

using cyltest::CylTest;
using cyltest::LoadPair;
using cyltest::Messages;
using Strings = std::vector<std::string>;

void CalculatedPair() {
    LoadPair({.mn = 2, .beta = 10, .z1 = 20, .z2 = 43, .x1 = 0.25L, .x2 = 0.05L});
    for (int i = 1; i <= 2; ++i) {
        cylGear.Asne[i] = -0.04L;
        cylGear.Asni[i] = -0.1L;
        cylGear.ballDiameter[i] = 3.5L;
    }
    CalcCylGear();
    ASSERT_FALSE(fatalFlag) << ::testing::PrintToString(Messages());
    ClearMessages();
}

TEST_F(CylTest, DefaultConfigurationDrawsTheMeanGearInItsMesh) {
    CalculatedPair();
    const CylGearRecord& g = cylGear;
    EXPECT_EQ(g.toothFormView, 3);
    EXPECT_EQ(g.toothFormA, g.a);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_NEAR(g.toothFormX[i], (g.xei[i] + g.xee[i]) / 2, 1e-15L);
        EXPECT_NEAR(g.toothFormDw[i], g.dw[i], 1e-9L);
        EXPECT_NEAR(g.toothFormSn[i], (g.snMin[i] + g.snMax[i]) / 2, 1e-12L);
        // Full tooth depth for the drawn shift.
        EXPECT_NEAR(g.toothFormDa[i], 2 * g.hfP0[i] + g.d[i] + 2 * g.toothFormX[i] * g.mn, 1e-12L);
        EXPECT_NEAR(g.toothFormDf[i], g.d[i] - 2 * g.haP0[i] + 2 * g.toothFormX[i] * g.mn, 1e-12L);
        EXPECT_EQ(g.toothFormDFa[i], g.da[i]);
    }
    EXPECT_NEAR(g.toothAngleDeg, RadToDeg(g.toothAngleW[1]), 1e-12L);
    EXPECT_EQ(g.meshAngleMid, g.toothAngleDeg);
    // Gear 1 turns over the path of contact by its length over the base radius.
    EXPECT_NEAR(g.meshAngleStart - g.meshAngleEnd, RadToDeg(g.gAlpha / (g.db[1] / 2)), 1e-9L);
    EXPECT_GT(g.meshAngleStart, g.meshAngleMid);
    EXPECT_LT(g.meshAngleEnd, g.meshAngleMid);
}

TEST_F(CylTest, ConfigurationUsesTheBallDimensionOfTheGivenShifts) {
    CalculatedPair();
    Pair<Real> upper = cylGear.xee;
    ConfigureToothForm(upper);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(cylGear.toothFormMdK[i], cylGear.MdKUpper[i]);
        EXPECT_NE(cylGear.toothFormMdK[i], CylBallDimension(i, cylGear.toothFormX[i]));
    }
    ConfigureToothForm(cylGear.xei);
    EXPECT_EQ(cylGear.toothFormMdK[1], cylGear.MdKLower[1]);
}

TEST_F(CylTest, ReferenceMeshAndImpossibleCentreDistance) {
    CalculatedPair();
    cylGear.toothFormA = 0;
    ConfigureToothForm(cylGear.toothFormX);
    EXPECT_NEAR(cylGear.toothFormDw[1], cylGear.d[1], 1e-12L);
    EXPECT_NEAR(cylGear.toothFormDw[2], cylGear.d[2], 1e-12L);
    EXPECT_TRUE(Messages().empty());

    // Far too small a centre distance: reported, no working diameters.
    cylGear.toothFormDw[1] = -1;
    cylGear.toothFormDw[2] = -1;
    cylGear.toothFormSn[2] = -1;
    cylGear.toothFormA = 10;
    ConfigureToothForm(cylGear.xee);
    EXPECT_EQ(Messages(), Strings{"Fehler : confgraf"});
    EXPECT_EQ(cylGear.toothFormDw[1], -1);
    EXPECT_EQ(cylGear.toothFormDw[2], -1);
    EXPECT_EQ(cylGear.toothFormSn[2], -1);  // gear 2 not reached
}

TEST_F(CylTest, TipShorteningKeepsTheTipDiameter) {
    LoadPair({.mn = 2, .z1 = 20, .z2 = 43});
    cylGear.kmn[1] = 0.3L;
    CalcCylGear();
    ASSERT_FALSE(fatalFlag);
    EXPECT_EQ(cylGear.toothFormDa[1], cylGear.da[1]);
    EXPECT_NEAR(cylGear.toothFormDa[1], cylGear.daFull[1] - 0.6L, 1e-12L);
    EXPECT_NEAR(cylGear.toothFormDa[2], cylGear.daFull[2], 1e-12L);
}

TEST_F(CylTest, FinishingAllowanceDrawsTheRoughedGear) {
    LoadPair({.mn = 2, .z1 = 20, .z2 = 43});
    cylGear.qAllowance[1] = 0.1L;
    cylGear.qTolerance[1] = 0.05L;
    CalcCylGear();
    ASSERT_FALSE(fatalFlag);
    const CylGearRecord& g = cylGear;
    EXPECT_NEAR(g.toothFormDf[1], g.d[1] - 2 * g.haP0[1] + (g.xPreLower[1] + g.xPreUpper[1]) * g.mn,
                1e-12L);
    EXPECT_GT(g.xPreLower[1], g.xee[1]);
}

TEST_F(CylTest, ProtuberanceDepth) {
    LoadPair({.mn = 4, .z1 = 25, .z2 = 60});
    cylGear.toolProfile[1] = 3;  // protuberance tool
    CalcCylGear();
    ASSERT_FALSE(fatalFlag);
    const CylGearRecord& g = cylGear;
    EXPECT_EQ(g.protuberanceDepth[2], 0);

    // The same construction by explicit vectors: the protuberance flank is
    // the tangent to the tip rounding at direction 90 deg - alphaPr; it meets
    // the finishing flank through (mn pi / 4, haP0) at direction 90 deg - alpha.
    const Real an = g.alphaNRad, apr = DegToRad(g.alphaPrP0[1]);
    const Real rho = g.rhoaP0[1], ha = g.haP0[1], pr = g.prP0[1];
    const Real h0 = (g.d[1] - (g.df[1] + g.dfLower[1]) / 2) / 2;
    const Real v =
        pr / std::cos(an) + g.mn * kPi / 4 - std::tan(an) * (ha - rho) - rho / std::cos(an);
    const Real cx = v, cy = rho - h0;  // centre of the tip rounding
    const Real tx = cx + rho * std::sin(kPi / 2 - apr), ty = cy - rho * std::cos(kPi / 2 - apr);
    const Real d1x = std::cos(kPi / 2 - apr), d1y = std::sin(kPi / 2 - apr);
    const Real d2x = std::cos(kPi / 2 - an), d2y = std::sin(kPi / 2 - an);
    const Real px = g.mn * kPi / 4, py = ha - h0;
    // tx + s d1 = px + t d2
    const Real det = d1x * -d2y - -d2x * d1y;
    const Real s = ((px - tx) * -d2y - -d2x * (py - ty)) / det;
    EXPECT_NEAR(g.protuberanceDepth[1], -(ty + s * d1y), 1e-9L);
    EXPECT_GT(g.protuberanceDepth[1], 0);
}

}  // namespace
}  // namespace veldrim
