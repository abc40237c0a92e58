// The calculation at the edges of its rules: limits that are still inside,
// codes outside the listed ones that take the default, and the steps of the
// tolerance grades. Every expected value is worked by hand from the formula
// (the working is in the comment beside it).

#include <cmath>
#include <string>

#include "calc/cylindrical/cyl_checks.h"
#include "calc/cylindrical/cyl_geometry.h"
#include "calc/cylindrical/cyl_tolerances.h"
#include "calc/design.h"
#include "calc/measure_tables.h"
#include "calc/worm_geometry.h"
#include "calc_test_support.h"
#include "foundation/formatting.h"
#include "foundation/ui_services.h"
#include "support/demo_data_set.h"
#include "support/scripted_ui.h"

namespace veldrim::calctest {
namespace {

class CalcEdgeCaseTest : public CalcTest {};

Real Deg(Real degrees) { return degrees * kPi / 180; }

// ---- Worm geometry: the range of dm1/a ----------------------------------------------

// The warnings ask for dm1/a > 0.5 and dm1/a < 0.25: the limits themselves
// are still inside (reference set a = 80, z1 = 3, z2 = 29, ZI, x2 = 0).
TEST_F(CalcEdgeCaseTest, WormDiameterRatioAtItsLimitsGivesNoWarning) {
    const std::string above = "Warnung: dm1/a > 0.5 !";
    const std::string below = "Warnung: dm1/a < 0.25 !";
    struct Case {
        Real dm1a;
        bool warnAbove, warnBelow;
    };
    const Case cases[] = {
        {0.5L, false, false},   {0.25L, false, false},  {0.36L, false, false},
        {0.5001L, true, false}, {0.2499L, false, true},
    };
    for (const Case& c : cases) {
        ResetAll();
        wormGear.dm1a = c.dm1a;
        CalcWormGeometry();
        ASSERT_FALSE(fatalFlag) << static_cast<double>(c.dm1a) << "\n" << Log();
        EXPECT_EQ(HasMessage(above), c.warnAbove) << static_cast<double>(c.dm1a) << "\n" << Log();
        EXPECT_EQ(HasMessage(below), c.warnBelow) << static_cast<double>(c.dm1a) << "\n" << Log();
    }
}

// ---- DIN 3996 rating: codes outside the listed ones --------------------------------------

// Reference set: a = 80, dm1 = 26.4, z1 = 3, z2 = 29, x = 0, alpha 0 = 20°, so
//   mx = (80 - 26.4/2) / (29/2) = 66.8 / 14.5 = 4.6068966 mm,
//   q = 26.4 / mx = 5.7305389, gamma m = atan(3 / q) = 27.632551°,
//   cos(gamma m) = 0.8859402; u = 29/3, dm2 = 160 - 26.4 = 133.6 mm.
class Din3996EdgeTest : public CalcEdgeCaseTest {
protected:
    void SetUp() override {
        CalcEdgeCaseTest::SetUp();
        ASSERT_EQ(wormGear.din3996Switch, 1);
    }
};

// Bearing loss PVLP = c P 1000 a^0.44 u / dm2 / 1000 with c = 0.03 for
// arrangement 1 and 0.013 for arrangement 2; a^0.44 = 80^0.44 = 6.8763757, so
//   PVLP / P = 0.03  * 6.8763757 * (29/3) / 133.6 = 0.014926265 (code 1),
//   PVLP / P = 0.013 * 6.8763757 * (29/3) / 133.6 = 0.006468048 (code 2);
// every other code has no bearing loss, and the total loss is then the gear,
// no-load and seal losses alone.
TEST_F(Din3996EdgeTest, BearingCodesOtherThanOneAndTwoGiveNoBearingLoss) {
    struct Case {
        std::uint16_t code;
        Real lossPerPower;
    };
    const Case cases[] = {{1, 0.014926265L}, {2, 0.006468048L}, {0, 0}, {3, 0}, {9, 0}, {65535, 0}};
    for (const Case& c : cases) {
        ResetAll();
        wormGear.bearingArrangement = c.code;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << c.code << "\n" << Log();
        const WormGearRecord& w = wormGear;
        ASSERT_GT(w.P, 0) << c.code;
        EXPECT_NEAR(w.PVLPDin / w.P, c.lossPerPower, 1E-9L) << "bearing code " << c.code;
        if (c.lossPerPower == 0) {
            EXPECT_EQ(w.PVLPDin, 0) << "bearing code " << c.code;
            for (int e = 1; e <= 2; ++e)
                EXPECT_NEAR(w.PV[e], w.PVzDin[e] + w.PV0Din + w.PVD, 1E-15L)
                    << "bearing code " << c.code << " edition " << e;
        }
    }
}

// Lubricant structure factor: kinds 2 to 5 take WS = 1 / eta0M^0.35, or 100
// when eta0M is 0; mineral oil (kind 1) and unknown kinds take 1.
//   eta0M = 0.1: WS = 0.1^-0.35 = 10^0.35 = 2.2387211.
TEST_F(Din3996EdgeTest, StructureFactorIsOneHundredWithoutADynamicViscosity) {
    struct Case {
        std::uint16_t kind;
        Real eta0M, WS;
    };
    const Case cases[] = {
        {2, 0, 100},
        {3, 0, 100},
        {4, 0, 100},
        {5, 0, 100},
        {2, 0.1L, 2.2387211385683L},
        {5, 0.1L, 2.2387211385683L},
        {1, 0, 1},
        {1, 0.1L, 1},
        {6, 0, 1},
        {0, 0.1L, 1},
    };
    for (const Case& c : cases) {
        ResetAll();
        wormGear.lubricantKind = c.kind;
        wormGear.eta0M = c.eta0M;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << c.kind << "\n" << Log();
        EXPECT_NEAR(wormGear.WS, c.WS, 1E-12L)
            << "lubricant kind " << c.kind << ", eta0M " << static_cast<double>(c.eta0M);
    }
}

// Wear limit: code 1 takes the pointed tip, every other code the 0.3 value.
//   d.Wlimn 0.3 = cos(gamma m) 0.3 mx = 0.8859402 * 0.3 * 4.6068966 = 1.2244305 mm,
//   d.Wlimn tip = cos(gamma m) mx (pi/2 - 2 tan 20°)
//               = 4.0814358 * (1.5707963 - 0.7279404) = 3.4400614 mm.
TEST_F(Din3996EdgeTest, WearLimitCodesOtherThanZeroAndOneTakeThePointThreeValue) {
    struct Case {
        std::int32_t code;
        Real limit;
    };
    const Case cases[] = {
        {0, 1.2244305L}, {1, 3.4400614L}, {2, 1.2244305L}, {7, 1.2244305L}, {-1, 1.2244305L}};
    for (const Case& c : cases) {
        ResetAll();
        wormGear.wearLimitCode = c.code;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << c.code << "\n" << Log();
        EXPECT_NEAR(wormGear.dWlimn, c.limit, 5E-7L) << "wear-limit code " << c.code;
        EXPECT_NEAR(wormGear.dWlimn03, 1.2244305L, 5E-7L) << "wear-limit code " << c.code;
        EXPECT_NEAR(wormGear.dWlimnTip, 3.4400614L, 5E-7L) << "wear-limit code " << c.code;
    }
}

// ---- Tooth measurement ------------------------------------------------------------------

// Ball diameter of a spur gear z = 20, x = 0, alpha n = 20°:
//   zn = 20, alpha M = acos(cos 20°) = 20°,
//   theta = pi/2/20 + (tan 20° - inv 20°) = 0.0785398 + 0.3490658 = 0.4276057,
//   DM = (tan theta - tan 20°) cos 20° zn mn = 1.7244491 mn.
// mn = 0.284 gives 0.4897436 mm, below 0.5 mm: it stays unrounded (to one
// decimal it would be 0.5). mn = 1.82 gives 3.1384974 mm, rounded to 3.1.
TEST_F(CalcEdgeCaseTest, SmallBallDiameterStaysUnrounded) {
    EXPECT_NEAR(BallDiameter(0.284L, 0, Deg(20), 0, 20), 0.4897435506L, 1E-9L);
    EXPECT_NEAR(BallDiameter(1.82L, 0, Deg(20), 0, 20), 3.1L, 1E-15L);
    EXPECT_EQ(Log(), "");
}

// Odd spur gear z = 25, mn = 2, x = 0, alpha n = 20°, DM = 3.5 mm:
//   eta = pi/50 = 0.0628319, t = eta - inv 20° = 0.0479275,
//   db = 50 cos 20° = 46.9846310, inv alpha K = 3.5/46.9846310 - t = 0.0265650,
//   alpha K = 24.062052°, dK = db / cos alpha K = 51.4559232 mm,
//   MK = dK cos(pi/50) + DM = 54.8543867 mm.
// Pins are corrected only for a helical gear (beta > 0): the spur gear keeps
// MR = MK; the uncorrected dK + DM would be 54.9559232 mm.
// The same gear with beta = 10°: alpha t = 20.283559°, db = 47.6229215,
//   dK = 52.2324333, MK = 55.6293645, MR = (MK - DM)/cos(pi/50) + DM = 55.7324333.
TEST_F(CalcEdgeCaseTest, OddSpurGearKeepsTheDimensionOverBallsForPins) {
    EXPECT_NEAR(DimensionOverBalls(25, 2, Deg(20), 0, 0, 3.5L), 54.8543867L, 1E-6L);
    EXPECT_NEAR(DimensionOverPins(25, 2, Deg(20), 0, 0, 3.5L), 54.8543867L, 1E-6L);
    EXPECT_NEAR(DimensionOverBalls(25, 2, Deg(20), Deg(10), 0, 3.5L), 55.6293645L, 1E-6L);
    EXPECT_NEAR(DimensionOverPins(25, 2, Deg(20), Deg(10), 0, 3.5L), 55.7324333L, 1E-6L);
    EXPECT_EQ(Log(), "");
}

// ---- Geometry design table ----------------------------------------------------------------

// "Geometrie Auslegung" with the axial module typed on row 9. Demo set:
// dm1 = 36, z1 = 2, z2 = 41, x1 = x2 = 0. With dm2 = z2 mx the wheel's shift
// that keeps the centre distance is
//   x2' = a/mx - (dm1 + dm2)/(2 mx) - x1 = (a - 18)/mx - 20.5.
// Only -0.5 < x2' < 1.0 is taken; otherwise x2 stays as entered and the worm
// diameter takes up the difference: dm1 = 2 (a - (x1 + x2 + 20.5) mx).
class DesignTableEdgeTest : public CalcEdgeCaseTest {
protected:
    void SetUp() override {
        CalcEdgeCaseTest::SetUp();
        testing::LoadDemoDataSet();
        ClearMessages();
    }
    // Types the centre distance on row 2 and the axial module on row 9, and
    // leaves the table on row 9 (one pass), then closes it.
    void DesignWithModule(Real a, Real mx) {
        ScriptedUi::OnlineReply pass;
        pass.row = 9;
        pass.edits = {{2, FormatLengthDecimals(3, a)}, {9, FormatLength6(mx)}};
        ScriptedUi::OnlineReply close;
        close.ok = false;
        ui.onlineReplies = {pass, close};
        DesignGeometry();
    }
    ScriptedUi ui;
    ScopedUi scope{ui};
};

TEST_F(DesignTableEdgeTest, ShiftAtOrBelowMinusOneHalfLeavesTheWheelShiftAsEntered) {
    ASSERT_NEAR(wormGear.dm[1], 36, 1E-9L);
    ASSERT_EQ(wormGear.x[1], 0);
    ASSERT_EQ(wormGear.x[2], 0);
    struct Case {
        Real a, x2, dm1a;
    };
    const Case cases[] = {
        // a = 98, mx = 4: x2' = 80/4 - 20.5 = -0.5, at the limit: x2 stays 0,
        // dm1 = 2 (98 - 20.5 * 4) = 32, dm1/a = 32/98 = 0.32653061.
        {98, 0, 0.3265306122L},
        // a = 97.6, mx = 4: x2' = 79.6/4 - 20.5 = -0.6: x2 stays 0,
        // dm1 = 2 (97.6 - 82) = 31.2, dm1/a = 31.2/97.6 = 0.31967213.
        {97.6L, 0, 0.3196721311L},
        // a = 98.4, mx = 4: x2' = 80.4/4 - 20.5 = -0.4 is taken; dm1/a stays 0.36.
        {98.4L, -0.4L, 0.36L},
    };
    for (const Case& c : cases) {
        testing::LoadDemoDataSet();
        ui.onlineForms.clear();
        DesignWithModule(c.a, 4);
        EXPECT_NEAR(wormGear.x[2], c.x2, 1E-9L) << "a " << static_cast<double>(c.a);
        EXPECT_NEAR(wormGear.dm1a, c.dm1a, 1E-9L) << "a " << static_cast<double>(c.a);
    }
}

// ---- Cylindrical gear checks and tolerances --------------------------------------------------

// The large-shift warning asks for |x| > 1.5: 1.5 itself is still inside, on
// either side of zero; 1.5001 is not.
TEST_F(CalcEdgeCaseTest, ProfileShiftOfExactlyOneAndAHalfGivesNoWarning) {
    struct Case {
        Real x1, x2;
        Strings shown;
    };
    const Case cases[] = {
        {1.5L, -1.5L, {}},
        {-1.5L, 1.5L, {}},
        {1.5001L, 1.5L, {"Warnung: x > 1.5   (1) !"}},
        {-1.5L, -1.5001L, {"Warnung: x > 1.5   (2) !"}},
    };
    for (const Case& c : cases) {
        ResetAll();
        SoundPair();
        cylGear.x = {{c.x1, c.x2}};
        cylGear.xMin = {{-2, -2}};  // no undercut at x = -1.5
        CylPlausibilityChecks();
        EXPECT_EQ(Messages(), c.shown)
            << "x1 " << static_cast<double>(c.x1) << ", x2 " << static_cast<double>(c.x2);
    }
}

// Helix slope fHβ after DIN 3962 with b = 20 mm: 4.16 b^0.14 = 4.16 * 1.5210525
// = 6.3275783 µm at grade 5; the grade steps are 1.32 up to 6, 1.4 for 7 and 8,
// and from 9 on 1.25 (not 1.32) * 1.4² * 1.55^(Q-8):
//   Q = 7:  6.3275783 * 1.32 * 1.4         = 11.6933648
//   Q = 8:  6.3275783 * 1.32 * 1.96        = 16.3707107
//   Q = 9:  6.3275783 * 1.25 * 1.96 * 1.55 = 24.0289787
//   Q = 10: 6.3275783 * 1.25 * 1.96 * 1.55² = 37.2449170
// so from 8 to 9 the value grows by 1.25 * 1.55 / 1.32 = 1.4678030.
TEST_F(CalcEdgeCaseTest, DinHelixSlopeStepsByOnePointTwoFiveBetweenGradesEightAndNine) {
    LoadPair({.mn = 2, .z1 = 20, .z2 = 20, .b = 20});
    Unit0();
    ASSERT_FALSE(fatalFlag) << Log();
    struct Case {
        int grade;
        Real fHBeta;
    };
    const Case cases[] = {{7, 11.6933648L}, {8, 16.3707107L}, {9, 24.0289787L}, {10, 37.2449170L}};
    Real previous = 0;
    for (const Case& c : cases) {
        cylGear.quality[1] = c.grade;
        ASSERT_TRUE(CylDinTolerances(1)) << c.grade << "\n" << Log();
        EXPECT_NEAR(cylGear.fHBeta[1], c.fHBeta, 5E-7L) << "grade " << c.grade;
        if (c.grade == 9) {
            EXPECT_NEAR(cylGear.fHBeta[1] / previous, 1.4678030L, 1E-7L);
        }
        previous = cylGear.fHBeta[1];
    }
}

}  // namespace
}  // namespace veldrim::calctest
