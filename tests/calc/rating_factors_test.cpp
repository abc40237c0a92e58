// Material and life factors, the material group text, the wheel bulk
// temperature, and the whole sequence: the iteration of the driving power
// and the key results of the default data set.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "calc/worm_rating.h"
#include "foundation/codepage.h"
#include "rating_test_support.h"

namespace veldrim {
namespace {

using ratingtest::RatingTest;

class RatingFactorsTest : public RatingTest {};

TEST_F(RatingFactorsTest, LifeFactorByMaterialKindAndLoadCycles) {
    struct Case {
        int kind;
        Real NL;
        Real YNL;
    };
    const Case cases[] = {
        {1, 3E6L, 1},                            // the knee of the S-N line
        {1, 3E8L, 1},                            // beyond it: never below 1
        {1, 1E6L, std::pow(3.0L, 0.16L)},        // 1.1922
        {1, 3E4L, 2.0L},                         // 2.089 capped at 2.0
        {4, 3E4L, std::pow(100.0L, 0.16L)},      // nodular iron reaches 2.089
        {4, 3E2L, 2.5L},                         // capped at 2.5
        {6, 3E4L, std::pow(100.0L, 0.09L)},      // grey iron: flatter line, 1.513
        {6, 3E2L, 2.0L},
        {8, 1E6L, std::pow(3.0L, 0.16L)},
    };
    for (const Case& c : cases) {
        wormGear.YNL = 0;
        EXPECT_NEAR(LifeFactorYNLValue(c.kind, c.NL), c.YNL, 1E-15L) << c.kind << " " << c.NL;
        EXPECT_EQ(wormGear.YNL, 0) << "the value alone is never stored";
        EXPECT_NEAR(LifeFactorYNL(c.kind, c.NL), c.YNL, 1E-15L);
        EXPECT_NEAR(wormGear.YNL, c.YNL, 1E-15L) << "the form's button stores it";
    }
    EXPECT_EQ(Messages(), "");
}

TEST_F(RatingFactorsTest, LifeFactorOfNoLoadCycles) {
    wormGear.YNL = 1.3L;
    EXPECT_EQ(LifeFactorYNL(1, 0), 0);
    EXPECT_EQ(wormGear.YNL, 1.3L);
    EXPECT_EQ(Messages(), "Fatal  : NL = 0 !\n");
    EXPECT_FALSE(fatalFlag);
}

TEST_F(RatingFactorsTest, MaterialLubricantFactor) {
    struct Case {
        const char* name;
        Real kind1, kind3, kind5;
    };
    const Case cases[] = {
        {"CuSn12-C-GZ", 1.6L, 2.25L, 1.6L},
        {"CuSn12Ni2-C-GZ", 1.0L, 1.75L, 1.0L},
        {"CuSn12Ni2-C-GC", 4.1L, 4.1L, 4.1L},
        {"CuAl10Fe5Ni5-C-GZ", 1.0L, 9.0L, 1.0L},
        {"EN-GJS-400-15", 1, 1, 1},
        {"GGG-40", 1, 1, 1},
        {"EN-GJL-250", 1, 1, 1},
        {"GG-25", 1, 1, 1},
        {"cusn12-c-gz", 0.7L, 0.7L, 0.7L},  // exact case only: keeps the current value
        {"42CrMo4", 0.7L, 0.7L, 0.7L},
    };
    wormGear.WML = 0.7L;
    for (const Case& c : cases) {
        EXPECT_EQ(MaterialLubricantFactorWML(1, c.name), c.kind1) << c.name;
        EXPECT_EQ(MaterialLubricantFactorWML(2, c.name), c.kind3) << c.name;
        EXPECT_EQ(MaterialLubricantFactorWML(3, c.name), c.kind3) << c.name;
        EXPECT_EQ(MaterialLubricantFactorWML(4, c.name), c.kind3) << c.name;
        EXPECT_EQ(MaterialLubricantFactorWML(5, c.name), c.kind5) << c.name;
        EXPECT_EQ(MaterialLubricantFactorWML(0, c.name), 0.7L) << c.name;
        EXPECT_EQ(MaterialLubricantFactorWML(6, c.name), 0.7L) << c.name;
    }
    EXPECT_EQ(wormGear.WML, 0.7L);
}

TEST_F(RatingFactorsTest, MaterialFactorOfTheFriction) {
    struct Case {
        const char* name;
        Real YW;
    };
    const Case cases[] = {
        {"CuSn12Ni2-C-GZ", 0.95L}, {"CuSn12-C-GZ", 1.0L}, {"CuAl10Fe5Ni5-C-GZ", 1.1L},
        {"GGG-40", 1.3L},          {"GG-25", 1.4L},       {"EN-GJS-400-15", 1.0L},
        {"CuSn10", 1.0L},          {"42CrMo4", 1.0L},     {"", 1.0L},
    };
    for (const Case& c : cases) EXPECT_EQ(MaterialFactorYW(c.name), c.YW) << c.name;
}

TEST_F(RatingFactorsTest, MaterialGroupText) {
    EXPECT_EQ(MaterialGroupName(1, "CuSn12"), "Baustahl");
    EXPECT_EQ(MaterialGroupName(3, ""), "Vergütungs- oder Nitrierstahl"_cp850);
    EXPECT_EQ(MaterialGroupName(7, ""), "GTS (schwarzer Temperguß)"_cp850);
    EXPECT_EQ(MaterialGroupName(8, "CuSn12-C-GZ"), "Bronze");
    EXPECT_EQ(MaterialGroupName(0, "CuAl10Fe5Ni5-C-GZ"), "Aluminiumbronze");
    EXPECT_EQ(MaterialGroupName(8, "CuZn40"), "Messing");
    EXPECT_EQ(MaterialGroupName(8, "PA66"), "");
    EXPECT_EQ(MaterialGroupName(9, "cusn12"), "");
}

// Injection lubrication: the rise over the inlet temperature is proportional
// to the gear loss of the edition 2012; speeds below 150 1/min count as 150.
TEST_F(RatingFactorsTest, BulkTemperatureWithInjectionLubrication) {
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Messages();
    const Real theta = CalcOilTemperature(40, 220, 37);
    EXPECT_EQ(wormGear.thetaM, theta);
    EXPECT_GT(theta, 40);

    const Real loss = wormGear.PVzDin[2];
    wormGear.PVzDin[2] = 2 * loss;
    EXPECT_NEAR(CalcOilTemperature(40, 220, 37) - 40, 2 * (theta - 40), 1E-12L);
    wormGear.PVzDin[2] = 0;
    EXPECT_EQ(CalcOilTemperature(55, 220, 37), 55);

    wormGear.PVzDin[2] = loss;
    gearPair.n[1] = 100;
    const Real slow = CalcOilTemperature(40, 220, 37);
    gearPair.n[1] = 150;
    EXPECT_EQ(CalcOilTemperature(40, 220, 37), slow);
    gearPair.n[1] = 300;
    EXPECT_LT(CalcOilTemperature(40, 220, 37), slow);
}

TEST_F(RatingFactorsTest, BulkTemperatureWithDipLubrication) {
    RunCalculation();
    wormGear.lubrication = 1;
    const Real mineral = CalcOilTemperature(40, 220, 37);
    EXPECT_EQ(wormGear.thetaM, mineral);
    EXPECT_GT(mineral, 20);
    wormGear.lubricantKind = 5;
    const Real pao = CalcOilTemperature(40, 220, 37);
    wormGear.lubricantKind = 2;
    const Real polyglycol = CalcOilTemperature(40, 220, 37);
    EXPECT_GT(mineral, pao);
    EXPECT_GT(pao, polyglycol);

    // Outside the range of the formula there is no value, and the entered
    // temperature stays.
    struct Case {
        Real a, n1;
    };
    for (const Case c : {Case{62.9L, 750}, Case{400.1L, 750}, Case{80, 59}, Case{80, 3001}}) {
        RunCalculation();
        wormGear.lubrication = 1;
        wormGear.thetaM = 65;
        wormGear.a = c.a;
        gearPair.n[1] = c.n1;
        EXPECT_EQ(CalcOilTemperature(40, 220, 37), 0) << c.a << " " << c.n1;
        EXPECT_EQ(wormGear.thetaM, 65);
    }
    for (const Case c : {Case{63, 60}, Case{400, 3000}}) {
        RunCalculation();
        wormGear.lubrication = 1;
        wormGear.a = c.a;
        gearPair.n[1] = c.n1;
        EXPECT_GT(CalcOilTemperature(40, 220, 37), 20) << c.a << " " << c.n1;
    }
}

// The iteration sets the driving powers so that the outputs reach the
// nominal power, after Niemann and for both editions.
TEST_F(RatingFactorsTest, IterationReachesTheNominalPower) {
    for (Real nominal : {0.5L, 2.95L, 12.0L}) {
        for (std::uint8_t din : {1, 0}) {
            ResetAll();
            wormGear.P = nominal;
            wormGear.din3996Switch = din;
            IterateCalculation();
            ASSERT_FALSE(fatalFlag) << Messages();
            EXPECT_NEAR(wormGear.P, nominal, 1E-6L * nominal) << nominal;
            EXPECT_NEAR(gearPair.P, nominal / wormGear.eta, 1E-6L * nominal);
            if (din == 0) continue;
            for (int e = 1; e <= 2; ++e) {
                EXPECT_NEAR(wormGear.PDinOut[e], nominal, 1E-5L * nominal) << e;
                EXPECT_NEAR(wormGear.PDin[e], nominal / wormGear.etaDin[e], 1E-5L * nominal) << e;
            }
        }
    }
}

// Key results of the default data set after the iteration, as the report
// shows them; a change here changes every report.
TEST_F(RatingFactorsTest, KeyResultsOfTheDefaultDataSet) {
    IterateCalculation();
    ASSERT_FALSE(fatalFlag) << Messages();
    const WormGearRecord& w = wormGear;
    const GearPairRecord& g = gearPair;
    EXPECT_NEAR(g.P, 3.8257L, 0.00005L);
    EXPECT_NEAR(w.P, 2.95L, 0.00005L);
    EXPECT_NEAR(w.eta, 0.7711L, 0.00005L);
    EXPECT_NEAR(w.etaZ, 0.7957L, 0.00005L);
    EXPECT_NEAR(g.SH[1], 2.3331L, 0.00005L);
    EXPECT_NEAR(g.SF[2], 19.325L, 0.0005L);
    EXPECT_NEAR(w.sigmaH, 478.075L, 0.0005L);
    EXPECT_NEAR(w.PDin[1], 3.7173L, 0.00005L);
    EXPECT_NEAR(w.PDin[2], 4.0074L, 0.00005L);
    EXPECT_NEAR(w.etaDin[1], 0.7936L, 0.00005L);
    EXPECT_NEAR(w.etaDin[2], 0.7361L, 0.00005L);
    EXPECT_NEAR(w.SHDin[1], 2.3541L, 0.00005L);
    EXPECT_NEAR(w.SHDin[2], 2.4314L, 0.00005L);
    EXPECT_NEAR(w.SW[1], 1.4509L, 0.00005L);
    EXPECT_NEAR(w.SW[2], 0.1226L, 0.00005L);
    EXPECT_NEAR(w.SFDin[1], 11.765L, 0.0005L);
    EXPECT_NEAR(w.SFDin[2], 11.298L, 0.0005L);
    EXPECT_NEAR(CalcOilTemperature(40, w.v40, w.v100), 76.7L, 0.5L);
}

}  // namespace
}  // namespace veldrim
