// Geometry of the equivalent cylindrical pair: a profile-shifted pair checked
// against published values, the involute identities, the input checks of the
// first stage and the stop rules of the driver.

#include "calc/cyl_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "calc/cyl_record.h"
#include "calc/cyl_tip_contact.h"
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

TEST_F(CylTest, ProfileShiftedSpurPairMatchesPublishedWorkingAngleAndCentreDistance) {
    // m = 3, alpha = 20 deg, z = 12 / 24, x = 0.6 / 0.36: a textbook example of
    // a pair whose centre distance follows from the profile shifts.
    LoadPair({.mn = 3, .alphaN = 20, .beta = 0, .z1 = 12, .z2 = 24, .x1 = 0.6L, .x2 = 0.36L});
    CalcCylGear();
    EXPECT_FALSE(fatalFlag) << ::testing::PrintToString(Messages());
    EXPECT_NEAR(RadToDeg(cylGear.alphaWt), 26.0886L, 5e-5L);
    EXPECT_NEAR(cylGear.a, 56.4999L, 5e-5L);
    EXPECT_NEAR(cylGear.d[1], 36.0L, 1e-12L);
    EXPECT_NEAR(cylGear.d[2], 72.0L, 1e-12L);
    EXPECT_NEAR(cylGear.aRef, 54.0L, 1e-12L);
}

TEST_F(CylTest, HelicalPairMatchesPublishedWorkingAngleAndCentreDistance) {
    // mn = 3, alphaN = 20 deg, beta = 30 deg, z = 12 / 60, xn = 0.09809 / 0:
    // the textbook helical pair with a centre distance of 125 mm.
    LoadPair({.mn = 3, .alphaN = 20, .beta = 30, .z1 = 12, .z2 = 60, .x1 = 0.09809L, .x2 = 0});
    CalcCylGear();
    ASSERT_FALSE(fatalFlag) << ::testing::PrintToString(Messages());
    const CylGearRecord& g = cylGear;
    EXPECT_NEAR(RadToDeg(g.alphaT), 22.79588L, 5e-6L);
    EXPECT_NEAR(RadToDeg(g.alphaWt), 23.1126L, 5e-5L);
    EXPECT_NEAR(g.a, 125.000L, 5e-4L);
    const Real published[][2] = {{g.d[1], 41.569L},   {g.d[2], 207.846L}, {g.dw[1], 41.667L},
                                 {g.dw[2], 208.333L}, {g.db[1], 38.322L}, {g.db[2], 191.611L}};
    for (const auto& p : published) EXPECT_NEAR(p[0], p[1], 5e-4L);
}

struct IdentityCase {
    const char* name;
    PairSpec pair;
};

