// The sibling program's data file, written by the worm and the wheel export
// of the shipped demo set. Line positions are counted by hand from the file
// layout: a header of 6 lines, the fixed rows up to line 169, the drawing
// documentation (8 lines with no changes and no positioned texts), the five
// document links (18 lines), the rows up to the ISO 7200 block (7 lines) and
// the tail with the load-spectrum block; 289 lines for one load-spectrum row.
// VELDRIM_REGENERATE_DEMO=1 writes the golden files anew.

#include "reports/sibling_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include "app/data_file_sections.h"
#include "app/document_links.h"
#include "calc/records.h"
#include "drawings/drawing_info.h"
#include "foundation/files.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "app/app_test_support.h"
#include "support/demo_data_set.h"
#include "support/fault_calls.h"
#include "support/outside_programs.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::CrLfLines;
using testing::FaultCalls;
using testing::Slurp;

constexpr std::size_t kDemoLines = 289;

class SiblingFile : public testing::AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        InstallDataFileSections();
        programVersionSource = [](const std::string&) { return std::string("2.1.3"); };
        reportHeaderLines[1] = "Getriebebau Nord";
        reportHeaderLines[2] = "Abteilung Konstruktion";
        askBeforeOverwriteFlag = false;
        testing::LoadDemoDataSet();
        ASSERT_FALSE(fatalFlag);
        dataDirectory = dir;
        currentFileName = "demo";
        dataFileExtension = "qb3";
    }

    // Runs an export whose save dialog answers with leaf in the temporary
    // folder; the file's lines (none when nothing was written).
    std::vector<std::string> Export(bool wheel, const std::string& leaf, int section = 1) {
        ui.QueueText(tmp / leaf);
        wheel ? ExportWheelToSiblingFile() : ExportWormToSiblingFile(section);
        return CrLfLines(Slurp(tmp / (BaseNameOf(leaf) + ".qub")));
    }
    // Line n of the file, counted from 1.
    static const std::string& At(const std::vector<std::string>& lines, std::size_t n) {
        static const std::string none = "<no line>";
        return n >= 1 && n <= lines.size() ? lines[n - 1] : none;
    }
};

struct Golden {
    bool wheel;
    const char* leaf;
    const char* z1;  // the equivalent pair's first tooth count
};

class SiblingGolden : public SiblingFile, public ::testing::WithParamInterface<Golden> {};

TEST_P(SiblingGolden, DemoSetExportMatchesItsGoldenFile) {
    const Golden& p = GetParam();
    const auto lines = Export(p.wheel, p.leaf);
    ASSERT_FALSE(cancelFlag);
    const std::string text = Slurp(tmp / p.leaf);
    const std::string golden = std::string(VELDRIM_TEST_DIR) + "/app/golden/" + p.leaf;
    if (std::getenv("VELDRIM_REGENERATE_DEMO")) testing::Spit(golden, text);
    EXPECT_EQ(text, Slurp(golden)) << p.leaf << ": regenerate with VELDRIM_REGENERATE_DEMO=1";

    ASSERT_EQ(lines.size(), kDemoLines);
    const std::string rule11(11, '-');
    const std::map<std::size_t, std::string> literal = {
        {1, std::string(65, '-')},
        {2, "V E L D R I M    -    Software  V 2.1.3"},
        {5, "Getriebebau Nord"},
        {6, "Abteilung Konstruktion"},
        {7, "Schnecke"},
        {8, "VG-100-01"},
        {9, "Schneckenrad"},
        {10, "VG-100-02"},
        {11, rule11},
        {12, rule11},
        {13, rule11},
        {14, rule11},
        {23, rule11},
        {25, p.z1},
        {42, "41"},           // z2
        {65, "740.0000000"},  // the gear pair's export block starts at 740 ...
        {78, std::string(12, '-')},
        {101, "calculating mode  1=DIN3990T.1   2=DIN3990T.41   3=input factors  4=ISO6336"},
        {102, "4"},  // ISO 6336
        {112, "1.0000000"},
        {127, "----"},
        {128, "V6.0"},
        {136, "1.0000000"},
        {137, "1.0000000"},
        {138, "1.0000000"},
        {139, "1.0000000"},  // ... and 1.0
        {155, "Lastkollektiv"},
        {156, std::string(13, '-')},
        {157, "0"},  // load-spectrum kind
        {158, "1"},  // one row
        {159, "1.0000000"},
        {160, "1.0000000"},
        {170, "\x8Enderung"},  // the drawing documentation's change caption
        {178, "Dokumente"},
        {179, "5"},
        {234, "0"},          // d17
        {235, "1"},          // the flag d5 as an integer
        {237, "0"},          // hide warnings off
        {238, "1.0000000"},  // d4
        {259, "ISO 7200 Header"},
        {265, "---"},
        {277, "1.0000000"},  // the load-spectrum row's third value
        {279, "Calc mode: 0=KA 1=KA+Miner"},
    };
    for (const auto& [n, want] : literal) EXPECT_EQ(At(lines, n), want) << p.leaf << " line " << n;
    // The one value written twice.
    EXPECT_EQ(At(lines, 113), At(lines, 114));

    // d1, d2, d3, d6 ... d13, d15, d16 in a row; d14 (190) is not among them.
    const std::vector<std::string> defaults = {
        "20.0000000",   "15.0000000", "50.0000000",  "100.0000000",  "10000.0000000",
        "1450.0000000", "15.0000000", "800.0000000", "1500.0000000", "210000.0000000",
        "0.3000000",    "2.0000000",  "1.0000000"};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 220, lines.begin() + 233), defaults);

    std::map<std::size_t, std::string> flags;
    for (std::size_t n = 1; n <= lines.size(); ++n)
        if (lines[n - 1] == "TRUE" || lines[n - 1] == "FALSE") flags[n] = lines[n - 1];
    const std::map<std::size_t, std::string> wantFlags = {
        {218, "TRUE"},  {240, "TRUE"},  {241, "TRUE"},  {243, "FALSE"},
        {246, "FALSE"}, {258, "FALSE"}, {270, "FALSE"}, {271, "FALSE"},
        {281, "FALSE"}, {282, "FALSE"}, {289, "FALSE"}};
    EXPECT_EQ(flags, wantFlags);
}

