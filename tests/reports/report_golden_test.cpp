// The calculation report of the shipped demo set, byte for byte: every row's
// label, symbol, unit and number format. The TXT report and the paged text
// destination, written on a fixed date and time into a temporary folder.
// VELDRIM_REGENERATE_DEMO=1 writes the golden files anew.

#include "report_test_support.h"
#include "calc/worm_geometry.h"
#include "reports/calc_report.h"
#include "support/demo_data_set.h"

namespace veldrim {
namespace {
using namespace testing_support;

class GoldenReport : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        veldrim::testing::LoadDemoDataSet();
        ASSERT_FALSE(fatalFlag);
        ui.batch = true;
        askBeforeOverwriteFlag = false;
    }
    // The report of mode 0 to `destination`; the temporary folder's random
    // part, which the header shows, is replaced by as many "X".
    std::string Report(std::uint16_t destination) {
        std::string text = Produce(destination, [] { PrintResultReport(0); });
        const std::string fixed = dir.substr(0, dir.size() - 6) + "XXXXXX";
        for (std::size_t at; (at = text.find(dir)) != std::string::npos;)
            text.replace(at, dir.size(), fixed);
        return text;
    }
    static void ExpectGolden(const std::string& text, const std::string& leaf) {
        const std::string golden = std::string(VELDRIM_TEST_DIR) + "/reports/golden/" + leaf;
        if (std::getenv("VELDRIM_REGENERATE_DEMO")) veldrim::testing::Spit(golden, text);
        const std::string expected = Slurp(golden);
        ASSERT_FALSE(expected.empty()) << golden;
        const auto got = CrLfLines(text), want = CrLfLines(expected);
        for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i)
            ASSERT_EQ(got[i], want[i]) << leaf << " line " << i + 1;
        EXPECT_EQ(got.size(), want.size()) << leaf;
        EXPECT_EQ(text, expected) << leaf << ": regenerate with VELDRIM_REGENERATE_DEMO=1";
    }
};

TEST_F(GoldenReport, TxtReportOfTheDemoSet) {
    const std::string text = Report(kReportTxtFile);
    for (const char* severity : {"Fehler", "Warnung", "Fatal"})
        EXPECT_FALSE(Contains(text, severity)) << severity;
    ExpectGolden(text, "demo-report.txt");
}

// The default set no longer measures over balls of 0 mm: the chosen 6.9 mm
// balls are printed, and no ball message follows.
TEST_F(GoldenReport, TheDefaultSetPrintsItsChosenBalls) {
    ResetGearData();
    RunCalculation();
    const std::string text = Report(kReportTxtFile);
    EXPECT_FALSE(Contains(text, "Dm ball")) << text;
    EXPECT_EQ(FindRow(TxtRows(text), "Dm"),
              (Row{"Kugel-und Rollendurchmesser", "Dm", "mm", "6.900", "6.900"}));
}

TEST_F(GoldenReport, PagedTextReportOfTheDemoSet) {
    ExpectGolden(Report(kReportTextFile), "demo-report-paged.txt");
}

// With the wheel driving, the entered 3.5 kW stand in the wheel's column and
// the worm's output beside it (2.8048 kW after Niemann, 2.8744 kW after DIN
// 3996:2012; reference/worm_reference.py); the torques follow.
TEST_F(GoldenReport, AWheelDrivenSetShowsItsPowersInTheirColumns) {
    veldrim::testing::LoadWheelDrivenDemoSet();
    ASSERT_FALSE(fatalFlag);
    const std::string text = Report(kReportTxtFile);
    const auto niemann = TxtRows(text, "BETRIEBSDATEN", "ZAHNKR");
    EXPECT_EQ(FindRow(niemann, "P"), (Row{"Nennleistung (Niemann)", "P", "kW", "2.805", "3.500"}));
    EXPECT_EQ(FindRow(niemann, "T"), (Row{"Drehmoment  (Niemann)", "T", "Nm", "18.5", "472.5"}));
    const auto din = TxtRows(text, "BETRIEBSDATEN NACH DIN 3996:2012", "ZAHNKR");
    EXPECT_EQ(FindRow(din, "P"), (Row{"Nennleistung (DIN 3996)", "P", "kW", "2.874", "3.500"}));
    EXPECT_EQ(FindRow(din, "T"), (Row{"Drehmoment (DIN 3996)", "T", "Nm", "18.9", "472.5"}));
}

}  // namespace
}  // namespace veldrim
