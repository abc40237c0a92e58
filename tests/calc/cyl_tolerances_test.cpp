// Gear accuracy tolerances of the equivalent cylindrical gears: base values
// of both standards, the grade steps, the ISO rounding, range and tolerance
// warnings and the root-diameter check.

#include "calc/cyl_tolerances.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/cyl_geometry.h"
#include "calc/cyl_record.h"
#include "cyl_test_support.h"

namespace veldrim {
namespace {

using cyltest::CylTest;
using cyltest::LoadPair;
using cyltest::Messages;
using Strings = std::vector<std::string>;

// Gear 1 with mn, d = z mn (spur), width b and grade q.
void SetGear(Real mn, int z, Real b, int q) {
    LoadPair({.mn = mn, .z1 = z, .z2 = z});
    Unit0();
    cylGear.bGear[1] = b;
    cylGear.quality[1] = q;
}

TEST_F(CylTest, RoundToleranceSteps) {
    const Real cases[][2] = {{4.84L, 4.8L},  {4.96L, 5.0L},  {5.1L, 5.0L},
                             {5.25L, 5.0L},  {5.75L, 6.0L},  {9.8L, 10.0L},
                             {10.5L, 10.0L}, {11.5L, 12.0L}, {16.9585L, 17.0L}};
    for (const auto& c : cases) EXPECT_NEAR(RoundTolerance(c[0]), c[1], 1e-15L) << c[0];
}

TEST_F(CylTest, IsoBaseValuesAtGradeFive) {
    // mn = 2, d = 40, b = 20, Q = 5 (s = 1), hand-computed with the rounding rules.
    SetGear(2, 20, 20, 5);
    CylIsoTolerances(1);
    const CylGearRecord& g = cylGear;
    const Real expected[][2] = {
        {g.ffAlpha[1], 6.0L},  {g.fHAlpha[1], 4.8L},      {g.FAlpha[1], 7.5L},
        {g.fp[1], 6.0L},       {g.Fp[1], 17.0L},          {g.Fpz[1], 11.5L},
        {g.Fr[1], 15.3L},      {g.Rs[1], 9.0L},           {g.fHBeta[1], 6.0L},
        {g.ffBeta[1], 6.5L},   {g.fiTangential[1], 6.0L}, {g.FiTangential[1], 23.0L},
        {g.fiRadial[1], 7.0L}, {g.FiRadial[1], 19.0L}};
    for (const auto& e : expected) EXPECT_NEAR(e[0], e[1], 1e-12L);
    EXPECT_NEAR(g.fu[1], 6.0L * std::sqrt(2.0L), 1e-15L);
    EXPECT_NEAR(g.FBeta[1], std::sqrt(6.5L * 6.5L + 6.0L * 6.0L), 1e-15L);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CylTest, IsoGradeStepIsRootTwo) {
    SetGear(2, 20, 20, 7);
    CylIsoTolerances(1);
    // The rounded base 6.0 of fp is scaled by s = 2 without further rounding.
    EXPECT_NEAR(cylGear.fp[1], 12.0L, 1e-15L);
    EXPECT_NEAR(cylGear.Fp[1], RoundTolerance(16.9585L * 2), 0.01L);
}

TEST_F(CylTest, IsoRangeWarnings) {
    struct Case {
        int z;
        Strings messages;
    };
    const Case cases[] = {
        {400, {}},
        {401, {"Warnung: fis: (5<=z<=400)"}},
        {1001, {"Warnung: Fr: (5<=z<=1000)", "Warnung: fis: (5<=z<=400)"}},
    };
    for (const Case& c : cases) {
        ClearMessages();
        SetGear(1, c.z, 20, 6);
        CylIsoTolerances(1);
        EXPECT_EQ(Messages(), c.messages) << c.z;
    }
    ClearMessages();
    SetGear(0.4L, 4, 5, 6);  // mn, z and d all out of range
    CylIsoTolerances(1);
    EXPECT_EQ(Messages(), (Strings{"Warnung: Fr: (5<=z<=1000)", "Warnung: Fr: (5<=d<=15000)",
                                   "Warnung: Fr: (0.5<=mn<=70)", "Warnung: fis: (5<=z<=400)",
                                   "Warnung: fis: (5<=d<=2500)", "Warnung: fis: (1<=mn<=50)"}));
    ClearMessages();
    hideWarningsFlag = true;
    CylIsoTolerances(1);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CylTest, DinBaseValuesAndGradeSteps) {
    const Real mn = 4, b = 40;
    SetGear(mn, 25, b, 5);
    ASSERT_TRUE(CylDinTolerances(1));
    const CylGearRecord base = cylGear;
    const Real d = 100;
    EXPECT_NEAR(base.ffAlpha[1], 0.25L * (mn + 9 * 2) + 1.5L, 1e-15L);
    EXPECT_NEAR(base.fHAlpha[1], 0.25L * (mn + 3 * 2) + 2.5L, 1e-15L);
    EXPECT_NEAR(base.fp[1], 0.315L * (mn + 0.25L * 10) + 4, 1e-15L);
    EXPECT_NEAR(base.Fp[1], 7.25L * std::cbrt(d) / std::pow(25.0L, 1.0L / 7), 1e-12L);
    EXPECT_NEAR(base.FBeta[1], 0.8L * std::sqrt(b) + 4, 1e-15L);
    EXPECT_NEAR(base.fHBeta[1], 4.16L * std::pow(b, 0.14L), 1e-12L);
    EXPECT_NEAR(base.ffBeta[1] * base.ffBeta[1] + base.fHBeta[1] * base.fHBeta[1],
                base.FBeta[1] * base.FBeta[1], 1e-9L);
    EXPECT_NEAR(base.FiTangential[1], 0.8L * (base.Fp[1] + base.FAlpha[1]), 1e-15L);

    auto at = [&](int q) {
        cylGear.quality[1] = q;
        EXPECT_TRUE(CylDinTolerances(1));
        return cylGear;
    };
    const CylGearRecord q8 = at(8), q9 = at(9), q10 = at(10);
    EXPECT_NEAR(q9.ffAlpha[1] / q8.ffAlpha[1], 1.4L, 1e-12L);
    EXPECT_NEAR(q10.ffAlpha[1] / q9.ffAlpha[1], 1.6L, 1e-12L);
    EXPECT_NEAR(q9.Fr[1] / q8.Fr[1], 1.4L, 1e-12L);
    EXPECT_NEAR(q10.Fr[1] / q9.Fr[1], 1.4L, 1e-12L);  // runout keeps 1.4
    EXPECT_NEAR(q9.fHBeta[1] / q8.fHBeta[1], 1.25L * 1.55L / 1.32L, 1e-12L);
    EXPECT_NEAR(q9.FBeta[1] / q8.FBeta[1], 1.6L, 1e-12L);
    EXPECT_NEAR(q8.FBeta[1] / at(7).FBeta[1], 1.4L, 1e-12L);
    EXPECT_NEAR(at(6).FBeta[1] / base.FBeta[1], 1.25L, 1e-12L);
}

TEST_F(CylTest, DinToothThicknessToleranceAgainstRunout) {
    SetGear(3, 30, 30, 8);
    cylGear.Tsn[1] = 0.01L;
    ASSERT_TRUE(CylDinTolerances(1));
    EXPECT_EQ(Messages(), Strings{"Warnung: Tsn < 2Rs !  (1)"});
    ClearMessages();
    hideWarningsFlag = true;
    ASSERT_TRUE(CylDinTolerances(1));
    EXPECT_TRUE(Messages().empty());
    hideWarningsFlag = false;
    cylGear.Tsn[1] = 1.0L;
    ASSERT_TRUE(CylDinTolerances(1));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CylTest, InternalGearTolerancesUseItsSize) {
    // The near-rack of the worm's equivalent pair has a negative diameter:
    // both standards give the values of its size and no domain message.
    for (int standard : {1, 2}) {
        ResetCylGearRecord();
        ClearMessages();
        LoadPair({.mn = 4, .z1 = 60, .z2 = 60});
        Unit0();
        cylGear.toleranceStandard = standard;
        cylGear.Tsn[1] = 1;  // well above 2 Rs
        const bool din = standard != 1;
        din ? (void)CylDinTolerances(1) : CylIsoTolerances(1);
        const CylGearRecord external = cylGear;
        ClearMessages();
        gearPair.z[1] = -60;
        Unit0();
        ClearMessages();  // the first stage's note on z1 < 0
        din ? (void)CylDinTolerances(1) : CylIsoTolerances(1);
        EXPECT_LT(cylGear.d[1], 0);
        EXPECT_TRUE(Messages().empty()) << ::testing::PrintToString(Messages());
        EXPECT_EQ(cylGear.fp[1], external.fp[1]) << standard;
        EXPECT_EQ(cylGear.Fp[1], external.Fp[1]) << standard;
        EXPECT_EQ(cylGear.Fr[1], external.Fr[1]) << standard;
        EXPECT_EQ(cylGear.FiRadial[1], external.FiRadial[1]) << standard;
    }
}

TEST_F(CylTest, DinStageStopsOnFatalFlag) {
    SetGear(3, 30, 30, 8);
    fatalFlag = true;
    EXPECT_FALSE(CylDinTolerances(1));
    EXPECT_EQ(Messages(), Strings{"Fatal: Fhfbeta !"});
}

TEST_F(CylTest, StageChoosesStandardAndChecksRootDiameter) {
    LoadPair({.mn = 2, .z1 = 20, .z2 = 40});
    CalcCylGear();
    ASSERT_FALSE(fatalFlag);
    cylGear.toleranceStandard = 2;
    CylToleranceStage();
    const Real dinFp = cylGear.fp[1];
    cylGear.toleranceStandard = 1;
    CylToleranceStage();
    EXPECT_NE(dinFp, cylGear.fp[1]);
    EXPECT_EQ(cylGear.fp[1], RoundTolerance(0.4L * 2 + 0.04L + 5) * std::sqrt(2.0L));

    ClearMessages();
    hideWarningsFlag = true;
    cylGear.df[2] = 0;
    CylToleranceStage();
    EXPECT_EQ(Messages(), Strings{"Invalid Data !"});
}

}  // namespace
}  // namespace veldrim
