// Worm gear geometry and the calculation sequence: DIN 3975 identities over
// flank forms and profile shifts, completion of inputs left at 0, fatal
// conditions that leave the data set untouched, warnings and errors.

#include "calc/worm_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "calc/cyl_record.h"
#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

constexpr Real kPiL = std::numbers::pi_v<Real>;
Real Deg(Real deg) { return deg * kPiL / 180; }

class WormGeometryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGearData();
        ResetCylGearRecord();
        ResetMessages();
        ClearMessages();
        hideWarningsFlag = false;
        unitSystem = 0;
    }
    static std::string Messages() {
        std::string all;
        for (int i = 1; i <= messageList.count; ++i) all += messageList.slot[i] + "\n";
        return all;
    }
    static bool HasMessage(std::string_view text) {
        for (int i = 1; i <= messageList.count; ++i)
            if (messageList.slot[i] == text) return true;
        return false;
    }
    // Runs the calculation and expects it to end fatal with exactly `text`,
    // with both gear data records as they were before the run.
    static void ExpectFatalUntouched(std::string_view text) {
        const GearPairRecord gp = gearPair;
        const WormGearRecord wg = wormGear;
        RunCalculation();
        EXPECT_TRUE(fatalFlag);
        EXPECT_EQ(Messages(), std::string(text) + "\n");
        EXPECT_TRUE(gearPair == gp);
        EXPECT_TRUE(wormGear == wg);
    }
};

TEST_F(WormGeometryTest, DefaultDataSetGivesACompleteResult) {
    RunCalculation();
    EXPECT_FALSE(fatalFlag);
    const WormGearRecord& w = wormGear;
    // mx = (a - dm1/2) / (z2/2) with dm1 = 0.33 a.
    EXPECT_NEAR(static_cast<double>(w.mx), 66.8 / 14.5, 1e-12);
    EXPECT_NEAR(static_cast<double>(w.q), 26.4 / (66.8 / 14.5), 1e-12);
    EXPECT_NEAR(static_cast<double>(w.gammaM * 180 / kPiL), 27.63, 0.005);
    EXPECT_NEAR(static_cast<double>(w.u), 29.0 / 3, 1e-15);
    EXPECT_EQ(w.keptThreadCount, 3);
    EXPECT_EQ(w.b[1], 63);  // entered widths stay
    EXPECT_EQ(w.b2Eff, 28.5L);
    EXPECT_GT(w.epsN, 1);
    EXPECT_EQ(w.de2, w.da[2] + 2 * w.mx);  // wheel-rim code 3
    for (Real v : {w.gammaB, w.db[1], w.db[2], w.betaB[1], w.betaB[2], w.dwCut, w.L[2], w.MK[1],
                   w.MR[2], w.W[2], w.fp[1], w.Fp2})
        EXPECT_TRUE(std::isfinite(static_cast<double>(v)));
}

// The measuring ball diameter of the default data set is 0: the dimensions
// over balls and pins then report the ball as too small, once for both gears.
TEST_F(WormGeometryTest, DefaultDataSetReportsTheMissingMeasuringBall) {
    RunCalculation();
    EXPECT_TRUE(HasMessage("Fehler : Dm ball !  (0mm)"));
}

struct Variant {
    std::uint16_t flankForm;
    Real x1, x2;
    Real a;
    std::int32_t z1, z2;
};