class CylIdentityTest : public CylTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(CylIdentityTest, InvolutePairIdentitiesHold) {
    LoadPair(GetParam().pair);
    cylGear.centreToleranceField = 4;  // js 7: a real backlash range
    CalcCylGear();
    ASSERT_FALSE(fatalFlag) << ::testing::PrintToString(Messages());
    const CylGearRecord& g = cylGear;
    const Real eps = 1e-12L;
    // Contact ratio is the sum of the partial ratios when Tsn = 0 and no
    // tip is cut back by interference.
    EXPECT_NEAR(g.epsAlpha, g.epsPartial[1] + g.epsPartial[2], 1e-9L);
    // Normal backlash from circumferential backlash.
    EXPECT_NEAR(g.jnMin, g.jtMin * std::cos(g.alphaNRad) * std::cos(g.betaRad), eps);
    EXPECT_NEAR(g.jnMax, g.jtMax * std::cos(g.alphaNRad) * std::cos(g.betaRad), eps);
    // Transverse base pitch.
    for (int i = 1; i <= 2; ++i) EXPECT_NEAR(g.pbt, kPi * g.db[i] / gearPair.z[i], eps);
    EXPECT_NEAR(std::cos(g.alphaT) * std::cos(g.betaB), std::cos(g.alphaNRad) * std::cos(g.betaRad),
                eps);
    // The working circles roll on each other.
    EXPECT_NEAR(g.a, (g.dw[1] + g.dw[2]) / 2, eps);
    EXPECT_NEAR(g.dw[2] / g.dw[1], g.u, eps);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CylIdentityTest,
    ::testing::Values(
        IdentityCase{"spur", {.mn = 3, .z1 = 12, .z2 = 24, .x1 = 0.6L, .x2 = 0.36L}},
        IdentityCase{"helical", {.mn = 2, .beta = 15, .z1 = 19, .z2 = 47, .x1 = 0.2L, .x2 = -0.1L}},
        IdentityCase{
            "pressure25",
            {.mn = 5, .alphaN = 25, .beta = 8, .z1 = 30, .z2 = 31, .x1 = 0, .x2 = 0, .b = 60}},
        IdentityCase{"internal", {.mn = 2, .beta = 5, .z1 = 21, .z2 = -67, .x1 = 0.2L, .x2 = 0.1L}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Unit0Case {
    Real alphaN;
    Real beta;
    Real mn;
    bool fatal;
    Strings messages;
};

TEST_F(CylTest, FirstStageChecksAnglesModuleAndWidth) {
    const Unit0Case cases[] = {
        {5, 0, 3, false, {}},
        {45, 0, 3, false, {}},
        {4.99L, 0, 3, true, {"Fatal  : alpha !"}},
        {45.01L, 0, 3, true, {"Fatal  : alpha !"}},
        {20, 45, 3, false, {}},
        {20, 46, 3, false, {"Fatal  : beta > 45!"}},
        {20, -46, 3, false, {"Fatal  : beta > 45!"}},
        {20, 0, 0, true, {"Fatal  : mn <= 0!"}},
    };
    for (const Unit0Case& c : cases) {
        ClearMessages();
        LoadPair({.mn = c.mn, .alphaN = c.alphaN, .beta = c.beta, .z1 = 20, .z2 = 30});
        Unit0();
        EXPECT_EQ(fatalFlag, c.fatal) << c.alphaN << " " << c.beta;
        EXPECT_EQ(Messages(), c.messages) << c.alphaN << " " << c.beta;
    }
    ClearMessages();
    LoadPair({.z1 = 20, .z2 = 30});
    cylGear.b = 0;
    Unit0();
    EXPECT_EQ(Messages(), Strings{"Fatal  : b <= 0!"});
}

TEST_F(CylTest, ToothCountZeroIsFatalBeforeAnyStageDividesByIt) {
    for (int z1 : {0, 20}) {
        ClearMessages();
        LoadPair({.z1 = z1, .z2 = z1 == 0 ? 30 : 0});
        CalcCylGear();
        EXPECT_TRUE(fatalFlag);
        EXPECT_EQ(Messages(), Strings{"Fatal  : z = 0 !"});
    }
}

TEST_F(CylTest, NearRackAndInternalGearMessagesAndBore) {
    LoadPair({.z1 = -5000, .z2 = 29});
    Unit0();
    EXPECT_EQ(Messages(), (Strings{"Fehler : z2 < z1 !", "Fehler : z1 < 0 !"}));
    ClearMessages();
    LoadPair({.z1 = 20, .z2 = -60});
    cylGear.boreDiameter[2] = 250;
    Unit0();
    EXPECT_EQ(cylGear.boreDiameter[2], -250);
    EXPECT_EQ(cylGear.xMin[2], 0);
}

TEST_F(CylTest, GivenCentreDistanceGivesProfileShiftSumAndIsAdjustedWhenFarOff) {
    // The published pair again: its centre distance yields back x1 + x2.
    LoadPair({.mn = 3, .z1 = 12, .z2 = 24, .x1 = 0.6L, .x2 = 0.36L});
    Unit0();
    cylGear.a = 56.4999L;
    CylCentreDistanceStep();
    EXPECT_NEAR(cylGear.sumX, 0.96L, 1e-4L);
    EXPECT_TRUE(Messages().empty());

    // Far below the reference distance: more than 20 % off, replaced.
    cylGear.a = 30;
    CylCentreDistanceStep();
    EXPECT_EQ(Messages(), Strings{std::string("Achsabstand angepaßt !"_cp850)});
    EXPECT_EQ(cylGear.a, 54);
    EXPECT_NEAR(cylGear.sumX, 0, 1e-15L);

    // Outside the involute range but within 20 % of the reference distance:
    // a is kept and the arccos failure is reported.
    ClearMessages();
    cylGear.a = 50;
    CylCentreDistanceStep();
    const Strings kept = Messages();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], std::string("Achsabstand angepaßt !"_cp850));
    EXPECT_EQ(kept[1].rfind("Error: ArcCos ", 0), 0u) << kept[1];
    EXPECT_EQ(cylGear.a, 50);
    EXPECT_EQ(cylGear.alphaWt, 0);

    // A centre distance of the wrong sign (c < 0) is far off and replaced.
    ClearMessages();
    cylGear.a = -54;
    CylCentreDistanceStep();
    EXPECT_EQ(Messages(), Strings{std::string("Achsabstand angepaßt !"_cp850)});
    EXPECT_EQ(cylGear.a, 54);

    // a = 0: nothing given.
    cylGear.a = 0;
    CylCentreDistanceStep();
    EXPECT_EQ(cylGear.sumX, 0);
    EXPECT_EQ(cylGear.alphaWt, 0);
}

TEST_F(CylTest, WorkingCentreDistanceIsDerivedBeforeTheCentreToleranceIsTaken) {
    // Two runs from different leftovers in `a` give the same tolerance and
    // the same working-angle limits: both are taken at the pair's own a.
    CylGearRecord results[2];
    const Real leftovers[2] = {0, 1000};
    for (int run = 0; run < 2; ++run) {
        ResetCylGearRecord();
        LoadPair({.mn = 2, .beta = 10, .z1 = 17, .z2 = 53, .x1 = 0.3L, .x2 = 0.1L});
        cylGear.centreToleranceField = 4;
        Unit0();
        cylGear.a = leftovers[run];
        ASSERT_TRUE(Unit1());
        results[run] = cylGear;
    }
    EXPECT_EQ(results[0].Aae, results[1].Aae);
    EXPECT_EQ(results[0].alphaWtAMin, results[1].alphaWtAMin);
    EXPECT_EQ(results[0].jtMin, results[1].jtMin);
    EXPECT_NEAR(results[0].a, 72.0L, 1.0L);
    EXPECT_EQ(results[0].Aae, 30.0L / 2000.0L);  // js 7 at a in 50 .. 80 mm: IT7 = 30 µm
}

TEST_F(CylTest, SeriesZeroMeansGivenAllowancesBeforeTheyAreRead) {
    LoadPair({.z1 = 20, .z2 = 30});
    cylGear.toleranceSeries[1] = 0;
    cylGear.Asne[1] = -0.05L;
    cylGear.Asni[1] = -0.12L;
    Unit0();
    ASSERT_TRUE(Unit1());
    EXPECT_EQ(cylGear.toleranceSeries[1], 11);
    EXPECT_NEAR(cylGear.Tsn[1], 0.07L, 1e-15L);
    EXPECT_EQ(cylGear.Asne[1], -0.05L);
    EXPECT_TRUE(cylGear.designationText[1].empty());
}

TEST_F(CylTest, TableSeriesGiveAllowancesAndDesignation) {
    LoadPair({.mn = 2, .z1 = 20, .z2 = 30});
    cylGear.toleranceSeries[2] = 5;  // series 25
    cylGear.deviationSeries[2] = 8;  // "e"
    Unit0();
    ASSERT_TRUE(Unit1());
    // d2 = 60 mm: DIN 3967 step 3 -> Asne e 40 µm, Tsn 25 40 µm.
    EXPECT_NEAR(cylGear.Asne[2], -0.040L, 1e-15L);
    EXPECT_NEAR(cylGear.Tsn[2], 0.040L, 1e-15L);
    EXPECT_NEAR(cylGear.Asni[2], -0.080L, 1e-15L);
    EXPECT_EQ(cylGear.designationText[2], "e 25");
}

TEST_F(CylTest, ToolProfileTable) {
    struct Row {
        int code;
        Real haP0, rhoaP0, prP0;
        const char* text;
    };
    const Row rows[] = {{1, 1.25L, 0.25L, 0, "Normal"},    {2, 1.25L, 0.38L, 0, "Normal"},
                        {3, 1.4L, 0.4L, 0.02L, "Protub."}, {4, 1.1L, 0.3L, 0.03L, ""},
                        {5, 1.1L, 0.3L, 0, "Normal"},      {6, 1.1L, 0.3L, 0.03L, "keep"}};
    for (const Row& r : rows) {
        ResetCylGearRecord();
        LoadPair({.mn = 2, .z1 = 20, .z2 = 30});
        cylGear.toolProfile[1] = static_cast<std::int16_t>(r.code);
        cylGear.haP0Factor[1] = 1.1L;
        cylGear.rhoaP0Factor[1] = 0.3L;
        cylGear.prP0Factor[1] = 0.03L;
        cylGear.toolProfileText[1] = "keep";
        Unit0();
        ASSERT_TRUE(Unit1());
        EXPECT_EQ(cylGear.haP0Factor[1], r.haP0) << r.code;
        EXPECT_EQ(cylGear.rhoaP0Factor[1], r.rhoaP0) << r.code;
        EXPECT_EQ(cylGear.prP0Factor[1], r.prP0) << r.code;
        EXPECT_EQ(cylGear.toolProfileText[1], r.text) << r.code;
        EXPECT_NEAR(cylGear.haP0[1], r.haP0 * 2, 1e-15L);
    }
}

TEST_F(CylTest, FailedWorkingAngleStopsTheRunAndAStaleCancelFlagDoesNot) {
    // Profile shifts beyond any involute: the working angle cannot be found.
    LoadPair({.z1 = 20, .z2 = 30, .x1 = 50000, .x2 = 50000});
    CalcCylGear();
    EXPECT_TRUE(fatalFlag);
    EXPECT_TRUE(cancelFlag);
    const Strings m = Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Fatal  : alpha wt !"), m.end());
    EXPECT_EQ(cylGear.epsAlpha, 0);

    // A cancel flag left from an earlier dialog does not stop a sound run.
    ClearMessages();
    ResetCylGearRecord();
    LoadPair({.z1 = 20, .z2 = 30});
    cancelFlag = true;
    CalcCylGear();
    EXPECT_FALSE(fatalFlag);
    EXPECT_GT(cylGear.epsAlpha, 1);
    EXPECT_NE(cylGear.Wk[1], 0);
}

TEST_F(CylTest, StagesEnteredWithTheFatalFlagOnlySaySo) {
    LoadPair({.z1 = 20, .z2 = 30});
    fatalFlag = true;
    Unit0();
    EXPECT_FALSE(Unit1());
    Unit2();
    CylCentreDistanceStep();
    CylTipDiameterStep();
    EXPECT_EQ(Messages(), (Strings{"Fatal  : Unit0", "Fatal  : Unit1", "Fatal  : Unit2"}));
    EXPECT_EQ(cylGear.mt, 0);
}

TEST_F(CylTest, BoreBelowRoot) {
    LoadPair({.mn = 2, .z1 = 20, .z2 = 30});
    CalcCylGear();
    // df1 = 40 - 5 = 35 mm; limit 35 - 5 = 30 mm.
    cylGear.boreDiameter[1] = 29.9L;
    EXPECT_TRUE(IsInnerDiameterBelowRoot(1));
    cylGear.boreDiameter[1] = 30.1L;
    EXPECT_FALSE(IsInnerDiameterBelowRoot(1));
}

}  // namespace
}  // namespace veldrim
