// Rating of the worm gear set after Niemann and both editions of DIN 3996,
// and the iteration of the driving power.

#include "calc/rating_din3996.h"

#include <cmath>
#include <vector>

#include "calc/rating_niemann.h"
#include "calc/worm_geometry.h"
#include "calc/worm_rating.h"
#include "calc_test_support.h"

namespace veldrim::calctest {
namespace {

class RatingTest : public CalcTest {};

const std::string k1998 = "DIN 3996:1998";
const std::string k2012 = "DIN 3996:2012";

// Every result pair of the rating, indexed by edition.
using PairField = Pair<Real> WormGearRecord::*;
const std::vector<PairField> kEditionPairs = {
    &WormGearRecord::pmStar, &WormGearRecord::hStar,   &WormGearRecord::mue0T,  &WormGearRecord::YG,
    &WormGearRecord::mueZm,  &WormGearRecord::etaZDin, &WormGearRecord::PVzDin, &WormGearRecord::PV,
    &WormGearRecord::etaDin, &WormGearRecord::PDinOut, &WormGearRecord::Ft1Din, &WormGearRecord::Ft2Din,
    &WormGearRecord::Fx1Din, &WormGearRecord::Fx2Din,  &WormGearRecord::FnDin,  &WormGearRecord::FrDin,
    &WormGearRecord::pm,     &WormGearRecord::sWm,     &WormGearRecord::hminm,  &WormGearRecord::KW,
    &WormGearRecord::J0T,    &WormGearRecord::JW,      &WormGearRecord::delWn,  &WormGearRecord::SW,
    &WormGearRecord::SHDin,  &WormGearRecord::LtHDin,  &WormGearRecord::deltalim, &WormGearRecord::dW,
    &WormGearRecord::sft,    &WormGearRecord::YF,      &WormGearRecord::tauF,   &WormGearRecord::SFDin,
};
// Load-dependent pairs: they must follow the driving power of their edition.
const std::vector<PairField> kLoadPairs = {
    &WormGearRecord::PVzDin, &WormGearRecord::PDinOut, &WormGearRecord::Ft2Din,
    &WormGearRecord::pm,     &WormGearRecord::hminm,   &WormGearRecord::SHDin,
    &WormGearRecord::tauF,   &WormGearRecord::SFDin,
};

// P = P1 eta z - PV0 - PVLP and eta = P / P1 after every run that is not
// self-locking, whatever drives and however the set runs.
TEST_F(RatingTest, NiemannPowerBalanceHoldsAfterEveryRun) {
    struct Case {
        std::uint16_t driver;
        Real mueZ, P1, n1, PV0Percent, v50, a;
    };
    const Case cases[] = {
        {1, 0.3L, 0.5L, 100, 50, 460, 125}, {2, 0.05L, 3.778L, 750, 100, 150, 80},
        {2, 0.2L, 20, 3000, 200, 68, 200},  {1, 0.0L, 3.778L, 750, 0, 150, 80}};
    for (const Case& c : cases) {
        ResetAll();
        wormGear.driver = c.driver;
        wormGear.mueZ = c.mueZ;
        gearPair.P = c.P1;
        gearPair.n[1] = c.n1;
        wormGear.PV0Percent = c.PV0Percent;
        wormGear.v50 = c.v50;
        wormGear.a = c.a;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Log();
        const WormGearRecord& w = wormGear;
        ASSERT_GT(w.P, 0) << c.driver << " " << c.mueZ;
        EXPECT_NEAR(w.P, c.P1 * w.etaZ - w.PV0 - w.PVLP, 1E-15L * c.P1);
        EXPECT_NEAR(w.eta, w.P / c.P1, 1E-15L);
        // Torques carry the powers at their speeds: the entered power at the
        // driving shaft, the output at the driven one.
        const int in = c.driver, out = 3 - c.driver;
        EXPECT_NEAR(gearPair.T[in] * gearPair.n[in] * 2 * kPi / 60000, c.P1, 1E-12L * c.P1);
        EXPECT_NEAR(gearPair.T[out] * gearPair.n[out] * 2 * kPi / 60000, w.P, 1E-12L * c.P1);
        EXPECT_NEAR(wormGear.ZE, 189.8L, 0.05L);  // steel on steel
    }
}

TEST_F(RatingTest, SelfLockingSetWithTheWheelDrivingGivesNoOutput) {
    wormGear.driver = 2;
    wormGear.mueZ = 0.6L;  // friction angle 31 degrees above the lead angle of 27.6
    RunCalculation();
    EXPECT_FALSE(fatalFlag) << "the output is held at 0, the calculation goes on";
    EXPECT_LT(wormGear.etaZ, 0);
    EXPECT_EQ(wormGear.P, 0);
    EXPECT_EQ(wormGear.eta, 0);
    EXPECT_EQ(gearPair.T[1], 0) << "no torque reaches the worm";
    EXPECT_EQ(wormGear.Ft[1], 0) << "a self-locking mesh passes no force to the worm";
    EXPECT_TRUE(HasMessage("Fatal  : Pv > P !")) << Log();
    // Without an efficiency the iteration keeps driving with the nominal power.
    ResetAll();
    wormGear.P = 2.5L;
    wormGear.driver = 2;
    wormGear.mueZ = 1;
    wormGear.din3996Switch = 0;
    IterateCalculation();
    EXPECT_TRUE(!fatalFlag && HasMessage("Fatal  : Pv > P !")) << Log();
    EXPECT_TRUE(gearPair.P == 2.5L && wormGear.PDin[1] == 2.5L && wormGear.PDin[2] == 2.5L);
}

// A fatal input ends the run; the data set is put back as it was.
TEST_F(RatingTest, FatalInputsStopTheRating) {
    const std::pair<void (*)(), const char*> fatal[] = {
        {[] { gearPair.P = -1; }, "Fatal  : P0 = 0 !"},
        {[] { wormGear.PDin[2] = 0, wormGear.din3996Switch = 0; }, "Fatal  : P0 = 0 !"},
        {[] { gearPair.E[2] = 0; }, "Fatal  : E2 = 0 !"},
    };
    for (const auto& [set, message] : fatal) {
        ResetAll();
        set();
        ExpectFatalUntouched(RunCalculation, message);
    }
}

// Warnings name their gear; the width warning measures the deviation of the
// recommended width against the width in use.
TEST_F(RatingTest, NiemannWarningsPerGear) {
    RunCalculation();
    const Real bRec1 = wormGear.bRec[1], bRec2 = wormGear.bRec[2];
    for (Real factor : {0.86L, 0.88L}) {  // 16.3 % and 13.6 % below b rec
        ResetAll();
        gearPair.sigHlim[1] = 150;  // the worm fails in pitting, the wheel does not
        gearPair.sigmaFE[2] = 30;   // the wheel fails at the root
        wormGear.b = {{bRec1, factor * bRec2}};
        RunCalculation();
        EXPECT_EQ(CountPrefix("Warnung: SH<1") + CountPrefix("Warnung: SF<1"), 2) << Log();
        EXPECT_TRUE(HasMessage("Warnung: SH<1  (1)") && HasMessage("Warnung: SF<1  (2)")) << Log();
        EXPECT_EQ(CountPrefix("Warnung: Zahnbreite !") + HasMessage("Warnung: Zahnbreite !  (2)"),
                  factor < 0.87L ? 2 : 0) << Log();
    }
}

// The reference set of the standard: z1 3, z2 29, a 80, dm1 26.4,
// mx 4.6069, x2 0, b2 28.5, alpha 0 20 degrees: the default data set.
TEST_F(RatingTest, CharacteristicValuesOfTheReferenceSet) {
    struct Case {
        std::uint16_t form;
        Real pm1, pm2, h1, h2, s;
    };
    const Case cases[] = {
        {kFlankZA, 0.9364L, 0.8778L, 0.0748L, 0.0701L, 13.507L},
        {kFlankZI, 0.9364L, 0.8778L, 0.0748L, 0.0701L, 13.507L},
        {kFlankZH, 0.7312L, 0.6853L, 0.0896L, 0.0910L, 16.155L},
    };
    RunCalculation();
    ASSERT_NEAR(wormGear.mx, 4.6069L, 0.00005L);
    ASSERT_TRUE(std::fabs(wormGear.dm[1] - 26.4L) < 1e-12L && wormGear.b2Eff == 28.5L);
    EXPECT_NEAR(wormGear.pmStar[1], 0.9364L, 0.00005L);
    WormGearRecord w = wormGear;
    for (const Case& c : cases) {
        w.flankForm = c.form;
        const Din3996CharacteristicValues cv = CalcDin3996CharacteristicValues(gearPair, w);
        const Real got[][3] = {{cv.pmStar[1], c.pm1, 5E-5L}, {cv.pmStar[2], c.pm2, 5E-5L},
                               {cv.hStar[1], c.h1, 5E-5L},   {cv.hStar[2], c.h2, 5E-5L}, {cv.sStar, c.s, 5E-4L}};
        for (const auto& g : got) EXPECT_NEAR(g[0], g[1], g[2]) << c.form << " " << static_cast<double>(g[1]);
    }
}

// At a = 100 mm, u = 20.5, Ra1 = 0.5 µm, 25000 h and a sliding speed of
// 1 m/s the size, speed, life, ratio and roughness factors are 1.
TEST_F(RatingTest, FactorsAreOneAtTheReferenceConditions) {
    gearPair.z = {{2, 41}};
    wormGear.a = 100;
    wormGear.Ra1 = 0.5L;
    wormGear.LHmin = 25000;
    RunCalculation();
    gearPair.n[1] = 60 * std::cos(wormGear.gammaM) / (kPi * wormGear.dm[1] * 0.001L);
    RunCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    const WormGearRecord& w = wormGear;
    EXPECT_NEAR(w.vgmDin, 1, 1E-4L) << "the rounded constant 19098 of the sliding speed";
    for (Real factor : {w.u / 20.5L, w.vgm, w.YS, w.ZS, w.Zv, w.Zh, w.Zu, w.YR}) EXPECT_NEAR(factor, 1, 1E-15L);
    ResetAll();  // away from there: a rough worm doubles the roughness factor
    wormGear.Ra1 = 8;
    RunCalculation();
    EXPECT_NEAR(wormGear.YR, 2, 1E-15L);
}

// Every result pair is written for both editions, and the result of one
// edition depends on its own driving power alone.
TEST_F(RatingTest, EditionsAreAllWrittenAndNeverMix) {
    RunCalculation();
    constexpr Real kSentinel = -777.25L;
    for (PairField f : kEditionPairs) (wormGear.*f) = {{kSentinel, kSentinel}};
    wormGear.TDin = {{kSentinel, kSentinel, kSentinel, kSentinel}};
    CalcWormRating();
    for (std::size_t k = 0; k < kEditionPairs.size(); ++k)
        for (int e = 1; e <= 2; ++e) EXPECT_NE((wormGear.*kEditionPairs[k])[e], kSentinel) << k << " " << e;
    for (int i = 1; i <= 4; ++i) EXPECT_NE(wormGear.TDin[i], kSentinel) << i;

    for (int changed = 1; changed <= 2; ++changed) {
        const int kept = 3 - changed;
        ResetAll();
        RunCalculation();
        const WormGearRecord before = wormGear;
        wormGear.PDin[changed] *= 1.5L;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Log();
        for (std::size_t k = 0; k < kEditionPairs.size(); ++k)
            EXPECT_EQ((wormGear.*kEditionPairs[k])[kept], (before.*kEditionPairs[k])[kept]) << k;
        for (std::size_t k = 0; k < kLoadPairs.size(); ++k)
            EXPECT_NE((wormGear.*kLoadPairs[k])[changed], (before.*kLoadPairs[k])[changed]) << k;
        EXPECT_EQ(wormGear.TDin[2 + kept], before.TDin[2 + kept]);
        EXPECT_NE(wormGear.TDin[2 + changed], before.TDin[2 + changed]);
    }
}

// Message suffixes name their edition: a driving power below the fixed losses
// leaves one edition without output; the default steel wheel wears in 2012
// only; a wide wheel drives pm* of 1998 below 0.
TEST_F(RatingTest, MessagesNameTheirEdition) {
    for (int e = 1; e <= 2; ++e) {
        const std::string name = e == 1 ? k1998 : k2012, other = e == 1 ? k2012 : k1998;
        ResetAll();
        wormGear.PDin[e] = 0.05L;
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Log();
        EXPECT_TRUE(wormGear.TDin[2 + e] == 0 && wormGear.SHDin[e] == 0 && wormGear.SHDin[3 - e] > 1);
        for (const std::string text : {"Fehler : T2 = 0 ! ", "Fehler : SH < 1.0 !  ", "Fehler : SF < 1.1 ! "}) {
            EXPECT_TRUE(HasMessage(text + name)) << Log();
            EXPECT_FALSE(HasMessage(text + other)) << Log();
        }
    }
    ResetAll();
    RunCalculation();
    EXPECT_TRUE(HasMessage("Fehler : SW < 1.1 ! " + k2012) && !HasMessage("Fehler : SW < 1.1 ! " + k1998)) << Log();
    EXPECT_EQ(CountPrefix("Fehler : SH < 1.0") + CountPrefix("Fehler : SF < 1.1"), 0) << Log();

    wormGear.b[2] = 500;
    RunCalculation();
    EXPECT_FALSE(fatalFlag);
    EXPECT_TRUE(HasMessage("Fatal  : pm < 0 !") && HasMessage("Fehler : pm < 0 ! " + k1998)) << Log();
    EXPECT_FALSE(HasMessage("Fehler : pm < 0 ! " + k2012)) << Log();
    EXPECT_TRUE(wormGear.pm[1] == 1000000 && wormGear.pmStar[1] == 0.01L && wormGear.pm[2] < 1000);
    // A lubricant without a pitting limit factor fails both editions.
    ResetAll();
    wormGear.lubricantKind = 7;
    RunCalculation();
    EXPECT_TRUE(wormGear.Zoil == 0 && CountPrefix("Fehler : SH < 1.0 !  ") == 2) << Log();
}

TEST_F(RatingTest, MaterialAndLifeFactors) {
    // Knee at 3E6 cycles, never below 1; capped at 2.0 (steel) and 2.5 (nodular iron).
    const Real life[][3] = {{1, 1E6L, std::pow(3.0L, 0.16L)}, {1, 3E4L, 2}, {4, 3E2L, 2.5L},
                            {6, 3E4L, std::pow(100.0L, 0.09L)}};
    for (const auto& c : life) {
        wormGear.YNL = 0;
        EXPECT_NEAR(LifeFactorYNLValue(static_cast<int>(c[0]), c[1]), c[2], 1E-15L) << c[1];
        EXPECT_EQ(wormGear.YNL, 0) << "the value alone is never stored";
        LifeFactorYNL(static_cast<int>(c[0]), c[1]);
        EXPECT_NEAR(wormGear.YNL, c[2], 1E-15L) << "the form's button stores it";
    }
    EXPECT_EQ(LifeFactorYNL(1, 0), 0);
    EXPECT_EQ(Log(), "Fatal  : NL = 0 !\n");  // a message only: the flag stays clear
    EXPECT_FALSE(fatalFlag);

    wormGear.WML = 0.7L;
    EXPECT_EQ(MaterialLubricantFactorWML(3, "CuAl10Fe5Ni5-C-GZ"), 9.0L);
    EXPECT_EQ(MaterialLubricantFactorWML(1, "cusn12-c-gz"), 0.7L);  // exact case only
    EXPECT_EQ(MaterialGroupName(3, ""), "Vergütungs- oder Nitrierstahl"_cp850);
}

// tauFlimT and YNL entered as 0 mean "derive it": the rating uses the
// derived values and leaves the inputs at 0.
TEST_F(RatingTest, RootLimitValuesLeftAtZeroAreDerivedAfresh) {
    RunCalculation();
    const WormGearRecord& w = wormGear;  // 1.2E8 cycles lie beyond the knee at 3E6
    EXPECT_TRUE(w.tauFlimT == 0 && w.YNL == 0 && w.tauFlimTUsed == 0.4L * 800 && w.YNLUsed == 1);
    gearPair.sigmaFE[2] = 500;
    wormGear.LHmin = 500;  // 2.3E6 cycles
    RunCalculation();
    EXPECT_TRUE(w.tauFlimT == 0 && w.YNL == 0 && w.tauFlimTUsed == 200);
    EXPECT_NEAR(w.YNLUsed, std::pow(3E6L / w.NL, 0.16L), 1E-15L);
    EXPECT_NEAR(w.tauFG, 200 * w.YNLUsed, 1E-12L);
    wormGear.tauFlimT = 50;
    wormGear.YNL = 1.5L;
    RunCalculation();
    EXPECT_EQ(w.tauFG, 75);
    for (int e = 1; e <= 2; ++e) EXPECT_NEAR(w.SFDin[e], 75 / w.tauF[e], 1E-12L);
}

TEST_F(RatingTest, BulkTemperatureOfInjectionAndDipLubrication) {
    RunCalculation();
    const Real theta = CalcOilTemperature(40, 220, 37);
    // Injection: the rise is proportional to the 2012 gear loss.
    wormGear.PVzDin[2] *= 2;
    EXPECT_NEAR(CalcOilTemperature(40, 220, 37) - 40, 2 * (theta - 40), 1E-12L);
    wormGear.lubrication = 1;
    // Outside the dip formula's range: no value, the entered one stays.
    wormGear.thetaM = 65;
    gearPair.n[1] = 3001;
    EXPECT_TRUE(CalcOilTemperature(40, 220, 37) == 0 && wormGear.thetaM == 65);
}

// The iteration sets the driving powers so that the outputs reach the
// nominal power, after Niemann and for both editions; the key results of the
// default set as the report shows them.
TEST_F(RatingTest, IterationReachesTheNominalPower) {
    for (Real nominal : {0.5L, 12.0L}) {
        ResetAll();
        wormGear.P = nominal;
        IterateCalculation();
        ASSERT_FALSE(fatalFlag) << Log();
        EXPECT_NEAR(wormGear.P, nominal, 1E-6L * nominal);
        EXPECT_NEAR(gearPair.P, nominal / wormGear.eta, 1E-6L * nominal);
        for (int e = 1; e <= 2; ++e) EXPECT_NEAR(wormGear.PDinOut[e], nominal, 1E-5L * nominal) << e;
    }
    ResetAll();
    IterateCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    const WormGearRecord& w = wormGear;
    const Real golden[][3] = {
        {gearPair.P, 3.8257L, 5E-5L},     {w.eta, 0.7711L, 5E-5L},    {gearPair.SH[1], 2.3331L, 5E-5L},
        {gearPair.SF[2], 19.325L, 5E-4L}, {w.PDin[1], 3.7173L, 5E-5L}, {w.PDin[2], 4.0074L, 5E-5L},
        {w.SHDin[2], 2.4314L, 5E-5L},     {w.SW[2], 0.1226L, 5E-5L},  {w.SFDin[1], 11.765L, 5E-4L},
    };
    for (const auto& g : golden) EXPECT_NEAR(g[0], g[1], g[2]) << static_cast<double>(g[1]);
}

}  // namespace
}  // namespace veldrim::calctest