TEST_F(WormGeometryTest, Din3975IdentitiesOverFlankFormsAndShifts) {
    const Variant variants[] = {
        {kFlankZI, 0, 0, 80, 3, 29},      {kFlankZA, 0, 0, 80, 3, 29},
        {kFlankZA, 0, 0.5L, 125, 2, 41},  {kFlankZK, 0.2L, -0.3L, 100, 1, 30},
        {kFlankZN, 0, -0.4L, 63, 4, 37},  {kFlankZH, 0, 0.7L, 160, 2, 51},
        {kFlankZI, 0, 0.3L, 200, 1, 60},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(testing::Message() << "flank " << v.flankForm << " x " << static_cast<double>(v.x1)
                                        << "/" << static_cast<double>(v.x2));
        ResetGearData();
        gearPair.z = {{v.z1, v.z2}};
        wormGear.flankForm = v.flankForm;
        wormGear.x = {{v.x1, v.x2}};
        wormGear.a = v.a;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Messages();
        const WormGearRecord& w = wormGear;
        const double eps = 1e-12 * static_cast<double>(v.a);
        EXPECT_NEAR(static_cast<double>(std::tan(w.gammaM)), static_cast<double>(v.z1 / w.q), 1e-15);
        EXPECT_NEAR(static_cast<double>(w.mn), static_cast<double>(w.mx * std::cos(w.gammaM)), 1e-15);
        EXPECT_NEAR(static_cast<double>(w.dm[1] + w.dm[2]), static_cast<double>(2 * v.a), eps);
        // The wheel's mean diameter carries both profile shifts.
        EXPECT_NEAR(static_cast<double>(w.dm[2]),
                    static_cast<double>(w.d[2] + 2 * (v.x1 + v.x2) * w.mx), eps);
        EXPECT_NEAR(static_cast<double>(w.rK), static_cast<double>(v.a - w.da[2] / 2), eps);
        EXPECT_NEAR(static_cast<double>(std::tan(w.alphaX)),
                    static_cast<double>(std::tan(w.alphaN) / std::cos(w.gammaM)), 1e-15);
        if (v.flankForm == kFlankZA)
            EXPECT_NEAR(static_cast<double>(w.alphaX), static_cast<double>(Deg(20)), 1e-15);
        else
            EXPECT_NEAR(static_cast<double>(w.alphaN), static_cast<double>(Deg(20)), 1e-15);
        EXPECT_NEAR(static_cast<double>(w.m[2] * std::sin(w.gammaM)), static_cast<double>(w.mn),
                    1e-15);
        EXPECT_NEAR(static_cast<double>(w.pn), static_cast<double>(w.sn[1] + w.en[1]), 1e-12);
        EXPECT_NEAR(static_cast<double>(w.beta[1] + w.beta[2]), static_cast<double>(kPiL / 2), 1e-15);
    }
}

TEST_F(WormGeometryTest, ZeroCentreDistanceFollowsFromTheModule) {
    for (std::uint16_t form : {kFlankZI, kFlankZN}) {
        ResetGearData();
        wormGear.flankForm = form;
        wormGear.a = 0;
        wormGear.mx = 4;
        wormGear.x[2] = 0.5L;
        gearPair.z[2] = 40;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Messages();
        EXPECT_NEAR(static_cast<double>(wormGear.mx), 4.0, 1e-15);
        // a = (2 (x1 + x2) + z2) mx / (2 - dm1/a)
        EXPECT_NEAR(static_cast<double>(wormGear.a), 41 * 4 / (2 - 0.33), 1e-12);
    }
}

TEST_F(WormGeometryTest, InputsLeftAtZeroAreCompleted) {
    wormGear.alpha0 = 0;
    wormGear.dm1a = 0;
    gearPair.z[1] = 0;
    wormGear.b = {{0, 0}};
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Messages();
    EXPECT_EQ(wormGear.alpha0, 20);
    EXPECT_EQ(wormGear.dm1a, 0.35L);
    EXPECT_EQ(gearPair.z[1], 1);
    EXPECT_EQ(wormGear.keptThreadCount, 1);
    EXPECT_GT(wormGear.b[1], 0);
    EXPECT_EQ(wormGear.b[1], wormGear.bRec[1]);
    EXPECT_EQ(wormGear.b[2], wormGear.bRec[2]);
    EXPECT_EQ(wormGear.b[1], std::nearbyint(wormGear.b[1]));
}