INSTANTIATE_TEST_SUITE_P(WormAndWheel, SiblingGolden,
                         ::testing::Values(Golden{false, "demo-worm.qub", "-5000"},
                                           Golden{true, "demo-wheel.qub", "2"}),
                         [](const auto& info) { return info.param.wheel ? "Wheel" : "Worm"; });

// The worm against its near-rack has the lead angle as helix angle, the
// wheel's axial section the shaft angle less the lead angle: for the demo
// set's right-angled shafts the two add up to 90 degrees.
TEST_F(SiblingFile, WormAndWheelHelixAnglesMakeUpTheShaftAngle) {
    const auto worm = Export(false, "w.qub");
    const auto wheel = Export(true, "r.qub");
    ASSERT_EQ(worm.size(), kDemoLines);
    ASSERT_EQ(wheel.size(), kDemoLines);
    EXPECT_NEAR(std::stold(At(worm, 16)) + std::stold(At(wheel, 16)), 90.0L, 2E-7L);
    EXPECT_EQ(At(worm, 15), "20.0000000");  // the normal pressure angle
    EXPECT_EQ(At(worm, 40), At(worm, 15));  // repeated at the end of each gear's group
    EXPECT_EQ(At(worm, 57), At(worm, 15));
}

TEST_F(SiblingFile, HideWarningsLineFollowsTheSetting) {
    for (const bool hide : {false, true}) {
        hideWarningsFlag = hide;
        const auto lines = Export(false, hide ? "hide.qub" : "show.qub");
        EXPECT_EQ(At(lines, 237), hide ? "1" : "0") << hide;
    }
}

// The demo set's worm has two threads; the axial section is its second
// export, a one-thread worm keeps to the radial one.
TEST_F(SiblingFile, AxialSectionOnlyForAWormOfSeveralThreads) {
    EXPECT_EQ(At(Export(false, "axial.qub", 2), 25), "2");
    gearPair.z[1] = 1;
    wormGear.keptThreadCount = 1;
    EXPECT_EQ(At(Export(false, "single.qub", 2), 25), "-5000");
    EXPECT_EQ(gearPair.z[1], 1);
}

// A count beyond the table's one row writes that one row, a negative count
// none; the count line says what follows.
TEST_F(SiblingFile, LoadSpectrumRowCountIsClampedToTheTable) {
    struct Case {
        std::int32_t count;
        const char* written;
        std::size_t lines;
    };
    for (const Case& c : {Case{1, "1", kDemoLines}, Case{5, "1", kDemoLines},
                          Case{0, "0", kDemoLines - 3}, Case{-2, "0", kDemoLines - 3}}) {
        SCOPED_TRACE(c.count);
        gearPair.loadSpectrumRowCount = c.count;
        const auto lines = Export(false, "ls" + std::to_string(c.count + 10) + ".qub");
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(At(lines, 158), c.written);
        EXPECT_EQ(gearPair.loadSpectrumRowCount, c.count);  // the data set keeps its count
        EXPECT_EQ(lines.size() >= 13 ? lines[lines.size() - 11] : "", "Calc mode: 0=KA 1=KA+Miner");
    }
}

