// Start-up values of the equivalent cylindrical gear record.

#include "calc/cyl_record.h"

#include <gtest/gtest.h>

#include "cyl_test_support.h"

namespace veldrim {
namespace {

using cyltest::CylTest;

TEST_F(CylTest, RecordDefaults) {
    cylGear.mn = 1;
    cylGear.carried.strengthMethod = 1;
    ResetCylGearRecord();
    const CylGearRecord& g = cylGear;
    EXPECT_EQ(g.mn, 6.5L);
    EXPECT_EQ(g.beta, 9);
    EXPECT_EQ(g.b, 88);
    EXPECT_EQ(g.a, 250);
    EXPECT_EQ(g.centreToleranceText, "js11");
    EXPECT_EQ(g.designationText[2], "6 e 27");
    EXPECT_EQ(g.toolProfileText[1], std::string(10, ' '));
    EXPECT_EQ(g.da[1], 124);
    EXPECT_EQ(g.da[2], 400);
    EXPECT_EQ(g.x[2], 0.57L);
    EXPECT_EQ(g.u, 1.0L);
    EXPECT_EQ(g.carried.strengthMethod, 4);
    EXPECT_EQ(g.carried.flags[5], 'N');
    EXPECT_EQ(g.carried.toothFormViewChoice, 3);
    EXPECT_EQ(g.carried.perGearB[2], 5.0L);
    EXPECT_EQ(g.carried.realMinus87, -87.0L);
    EXPECT_EQ(g.carried.real09, 0.9L);
}

TEST_F(CylTest, ModuleStartSetsTheSiblingDataSetValues) {
    for (int i = 1; i <= 2; ++i) {
        wormGear.secondDrawingName[i] = "Zeichnung";
        wormGear.drawingNumber[i] = "4711";
    }
    InitCylGearModule();
    EXPECT_EQ(gearPair.z[1], 16);
    EXPECT_EQ(gearPair.z[2], 58);
    EXPECT_EQ(gearPair.n[1], 1500);
    EXPECT_EQ(gearPair.P, 500);
    EXPECT_EQ(gearPair.HB[2], 740);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_TRUE(wormGear.partName[i].empty());
        EXPECT_TRUE(wormGear.secondDrawingName[i].empty());
        EXPECT_TRUE(wormGear.drawingNumber[i].empty());
    }
    EXPECT_TRUE(cylGear == CylGearRecord{});
}

}  // namespace
}  // namespace veldrim