TEST_F(WormGeometryTest, FatalConditionsLeaveTheRecordsAsTheyWere) {
    gearPair.z[2] = 0;
    ExpectFatalUntouched("Fatal  : z2 = 0 !");

    ResetGearData();
    wormGear.alpha0 = 9.99L;
    ExpectFatalUntouched("Warnung: alpha !");
    wormGear.alpha0 = 30.01L;
    ExpectFatalUntouched("Warnung: alpha !");

    ResetGearData();
    wormGear.dm1a = 2;
    ExpectFatalUntouched("Fatal  : dm1/a >= 2 !");
    // Checked before a centre distance of 0 is derived from it.
    wormGear.a = 0;
    wormGear.mx = 4;
    ExpectFatalUntouched("Fatal  : dm1/a >= 2 !");

    ResetGearData();
    wormGear.a = 0;  // and no module in the record
    ExpectFatalUntouched("Fatal  : m <= 0 !");

    ResetGearData();
    wormGear.x = {{0, -14.5L}};  // x1 + x2 + z2/2 = 0
    ExpectFatalUntouched("Fatal  : m <= 0 !");
}

TEST_F(WormGeometryTest, FatalRunAfterAGoodOneKeepsTheGoodResults) {
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    const WormGearRecord good = wormGear;
    wormGear.alpha0 = 45;
    RunCalculation();
    EXPECT_TRUE(fatalFlag);
    wormGear.alpha0 = good.alpha0;
    EXPECT_TRUE(wormGear == good);
}

// A ZI worm its equivalent cylindrical gear rejects: that stage ends
// the run fatal, its messages stay, and the data set is as before the run.
TEST_F(WormGeometryTest, FatalEquivalentCylindricalGearLeavesTheRecordsAsTheyWere) {
    gearPair.z[1] = 6;
    wormGear.dm1a = 0.25L;
    wormGear.haStar[1] = -1;  // no contact ratio left for the equivalent gear
    const GearPairRecord gp = gearPair;
    const WormGearRecord wg = wormGear;
    const CylGearRecord cg = cylGear;
    RunCalculation();
    ASSERT_TRUE(fatalFlag) << Messages();
    bool fatalMessage = false;
    for (int i = 1; i <= messageList.count; ++i)
        fatalMessage = fatalMessage || messageList.slot[i].rfind("Fatal  : ", 0) == 0;
    EXPECT_TRUE(fatalMessage) << Messages();
    EXPECT_TRUE(gearPair == gp);
    EXPECT_TRUE(wormGear == wg);
    EXPECT_TRUE(cylGear == cg);
}

TEST_F(WormGeometryTest, PressureAngleLimitsAreInclusive) {
    for (Real alpha : {10.0L, 30.0L}) {
        ResetGearData();
        wormGear.alpha0 = alpha;
        RunCalculation();
        EXPECT_FALSE(fatalFlag) << Messages();
        EXPECT_FALSE(HasMessage("Warnung: alpha !"));
    }
}

TEST_F(WormGeometryTest, WholeRatioWarnsOnlyForMultiThreadWorms) {
    struct Case {
        std::int32_t z1, z2;
        bool hide;
        bool expected;
    };
    for (Case c : {Case{1, 10, false, false}, Case{2, 20, false, true}, Case{2, 20, true, false},
                   Case{3, 29, false, false}}) {
        ResetGearData();
        hideWarningsFlag = c.hide;
        gearPair.z = {{c.z1, c.z2}};
        wormGear.flankForm = kFlankZN;
        RunCalculation();
        EXPECT_EQ(HasMessage("Übersetzungsverhältnis !"_cp850), c.expected) << c.z1 << "/" << c.z2;
    }
    hideWarningsFlag = false;
}

