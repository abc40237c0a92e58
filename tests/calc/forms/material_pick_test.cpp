// The material and lubricant picks on the shipped tables, headless.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_state.h"
#include "calc/forms/material_pick.h"
#include "calc/records.h"
#include "foundation/files.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "support/demo_data_set.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "tables/datasets/table_access.h"

namespace veldrim::testing {
namespace {

class MaterialPickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllProgramState();
        for (const char* t : {"vovuzi.dbf", "lubri.dbf"})
            std::filesystem::copy_file(std::string(VELDRIM_DATA_DIR) + "/" + t, dir + "/" + t);
        databaseDirectory = dir + "/";
        userDirectory = dir + "/";
    }
    void TearDown() override { ResetAllProgramState(); }
    TempDir tmp{"veldrim-pick"};
    const std::string dir = tmp.path();
    ScriptedUi ui;
    ScopedUi scope{ui};
};

TEST_F(MaterialPickTest, ThePickedMaterialRecordFillsTheWheel) {
    // Rows by kind and heat treatment: 16MnCr5, 20MnCr5, 34CrNiMo6,
    // EN-GJS-400-15, EN-GJL-250, CuSn12-C-GZ, ...
    ui.QueueChoice(5);
    ASSERT_TRUE(PickMaterial(2, 1));
    const auto picks = ui.CallsOf("pick");
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].title, "Werkstoffdatenbank Rad 2   ");
    // The wheel bronze's DIN 3996 values of the source list.
    EXPECT_EQ(gearPair.materialName[2], "CuSn12-C-GZ");
    EXPECT_EQ(gearPair.materialKind[2], 8);
    EXPECT_EQ(gearPair.heatTreatment[2], 0);
    EXPECT_EQ(gearPair.materialCode[2], 4);
    EXPECT_EQ(gearPair.rho[2], 8.8L);
    EXPECT_EQ(gearPair.E[2], 88300);
    EXPECT_EQ(gearPair.nue[2], 0.35L);
    EXPECT_EQ(gearPair.sigHlim[2], 425);
    EXPECT_EQ(gearPair.sigmaFE[2], 230);
    EXPECT_EQ(gearPair.HB[2], 95);
    EXPECT_EQ(ChosenDbfRecord, 4);
    EXPECT_EQ(DbfExitKey, 13);
    EXPECT_FALSE(cancelFlag);
}

// The pick shows the materials ordered by KIND * 100 + TREAT (the shipped
// table, read with dbfread: records 1..9 have the keys 202, 202, 305, 800,
// 800, 800, 800, 500, 600); a row chosen takes its own record number.
TEST_F(MaterialPickTest, ThePickOrdersTheMaterialsByKindAndHeatTreatment) {
    ui.QueueChoice(3);
    ASSERT_TRUE(PickMaterial(2, 1));
    const auto picks = ui.CallsOf("pick");
    ASSERT_EQ(picks.size(), 1u);
    std::vector<std::string> kinds;
    std::string kind;
    for (char c : picks[0].text) {
        if (c == '\n') {
            kinds.push_back(kind);
            kind.clear();
        } else if (c != ' ') {
            kind += c;
        }
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"2", "2", "3", "5", "6", "8", "8", "8", "8"}));
    EXPECT_EQ(gearPair.materialName[2], "EN-GJS-400-15");
    EXPECT_EQ(gearPair.materialCode[2], 8);
    EXPECT_EQ(ChosenDbfRecord, 8);
    // The index file is written into the user directory.
    EXPECT_TRUE(std::filesystem::exists(FindFileNoCase(userDirectory + "vovuzi.ndx")));
}

// A link planted at the index's name is replaced by the index; the file it
// points to stays as it was.
TEST_F(MaterialPickTest, TheTemporaryIndexNeverWritesThroughALink) {
    const std::string victim = dir + "/victim.txt";
    Spit(victim, "keep\r\n");
    std::filesystem::create_symlink(victim, dir + "/vovuzi.NDX");
    ui.QueueChoice(0);
    ASSERT_TRUE(PickMaterial(1, 1));
    EXPECT_EQ(Slurp(victim), "keep\r\n");
    EXPECT_EQ(gearPair.materialName[1], "16MnCr5");
    const std::string index = FindFileNoCase(dir + "/vovuzi.ndx");
    EXPECT_FALSE(std::filesystem::is_symlink(index)) << index;
}

TEST_F(MaterialPickTest, TheCurrentMaterialIsShownFirstAndACancelChangesNothing) {
    gearPair.materialCode[1] = 3;
    gearPair.materialName[1] = "kept";
    ui.QueueChoice(std::nullopt);
    EXPECT_FALSE(PickMaterial(1, 3));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(DbfExitKey, 27);
    EXPECT_EQ(gearPair.materialName[1], "kept");
    EXPECT_EQ(gearPair.materialCode[1], 3);
}