// Whatever way an export ends, the data set, its file name, its folder and
// its extension are those of before; so are the last calculation's messages.
TEST_F(SiblingFile, ExportLeavesTheDataSetAndItsFileAsTheyWere) {
    enum Way { kWormWritten, kWheelWritten, kCancelled, kMissingFolder, kDiskFull, kFatalPair };
    for (const Way way :
         {kWormWritten, kWheelWritten, kCancelled, kMissingFolder, kDiskFull, kFatalPair}) {
        SCOPED_TRACE(way);
        testing::LoadDemoDataSet();
        gearPair.rho[2] = 0;  // the equivalent pair's checks repair a density of 0
        if (way == kFatalPair) wormGear.mn = 0;
        AddMessage("Warnung: from the last calculation");
        const GearPairRecord pair = gearPair;
        const WormGearRecord gear = wormGear;
        const MessageList messages = messageList;
        dataDirectory = dir;
        currentFileName = "demo";
        dataFileExtension = "qb3";
        ui.calls.clear();
        switch (way) {
            case kCancelled: ui.QueueText(std::nullopt); break;
            case kMissingFolder: ui.QueueText(tmp / "missing/x.qub"); break;
            case kDiskFull: ui.QueueText(tmp / "full.qub"); break;
            case kFatalPair: break;
            default: ui.QueueText(tmp / "ok.qub"); break;
        }
        {
            std::optional<FaultCalls> full;
            if (way == kDiskFull) full.emplace(FaultCalls::kFullDisk, 1);
            way == kWheelWritten ? ExportWheelToSiblingFile() : ExportWormToSiblingFile(1);
        }
        EXPECT_EQ(cancelFlag, way >= kCancelled);
        if (way <= kWheelWritten) {
            EXPECT_EQ(CrLfLines(Slurp(tmp / "ok.qub")).size(), kDemoLines);
        }
        EXPECT_EQ(gearPair.z[1], 2);
        EXPECT_EQ(gearPair.rho[2], 0);
        EXPECT_TRUE(gearPair == pair);
        EXPECT_TRUE(wormGear == gear);
        EXPECT_EQ(currentFileName, "demo");
        EXPECT_EQ(dataDirectory, dir);
        EXPECT_EQ(dataFileExtension, "qb3");
        EXPECT_EQ(messageList.count, messages.count);
        EXPECT_EQ(messageList.slot, messages.slot);
        EXPECT_FALSE(fatalFlag);
        EXPECT_EQ(ui.CallsOf("save").size(), way == kFatalPair ? 0u : 1u);
        if (way == kFatalPair) {
            const auto shown = ui.CallsOf("message");
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, "Fatal  : mn <= 0!");
        }
    }
    EXPECT_FALSE(fs::exists(tmp / "missing"));
    EXPECT_FALSE(fs::exists(tmp / "full.qub"));
}

// Change entries, positioned texts and an empty load spectrum change the
// length of the file; the independent reader still finds every line where
// the layout puts it.
TEST_F(SiblingFile, IndependentReaderWalksAFileWithChangesAndTexts) {
    drawingInfo.changes = {{"a", "2026-12-01", "JW", "Zeile 1\r\nZeile 2"},
                           {"b", "2026-12-02", "KM", "neu"}};
    drawingInfo.texts = {{12.5L, -3.25L, 3.5L, 90, "Text mit | Strich", 2}, {0, 0, 2.5L, 0, "", 0}};
    documentLinks[2] = {"xdg-open", "/home/user/zeichnung.pdf"};
    gearPair.loadSpectrumRowCount = 0;
    const auto lines = Export(true, "rich.qub");
    EXPECT_EQ(lines.size(), kDemoLines + 2 * 5 + 2 - 3);  // two changes, two texts, no row
    int status = -1;
    EXPECT_EQ(testing::RunOutside(
                  {"/usr/bin/python3", std::string(VELDRIM_TEST_DIR) + "/app/qub_layout_check.py",
                   tmp / "rich.qub"},
                  &status),
              "OK " + std::to_string(kDemoLines + 9) + " " + tmp / "rich.qub" + "\n");
    EXPECT_EQ(status, 0);
}

// The save replaces a linked file through its link, as every save does.
TEST_F(SiblingFile, ASymbolicLinkStaysALink) {
    testing::Spit(tmp / "target.qub", "old\r\n");
    fs::create_symlink(tmp / "target.qub", tmp / "link.qub");
    const auto lines = Export(false, "link.qub");
    EXPECT_TRUE(fs::is_symlink(tmp / "link.qub"));
    EXPECT_EQ(CrLfLines(Slurp(tmp / "target.qub")).size(), kDemoLines);
}

}  // namespace
}  // namespace veldrim
