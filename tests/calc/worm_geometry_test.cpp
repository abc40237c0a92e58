// Worm gear geometry and the calculation sequence, the design from the lead
// angle and the lubricant viscosity law.

#include "calc/worm_geometry.h"

#include <cmath>

#include "calc/design.h"
#include "calc/viscosity.h"
#include "calc_test_support.h"

namespace veldrim::calctest {
namespace {

class WormGeometryTest : public CalcTest {};

TEST_F(WormGeometryTest, Din3975IdentitiesOverFlankFormsAndShifts) {
    struct Variant {
        std::uint16_t flankForm;
        Real x1, x2, a;
        std::int32_t z1, z2;
    };
    const Variant variants[] = {
        {kFlankZI, 0, 0, 80, 3, 29},         {kFlankZA, 0, 0.5L, 125, 2, 41},
        {kFlankZK, 0.2L, -0.3L, 100, 1, 30}, {kFlankZN, 0, -0.4L, 63, 4, 37},
        {kFlankZH, 0, 0.7L, 160, 2, 51},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(testing::Message()
                     << "flank " << v.flankForm << " x2 " << static_cast<double>(v.x2));
        ResetAll();
        gearPair.z = {{v.z1, v.z2}};
        wormGear.flankForm = v.flankForm;
        wormGear.x = {{v.x1, v.x2}};
        wormGear.a = v.a;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Log();
        const WormGearRecord& w = wormGear;
        const double eps = 1e-12 * static_cast<double>(v.a);
        EXPECT_NEAR(std::tan(w.gammaM), v.z1 / w.q, 1e-15);
        EXPECT_NEAR(w.mn, w.mx * std::cos(w.gammaM), 1e-15);
        EXPECT_NEAR(w.dm[1] + w.dm[2], 2 * v.a, eps);
        EXPECT_NEAR(w.dm[2], w.d[2] + 2 * (v.x1 + v.x2) * w.mx, eps);
        EXPECT_NEAR(w.rK, v.a - w.da[2] / 2, eps);
        EXPECT_NEAR(std::tan(w.alphaX), std::tan(w.alphaN) / std::cos(w.gammaM), 1e-15);
        EXPECT_NEAR(v.flankForm == kFlankZA ? w.alphaX : w.alphaN, DegToRad(20), 1e-15);
    }
}

// A worked example from outside the program: the axial-module worm gear pair
// of the sheet "Worm Gear Formula-Master" (after Niemann and DIN,
// www.scribd.com/document/418425143): z1 2, z2 30, mx 3, pressure angle 20
// degrees, centre distance 67, worm mean diameter 44, no profile shift,
// addendum 1 mx, dedendum 1.25 mx. The sheet's values: normal module
// 2.97249050413290, ratio 15, lead 18.8495559215, diameter quotient (the
// sheet's "tooth profile factor") 14.6666666667, wheel diameter 90, lead
// angle 7.7651660184 degrees, tip diameters 50 and 96 (throat), wheel outside
// diameter 99, root diameters 36.5 and 82.5, throat radius 19.
TEST_F(WormGeometryTest, WorkedExampleOfAnAxialModulePair) {
    gearPair.z = {{2, 30}};
    wormGear.flankForm = kFlankZA;
    wormGear.alpha0 = 20;
    wormGear.a = 67;
    wormGear.dm1a = 44.0L / 67;
    wormGear.x = {{0, 0}};
    wormGear.haStar = {{1, 1}};
    wormGear.hfStar = {{1.25L, 1.25L}};
    wormGear.wheelRimCode = 1;  // outside diameter one module above the throat
    CalcWormGeometry();
    ASSERT_FALSE(fatalFlag) << Log();
    const WormGearRecord& w = wormGear;
    EXPECT_NEAR(w.mx, 3, 1e-12);
    EXPECT_NEAR(w.mn, 2.97249050413290, 1e-12);
    EXPECT_NEAR(w.u, 15, 1e-15);
    EXPECT_NEAR(w.pz[1], 18.8495559215, 1e-9);
    EXPECT_NEAR(w.q, 14.6666666667, 1e-9);
    EXPECT_NEAR(w.dm[1], 44, 1e-12);
    EXPECT_NEAR(w.dm[2], 90, 1e-12);
    EXPECT_NEAR(RadToDeg(w.gammaM), 7.7651660184, 1e-9);
    EXPECT_NEAR(w.da[1], 50, 1e-12);
    EXPECT_NEAR(w.da[2], 96, 1e-12);
    EXPECT_NEAR(w.de2, 99, 1e-12);
    EXPECT_NEAR(w.df[1], 36.5, 1e-12);
    EXPECT_NEAR(w.df[2], 82.5, 1e-12);
    EXPECT_NEAR(w.rK, 19, 1e-12);
}

TEST_F(WormGeometryTest, ZeroCentreDistanceFollowsFromTheModule) {
    for (std::uint16_t form : {kFlankZI, kFlankZN}) {
        ResetAll();
        wormGear.flankForm = form;
        wormGear.a = 0;
        wormGear.mx = 4;
        wormGear.x[2] = 0.5L;
        gearPair.z[2] = 40;
        RunCalculation();
        EXPECT_FALSE(fatalFlag) << Log();
        EXPECT_EQ(wormGear.mx, 4) << Log();
        EXPECT_NEAR(wormGear.a, 41 * 4 / (2 - 0.33), 1e-12);  // (2 (x1 + x2) + z2) mx / (2 - dm1/a)
    }
}

TEST_F(WormGeometryTest, FatalConditionsLeaveTheRecordsAsTheyWere) {
    struct Case {
        void (*set)();
        const char* message;
    };
    const Case cases[] = {
        {[] { gearPair.z[2] = 0; }, "Fatal  : z2 = 0 !"},
        {[] { wormGear.alpha0 = 9.99L; }, "Warnung: alpha !"},
        {[] { wormGear.alpha0 = 30.01L; }, "Warnung: alpha !"},
        {[] { wormGear.dm1a = 2; }, "Fatal  : dm1/a >= 2 !"},
        // Checked before a centre distance of 0 is derived from it.
        {[] { wormGear.dm1a = 2, wormGear.a = 0, wormGear.mx = 4; }, "Fatal  : dm1/a >= 2 !"},
        {[] { wormGear.a = 0, wormGear.mx = 0; }, "Fatal  : m <= 0 !"},  // and no module
        {[] {
             wormGear.x = {{0, -14.5L}};
         },
         "Fatal  : m <= 0 !"},  // x1 + x2 + z2/2 = 0
    };
    for (const Case& c : cases) {
        ResetAll();
        RunCalculation();  // good results first: a fatal run keeps them
        c.set();
        ExpectFatalUntouched(RunCalculation, c.message);
    }
    for (Real alpha : {10.0L, 30.0L}) {  // the alpha limits themselves are accepted
        ResetAll();
        wormGear.alpha0 = alpha;
        RunCalculation();
        EXPECT_FALSE(fatalFlag) << Log();
    }
}

// Profile shifts that leave no centre distance: z1 1, z2 4, x -1 and -1.5,
// mx 4, dm1/a 0.33 give, by hand, a = (2 (-2.5) + 4) 4 / (2 - 0.33)
// = -2.3952; with x2 -1 the sum is -z2/2 and a = 0. Either stops the
// calculation; a run keeps the records, the geometry alone stops at a.
TEST_F(WormGeometryTest, ADerivedCentreDistanceOfZeroOrLessIsFatal) {
    auto derive = [](Real x2) {
        gearPair.z = {{1, 4}};
        wormGear.x = {{-1, x2}};
        wormGear.a = 0;
        wormGear.mx = 4;
        wormGear.dm1a = 0.33L;
    };
    for (Real x2 : {-1.5L, -1.0L}) {
        SCOPED_TRACE(static_cast<double>(x2));
        ResetAll();
        RunCalculation();  // good results first: a fatal run keeps them
        derive(x2);
        ExpectFatalUntouched(RunCalculation, "Fatal  : a <= 0 !");
    }
    ResetAll();
    derive(-1.5L);
    CalcWormGeometry();
    EXPECT_TRUE(fatalFlag);
    EXPECT_NEAR(wormGear.a, -2.3952096L, 1E-7L);
}

// A steep worm whose tip lies inside its base circle: a ZN set reports it and
// goes on; for a ZI set the equivalent cylindrical gear fails, the run ends
// fatal and the data set is as before the run.
TEST_F(WormGeometryTest, SteepWormReportsMeshErrorsAndFatalEquivalentGearKeepsTheRecords) {
    for (std::uint16_t form : {kFlankZN, kFlankZI}) {
        ResetAll();
        gearPair.z[1] = 6;
        wormGear.flankForm = form;
        wormGear.dm1a = 0.25L;
        wormGear.haStar[1] = -1;
        const GearPairRecord gp = gearPair;
        const WormGearRecord wg = wormGear;
        const CylGearRecord cg = cylGear;
        RunCalculation();
        if (form == kFlankZN) {
            EXPECT_FALSE(fatalFlag) << Log();
            EXPECT_TRUE(HasMessage("Fehler : db > da  (1)")) << Log();
            EXPECT_TRUE(std::isfinite(static_cast<double>(wormGear.gAlpha[1])));
        } else {
            EXPECT_TRUE(fatalFlag) << Log();
            EXPECT_GT(CountPrefix("Fatal  : "), 0) << Log();
            EXPECT_EQ(gearPair, gp);
            EXPECT_EQ(wormGear, wg);
            EXPECT_EQ(cylGear, cg);
        }
    }
}

// Each warning on its own at a = 160 mm; a hidden warning is not listed.
TEST_F(WormGeometryTest, WarningsOfRatioDiameterQuotientAndShift) {
    const std::pair<void (*)(), std::string_view> cases[] = {
        {[] {
             gearPair.z = {{2, 20}};
         },
         "Übersetzungsverhältnis !"_cp850},
        {[] {
             gearPair.z = {{2, 20}}, hideWarningsFlag = true;
         },
         ""},
        {[] {
             gearPair.z = {{1, 10}};
         },
         ""},  // whole ratio: warned for multi-thread worms only
        {[] { wormGear.dm1a = 0.51L; }, "Warnung: dm1/a > 0.5 !"},
        {[] { wormGear.dm1a = 0.24L; }, "Warnung: dm1/a < 0.25 !"},
        {[] { wormGear.flankForm = kFlankZI, wormGear.x[2] = 0.6L; }, "Warnung: ZI: x > 0.5 !"},
        {[] { wormGear.flankForm = kFlankZH, wormGear.x[2] = -0.1L; }, "Warnung: ZH: x < 0 !"},
        {[] { wormGear.flankForm = kFlankZN, wormGear.x[2] = 1.1L; }, ""},
    };
    for (const auto& [set, expected] : cases) {
        ResetAll();
        wormGear.a = 160;
        set();
        RunCalculation();
        const int found = CountPrefix("Warnung: dm1/a") + CountPrefix("Warnung: ZI:") +
                          CountPrefix("Warnung: ZH:") +
                          HasMessage("Übersetzungsverhältnis !"_cp850);
        EXPECT_EQ(found, expected.empty() ? 0 : 1) << Log();
        if (!expected.empty()) {
            EXPECT_TRUE(HasMessage(expected)) << Log();
        }
    }
}

// Wheel-rim code 2 takes the entered outside diameter; 2a - de2 cuts the
// worm's mean circle, reaches its axis, or lies outside it (guarded root).
TEST_F(WormGeometryTest, OutsideDiameterOfTheWheelAndTheCutMeanCircle) {
    for (Real de2 : {150.0L, 160.0L, 0.0L}) {
        ResetAll();
        wormGear.wheelRimCode = 2;
        wormGear.de2 = de2;
        RunCalculation();
        EXPECT_FALSE(fatalFlag);
        EXPECT_EQ(wormGear.de2, de2);
        const Real dm1 = wormGear.dm[1];
        const Real expected = de2 == 150 ? std::sqrt(dm1 * dm1 - 100) : de2 == 160 ? dm1 : 0;
        EXPECT_NEAR(wormGear.dwCut, expected, 1e-12) << static_cast<double>(de2);
        EXPECT_EQ(HasMessage("Fehler : dw cut (sqrt)"), de2 == 0) << Log();
    }
}

TEST_F(WormGeometryTest, BoreChecksAndWormLengthByShaftEnd) {
    RunCalculation();
    wormGear.bore = {{wormGear.df[1] + 1, wormGear.df[2]}};  // the wheel's bore fits exactly
    wormGear.lw = 40;
    for (int code : {0, 1, 2, 7}) {
        wormGear.shaftEndCode = code;
        RunCalculation();
        EXPECT_EQ(CountPrefix("Fehler : df < dBore !") + HasMessage("Fehler : df < dBore ! (1)"),
                  2 * (code == 0))
            << Log();  // a bored worm only
        EXPECT_EQ(wormGear.L[1], code == 1 ? 103 : code == 2 ? 143 : 63) << code;
    }
}

TEST_F(WormGeometryTest, DesignFromLeadAngleIsReproducedByTheGeometry) {
    struct Case {
        std::uint16_t form;
        std::int32_t z1, z2;
        Real mx, gammaDeg, x1, x2;
    };
    const Case cases[] = {
        {kFlankZI, 2, 41, 4, 11.3L, 0, 0},
        {kFlankZA, 1, 40, 5, 5.7L, 0, 0.5L},
        {kFlankZN, 4, 45, 3.15L, 20, 0.1L, 0.2L},
        {kFlankZH, 2, 30, 6.3L, 14, 0, 0.4L},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flank " << c.form);
        ResetAll();
        wormGear.flankForm = c.form;
        gearPair.z = {{c.z1, c.z2}};
        wormGear.mx = c.mx;
        wormGear.gammaM = DegToRad(c.gammaDeg);
        wormGear.x = {{c.x1, c.x2}};
        DesignFromLeadAngle();
        ASSERT_FALSE(fatalFlag) << Log();
        const WormGearRecord& w = wormGear;
        EXPECT_NEAR(w.mx, c.mx, 1e-12);
        EXPECT_NEAR(RadToDeg(w.gammaM), c.gammaDeg, 1e-12);
        EXPECT_NEAR(w.dm[1], c.z1 * c.mx / std::tan(DegToRad(c.gammaDeg)), 1e-9);
        EXPECT_NEAR(w.a, (c.x1 + c.x2) * c.mx + (w.dm[1] + c.z2 * c.mx) / 2, 1e-9);
    }
    wormGear.gammaM = 0;
    ExpectFatalUntouched(DesignFromLeadAngle, "Fatal  : gamma m = 0 !");
    wormGear.gammaM = 0.2L;
    wormGear.mx = 0;  // every diameter and the centre distance are 0
    ExpectFatalUntouched(DesignFromLeadAngle, "Fatal  : a = 0 !");
}

// A lead angle of 90 degrees turns the wheel's mean diameter z2 mx / tan 0
// into infinity: refused like a zero centre distance, the set as it was.
TEST_F(WormGeometryTest, DesignFromALeadAngleOf90DegreesIsRefused) {
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    const Real a = wormGear.a;
    wormGear.gammaM = DegToRad(90);
    ExpectFatalUntouched(DesignFromLeadAngle, "Fatal  : a = unendlich !");
    EXPECT_EQ(wormGear.a, a);
    EXPECT_EQ(a, 80);  // the default set's centre distance
}

// A bore exactly as large as the root diameter still fits, for the worm as
// for the wheel; a bore above it does not.
TEST_F(WormGeometryTest, ABoreEqualToTheRootDiameterFits) {
    RunCalculation();
    wormGear.shaftEndCode = 0;
    for (int gear : {1, 2}) {
        SCOPED_TRACE(gear);
        const auto i = static_cast<std::size_t>(gear);
        wormGear.bore = {{0, 0}};
        wormGear.bore[i] = wormGear.df[i];
        RunCalculation();
        EXPECT_EQ(CountPrefix("Fehler : df < dBore !"), 0) << Log();
        wormGear.bore[i] = wormGear.df[i] + 0.001L;
        RunCalculation();
        EXPECT_TRUE(
            HasMessage(gear == 1 ? "Fehler : df < dBore ! (1)" : "Fehler : df < dBore ! (2)"))
            << Log();
    }
}

TEST_F(WormGeometryTest, ViscosityLawMeetsBothGivenViscosities) {
    const Real oils[][2] = {{220, 37}, {68, 8.7L}, {1000, 165}};
    for (const auto& [nu40, nu100] : oils) {
        EXPECT_NEAR(ViscosityFromNu40Nu100(nu40, nu100, 40), nu40, 1e-9 * nu40);
        EXPECT_NEAR(ViscosityFromNu40Nu100(nu40, nu100, 100), nu100, 1e-9 * nu100);
    }
    EXPECT_NEAR(ViscosityFromNu40Nu100(100, 100, 75), 100.0, 1e-9);  // flat line
    // lg(nu100 + 0.7) = 0, and a viscosity below the law's range: no value.
    EXPECT_EQ(ViscosityFromNu40Nu100(220, 0.3L, 50), 0);
    EXPECT_EQ(ViscosityAtTemperature(0.1L, 40, 50), 0);
    EXPECT_NEAR(ViscosityAtTemperature(ViscosityAtTemperature(150, 50, 90), 90, 50), 150.0, 1e-9);
}

}  // namespace
}  // namespace veldrim::calctest
