// A data set whose texts were edited outside the program: what the reader
// takes in, Speichern writes back, and the reader then gives the same texts.
#include <gtest/gtest.h>

#include <string>

#include "app/app_test_support.h"
#include "app/data_file_sections.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"

namespace veldrim {
namespace {

using testing::Slurp;
using testing::Spit;

class DataFileTexts : public testing::AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        ResetGearData();
        InstallDataFileSections();
    }
};

// The shipped demo set with its materials and the first part name edited in
// another editor: a CR alone inside a name, a CR at the end of one.
TEST_F(DataFileTexts, ATextHoldingALoneCarriageReturnIsSavedAndReadBackAsItWasRead) {
    std::string text = Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3");
    const auto replace = [&](const std::string& line, const std::string& edited) {
        const auto at = text.find("\r\n" + line + "\r\n");
        ASSERT_NE(at, std::string::npos) << line;
        text.replace(at + 2, line.size(), edited);
    };
    replace("16MnCr5", "16Mn\rCr5");
    replace("CuSn12Ni2-C-GZ", "CuSn12Ni2-C-GZ\r");
    const std::string edited = dir + "/edited.qb3";
    Spit(edited, text);

    ASSERT_TRUE(ReadDataFile(edited));
    EXPECT_EQ(gearPair.materialName[1], "16Mn\rCr5");
    EXPECT_EQ(gearPair.materialName[2], "CuSn12Ni2-C-GZ\r");

    const std::string saved = dir + "/saved.qb3";
    ASSERT_TRUE(WriteDataFile(saved));
    EXPECT_TRUE(ui.CallsOf("message").empty()) << ui.CallsOf("message").front().text;
    const std::string written = Slurp(saved);
    EXPECT_NE(written.find("\r\n16Mn\rCr5\r\n"), std::string::npos);
    EXPECT_NE(written.find("\r\nCuSn12Ni2-C-GZ\r\r\n"), std::string::npos);

    ResetGearData();
    ASSERT_TRUE(ReadDataFile(saved));
    EXPECT_EQ(gearPair.materialName[1], "16Mn\rCr5");
    EXPECT_EQ(gearPair.materialName[2], "CuSn12Ni2-C-GZ\r");
    EXPECT_EQ(wormGear.a, 100) << "the lines after the names stay in step";
}

// A text line one byte beyond the limit is refused when the file is read,
// with its line number, whether the file ends its lines in CR LF or in LF:
// never a set that opens and then cannot be saved.
TEST_F(DataFileTexts, ATextTooLongToSaveIsRefusedWhenTheFileIsRead) {
    std::string text = Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3");
    std::string lfOnly;
    for (char c : text)
        if (c != '\r') lfOnly += c;
    const std::string tooLong(kValueLineLimit + 1, 'W');
    const auto at = lfOnly.find("\n16MnCr5\n");
    ASSERT_NE(at, std::string::npos);
    lfOnly.replace(at + 1, 7, tooLong);
    Spit(dir + "/long.qb3", lfOnly);
    const std::string before = gearPair.materialName[1];
    ASSERT_FALSE(ReadDataFile(dir + "/long.qb3"));
    EXPECT_EQ(DataFileFailedLine(), 20);
    EXPECT_EQ(gearPair.materialName[1], before);
}

}  // namespace
}  // namespace veldrim
