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
}

}  // namespace
}  // namespace veldrim
