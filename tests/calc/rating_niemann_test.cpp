// Rating after Niemann: the power balance over drivers, friction and
// operating data, the self-locking set, the fatal inputs that leave the data
// set untouched, the per-gear warnings and the contact modulus.

#include "calc/rating_niemann.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "calc/worm_rating.h"
#include "foundation/guarded_math.h"
#include "rating_test_support.h"

namespace veldrim {
namespace {

using ratingtest::RatingTest;

class NiemannRatingTest : public RatingTest {};

TEST_F(NiemannRatingTest, SteelOnSteelContactModulus) {
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Messages();
    EXPECT_NEAR(wormGear.ZE, 189.8L, 0.05L);
}

// P = P1 eta z - PV0 - PVLP and eta = P / P1 after every run that is not
// self-locking, whatever drives and however the set runs.
TEST_F(NiemannRatingTest, PowerBalanceHoldsAfterEveryRun) {
    struct Case {
        int driver;
        Real mueZ, P1, n1, PV0Percent, v50, a;
    };
    const Case cases[] = {
        {1, 0.1L, 3.778L, 750, 100, 150, 80},   {1, 0.02L, 10, 1500, 100, 150, 80},
        {1, 0.3L, 0.5L, 100, 50, 460, 125},     {2, 0.05L, 3.778L, 750, 100, 150, 80},
        {2, 0.2L, 20, 3000, 200, 68, 200},      {1, 0.0L, 3.778L, 750, 0, 150, 80},
    };
    for (const Case& c : cases) {
        ResetAll();
        wormGear.driver = static_cast<std::uint16_t>(c.driver);
        wormGear.mueZ = c.mueZ;
        gearPair.P = c.P1;
        gearPair.n[1] = c.n1;
        wormGear.PV0Percent = c.PV0Percent;
        wormGear.v50 = c.v50;
        wormGear.a = c.a;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Messages();
        const WormGearRecord& w = wormGear;
        ASSERT_GT(w.P, 0) << c.driver << " " << c.mueZ;
        EXPECT_NEAR(w.P, c.P1 * w.etaZ - w.PV0 - w.PVLP, 1E-15L * c.P1);
        EXPECT_NEAR(w.eta, w.P / c.P1, 1E-15L);
        EXPECT_NEAR(w.PVz, (1 - w.etaZ) * c.P1, 1E-15L * c.P1);
        EXPECT_NEAR(w.PVLP, 0.01L * c.P1, 1E-15L * c.P1);
        // Torques carry the powers at their speeds.
        EXPECT_NEAR(gearPair.T[1] * gearPair.n[1] * 2 * kPi / 60000, c.P1, 1E-12L * c.P1);
        EXPECT_NEAR(gearPair.T[2] * gearPair.n[2] * 2 * kPi / 60000, w.P, 1E-12L * c.P1);
        EXPECT_NEAR(gearPair.n[2] * w.u, c.n1, 1E-12L * c.n1);
    }
}

TEST_F(NiemannRatingTest, GearEfficiencyFallsWithFrictionAndIsLowerWithTheWheelDriving) {
    Real last = 2;
    for (Real mue : {0.0L, 0.02L, 0.05L, 0.1L, 0.2L}) {
        ResetAll();
        wormGear.mueZ = mue;
        RunCalculation();
        const Real wormDriving = wormGear.etaZ;
        wormGear.driver = 2;
        RunCalculation();
        const Real wheelDriving = wormGear.etaZ;
        if (mue == 0) {
            EXPECT_NEAR(wormDriving, 1, 1E-15L);
            EXPECT_NEAR(wheelDriving, 1, 1E-15L);
        } else {
            EXPECT_LT(wormDriving, last);
            EXPECT_LT(wheelDriving, wormDriving);
        }
        last = wormDriving;
    }
}

TEST_F(NiemannRatingTest, SelfLockingSetWithTheWheelDrivingGivesNoOutput) {
    wormGear.driver = 2;
    wormGear.mueZ = 0.6L;  // friction angle 31 degrees above the lead angle of 27.6
    RunCalculation();
    EXPECT_FALSE(fatalFlag) << "the output is held at 0, the calculation goes on";
    EXPECT_LT(wormGear.etaZ, 0);
    EXPECT_EQ(wormGear.P, 0);
    EXPECT_EQ(wormGear.eta, 0);
    EXPECT_EQ(gearPair.T[2], 0);
    EXPECT_TRUE(HasMessage("Fatal  : Pv > P !")) << Messages();
    EXPECT_TRUE(HasMessage("Fehler : T2 = 0 !")) << Messages();
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(gearPair.SH[i], 0);
        EXPECT_EQ(gearPair.SF[i], 0);
        EXPECT_EQ(gearPair.LtH[i], 0);
    }
}

// A fatal input ends the run with the fatal flag; the calculation puts the
// data set back as it was, so no result of the rating appears.
TEST_F(NiemannRatingTest, FatalInputsStopTheRating) {
    struct Case {
        const char* what;
        void (*set)();
        const char* message;
    };
    const Case cases[] = {
        {"P1 0", [] { gearPair.P = 0; }, "Fatal  : P0 = 0 !"},
        {"P1 negative", [] { gearPair.P = -1; }, "Fatal  : P0 = 0 !"},
        {"P DIN 1998 0", [] { wormGear.PDin[1] = 0; }, "Fatal  : P0 = 0 !"},
        {"P DIN 2012 0, switch off",
         [] {
             wormGear.PDin[2] = 0;
             wormGear.din3996Switch = 0;
         },
         "Fatal  : P0 = 0 !"},
        {"E1 0", [] { gearPair.E[1] = 0; }, "Fatal  : E1 = 0 !"},
        {"E2 0", [] { gearPair.E[2] = 0; }, "Fatal  : E2 = 0 !"},
    };
    for (const Case& c : cases) {
        ResetAll();
        c.set();
        const GearPairRecord gp = gearPair;
        const WormGearRecord wg = wormGear;
        RunCalculation();
        EXPECT_TRUE(fatalFlag) << c.what;
        EXPECT_TRUE(HasMessage(c.message)) << c.what << "\n" << Messages();
        EXPECT_TRUE(gearPair == gp) << c.what;
        EXPECT_TRUE(wormGear == wg) << c.what;
    }
}

TEST_F(NiemannRatingTest, InputChecksThatOnlyReport) {
    RunCalculation();
    struct Case {
        const char* what;
        void (*set)();
        const char* message;
    };
    const Case cases[] = {
        {"z1", [] { gearPair.z[1] = 0; }, "Fehler : z1 <= 0 !"},
        {"z2", [] { gearPair.z[2] = -3; }, "Fehler : z2 <= 0 !"},
        {"v50", [] { wormGear.v50 = 0; }, "Fehler : visko = 0 !"},
    };
    const GearPairRecord gp = gearPair;
    const WormGearRecord wg = wormGear;
    for (const Case& c : cases) {
        gearPair = gp;
        wormGear = wg;
        ClearMessages();
        c.set();
        EXPECT_TRUE(CheckRatingInputs()) << c.what;
        EXPECT_FALSE(fatalFlag) << c.what;
        EXPECT_EQ(Messages(), std::string(c.message) + "\n") << c.what;
    }
}

TEST_F(NiemannRatingTest, MissingRequiredLifeBecomes25000Hours) {
    ASSERT_EQ(wormGear.LHmin, 0);
    RunCalculation();
    EXPECT_EQ(wormGear.LHmin, 25000);
    wormGear.LHmin = 8000;
    RunCalculation();
    EXPECT_EQ(wormGear.LHmin, 8000);
}

// Warnings name their gear; the width warning measures the deviation of the
// recommended width against the width in use.
TEST_F(NiemannRatingTest, WarningsPerGear) {
    RunCalculation();
    const Real bRec2 = wormGear.bRec[2];
    const Real bRec1 = wormGear.bRec[1];

    ResetAll();
    gearPair.sigHlim[1] = 150;  // the worm fails in pitting, the wheel does not
    gearPair.sigmaFE[2] = 30;   // the wheel fails at the root
    wormGear.b[1] = bRec1;
    wormGear.b[2] = 0.86L * bRec2;  // 16.3 % below b rec over b, 14 % over b rec
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Messages();
    EXPECT_TRUE(HasMessage("Warnung: SH<1  (1)")) << Messages();
    EXPECT_FALSE(HasMessage("Warnung: SH<1  (2)")) << Messages();
    EXPECT_TRUE(HasMessage("Warnung: SF<1  (2)")) << Messages();
    EXPECT_FALSE(HasMessage("Warnung: SF<1  (1)")) << Messages();
    EXPECT_TRUE(HasMessage("Warnung: Zahnbreite !  (2)")) << Messages();
    EXPECT_FALSE(HasMessage("Warnung: Zahnbreite !  (1)")) << Messages();

    ResetAll();
    wormGear.b[1] = bRec1;
    wormGear.b[2] = 0.88L * bRec2;  // 13.6 % over b
    RunCalculation();
    EXPECT_EQ(CountPrefix("Warnung: Zahnbreite"), 0) << Messages();
}

}  // namespace
}  // namespace veldrim
