// Every result field of the geometry, tolerance, measurement and rating
// records against values worked out independently (reference/worm_reference.py
// computes them from the formulas of the standards, without the program's
// code; reference/worm_reference.txt holds its output, and a ctest keeps the
// two in step).

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "calc/worm_geometry.h"
#include "calc/worm_rating.h"
#include "calc_test_support.h"
#include "support/demo_data_set.h"

namespace veldrim::calctest {
namespace {

using Getter = std::function<Real()>;

// Record fields by the reference's names: "a", "dm[1]", "TDin[3]".
std::map<std::string, Getter> Fields() {
    std::map<std::string, Getter> f;
    const WormGearRecord& w = wormGear;
    const GearPairRecord& g = gearPair;
    // The field lists stand as lines of names, not as statements.
    // clang-format off
#define ONE(name) f[#name] = [&w] { return static_cast<Real>(w.name); };
#define TWO(name)                                                        \
    f[#name "[1]"] = [&w] { return static_cast<Real>(w.name[1]); }; \
    f[#name "[2]"] = [&w] { return static_cast<Real>(w.name[2]); };
    // Geometry
    ONE(u) ONE(mx) ONE(mn) ONE(q) ONE(gammaM) ONE(gammaB) ONE(alphaN) ONE(alphaX) ONE(alpha0Rad) ONE(betaM)
    TWO(m) TWO(beta) TWO(h) TWO(ha) TWO(hf) TWO(dm) TWO(d) TWO(da) TWO(df) TWO(db) TWO(c) ONE(de2)
    TWO(pz) TWO(pzRed) ONE(px) ONE(pn) ONE(pb) ONE(snHalfRef) TWO(alphaT) TWO(betaB) ONE(pbn)
    TWO(gAlpha) TWO(gAlphaT) TWO(eps) ONE(epsN) TWO(bRec) TWO(b) ONE(b2Eff) ONE(dwCut) ONE(rK) TWO(sn)
    TWO(en) TWO(L)
    f["mt[2]"] = [&w] { return w.mt[2]; };
    // Tolerances and measurement
    TWO(Asne) TWO(Asni) TWO(Tsn) ONE(centreDistanceAllowanceUpper) ONE(centreDistanceAllowanceLower)
    TWO(xemax) TWO(xemin) TWO(xe) TWO(xeTol) TWO(snMax) TWO(snMin) TWO(snMean) TWO(snTol)
    TWO(daMax) TWO(daMin) TWO(daMean) TWO(daTol) TWO(dfMax) TWO(dfMin) TWO(dfMean) TWO(dfTol)
    TWO(MR) TWO(MRMax) TWO(MRMin) TWO(MRMean) TWO(MRTol) TWO(MK) TWO(MKMax) TWO(MKMin) TWO(MKMean)
    TWO(MKTol) TWO(measurementUsed) TWO(k) TWO(W) TWO(WXemin) TWO(WXemax)
    TWO(fp) TWO(fu) TWO(ffalpha) TWO(fHalpha) TWO(Falpha) TWO(FrDev) TWO(FiPrime) TWO(fiPrime) ONE(Fpz)
    ONE(Fp2)
    // Niemann
    ONE(vt1) ONE(vgm) ONE(rhoZ) ONE(etaZ) ONE(PVz) ONE(PV0) ONE(PVLP) ONE(P) ONE(eta) TWO(Ft) TWO(Fx)
    ONE(Fr) ONE(Fn) ONE(ZE) ONE(CHE) ONE(Zp) ONE(Zn) ONE(sigmaH)
    f["P1"] = [&g] { return g.P; };
    for (int i = 1; i <= 2; ++i) {
        const std::string n = "[" + std::to_string(i) + "]";
        f["T" + n] = [&g, i] { return g.T[i]; };
        f["SH" + n] = [&g, i] { return g.SH[i]; };
        f["SF" + n] = [&g, i] { return g.SF[i]; };
        f["LtH" + n] = [&g, i] { return g.LtH[i]; };
    }
    f["n[2]"] = [&g] { return g.n[2]; };
    // DIN 3996
    TWO(pmStar) TWO(hStar) ONE(sStar) ONE(ERed) ONE(NL) ONE(cAlpha) ONE(PV0Din) ONE(PVLPDin) ONE(PVD)
    ONE(vgmDin) TWO(mue0T) ONE(YS) ONE(YR) TWO(YG) TWO(mueZm) TWO(etaZDin) TWO(PVzDin) TWO(PV) TWO(etaDin)
    TWO(PDin) TWO(PDinOut) TWO(Ft1Din) TWO(Ft2Din) TWO(Fx1Din) TWO(Fx2Din) TWO(FnDin) TWO(FrDin) TWO(pm)
    TWO(sWm) ONE(WS) TWO(hminm) TWO(KW) TWO(J0T) TWO(JW) TWO(delWn) ONE(dWlimn03) ONE(dWlimnTip)
    ONE(dWlimn) TWO(SW) ONE(Zh) ONE(Zv) ONE(ZS) ONE(Zoil) ONE(Zu) ONE(sigHG) TWO(SHDin) TWO(LtHDin)
    TWO(deltalim) ONE(Yeps) ONE(s0) ONE(Ygamma) ONE(YK) TWO(dW) TWO(sft) TWO(YF) TWO(tauF) ONE(tauFG)
    TWO(SFDin) ONE(tauFlimTUsed) ONE(YNLUsed)
    for (int i = 1; i <= 4; ++i) f["TDin[" + std::to_string(i) + "]"] = [&w, i] { return w.TDin[i]; };
#undef ONE
#undef TWO
    // clang-format on
    return f;
}

// The reference values of one data set, by field name.
std::map<std::string, double> Reference(const std::string& set) {
    std::ifstream in(std::string(VELDRIM_TEST_DIR) + "/calc/reference/worm_reference.txt");
    std::map<std::string, double> out;
    std::string line, current;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string name, value;
        words >> name >> value;
        if (name == "set")
            current = value;
        else if (current == set)
            out[name] = std::stod(value);
    }
    return out;
}

void ExpectReference(const std::string& set) {
    const auto reference = Reference(set);
    ASSERT_GT(reference.size(), 250u) << set;
    const auto fields = Fields();
    for (const auto& [name, expected] : reference) {
        const auto field = fields.find(name);
        ASSERT_NE(field, fields.end()) << "no record field for " << name;
        const Real got = field->second();
        EXPECT_NEAR(static_cast<double>(got), expected, 1E-9 * std::fabs(expected) + 1E-12)
            << set << ": " << name;
    }
}

class WormReference : public CalcTest {};

// A new data set ("null", "init") calculates as it always did: its results
// stay what the independent calculation gives.
TEST_F(WormReference, DefaultSetStillCalculatesAsBefore) {
    IterateCalculation();
    ASSERT_FALSE(fatalFlag) << Log();
    ExpectReference("defaults");
}

// The shipped demo set after the iteration of the driving powers.
TEST_F(WormReference, DemoSetMatchesTheIndependentCalculation) {
    veldrim::testing::LoadDemoDataSet();
    ASSERT_FALSE(fatalFlag) << Log();
    EXPECT_EQ(Log(), "") << "the demo set calculates without a message";
    ExpectReference("demo");
}

// The same gear with the wheel driving: 3.5 kW enter at the wheel.
TEST_F(WormReference, WheelDrivingSetMatchesTheIndependentCalculation) {
    veldrim::testing::LoadWheelDrivenDemoSet();
    ASSERT_FALSE(fatalFlag) << Log();
    ExpectReference("wheel-driving");
}

// Every row of the friction tables (mue 0T) and of the wear-intensity tables
// (J0T over the film parameter KW) of both editions: the demo gear with a tin
// bronze, an aluminium bronze, a steel, a nodular iron and an unlisted wheel,
// injection and dip lubrication, each lubricant kind.
TEST_F(WormReference, FrictionAndWearRowsOfBothEditions) {
    veldrim::testing::LoadDemoDataSet();
    const WormGearRecord base = wormGear;
    const GearPairRecord basePair = gearPair;
    const auto reference = Reference("table-rows");
    ASSERT_EQ(reference.size(), 300u);
    const auto fields = Fields();
    std::string done;
    for (const auto& [key, expected] : reference) {
        // key: wheel material / material kind / lubrication / lubricant kind / field
        std::istringstream parts(key);
        std::string name, kind, lubrication, lubricant, field;
        std::getline(parts, name, '/'), std::getline(parts, kind, '/');
        std::getline(parts, lubrication, '/'), std::getline(parts, lubricant, '/');
        std::getline(parts, field);
        const std::string run = key.substr(0, key.size() - field.size());
        if (run != done) {
            wormGear = base;
            gearPair = basePair;
            gearPair.materialName[2] = name;
            gearPair.materialKind[2] = static_cast<std::uint16_t>(std::stoi(kind));
            wormGear.lubrication = std::stoi(lubrication);
            wormGear.lubricantKind = static_cast<std::uint16_t>(std::stoi(lubricant));
            gearPair.P = 3.7L;
            wormGear.PDin = {{3.7L, 3.7L}};
            RunCalculation();
            ASSERT_FALSE(fatalFlag) << run << "\n" << Log();
            done = run;
        }
        EXPECT_NEAR(static_cast<double>(fields.at(field)()), expected, 1E-9 * std::fabs(expected))
            << key;
    }
}

// The DIN 3974 deviations of the demo gear at every accuracy grade from 1 to
// 12: the grade factor 1.4 per grade around grade 5 and 1.6 from grade 10 on.
// Worked for the worm's fu at grade 5 (d' = 22.36 for dm1 = 36, m' = 4.615 for
// mx = 4): (0.25 sqrt 22.36 + 4.615) 0.4 + 5 = (1.1821 + 4.615) 0.4 + 5 =
// 7.319, to half a µm 7.5.
TEST_F(WormReference, DeviationsOfEveryAccuracyGrade) {
    veldrim::testing::LoadDemoDataSet();
    const auto reference = Reference("grades");
    ASSERT_EQ(reference.size(), 12u * 18);
    const auto fields = Fields();
    for (int Q = 1; Q <= 12; ++Q) {
        wormGear.quality = {{Q, Q}};
        RunCalculation();
        ASSERT_FALSE(fatalFlag) << Q;
        const std::string prefix = std::to_string(Q) + "/";
        for (const auto& [key, expected] : reference) {
            if (!key.starts_with(prefix)) continue;
            EXPECT_EQ(static_cast<double>(fields.at(key.substr(prefix.size()))()), expected) << key;
        }
    }
}

// The wheel bulk temperature of the demo set (oil at 40 °C, 220 and 40 mm²/s
// at 40 and 100 °C) with its dip lubrication and with injection.
TEST_F(WormReference, BulkTemperatureOfTheDemoSet) {
    veldrim::testing::LoadDemoDataSet();
    const auto reference = Reference("demo-temperature");
    ASSERT_EQ(reference.size(), 2u);
    EXPECT_NEAR(static_cast<double>(CalcOilTemperature(40, 220, 40)), reference.at("dip"), 1E-9);
    EXPECT_NEAR(static_cast<double>(wormGear.thetaM), reference.at("dip"), 1E-9) << "stored";
    wormGear.lubrication = 0;
    EXPECT_NEAR(static_cast<double>(CalcOilTemperature(40, 220, 40)), reference.at("injection"),
                1E-9);
}

}  // namespace
}  // namespace veldrim::calctest