TEST_F(WormGeometryTest, DiameterQuotientAndShiftWarnings) {
    struct Case {
        Real dm1a;
        std::uint16_t form;
        Real x2;
        const char* expected;  // nullptr: no warning of these
    };
    const Case cases[] = {
        {0.5L, kFlankZN, 0, nullptr},
        {0.25L, kFlankZN, 0, nullptr},
        {0.51L, kFlankZN, 0, "Warnung: dm1/a > 0.5 !"},
        {0.24L, kFlankZN, 0, "Warnung: dm1/a < 0.25 !"},
        {0.33L, kFlankZI, -0.6L, "Warnung: ZI: x < -0.5 !"},
        {0.33L, kFlankZI, 0.6L, "Warnung: ZI: x > 0.5 !"},
        {0.33L, kFlankZH, -0.1L, "Warnung: ZH: x < 0 !"},
        {0.33L, kFlankZH, 1.1L, "Warnung: ZH: x > 1 !"},
        {0.33L, kFlankZN, 1.1L, nullptr},
    };
    for (const Case& c : cases) {
        ResetGearData();
        wormGear.a = 160;
        wormGear.dm1a = c.dm1a;
        wormGear.flankForm = c.form;
        wormGear.x[2] = c.x2;
        RunCalculation();
        bool any = false;
        for (int i = 1; i <= messageList.count; ++i)
            any = any || messageList.slot[i].rfind("Warnung: dm1/a", 0) == 0 ||
                  messageList.slot[i].rfind("Warnung: ZI:", 0) == 0 ||
                  messageList.slot[i].rfind("Warnung: ZH:", 0) == 0;
        if (c.expected)
            EXPECT_TRUE(HasMessage(c.expected)) << c.expected << "\n" << Messages();
        else
            EXPECT_FALSE(any) << Messages();
    }
}

TEST_F(WormGeometryTest, OutsideDiameterOfTheWheelByRimCode) {
    struct Case {
        std::int32_t code;
        Real moduleFactor;  // de2 = da2 + factor mx
    };
    for (Case c : {Case{0, 1}, Case{1, 1}, Case{3, 2}}) {
        ResetGearData();
        wormGear.wheelRimCode = c.code;
        wormGear.de2 = 999;  // only code 2 takes the entered value
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Messages();
        EXPECT_EQ(wormGear.de2, wormGear.da[2] + c.moduleFactor * wormGear.mx) << c.code;
    }
}

TEST_F(WormGeometryTest, EnteredOutsideDiameterStaysAndZeroGivesTheGuardedRoot) {
    wormGear.wheelRimCode = 2;
    wormGear.de2 = 150;
    RunCalculation();
    EXPECT_EQ(wormGear.de2, 150);
    // 2a - de2 = 10 mm cuts the worm's mean circle.
    EXPECT_NEAR(static_cast<double>(wormGear.dwCut),
                static_cast<double>(std::sqrt(wormGear.dm[1] * wormGear.dm[1] - 100)), 1e-12);

    // An outside radius that reaches the worm's axis leaves the whole mean diameter.
    ResetGearData();
    wormGear.wheelRimCode = 2;
    wormGear.de2 = 160;
    RunCalculation();
    EXPECT_EQ(wormGear.dwCut, wormGear.dm[1]);

    ResetGearData();
    wormGear.wheelRimCode = 2;
    wormGear.de2 = 0;
    RunCalculation();
    EXPECT_EQ(wormGear.de2, 0);
    EXPECT_EQ(wormGear.dwCut, 0);
    EXPECT_TRUE(HasMessage("Fehler : dw cut (sqrt)")) << Messages();
    EXPECT_FALSE(fatalFlag);
}

TEST_F(WormGeometryTest, MeshErrorsAreReportedWithoutStopping) {
    wormGear.b[2] = 50;  // wider than the worm's tip diameter
    RunCalculation();
    EXPECT_FALSE(fatalFlag);
    EXPECT_TRUE(HasMessage("Fehler : b2 > da1 !")) << Messages();

    ResetGearData();
    wormGear.haStar[2] = 2.5L;  // the wheel's tip runs into the worm's root
    RunCalculation();
    EXPECT_FALSE(fatalFlag);
    EXPECT_TRUE(HasMessage("Fehler : da2-df1 Collision !")) << Messages();

    ResetGearData();
    gearPair.z[1] = 6;
    wormGear.flankForm = kFlankZN;  // too steep for the equivalent cylindrical gear of ZI
    wormGear.dm1a = 0.25L;
    wormGear.haStar[1] = -1;  // a steep worm whose tip lies inside its base circle
    RunCalculation();
    EXPECT_LT(wormGear.da[1], wormGear.db[1]) << Messages();
    EXPECT_TRUE(HasMessage("Fehler : db > da  (1)")) << Messages();
    EXPECT_TRUE(std::isfinite(static_cast<double>(wormGear.gAlpha[1])));

    ResetGearData();
    wormGear.haStar[1] = 3;  // the worm's tip leaves no room for the wheel's base circle
    RunCalculation();
    const Real room = 2 * wormGear.a - wormGear.da[1];
    EXPECT_TRUE(HasMessage("Fehler : db2 > 2a-da1 ! (" + FormatLength(wormGear.db[2]) + ">" +
                           FormatLength(room) + ")"))
        << Messages();
    EXPECT_FALSE(fatalFlag);
}

