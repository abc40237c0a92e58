// The bridge from the worm set to its equivalent cylindrical pair, and one
// crafted record per plausibility message of that pair.

#include "calc/cylindrical/cyl_bridge.h"

#include <cmath>
#include <functional>

#include "calc/cylindrical/cyl_checks.h"
#include "calc/cylindrical/cyl_geometry.h"
#include "calc/measure_tables.h"
#include "calc/worm_geometry.h"
#include "calc/calc_test_support.h"
#include "foundation/formatting.h"

namespace veldrim::calctest {
namespace {

class CylBridgeTest : public CalcTest {
protected:
    // The default worm set with its geometry computed.
    static void DefaultWormGeometry() {
        CalcWormGeometry();
        ASSERT_FALSE(fatalFlag);
        ClearMessages();
    }
    // One bridge run and calculation.
    static std::pair<CylGearRecord, Strings> BridgeRun(int mode) {
        ClearMessages();
        WormToCylGear(mode, 0);
        RunCylGearCalculation();
        CylGearToWorm();
        return {cylGear, Messages()};
    }
};

TEST_F(CylBridgeTest, BridgeCopiesTheWormSetAndResetsLeftovers) {
    DefaultWormGeometry();
    wormGear.b = {{63, 28.5L}};
    wormGear.measurementInput[2] = 7.5L;
    cylGear.a = 123;              // left by an earlier pair
    cylGear.teethSpanned[1] = 9;  // likewise
    WormToCylGear(1, 0);
    const CylGearRecord& g = cylGear;
    const WormGearRecord& w = wormGear;
    EXPECT_NEAR(g.beta, RadToDeg(w.gammaM), 1e-15L);
    EXPECT_EQ(gearPair.z[1], -5000);
    EXPECT_EQ(g.a, 0);
    EXPECT_EQ(g.teethSpanned[1], 0);
    EXPECT_EQ(g.b, 28.5L);
    EXPECT_EQ(g.ballDiameter[2], 7.5L);  // the smaller face width
    for (int i = 1; i <= 2; ++i)         // the tool is the mating gear
        EXPECT_NEAR(g.hfP0Factor[i], w.haStar[i] / std::cos(w.gammaM), 1e-15L);
    CylGearToWorm();
    EXPECT_EQ(gearPair.z[1], wormGear.keptThreadCount);
    // Mode 2: the complement of the lead angle; another mode leaves helix and
    // teeth and still copies the gears.
    WormToCylGear(2, 0);
    EXPECT_NEAR(cylGear.beta, RadToDeg(wormGear.summa) - RadToDeg(wormGear.gammaM), 1e-15L);
    cylGear.beta = 7;
    gearPair.z[1] = 5;
    wormGear.x[2] = 0.25L;
    WormToCylGear(9, 0);
    EXPECT_EQ(cylGear.beta, 7);
    EXPECT_EQ(gearPair.z[1], 5);
    EXPECT_EQ(cylGear.x[2], 0.25L);
}

// The default ZI set runs without a fatal message; runs repeat exactly, also
// with bridge mode 2 in between.
TEST_F(CylBridgeTest, DefaultZiDataSetRunsWithoutFatalMessageAndStably) {
    ASSERT_TRUE(IsFlankFormZI());
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    const CylGearRecord cyl = cylGear;
    const WormGearRecord worm = wormGear;
    const Strings messages = Messages();
    EXPECT_GT(cyl.epsAlpha, 1);
    RunCalculation();
    EXPECT_EQ(cylGear, cyl);
    EXPECT_EQ(wormGear, worm);
    EXPECT_EQ(Messages(), messages);
    cylGear.centreToleranceField = 4;  // the centre tolerance is taken at a
    const auto first = BridgeRun(1);
    ASSERT_FALSE(fatalFlag) << Log();
    BridgeRun(2);
    const auto third = BridgeRun(1);
    EXPECT_EQ(first.first, third.first);
    EXPECT_EQ(first.second, third.second);
    EXPECT_LT(first.first.a, 0);  // the near-rack's working centre distance is its own
}

TEST_F(CylBridgeTest, ExportScalingWorksOnACopyAndNeverDrifts) {
    DefaultWormGeometry();
    wormGear.rfStar[1] = 0.3L;
    const WormGearRecord before = wormGear;
    const Real ratio = wormGear.mn / wormGear.mx;
    for (int k = 0; k < 3; ++k) ScaleDiametersForExport();  // even a repeated export
    EXPECT_NEAR(wormGear.haStar[1], before.haStar[1] * ratio, 1e-15L);
    EXPECT_NEAR(wormGear.rfStar[1], before.rfStar[1] * ratio, 1e-15L);
    ScaleDiametersForImport();
    EXPECT_EQ(wormGear, before);
    wormGear.mn = 0;  // zero factors are written, the live ones kept
    ScaleDiametersForExport();
    EXPECT_EQ(wormGear.hfStar[2], 0);
    ScaleDiametersForImport();
    EXPECT_EQ(wormGear.hfStar[2], before.hfStar[2]);
}

TEST_F(CylBridgeTest, EachCheckGivesItsOwnMessage) {
    struct CheckCase {
        std::function<void(CylGearRecord&)> change;
        Strings shown;  // hide-warnings flag clear
        bool hideable;  // with the flag set: nothing, else the same
    };
    const std::string ball = FormatLength(3.5L) + LengthUnit();
    const CheckCase cases[] = {
        {[](CylGearRecord&) {}, {}, false},
        {[](CylGearRecord& g) { g.sat[2] = 0.29L; }, {"Warnung: Spitzzahn ! (2)"}, false},
        // On the limit 0.15 mn = 0.15 * 2 mm = 0.3 mm the tooth is pointed.
        {[](CylGearRecord& g) { g.sat[1] = 0.3L; }, {"Warnung: Spitzzahn ! (1)"}, false},
        {[](CylGearRecord& g) { g.san[2] = 0.3L; }, {"Warnung: Spitzzahn ! (2)"}, false},
        {[](CylGearRecord& g) { g.xMin[1] = 0.21L; }, {"Warnung: Unterschnitt ! (1)"}, true},
        {[](CylGearRecord& g) { g.cToFormCircle[2] = -0.25L; },
         {"Warnung: cffmin < 0 ! (" + FormatLength(-0.25L) + ")"},
         true},
        {[](CylGearRecord& g) { g.c[1] = -0.01L; }, {"Fehler : Zahnspiel < 0 ! (1)"}, false},
        {[](CylGearRecord& g) { g.c[2] = 0.2L; }, {"Warnung: Zahnspiel < 0.12mn ! (2)"}, true},
        {[](CylGearRecord& g) { g.epsAlpha = 0.99L; }, {"eps.alpha < 1 !"}, false},
        {[](CylGearRecord& g) { g.epsBeta = 0.99L; }, {"eps.beta < 1 !"}, true},
        {[](CylGearRecord& g) { g.epsBeta = 0.5L, g.beta = -12; }, {}, false},  // only beta > 0
        // A spur gear gets neither the eps.beta nor the face width warning.
        {[](CylGearRecord& g) { g.epsBeta = 0.5L, g.beta = 0, g.WkLower[1] = 200; }, {}, false},
        {[](CylGearRecord& g) { g.epsGamma = 0.99L; }, {"eps.gamma < 1 !"}, false},
        {[](CylGearRecord& g) { g.x[2] = -1.5001L; }, {"Warnung: x > 1.5   (2) !"}, false},
        {[](CylGearRecord& g) { g.alphaPrP0[1] = 21; }, {"alfa prP0 > alfa !"}, false},
        {[](CylGearRecord& g) { g.alphaP0[2] = 19; }, {"alfa kP0 < alfa !"}, false},
        {[](CylGearRecord& g) { g.teethSpanned[2] = 20; }, {"Warnung: k measure  W 2 !"}, false},
        {[](CylGearRecord& g) { g.WkLower[1] = 200; }, {"Warnung: b < b min. (1)"}, true},
        {[](CylGearRecord& g) { g.Asne[2] = -0.0001L; }, {"Warnung: Asne < Aau !  (2)"}, true},
        // Aai = -0.1 mm: the limit is 2 * -0.1 * tan 20 deg = -0.0728 mm; Asne
        // -0.05 lies above it, -0.08 below.
        {[](CylGearRecord& g) { g.Aai = -0.1L, g.Asne[1] = -0.08L, g.Asne[2] = -0.05L; },
         {"Warnung: Asne < Aau !  (2)"},
         true},
        {[](CylGearRecord& g) { g.jtMin = -0.001L; }, {"Warnung: jtmin < 0 !"}, false},
        {[](CylGearRecord& g) { g.d[1] = 1.9L, g.toleranceSeries[1] = 5; },
         {"Warnung: Tsn DIN d<2 !"},
         false},
        {[](CylGearRecord& g) { g.d[1] = 1.9L, g.toleranceSeries[1] = 11; }, {}, false},
        {[](CylGearRecord& g) { g.snMin[1] = g.sn[1] * 0.7L; },
         {"Warnung: Tol. Asne,Asni!"},
         false},
        // sn = 1.26 snMin deviates by 26 %, sn = 1.24 snMin by 24 %.
        {[](CylGearRecord& g) { g.snMin[1] = g.sn[1] / 1.26L, g.snMin[2] = g.sn[2] / 1.24L; },
         {"Warnung: Tol. Asne,Asni!"},
         false},
        {[](CylGearRecord& g) { g.toleranceStandard = 2; },
         {"Warnung: ISO 6336 -> ISO 1328"},
         true},
        {[](CylGearRecord& g) { g.Asni[1] = -2.01L; }, {"Fatal  : Asni > mn ! (1)"}, false},
        {[](CylGearRecord& g) { g.xPreUpper[2] = g.xPreLower[2] - 0.01L; },
         {"Fehler : xemin>xemax (2)"},
         false},
        {[](CylGearRecord& g) { g.dw[1] = g.df[1] - 0.01L; }, {"Fehler : dw < df ! (1)"}, false},
        {[](CylGearRecord& g) { g.da[2] = g.dw[2] - 0.01L; }, {"Fehler : dw > da ! (2)"}, false},
        {[](CylGearRecord& g) { g.bGear[2] = 39; }, {"Warnung: beff > b ! (2)"}, false},
        {[](CylGearRecord& g) { g.MdKLower[2] = g.df[2]; },
         {"Fehler : Dm ball !  (" + ball + ")"},
         false},
        {[](CylGearRecord& g) { g.MdKLower[2] = g.df[2] + 6.5L; },
         {"Warnung: Dm ball   (" + ball + ")"},
         false},
        {[](CylGearRecord& g) {
             gearPair.z[2] = -50;
             g.x[2] = 0.06L;
             g.xMin[2] = 5;  // undercut is not checked for an internal gear
             g.teethSpanned[2] = TeethSpanned(g.mn, g.xee[2], g.alphaNRad, g.betaRad, -50);
         },
         {"Warnung: x2 > 0"},
         true},
        // Several findings keep their order.
        {[](CylGearRecord& g) { g.c[2] = -1, g.epsAlpha = 0.5L, g.x[1] = 2, g.bGear[1] = 4; },
         {"Fehler : Zahnspiel < 0 ! (2)", "eps.alpha < 1 !", "Warnung: x > 1.5   (1) !",
          "Warnung: b < b min. (1)", "Warnung: beff > b ! (1)"},
         false},
    };
    int index = 0;
    for (const CheckCase& c : cases) {
        for (bool hide : {false, true}) {
            if (hide && c.shown.size() > 1) continue;  // the order case: shown only
            ResetAll();
            SoundPair();
            c.change(cylGear);
            hideWarningsFlag = hide;
            CylPlausibilityChecks();
            EXPECT_EQ(Messages(), hide && c.hideable ? Strings{} : c.shown)
                << index << (hide ? " hidden" : "");
            EXPECT_FALSE(fatalFlag) << index;
        }
        ++index;
    }
}

// A density of 0 becomes steel's 7.8 kg/dm3 and a carried per-gear value of 0
// of the sibling set becomes 1; values other than 0 stay.
TEST_F(CylBridgeTest, ZeroDensityAndCarriedValuesAreRepaired) {
    SoundPair();
    gearPair.rho = {{0, 8.8L}};
    cylGear.carried.perGearA = {{5, 0}};
    cylGear.carried.perGearB = {{0, 5}};
    CylPlausibilityChecks();
    EXPECT_EQ(gearPair.rho[1], 7.8L);
    EXPECT_EQ(gearPair.rho[2], 8.8L);
    EXPECT_EQ(cylGear.carried.perGearA[2], 1);
    EXPECT_EQ(cylGear.carried.perGearB[1], 1);
    EXPECT_EQ(cylGear.carried.perGearB[2], 5);
}

}  // namespace
}  // namespace veldrim::calctest
