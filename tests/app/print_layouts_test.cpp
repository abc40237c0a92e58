// Print layouts saved to and picked from "printout.dbf".

#include <filesystem>

#include "app/print_layouts.h"
#include "app_test_support.h"
#include "foundation/program_state.h"
#include "tables/datasets/table_access.h"
#include "tables/engine/locking.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

class PrintLayoutsTest : public AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        std::filesystem::create_directories(dir + "/dbf");
        std::filesystem::create_directories(dir + "/user");
        databaseDirectory = dir + "/dbf/";
        userDirectory = dir + "/user/";
        std::filesystem::copy_file(std::string(VELDRIM_DATA_DIR) + "/printout.dbf",
                                   dir + "/dbf/printout.dbf");
    }
    // The records as python3-dbfread reads them, one line each.
    std::string ReadByDbfread(const std::string& path) {
        return RunCapture({"/usr/bin/python3", "-c",
                           "import sys, dbfread\n"
                           "for r in dbfread.DBF(sys.argv[1], encoding='cp850'):\n"
                           "    print('|'.join(str(v) for v in r.values()))\n",
                           path});
    }
};

TEST_F(PrintLayoutsTest, SavingALayoutAppendsItAndLeavesTheOtherRecordsUntouched) {
    const std::string before = ReadByDbfread(dir + "/dbf/printout.dbf");
    ASSERT_EQ(before, "Standard|1.0|1.0|0|0|True|False|False|False\n");
    ui.QueueText(std::string("Plotter A3"));
    PrintLayout layout;
    layout.xscale = 0.5;
    layout.yscale = 2.25;
    layout.xorigin = 15;
    layout.yorigin = -20;
    layout.landscape = false;
    layout.monochrom = true;
    layout.borderline = true;
    EXPECT_TRUE(SavePrintLayout(layout));
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(ReadByDbfread(dir + "/dbf/printout.dbf"),
              "Standard|1.0|1.0|0|0|True|False|False|False\n"
              "Plotter A3|0.5|2.25|15|-20|False|True|False|True\n");
}

TEST_F(PrintLayoutsTest, ACancelledNameSavesNothing) {
    ui.QueueText(std::nullopt);
    EXPECT_FALSE(SavePrintLayout(PrintLayout{}));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ReadByDbfread(dir + "/dbf/printout.dbf"),
              "Standard|1.0|1.0|0|0|True|False|False|False\n");
}

TEST_F(PrintLayoutsTest, AppendRefusedByAnotherProgramsLockIsReportedAsFailure) {
    // Another program holds the whole table.
    ASSERT_TRUE(OpenDbfFile(dir + "/dbf/printout.dbf"));
    Select(30);
    USE(dir + "/dbf/printout.dbf ALIAS OTHER");
    ASSERT_TRUE(FLock());
    CloseDbfTable();
    ui.QueueText(std::string("Locked"));
    EXPECT_FALSE(SavePrintLayout(PrintLayout{}));
    EXPECT_TRUE(cancelFlag);
    Select(30);
    CloseArea();
    EXPECT_EQ(ReadByDbfread(dir + "/dbf/printout.dbf"),
              "Standard|1.0|1.0|0|0|True|False|False|False\n");
}

TEST_F(PrintLayoutsTest, PickingALayoutReadsItsFields) {
    ui.QueueText(std::string("Second"));
    PrintLayout saved;
    saved.xscale = 3;
    saved.variable = true;
    ASSERT_TRUE(SavePrintLayout(saved));
    ui.QueueChoice(1);
    PrintLayout picked;
    ASSERT_TRUE(LoadPrintLayout(picked));
    EXPECT_EQ(picked.name, "Second");
    EXPECT_EQ(picked.xscale, 3);
    EXPECT_TRUE(picked.variable);
    EXPECT_TRUE(picked.landscape);
    EXPECT_EQ(ChosenDbfRecord, 2);
    EXPECT_EQ(DbfExitKey, 13);
}

}  // namespace
}  // namespace veldrim::testing