TEST_F(WormGeometryTest, BoreChecksOnlyForAWormWithABore) {
    RunCalculation();
    const Real df1 = wormGear.df[1], df2 = wormGear.df[2];
    wormGear.bore = {{df1, df2}};  // equal: fits
    RunCalculation();
    EXPECT_FALSE(HasMessage("Fehler : df < dBore ! (1)"));
    EXPECT_FALSE(HasMessage("Fehler : df < dBore ! (2)"));
    wormGear.bore = {{df1 + 1, df2 + 1}};
    RunCalculation();
    EXPECT_TRUE(HasMessage("Fehler : df < dBore ! (1)"));
    EXPECT_TRUE(HasMessage("Fehler : df < dBore ! (2)"));
    wormGear.shaftEndCode = 1;
    RunCalculation();
    EXPECT_FALSE(HasMessage("Fehler : df < dBore ! (1)"));
    EXPECT_FALSE(HasMessage("Fehler : df < dBore ! (2)"));
}

TEST_F(WormGeometryTest, WormLengthByShaftEnd) {
    wormGear.lw = 40;
    for (int code : {0, 1, 2, 7}) {
        wormGear.shaftEndCode = code;
        RunCalculation();
        const Real expected = code == 1 ? 103 : code == 2 ? 143 : 63;
        EXPECT_EQ(wormGear.L[1], expected) << code;
        EXPECT_EQ(wormGear.L[2], wormGear.b[2] + wormGear.c[1]);
    }
}

TEST_F(WormGeometryTest, IterationDrivesWithTheNominalPowerOverTheEfficiency) {
    wormGear.P = 2.5L;
    IterateCalculation();
    ASSERT_FALSE(fatalFlag) << Messages();
    ASSERT_GT(wormGear.eta, 0);
    // The driving powers settle where their outputs meet the nominal power,
    // after Niemann and per DIN 3996 edition.
    EXPECT_NEAR(static_cast<double>(gearPair.P * wormGear.eta), 2.5, 1e-3);
    for (int e = 1; e <= 2; ++e) {
        ASSERT_GT(wormGear.etaDin[e], 0) << e;
        EXPECT_NEAR(static_cast<double>(wormGear.PDin[e] * wormGear.etaDin[e]), 2.5, 1e-3) << e;
    }
}

// A self-locking set driven by the wheel has no output and so no efficiency:
// the nominal power keeps driving.
TEST_F(WormGeometryTest, IterationWithoutEfficiencyKeepsTheNominalPower) {
    wormGear.P = 2.5L;
    wormGear.driver = 2;
    wormGear.mueZ = 1;  // friction angle 45° above the lead angle
    wormGear.din3996Switch = 0;
    IterateCalculation();
    ASSERT_FALSE(fatalFlag) << Messages();
    EXPECT_EQ(wormGear.eta, 0);
    EXPECT_TRUE(HasMessage("Fatal  : Pv > P !")) << Messages();
    EXPECT_EQ(gearPair.P, 2.5L);
    EXPECT_EQ(wormGear.PDin[1], 2.5L);
    EXPECT_EQ(wormGear.PDin[2], 2.5L);
}

}  // namespace
}  // namespace veldrim
