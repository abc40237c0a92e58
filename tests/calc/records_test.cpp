// The gear data set: a reset restores the new data set, records restore by
// value, and the choice texts are code page 850.

#include "calc/records.h"

#include "calc_test_support.h"

namespace veldrim::calctest {
namespace {

class RecordsTest : public CalcTest {};

TEST_F(RecordsTest, ResetClearsResultsAndChangedInputs) {
    const WormGearRecord fresh = wormGear;
    EXPECT_EQ(fresh.mx, 0.0L);  // results start at 0
    wormGear.mx = 4;
    wormGear.measurementText[1] = "x";
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
    EXPECT_NE(gearPair, gp);  // the comparison sees a single field
    EXPECT_NE(wormGear, wg);
    gearPair = gp;
    wormGear = wg;
    EXPECT_EQ(gearPair, gp);
    EXPECT_EQ(wormGear, wg);
}

TEST_F(RecordsTest, ChoiceTextsAreCodePage850AndOutOfRangeIsEmpty) {
    EXPECT_EQ(ChoiceText(kLubricantKindTexts, 1), std::string_view("Miner\x61l\x94l"));
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 0, 0), "");
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 9, 0), "");
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 7, 0), "GTS (schwarzer Tempergu\xE1)");
    EXPECT_EQ(ChoiceText(kLubricantKindTexts, 4), "Kl\x81" "bersynth GH 6");
    EXPECT_EQ(kLoadSpectrumTexts[1], "alle Laststufen des Lastkollektivs ber\x81"
                                     "cksichtigen f\x81r KA");
}

}  // namespace
}  // namespace veldrim::calctest
