// Tip diameters by mode, tip shortening, the tip pressure angle, the
// interference limit of the mating tip and the contact ratios, including the
// near-rack counterpart that the worm set uses.

#include "calc/cyl_tip_contact.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "calc/cyl_geometry.h"
#include "calc/cyl_record.h"
#include "cyl_test_support.h"
#include "foundation/codepage.h"
#include "foundation/guarded_math.h"

namespace veldrim {
namespace {

using cyltest::CylTest;
using cyltest::LoadPair;
using cyltest::Messages;
using cyltest::PairSpec;
using Strings = std::vector<std::string>;

bool Has(const std::string& text) {
    const Strings m = Messages();
    return std::find(m.begin(), m.end(), text) != m.end();
}

// The stages up to the tip-diameter step.
void UpToTip(const PairSpec& p) {
    LoadPair(p);
    Unit0();
    ASSERT_TRUE(Unit1());
}

TEST_F(CylTest, TipDiameterModes) {
    const PairSpec pair{.mn = 2, .beta = 10, .z1 = 20, .z2 = 41, .x1 = 0.2L, .x2 = 0.1L};
    // Mode 2 with kmn = 0: the full tooth depth.
    UpToTip(pair);
    CylTipDiameterStep();
    Unit2();
    EXPECT_EQ(cylGear.da[1], cylGear.daFull[1]);
    EXPECT_NEAR(cylGear.c[1], cylGear.a - (cylGear.da[1] + cylGear.df[2]) / 2, 1e-12L);

    // Mode 3: da kept, kmn and c derived.
    ResetCylGearRecord();
    UpToTip(pair);
    cylGear.tipDiameterMode[1] = 3;
    const Real da = cylGear.daFull[1] - 1.0L;
    cylGear.da[1] = da;
    CylTipDiameterStep();
    Unit2();
    EXPECT_EQ(cylGear.da[1], da);
    EXPECT_NEAR(cylGear.kmn[1], 0.5L, 1e-12L);
    EXPECT_NEAR(cylGear.c[1], cylGear.a - (da + cylGear.df[2]) / 2, 1e-12L);

    // Mode 3 within 0.001 of the full tip: snapped to it.
    ResetCylGearRecord();
    UpToTip(pair);
    cylGear.tipDiameterMode[1] = 3;
    cylGear.da[1] = cylGear.daFull[1] - 0.0015L;
    CylTipDiameterStep();
    Unit2();
    EXPECT_EQ(cylGear.kmn[1], 0);
    EXPECT_EQ(cylGear.da[1], cylGear.daFull[1]);

    // Mode 1: from the tip clearance.
    ResetCylGearRecord();
    UpToTip(pair);
    cylGear.tipDiameterMode[2] = 1;
    cylGear.c[2] = 0.6L;
    CylTipDiameterStep();
    EXPECT_NEAR(cylGear.da[2], 2 * (cylGear.a - 0.6L) - cylGear.df[1], 1e-12L);
    EXPECT_NEAR(cylGear.kmn[2], (cylGear.daFull[2] - cylGear.da[2]) / 2, 1e-12L);
    Unit2();
    EXPECT_NEAR(cylGear.c[2], 0.6L, 1e-12L);

    // A tip above the full depth: negative shortening is an error.
    ResetCylGearRecord();
    UpToTip(pair);
    cylGear.kmn[1] = -0.2L;
    CylTipDiameterStep();
    Unit2();
    EXPECT_TRUE(Has("Fehler : kmn < 0 !  (1)"));
}

TEST_F(CylTest, TipBelowReferenceCircleHasNoTipPressureAngle) {
    UpToTip({.mn = 2, .z1 = 20, .z2 = 41});
    cylGear.tipDiameterMode[1] = 3;
    cylGear.da[1] = cylGear.db[1] * 0.99L;
    CylTipDiameterStep();
    Unit2();
    EXPECT_TRUE(Has("Fehler : cos(alpha t)*d/da)>1"));
    EXPECT_TRUE(Has("Fehler : db > da  (1) !"));
    EXPECT_EQ(cylGear.alphaA[1], 0);
}

TEST_F(CylTest, ZeroTipDiameterIsFatal) {
    UpToTip({.mn = 2, .z1 = 20, .z2 = 41});
    cylGear.tipDiameterMode[2] = 3;
    cylGear.da[2] = 0;
    CylTipDiameterStep();
    Unit2();
    EXPECT_TRUE(fatalFlag);
    EXPECT_TRUE(Has("Fatal  : da = 0 !"));
}

TEST_F(CylTest, MatingTipBeyondInterferenceLimitIsCutBack) {
    // A small unshifted pinion: the wheel's tip passes the end of the line of
    // action at the pinion's base circle.
    UpToTip({.mn = 2, .z1 = 9, .z2 = 80});
    CylTipDiameterStep();
    Unit2();
    const CylGearRecord& g = cylGear;
    EXPECT_TRUE(Has(std::string("Fehler : Eingr.stör. da2 !"_cp850)));
    const Real limit =
        2 * std::hypot(g.a - std::cos(g.alphaWt) * g.db[1] / 2, std::sin(g.alphaWt) * g.db[1] / 2);
    EXPECT_NEAR(g.dNa[2], limit, 1e-12L);
    EXPECT_LT(g.dNa[2], g.da[2]);
    // The usable path then ends at the pinion's base circle: its root part is 0.
    EXPECT_NEAR(g.dNf[1], g.db[1], 1e-9L);
}

TEST_F(CylTest, TipsTooSmallForAnyContactAreFatal) {
    UpToTip({.mn = 2, .z1 = 20, .z2 = 41});
    for (int i = 1; i <= 2; ++i) {
        cylGear.tipDiameterMode[i] = 3;
        cylGear.da[i] = cylGear.db[i] * 1.001L;
    }
    CylTipDiameterStep();
    Unit2();
    EXPECT_TRUE(fatalFlag);
    EXPECT_TRUE(Has("Fatal  : epsilon alpha <=0 !"));
}

TEST_F(CylTest, NearRackCounterpartOfTheWorm) {
    // The worm's equivalent pair: an internal gear of -5000 teeth meshing
    // with the wheel. The centre distance carries the sign of the pair.
    UpToTip({.mn = 4, .beta = 11, .z1 = -5000, .z2 = 29, .x1 = 0, .x2 = 0.1L});
    CylTipDiameterStep();
    Unit2();
    ASSERT_FALSE(fatalFlag) << ::testing::PrintToString(Messages());
    const CylGearRecord& g = cylGear;
    EXPECT_LT(g.a, 0);
    EXPECT_NEAR(g.a, (g.dw[1] + g.dw[2]) / 2, 1e-9L);
    EXPECT_NEAR(g.epsAlpha, g.epsPartial[1] + g.epsPartial[2], 1e-6L);
    EXPECT_GT(g.epsAlpha, 1);
    EXPECT_LT(g.epsAlpha, 2.5L);
    EXPECT_NEAR(g.u, 29.0L / -5000.0L, 1e-15L);
}

TEST_F(CylTest, OverlapAndTotalContactRatio) {
    UpToTip({.mn = 2, .beta = 20, .z1 = 20, .z2 = 41, .b = 25});
    CylTipDiameterStep();
    Unit2();
    EXPECT_NEAR(cylGear.epsBeta, 25 * std::sin(DegToRad(20)) / (kPi * 2), 1e-15L);
    EXPECT_NEAR(cylGear.epsGamma, cylGear.epsAlpha + cylGear.epsBeta, 1e-15L);
    EXPECT_LE(cylGear.epsAlphaAMax, cylGear.epsAlpha + 1e-15L);  // no allowances: equal
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

using cyltest::CylTest;
using cyltest::LoadPair;
using cyltest::Messages;

TEST_F(CylTest, DifferingToolAngleShapesTheTip) {
    // A roughing tool whose flank near the tip has a steeper angle chamfers
    // the tip: the tip form circle lies below the tip circle.
    LoadPair({.mn = 3, .z1 = 25, .z2 = 60, .x1 = 0.2L});
    cylGear.toolProfile[1] = 4;
    cylGear.alphaP0[1] = 30;
    cylGear.toolAngleHeightFactor[1] = 0.3L;
    cylGear.qAllowance[1] = 0.05L;
    cylGear.qTolerance[1] = 0.05L;
    cylGear.Asni[2] = -0.1L;
    CalcCylGear();
    ASSERT_FALSE(fatalFlag) << ::testing::PrintToString(Messages());
    const CylGearRecord& g = cylGear;
    ASSERT_TRUE(g.toolAngleDiffers[1]);
    EXPECT_FALSE(g.toolAngleDiffers[2]);
    EXPECT_GT(g.dFa[1], g.db[1]);
    EXPECT_LE(g.dFa[1], g.da[1]);
    EXPECT_LE(g.dFaLower[1], g.daLower[1]);
    EXPECT_GT(g.toothFormDFa[1], g.db[1]);
    EXPECT_LE(g.toothFormDFa[1], g.da[1]);
    // Without a chamfer the upper tip thickness uses the thickest tooth.
    EXPECT_GT(g.satUpper[2], g.satLower[2]);
}

TEST_F(CylTest, FinishingToleranceBelowHalfTheThicknessToleranceIsWarned) {
    LoadPair({.mn = 3, .z1 = 25, .z2 = 60});
    cylGear.Asne[2] = -0.05L;
    cylGear.Asni[2] = -0.15L;
    cylGear.qAllowance[2] = 0.1L;
    cylGear.qTolerance[2] = 0.04L;
    CalcCylGear();
    const auto m = Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Warnung: q tol < Tsn/2  (2)"), m.end());
    EXPECT_NEAR(cylGear.xPreUpper[2] - cylGear.xPreLower[2],
                0.04L / std::sin(cylGear.alphaNRad) / 3, 1e-12L);
}

}  // namespace
}  // namespace veldrim