TEST_F(MaterialPickTest, ABatchRunPicksTheNamedMaterial) {
    BatchUi batch;
    batch.presetPick = "en-gjl-250";
    ScopedUi scoped(batch);
    ASSERT_TRUE(PickMaterial(2, 1));
    EXPECT_EQ(gearPair.materialName[2], "EN-GJL-250");
    EXPECT_EQ(gearPair.E[2], 98100);
    EXPECT_EQ(gearPair.materialCode[2], 9);
}

TEST_F(MaterialPickTest, AMaterialRecordBeyondTheTableIsReported) {
    gearPair.materialCode[2] = 50;
    ui.QueueChoice(0);
    ASSERT_TRUE(PickMaterial(2, 1));
    EXPECT_EQ(messageList.count, 1);
    EXPECT_EQ(messageList.slot[1], "DBF #50 not found.");
}

// The shipped table has 9 records; record 37 is none of them. The pick opens
// on the first row (16MnCr5, record 1) without choosing it, so OK without a
// choice (the headless pick's OK) takes nothing: not the last record
// EN-GJL-250, which the worm would otherwise have become.
TEST_F(MaterialPickTest, AMaterialNumberMissingFromTheTableOpensOnTheFirstRowUnchosen) {
    gearPair.materialCode[1] = 37;
    gearPair.materialName[1] = "kept";
    gearPair.E[1] = 210000;
    ui.QueueChoice(std::nullopt);
    EXPECT_FALSE(PickMaterial(1, 1));
    EXPECT_EQ(ui.pickStartRow, 0);
    EXPECT_FALSE(ui.pickStartChosen);
    EXPECT_EQ(messageList.slot[1], "DBF #37 not found.");

    BatchUi batch;  // OK without choosing a row
    ScopedUi scoped(batch);
    EXPECT_FALSE(PickMaterial(1, 1));
    EXPECT_EQ(gearPair.materialName[1], "kept");
    EXPECT_EQ(gearPair.materialCode[1], 37);
    EXPECT_EQ(gearPair.E[1], 210000);
}

// The demo data set's material numbers (the shipped file is what the
// writer writes of it) are records of the shipped material
// table that carry the demo's material names.
TEST_F(MaterialPickTest, TheDemoNamesRecordsOfTheShippedMaterialTable) {
    testing::LoadDemoDataSet();  // what data/demo.qb3 holds
    const std::string names[] = {gearPair.materialName[1], gearPair.materialName[2]};
    const int codes[] = {gearPair.materialCode[1], gearPair.materialCode[2]};
    EXPECT_EQ(names[0], "16MnCr5");
    EXPECT_EQ(names[1], "CuSn12Ni2-C-GZ");
    ASSERT_TRUE(OpenDbfTable("vovuzi.dbf"));
    for (int gear = 0; gear < 2; ++gear) {
        EXPECT_GE(codes[gear], 1) << "gear " << gear + 1;
        EXPECT_LE(codes[gear], DbfRecCount()) << "gear " << gear + 1;
        GoDbfRecord(codes[gear]);
        EXPECT_EQ(TrimBoth(GetDbfFieldStr(DbfFieldNumber("NAME"))), names[gear])
            << "gear " << gear + 1;
    }
    CloseDbfTable();
    EXPECT_EQ(messageList.count, 0);
}

// A number the table holds opens on its own row, chosen: OK takes it.
TEST_F(MaterialPickTest, AMaterialNumberOfTheTableOpensOnItsRowChosen) {
    gearPair.materialCode[2] = 5;
    ui.QueueChoice(std::nullopt);
    EXPECT_FALSE(PickMaterial(2, 1));
    EXPECT_TRUE(ui.pickStartChosen);
    EXPECT_EQ(ui.pickStartRow, 6) << "CuSn12Ni2-C-GZ: 7th row in the order by kind";

    BatchUi batch;
    ScopedUi scoped(batch);
    ASSERT_TRUE(PickMaterial(2, 1));
    EXPECT_EQ(gearPair.materialName[2], "CuSn12Ni2-C-GZ");
    EXPECT_EQ(gearPair.materialCode[2], 5);
}

TEST_F(MaterialPickTest, ThePickedLubricantGivesKindAndViscosities) {
    ui.QueueChoice(1);
    ASSERT_TRUE(PickLubricant());
    EXPECT_EQ(wormGear.lubricantKind, 2);
    EXPECT_EQ(wormGear.v40, 460);
    EXPECT_EQ(wormGear.v100, 71);
}

