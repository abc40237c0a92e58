// Plausibility checks: a sound pair gives no message; each crafted change of
// it gives exactly its own message(s), in order; hidden warnings stay away
// while the errors stay.

#include "calc/cyl_checks.h"

#include <gtest/gtest.h>

#include <functional>

#include "calc/cyl_geometry.h"
#include "calc/cyl_record.h"
#include "calc/measure_tables.h"
#include "cyl_test_support.h"
#include "foundation/formatting.h"

namespace veldrim {
namespace {

using cyltest::CylTest;
using cyltest::LoadPair;
using cyltest::Messages;
using Strings = std::vector<std::string>;

// A sound helical pair after a complete calculation, messages cleared.
void SoundPair() {
    LoadPair({.mn = 2, .beta = 12, .z1 = 21, .z2 = 50, .x1 = 0.2L, .x2 = -0.2L, .b = 40});
    cylGear.centreToleranceField = 4;
    for (int i = 1; i <= 2; ++i) {
        cylGear.Asne[i] = -0.05L;
        cylGear.Asni[i] = -0.09L;
        cylGear.ballDiameter[i] = 3.5L;
        cylGear.kmn[i] = 0.4L;  // keeps the tips off the mating root form circles
    }
    CalcCylGear();
    ClearMessages();
}

struct CheckCase {
    const char* name;
    std::function<void(CylGearRecord&)> change;
    Strings shown;   // hide-warnings flag clear
    Strings hidden;  // hide-warnings flag set
};

TEST_F(CylTest, SoundPairPassesEveryCheck) {
    SoundPair();
    ASSERT_FALSE(fatalFlag);
    CylPlausibilityChecks();
    EXPECT_EQ(Messages(), Strings{});
}

TEST_F(CylTest, EachCheckGivesItsOwnMessage) {
    const CheckCase cases[] = {
        {"pointed",
         [](CylGearRecord& g) { g.sat[2] = 0.29L; },
         {"Warnung: Spitzzahn ! (2)"},
         {"Warnung: Spitzzahn ! (2)"}},
        {"pointedNormal",
         [](CylGearRecord& g) { g.san[1] = 0.3L; },
         {"Warnung: Spitzzahn ! (1)"},
         {"Warnung: Spitzzahn ! (1)"}},
        {"undercut",
         [](CylGearRecord& g) { g.xMin[1] = 0.21L; },
         {"Warnung: Unterschnitt ! (1)"},
         {}},
        {"formCircle",
         [](CylGearRecord& g) { g.cToFormCircle[2] = -0.25L; },
         {"Warnung: cffmin < 0 ! (" + FormatLength(-0.25L) + ")"},
         {}},
        {"tipClearance",
         [](CylGearRecord& g) { g.c[1] = -0.01L; },
         {"Fehler : Zahnspiel < 0 ! (1)"},
         {"Fehler : Zahnspiel < 0 ! (1)"}},
        {"smallTipClearance",
         [](CylGearRecord& g) { g.c[2] = 0.2L; },
         {"Warnung: Zahnspiel < 0.12mn ! (2)"},
         {}},
        {"epsAlpha",
         [](CylGearRecord& g) { g.epsAlpha = 0.99L; },
         {"eps.alpha < 1 !"},
         {"eps.alpha < 1 !"}},
        {"epsBeta", [](CylGearRecord& g) { g.epsBeta = 0.99L; }, {"eps.beta < 1 !"}, {}},
        {"epsBetaSpur",
         [](CylGearRecord& g) {
             g.epsBeta = 0.5L;
             g.beta = -12;  // only a positive helix angle is checked
             g.WkLower[1] = 1000;
         },
         {},
         {}},
        {"epsGamma",
         [](CylGearRecord& g) { g.epsGamma = 0.99L; },
         {"eps.gamma < 1 !"},
         {"eps.gamma < 1 !"}},
        {"x1.5",
         [](CylGearRecord& g) {
             g.x[1] = 1.5L;
             g.xMin[1] = 0;
         },
         {},
         {}},
        {"x1.5001",
         [](CylGearRecord& g) { g.x[2] = -1.5001L; },
         {"Warnung: x > 1.5   (2) !"},
         {"Warnung: x > 1.5   (2) !"}},
        {"protuberanceAngle",
         [](CylGearRecord& g) { g.alphaPrP0[1] = 21; },
         {"alfa prP0 > alfa !"},
         {"alfa prP0 > alfa !"}},
        {"toolAngle",
         [](CylGearRecord& g) { g.alphaP0[2] = 19; },
         {"alfa kP0 < alfa !"},
         {"alfa kP0 < alfa !"}},
        {"teethSpanned",
         [](CylGearRecord& g) { g.teethSpanned[2] = 20; },
         {"Warnung: k measure  W 2 !"},
         {"Warnung: k measure  W 2 !"}},
        {"faceWidth",
         [](CylGearRecord& g) { g.WkLower[1] = 200; },
         {"Warnung: b < b min. (1)"},
         {}},
        {"allowanceAgainstCentre",
         [](CylGearRecord& g) { g.Asne[2] = -0.0001L; },
         {"Warnung: Asne < Aau !  (2)"},
         {}},
        {"backlash",
         [](CylGearRecord& g) { g.jtMin = -0.001L; },
         {"Warnung: jtmin < 0 !"},
         {"Warnung: jtmin < 0 !"}},
        {"smallDiameter",
         [](CylGearRecord& g) {
             g.d[1] = 1.9L;
             g.toleranceSeries[1] = 5;
         },
         {"Warnung: Tsn DIN d<2 !"},
         {"Warnung: Tsn DIN d<2 !"}},
        {"thicknessTolerance",
         [](CylGearRecord& g) { g.snMin[1] = g.sn[1] * 0.7L; },
         {"Warnung: Tol. Asne,Asni!"},
         {"Warnung: Tol. Asne,Asni!"}},
        {"strengthMethod",
         [](CylGearRecord& g) { g.toleranceStandard = 2; },
         {"Warnung: ISO 6336 -> ISO 1328"},
         {}},
        {"lowerAllowance",
         [](CylGearRecord& g) { g.Asni[1] = -2.01L; },
         {"Fatal  : Asni > mn ! (1)"},
         {"Fatal  : Asni > mn ! (1)"}},
        {"roughing",
         [](CylGearRecord& g) { g.xPreUpper[2] = g.xPreLower[2] - 0.01L; },
         {"Fehler : xemin>xemax (2)"},
         {"Fehler : xemin>xemax (2)"}},
        {"rootAboveWorking",
         [](CylGearRecord& g) { g.dw[1] = g.df[1] - 0.01L; },
         {"Fehler : dw < df ! (1)"},
         {"Fehler : dw < df ! (1)"}},
        {"tipBelowWorking",
         [](CylGearRecord& g) { g.da[2] = g.dw[2] - 0.01L; },
         {"Fehler : dw > da ! (2)"},
         {"Fehler : dw > da ! (2)"}},
        {"gearNarrower",
         [](CylGearRecord& g) { g.bGear[2] = 39; },
         {"Warnung: beff > b ! (2)"},
         {"Warnung: beff > b ! (2)"}},
        {"internalShift",
         [](CylGearRecord& g) {
             gearPair.z[2] = -50;
             g.x[2] = 0.06L;
             g.xMin[2] = 5;  // undercut is not checked for an internal gear
             g.teethSpanned[2] = TeethSpanned(g.mn, g.xee[2], g.alphaNRad, g.betaRad, -50);
         },
         {"Warnung: x2 > 0"},
         {}},
    };
    for (const CheckCase& c : cases) {
        for (bool hide : {false, true}) {
            ResetCylGearRecord();
            ResetGearData();
            SoundPair();
            c.change(cylGear);
            hideWarningsFlag = hide;
            CylPlausibilityChecks();
            EXPECT_EQ(Messages(), hide ? c.hidden : c.shown) << c.name << (hide ? " hidden" : "");
            hideWarningsFlag = false;
            EXPECT_FALSE(fatalFlag) << c.name;
        }
    }
}

TEST_F(CylTest, BallMeasurementIsChecked) {
    const std::string ball = FormatLength(3.5L) + LengthUnit();
    SoundPair();
    cylGear.MdKLower[2] = cylGear.df[2];  // the ball would sit below the root
    CylPlausibilityChecks();
    EXPECT_EQ(Messages(), Strings{"Fehler : Dm ball !  (" + ball + ")"});
    ClearMessages();
    SoundPair();
    cylGear.MdKLower[2] = cylGear.df[2] + 3.0L + 3.5L;
    CylPlausibilityChecks();
    EXPECT_EQ(Messages(), Strings{"Warnung: Dm ball   (" + ball + ")"});
}

TEST_F(CylTest, ChecksRepairCarriedValuesAndDensity) {
    SoundPair();
    cylGear.carried.perGearA[1] = 0;
    cylGear.carried.perGearB[2] = 0;
    gearPair.rho[2] = 0;
    CylPlausibilityChecks();
    EXPECT_EQ(cylGear.carried.perGearA[1], 1.0L);
    EXPECT_EQ(cylGear.carried.perGearB[2], 1.0L);
    EXPECT_EQ(cylGear.carried.perGearA[2], 5.0L);
    EXPECT_EQ(gearPair.rho[2], 7.8L);
}

TEST_F(CylTest, SeveralFindingsKeepTheirOrder) {
    SoundPair();
    cylGear.c[2] = -1;
    cylGear.epsAlpha = 0.5L;
    cylGear.x[1] = 2;
    cylGear.bGear[1] = 4;
    CylPlausibilityChecks();
    EXPECT_EQ(Messages(), (Strings{"Fehler : Zahnspiel < 0 ! (2)", "eps.alpha < 1 !",
                                   "Warnung: x > 1.5   (1) !", "Warnung: b < b min. (1)",
                                   "Warnung: beff > b ! (1)"}));
}

}  // namespace
}  // namespace veldrim
