// The gear data set: defaults of a new data set, snapshot and restore by
// value, and the choice texts in code page 850.

#include "calc/records.h"

#include <gtest/gtest.h>

#include <numbers>

#include "foundation/codepage.h"

namespace veldrim {
namespace {

class RecordsTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetGearData(); }
};

TEST_F(RecordsTest, NewDataSetHoldsTheDesignDefaults) {
    EXPECT_EQ(gearPair.z[1], 3);
    EXPECT_EQ(gearPair.z[2], 29);
    EXPECT_EQ(gearPair.materialCode[1], 29);
    EXPECT_EQ(gearPair.materialCode[2], 37);
    EXPECT_EQ(gearPair.T[1], 37.6L);
    EXPECT_EQ(gearPair.n[2], 75.0L);
    EXPECT_EQ(gearPair.P, 3.778L);
    EXPECT_EQ(gearPair.derivedQuantity, 2);
    EXPECT_EQ(gearPair.gearDesignation[2], "gear 2");

    EXPECT_EQ(wormGear.a, 80.0L);
    EXPECT_EQ(wormGear.dm1a, 0.33L);
    EXPECT_EQ(wormGear.alpha0, 20.0L);
    EXPECT_EQ(wormGear.flankForm, kFlankZI);
    EXPECT_EQ(wormGear.partName[1], "Schnecke");
    EXPECT_EQ(wormGear.partName[2], "Schneckenrad");
    EXPECT_EQ(wormGear.TDin[2], 37.6L);
    EXPECT_EQ(wormGear.TDin[4], 0.0L);
    EXPECT_EQ(wormGear.centreDistanceToleranceField, 9);
    EXPECT_EQ(wormGear.summa, std::numbers::pi_v<Real> / 2);
    EXPECT_EQ(wormGear.k[2], 1);
    // Results start at 0.
    EXPECT_EQ(wormGear.mx, 0.0L);
    EXPECT_EQ(wormGear.da[2], 0.0L);
}

// The rest of the new data set's inputs, as the data file and the forms
// expect them when nothing was entered.
TEST_F(RecordsTest, NewDataSetHoldsEveryOperatingAndRatingDefault) {
    const WormGearRecord& w = wormGear;
    const struct {
        const char* name;
        Real value, expected;
    } reals[] = {
        {"u", w.u, 10},          {"KA", w.KA, 1},           {"mue z", w.mueZ, 0.1L},
        {"v50", w.v50, 150},     {"P", w.P, 2.95L},         {"thetaM", w.thetaM, 50},
        {"LH min", w.LHmin, 0},  {"Ra1", w.Ra1, 4},         {"YW", w.YW, 1},
        {"eta0M", w.eta0M, 0.1L}, {"WML", w.WML, 1},        {"tauFlimT", w.tauFlimT, 0},
        {"YNL", w.YNL, 0},       {"P DIN 1", w.PDin[1], 3.778L}, {"P DIN 2", w.PDin[2], 3.778L},
        {"P DIN out 1", w.PDinOut[1], 2.95L}, {"P DIN out 2", w.PDinOut[2], 2.95L},
        {"T DIN 1", w.TDin[1], 37.6L}, {"T DIN 3", w.TDin[3], 0},
        {"further 1", w.furtherReal1, 50}, {"further 2", w.furtherReal2, 150},
        {"v40", w.v40, 220},     {"v100", w.v100, 37},      {"design real", w.designReal, 20},
        {"PV0%", w.PV0Percent, 100}, {"b1", w.b[1], 63},    {"b2", w.b[2], 28.5L},
        {"ha*1", w.haStar[1], 1}, {"hf*2", w.hfStar[2], 1.2L}, {"rf*1", w.rfStar[1], 0},
        {"x2", w.x[2], 0},       {"de2", w.de2, 0},         {"mn", w.mn, 0},
        {"rho 1", gearPair.rho[1], 7.8L}, {"E 2", gearPair.E[2], 206000},
        {"nue 2", gearPair.nue[2], 0.3L}, {"Sig.Hlim 1", gearPair.sigHlim[1], 1500},
        {"Sigma FE 2", gearPair.sigmaFE[2], 800}, {"HB 1", gearPair.HB[1], 740},
        {"T 2", gearPair.T[2], 0}, {"n 1", gearPair.n[1], 750},
    };
    for (const auto& r : reals) EXPECT_EQ(r.value, r.expected) << r.name;
    const struct {
        const char* name;
        long long value, expected;
    } codes[] = {
        {"deviation series", w.deviationSeries[1], 8}, {"tolerance series", w.toleranceSeries[2], 11},
        {"kept thread count", w.keptThreadCount, 3},   {"driver", w.driver, 1},
        {"hand", w.hand, 1},                           {"operating-data side", w.operatingDataSide, 1},
        {"lubricant kind", w.lubricantKind, 1},        {"bearing arrangement", w.bearingArrangement, 1},
        {"DIN 3996 switch", w.din3996Switch, 1},       {"edition code", w.editionCode, 1},
        {"da/df constant", w.daDfConstant, 0},         {"wheel-rim code", w.wheelRimCode, 3},
        {"quality 1", w.quality[1], 6},                {"quality 2", w.quality[2], 6},
        {"shaft-end code", w.shaftEndCode, 0},         {"lubrication", w.lubrication, 0},
        {"seal count", w.sealCount, 1},                {"wear-limit code", w.wearLimitCode, 0},
        {"design code", w.designCode, 0},              {"k 1", w.k[1], 1},
        {"material kind 2", gearPair.materialKind[2], 1}, {"heat treatment 1", gearPair.heatTreatment[1], 1},
    };
    for (const auto& c : codes) EXPECT_EQ(c.value, c.expected) << c.name;
    EXPECT_TRUE(w.measurementText[1].empty() && w.measurementText[2].empty());
    EXPECT_TRUE(gearPair.materialName[1].empty() && gearPair.materialName[2].empty());
}

