// The gear data set: a reset restores the new data set, records compare
// field by field, and the choice texts are code page 850.

#include "calc/records.h"

#include <gmock/gmock.h>

#include "calc_test_support.h"

using ::testing::IsEmpty;

namespace veldrim::calctest {
namespace {

class RecordsTest : public CalcTest {};

TEST_F(RecordsTest, ResetRestoresTheNewDataSetAndComparisonSeesEveryField) {
    const WormGearRecord fresh = wormGear;
    const GearPairRecord pair = gearPair;
    wormGear.measurementText[1] = "x";
    gearPair.materialName[2] = "CuSn12-C-GZ";
    EXPECT_NE(wormGear, fresh);  // the comparison sees a single field
    EXPECT_NE(gearPair, pair);
    ResetDataSetToDefaults();
    EXPECT_EQ(wormGear, fresh);
    EXPECT_EQ(gearPair, pair);
}

TEST_F(RecordsTest, ChoiceTextsAreCodePage850AndOutOfRangeIsEmpty) {
    EXPECT_THAT(ChoiceText(kMaterialKindTexts, 0, 0), IsEmpty());
    EXPECT_THAT(ChoiceText(kMaterialKindTexts, 9, 0), IsEmpty());
    EXPECT_EQ(ChoiceText(kMaterialKindTexts, 7, 0), "GTS (schwarzer Tempergu\xE1)");
    EXPECT_EQ(ChoiceText(kLubricantKindTexts, 4),
              "Kl\x81"
              "bersynth GH 6");
}

}  // namespace
}  // namespace veldrim::calctest
