#include "calc/hardness.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "calc_test_support.h"
#include "foundation/formatting.h"
#include "foundation/online_dialog.h"
#include "foundation/ui_services.h"
#include "support/scripted_ui.h"

namespace veldrim {
namespace {

using calctest::CalcTest;
using calctest::Messages;

class HardnessTest : public CalcTest {
protected:
    static Real Value(int scale) { return ConvertedHardness(scale); }
};

// The rows of the steel table that DIN EN ISO 18265 Table A.1 gives, in the
// table's units (Rockwell in tenths).
TEST_F(HardnessTest, TableRowsOfTheStandard) {
    struct Case {
        int row;
        std::array<std::int32_t, 10> cells;
    } cases[] = {
        {1, {255, 80, 0, 0, 0, 0, 0, 0, 0, 0}},
        {2, {270, 85, 410, 804, 0, 0, 0, 0, 0, 0}},
        {33, {770, 240, 981, 1143, 203, 607, 403, 696, 417, 199}},
        {80, {2180, 650, 0, 0, 578, 800, 690, 892, 755, 641}},
        {98, {0, 960, 0, 0, 685, 859, 773, 934, 848, 760}},
    };
    for (const auto& c : cases)
        for (int j = 1; j <= kHardnessTableColumns; ++j)
            EXPECT_EQ(SteelHardnessTable(c.row, j), c.cells[static_cast<std::size_t>(j - 1)])
                << "row " << c.row << " column " << j;
    EXPECT_EQ(SteelHardnessTable(0, 1), 0);
    EXPECT_EQ(SteelHardnessTable(99, 2), 0);
}

// Every cell of the program's table is the cell of the CSV source, read here
// on its own: whole Rm and HV, Rockwell numbers times ten, empty cells 0.
TEST_F(HardnessTest, TableIsTheCsvSource) {
    std::ifstream in(std::string(VELDRIM_TEST_DIR) +
                     "/../src/calc/data/hardness-conversion-steel.csv");
    ASSERT_TRUE(in) << "CSV source missing";
    std::string line;
    std::getline(in, line);
    int row = 0;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        ++row;
        std::stringstream cells(line);
        std::string cell;
        for (int j = 1; j <= kHardnessTableColumns && std::getline(cells, cell, ','); ++j) {
            const long double v = cell.empty() ? 0 : std::stold(cell) * (j >= 3 ? 10 : 1);
            EXPECT_EQ(SteelHardnessTable(row, j), std::lround(v))
                << "row " << row << " column " << j;
        }
    }
    EXPECT_EQ(row, kHardnessTableRows);
}

// Values from the table rows (row 33: 240 HV; row 80: 650 HV; row 34:
// 245 HV) and midpoints between two rows, worked by hand. 0 is "n.def.".
TEST_F(HardnessTest, ConversionsOnRowsAndBetweenThem) {
    struct Case {
        const char* what;
        int scale;
        Real value;
        std::array<Real, 11> expected;  // Rm HV HRB HRF HRC HRA HRD HR15N HR30N HR45N HB
    } cases[] = {
        {"HV 240 on row 33",
         kScaleHV,
         240,
         {770, 240, 98.1L, 114.3L, 20.3L, 60.7L, 40.3L, 69.6L, 41.7L, 19.9L, 228}},
        {"HB 228 is HV 240",
         kScaleHB,
         228,
         {770, 240, 98.1L, 114.3L, 20.3L, 60.7L, 40.3L, 69.6L, 41.7L, 19.9L, 228}},
        {"HRC 20.3, first HRC row",
         kScaleHRC,
         20.3L,
         {770, 240, 98.1L, 114.3L, 20.3L, 60.7L, 40.3L, 69.6L, 41.7L, 19.9L, 228}},
        {"Rm 770 on row 33",
         kScaleRm,
         770,
         {770, 240, 98.1L, 114.3L, 20.3L, 60.7L, 40.3L, 69.6L, 41.7L, 19.9L, 228}},
        {"HV 242.5 between rows 33 and 34",
         kScaleHV,
         242.5L,
         {777.5L, 242.5L, 98.45L, 114.5L, 20.8L, 60.95L, 40.7L, 69.85L, 42.1L, 20.5L, 230.375L}},
        {"HRC 57.8, last Rm row",
         kScaleHRC,
         57.8L,
         {2180, 650, 0, 0, 57.8L, 80.0L, 69.0L, 89.2L, 75.5L, 64.1L, 617.5L}},
        {"HRC 58.05 past the last Rm",
         kScaleHRC,
         58.05L,
         {0, 655, 0, 0, 58.05L, 80.15L, 69.2L, 89.35L, 75.7L, 64.4L, 622.25L}},
        {"HV 80, the first row", kScaleHV, 80, {255, 80, 0, 0, 0, 0, 0, 0, 0, 0, 76}},
        // The tops of the Rm and HRB ranges are the last entries of their columns,
        // rows 80 and 43; HB = 0.95 HV = 617.5 and 275.5.
        {"Rm 2180, top of Rm",
         kScaleRm,
         2180,
         {2180, 650, 0, 0, 57.8L, 80.0L, 69.0L, 89.2L, 75.5L, 64.1L, 617.5L}},
        {"HRB 105, top of HRB",
         kScaleHRB,
         105,
         {930, 290, 105, 0, 28.5L, 64.5L, 46.5L, 74.2L, 49.0L, 29.5L, 275.5L}},
    };
    for (const auto& c : cases) {
        ConvertHardness(c.scale, c.value);
        for (int s = 1; s <= kHardnessScales; ++s)
            EXPECT_NEAR(Value(s), c.expected[static_cast<std::size_t>(s - 1)], 1E-9L)
                << c.what << ", scale " << s;
    }
    EXPECT_TRUE(Messages().empty()) << calctest::Log();
}

TEST_F(HardnessTest, BrinellAndVickersBothWays) {
    ConvertHardnessAll(kScaleHV, 500);
    EXPECT_NEAR(Value(kScaleHB), 475, 1E-12L);
    ConvertHardnessAll(kScaleHB, 475);
    EXPECT_NEAR(Value(kScaleHV), 500, 1E-12L);
    ConvertHardnessAll(kScaleHB, 893);
    EXPECT_NEAR(Value(kScaleHV), 940, 1E-12L);
}

TEST_F(HardnessTest, ValueOutsideTheRangeIsRefusedWithItsRange) {
    struct Case {
        int scale;
        Real value;
        const char* message;
    } cases[] = {
        {kScaleHRB, 110, "HRB:41.0..105.0 !"}, {kScaleRm, 250, "Rm:255.0..2180.0 !"},
        {kScaleHV, 941, "HV:80.0..940.0 !"},   {kScaleHRC, 20.2L, "HRC:20.3..68.0 !"},
        {kScaleHB, 0, "HB:76.0..893.0 !"},
    };
    for (const auto& c : cases) {
        ConvertHardness(kScaleHV, 300);  // something to clear
        ClearMessages();
        ConvertHardness(c.scale, c.value);
        EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
        for (int s = 1; s <= kHardnessScales; ++s)
            EXPECT_EQ(Value(s), 0) << c.message << " scale " << s;
    }
}

TEST_F(HardnessTest, TableViewConvertsFromTheRowLeftOn) {
    ScriptedUi ui;
    ScopedUi scope(ui);
    helpDirectory = VELDRIM_DATA_DIR;
    ConvertHardnessAll(kScaleHV, 240);
    ScriptedUi::OnlineReply typed;
    typed.edits = {{kScaleHRB, "110"}};
    typed.row = kScaleHRB;
    ScriptedUi::OnlineReply hv;
    hv.edits = {{kScaleHV, "300"}};
    hv.row = kScaleHV;
    ScriptedUi::OnlineReply close;
    close.ok = false;
    ui.onlineReplies = {typed, hv, close};

    ConvertHardnessDialog(7000);

    ASSERT_EQ(ui.onlineForms.size(), 3u);
    const OnlineForm& first = ui.onlineForms[0];
    EXPECT_EQ(first.caption, "A.1 (St,GS)");
    EXPECT_EQ(first.row, kScaleHB);
    EXPECT_EQ(first.inputNames[0], "Rm");
    EXPECT_EQ(first.inputUnits[0], StressUnit());
    EXPECT_EQ(first.outputNames[1], "HV   ");
    EXPECT_EQ(first.outputNames[10], "HB  ");
    EXPECT_EQ(first.outputTexts[0], FormatNum(770));
    EXPECT_EQ(first.inputTexts[10], FormatNum(228));
    EXPECT_TRUE(first.inputHints[1].starts_with("Vickers")) << first.inputHints[1];
    // HRB 110 is refused: every output "n.def.", the range in the messages.
    const OnlineForm& refused = ui.onlineForms[1];
    for (int i = 0; i < kHardnessScales; ++i) EXPECT_EQ(refused.outputTexts[i], "n.def.") << i;
    EXPECT_EQ(refused.messages, std::vector<std::string>{"HRB:41.0..105.0 !"});
    // HV 300 converts; the messages of the earlier pass are gone.
    const OnlineForm& converted = ui.onlineForms[2];
    EXPECT_EQ(converted.outputTexts[kScaleHB - 1], FormatNum(285));
    EXPECT_TRUE(converted.messages.empty());
    EXPECT_NEAR(ConvertedHardness(kScaleHB), 285, 1E-12L);
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(errorDisplayFlag);
}

}  // namespace
}  // namespace veldrim