// The gear pair's own start values, which the new data set then overrides
// for tooth numbers, material codes and the operating values.
TEST_F(RecordsTest, GearPairStartValuesBeforeTheNewDataSet) {
    InitGearPairDefaults();
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(gearPair.z[i], 17);
        EXPECT_EQ(gearPair.T[i], 0);
        EXPECT_EQ(gearPair.n[i], 0);
        EXPECT_EQ(gearPair.LtH[i], 0);
        EXPECT_EQ(gearPair.E[i], 206000);
    }
    EXPECT_EQ(gearPair.materialCode[1], 31);
    EXPECT_EQ(gearPair.materialCode[2], 19);
    EXPECT_EQ(gearPair.P, 0);
    EXPECT_EQ(gearPair.derivedQuantity, 2);
    EXPECT_EQ(gearPair.gearDesignation[1], "gear 1");
}

TEST_F(RecordsTest, ResetClearsResultsAndChangedInputs) {
    WormGearRecord fresh = wormGear;
    wormGear.mx = 4;
    wormGear.sn[2] = 6;
    wormGear.measurementText[1] = "x";
    wormGear.a = 100;
    gearPair.SH[1] = 2;
    ResetDataSetToDefaults();
    EXPECT_EQ(wormGear, fresh);
    EXPECT_EQ(gearPair.SH[1], 0.0L);
}

TEST_F(RecordsTest, CopyIsASnapshotThatRestoresTheWholeSet) {
    const GearPairRecord gp = gearPair;
    const WormGearRecord wg = wormGear;
    gearPair.materialName[2] = "CuSn12-C-GZ";
    wormGear.x[2] = 0.5L;
    EXPECT_NE(wormGear, wg);
    gearPair = gp;
    wormGear = wg;
    EXPECT_EQ(gearPair, gp);
    EXPECT_EQ(wormGear, wg);
}

TEST_F(RecordsTest, ChoiceTextsAreCodePage850AndOutOfRangeIsEmpty) {
    EXPECT_EQ(ChoiceText(kLubricantKindTexts, 1), "Mineralöl"_cp850);
    EXPECT_EQ(ChoiceText(kLubricantKindTexts, 1), std::string_view("Miner\x61l\x94l"));
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 0, 0), "");
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 8, 0), "andere ...");
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 9, 0), "");
    EXPECT_EQ(ChoiceText(kFlankFormTexts, 5), "ZH (C)");
    EXPECT_EQ(ChoiceText(kFlankFormTexts, 0), "");
    EXPECT_EQ(ChoiceText(kCentreDistanceFieldTexts, 8), "js11");
    EXPECT_EQ(ChoiceText(kCentreDistanceFieldTexts, 9), " ");
    // Every table with special characters holds them as code page 850 bytes.
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 3, 0), "Verg\x81tungs- oder Nitrierstahl");
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 7, 0), "GTS (schwarzer Tempergu\xE1)");
    EXPECT_EQ(ChoiceText(kLubricantKindTexts, 4), "Kl\x81" "bersynth GH 6");
    EXPECT_EQ(ChoiceText(kHeatTreatmentShortTexts, 1, 0), "verg\x81tet");
    EXPECT_EQ(kLoadSpectrumTexts[1], "alle Laststufen des Lastkollektivs ber\x81"
                                     "cksichtigen f\x81r KA");
}

}  // namespace
}  // namespace veldrim