// The wheel's friction and wear factors follow its designation: for
// CuSn12-C-GZ the DIN 3996 wheel table gives YW 1.0 and, with a polyglycol,
// WML 2.25 (both quotes of the source list agree).
TEST_F(MaterialPickTest, AWheelPickSetsTheMaterialFactorsOfItsDesignation) {
    wormGear.YW = 0.95L;
    wormGear.WML = 1.75L;
    wormGear.lubricantKind = 2;
    ui.QueueChoice(5);  // rows ordered by kind and heat treatment
    ASSERT_TRUE(PickMaterial(2, 1));
    ASSERT_EQ(gearPair.materialName[2], "CuSn12-C-GZ");
    EXPECT_EQ(wormGear.YW, 1.0L);
    EXPECT_EQ(wormGear.WML, 2.25L);
    EXPECT_TRUE(ui.CallsOf("message").empty()) << "every cell of the bronze is filled";
}

// The wheel's YW follows the wheel's own designation, not the worm's: the
// DIN 3996 wheel table gives CuSn12Ni2-C-GZ 0.95 and CuAl10Fe5Ni5-C-GZ 1.1;
// the cast irons of the shipped table, under their European names, take
// the factors of nodular (GGG 40: 1.3) and grey cast iron (GG 25: 1.4).
TEST_F(MaterialPickTest, AWheelPickTakesTheYWOfTheWheelMaterial) {
    const struct {
        int row;  // rows ordered by kind and heat treatment
        const char* name;
        Real YW;
    } cases[] = {{3, "EN-GJS-400-15", 1.3L},
                 {4, "EN-GJL-250", 1.4L},
                 {6, "CuSn12Ni2-C-GZ", 0.95L},
                 {8, "CuAl10Fe5Ni5-C-GZ", 1.1L}};
    for (const auto& c : cases) {
        gearPair.materialName[1] = "16MnCr5";
        wormGear.YW = 1.0L;
        ui.QueueChoice(c.row);
        ASSERT_TRUE(PickMaterial(2, 1)) << c.name;
        ASSERT_EQ(gearPair.materialName[2], c.name);
        EXPECT_EQ(wormGear.YW, c.YW) << c.name;
    }
    // A worm pick leaves the wheel's factor alone.
    ui.QueueChoice(6);
    ASSERT_TRUE(PickMaterial(1, 1));
    EXPECT_EQ(wormGear.YW, 1.1L);
}

// The worm steels have no tooth-root strength or hardness in the table: the
// data set's values stay and the user is told which.
TEST_F(MaterialPickTest, AnEmptyCellKeepsTheDataSetsValueAndSaysSo) {
    gearPair.sigmaFE[1] = 860;
    gearPair.HB[1] = 600;
    gearPair.E[1] = 1;
    ui.QueueChoice(0);
    ASSERT_TRUE(PickMaterial(1, 1));
    ASSERT_EQ(gearPair.materialName[1], "16MnCr5");
    EXPECT_EQ(gearPair.sigmaFE[1], 860);
    EXPECT_EQ(gearPair.HB[1], 600);
    EXPECT_EQ(gearPair.E[1], 206000) << "a filled cell is taken";
    EXPECT_EQ(gearPair.sigHlim[1], 1500);
    const auto notices = ui.CallsOf("message");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].text.find("16MnCr5"), std::string::npos) << notices[0].text;
    EXPECT_NE(notices[0].text.find("Sigma FE 860"), std::string::npos) << notices[0].text;
    EXPECT_NE(notices[0].text.find("HB 600"), std::string::npos) << notices[0].text;
}

// Polyglycol ISO VG 460 (460 and 71 mm²/s, 1.074 kg/dm³): after the
// Ubbelohde-Walther line through both points, worked by hand,
// v50 = 312.817 mm²/s; at a bulk temperature of 70 °C nu = 159.825 mm²/s,
// so eta0M = 159.825 * 1.074E-3 = 0.171652 Ns/m². The wheel CuSn12Ni2-C-GZ
// with a polyglycol has WML 1.75.
TEST_F(MaterialPickTest, ALubricantPickDerivesTheViscositiesAndTheWearFactor) {
    wormGear.v50 = 150;
    wormGear.eta0M = 0.05L;
    wormGear.thetaM = 70;
    wormGear.WML = 1;
    gearPair.materialName[2] = "CuSn12Ni2-C-GZ";
    ui.QueueChoice(1);
    ASSERT_TRUE(PickLubricant());
    EXPECT_NEAR(wormGear.v50, 312.817L, 1E-3L);
    EXPECT_NEAR(wormGear.eta0M, 0.171652L, 1E-6L);
    EXPECT_EQ(wormGear.WML, 1.75L);
}

}  // namespace
}  // namespace veldrim::testing
