// The result diagram is offered only for a data set with results; the
// limits the user types keep it whole and on the sheet.
#include "drawings/result_diagram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "app/app_state.h"
#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "graphics/diagrams/diagram.h"
#include "graphics/dxf_test_support.h"

namespace veldrim {
namespace {

// A calculated set of the demo's kind: ISO VG 220 polyglycol (220 and
// 40 mm²/s), 3 kW output at 82 % efficiency.
void CalculatedSet() {
    ResetAllProgramState();
    wormGear.v40 = 220;
    wormGear.v100 = 40;
    wormGear.P = 3;
    wormGear.eta = 0.82L;
    fatalFlag = false;
}

TEST(ResultDiagram, NeedsViscositiesAPowerAndAnEfficiency) {
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"calculated set", [] {}},
        {"calculation ended fatal", [] { fatalFlag = true; }},
        {"no viscosity at 100 degrees", [] { wormGear.v100 = 0; }},
        {"viscosity rising with temperature", [] { wormGear.v100 = 300; }},
        {"no output power", [] { wormGear.P = 0; }},
        {"no efficiency", [] { wormGear.eta = 0; }},
    };
    for (const auto& [what, change] : cases) {
        CalculatedSet();
        change();
        EXPECT_EQ(ResultDiagramAvailable(), std::string(what) == "calculated set") << what;
    }
    ResetAllProgramState();
}

// A DXF run that asks for the diagram limits, its entities recorded.
class ResultDiagramLimitsTest : public testing_support::CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        // The calculated set above, its wheel at 70 degrees.
        wormGear.v40 = 220;
        wormGear.v100 = 40;
        wormGear.P = 3;
        wormGear.eta = 0.82L;
        wormGear.thetaM = 70;
        CadOutputState.execFlag = 0;  // no viewer is started on the written file
        enterDiagramLimits = true;
        SetProgramParams(0, nullptr);
        CadWriterFactories[kCadDxf] = &testing_support::RecordingWriter::Make;
    }
    // The entities of the diagram drawn with these answers of the form.
    std::vector<std::string> Drawn(
        std::initializer_list<std::optional<std::array<std::string, 4>>> replies) {
        for (const auto& r : replies) ui.diagramLimitReplies.push_back(r);
        ui.QueueText((dir / "d.dxf").string());
        CadBeginOutput(kCadDxf);
        EXPECT_FALSE(cancelFlag);
        Log().clear();
        DrawResultDiagram();
        CadEndOutput();
        return Log();
    }
    // The beeps and messages of the UI in their order ("beep", "message").
    std::vector<std::string> BeepsAndMessages() const {
        std::vector<std::string> kinds;
        for (const auto& c : ui.calls)
            if (c.kind == "beep" || c.kind == "message") kinds.push_back(c.kind);
        return kinds;
    }
    // Every point of a recorded entity: "LINE x1 y1 x2 y2 L3", "TEXT 'a b'
    // x y h=..", "CIRCLE x y r L0", "SOLID x1 y1 .. x4 y4 L4".
    static std::vector<std::pair<double, double>> Points(const std::string& entity) {
        std::string rest = entity.substr(entity.find(' ') + 1);
        if (entity.starts_with("TEXT")) rest = rest.substr(rest.rfind("' ") + 2);
        std::istringstream in(rest);
        std::vector<double> v;
        for (std::string word; in >> word && word[0] != 'L' && word[0] != 'h' && word != "sweep";)
            v.push_back(std::stod(word));
        if (entity.starts_with("CIRCLE") || entity.starts_with("ARC")) v.resize(2);
        std::vector<std::pair<double, double>> out;
        for (std::size_t i = 0; i + 1 < v.size(); i += 2) out.emplace_back(v[i], v[i + 1]);
        return out;
    }
};

TEST_F(ResultDiagramLimitsTest, ReversedEmptyAndNonNumberLimitsAreRefusedNamingTheField) {
    const std::vector<std::string> automatic = Drawn({std::nullopt});
    ASSERT_FALSE(automatic.empty());
    const struct {
        std::array<std::string, 4> typed;  // x min, y min, x max, y max
        std::string message;
    } cases[] = {
        {{"120", "100", "20", "0"}, std::string("x max (°C): muss größer als x min sein !"_cp850)},
        {{"20", "0", "20", "300"}, std::string("x max (°C): muss größer als x min sein !"_cp850)},
        {{"20", "5", "120", "5"}, std::string("y max (mm²/s): muss größer als y min sein !"_cp850)},
        {{"20", "0", "abc", "300"}, std::string("x max (°C): Ungültige Eingabe \"abc\" !"_cp850)},
        {{"20", "", "120", "300"}, std::string("y min (mm²/s): Ungültige Eingabe \"\" !"_cp850)},
        {{"20", "0", "120", "1e99999"},
         std::string("y max (mm²/s): Ungültige Eingabe \"1e99999\" !"_cp850)},
    };
    for (const auto& c : cases) {
        const std::string what =
            c.typed[0] + " " + c.typed[1] + " " + c.typed[2] + " " + c.typed[3];
        ui.calls.clear();
        // The refused limits, then the form cancelled: the automatic scale.
        EXPECT_EQ(Drawn({c.typed, std::nullopt}), automatic) << what;
        std::vector<std::string> shown;
        for (const auto& m : ui.CallsOf("message")) shown.push_back(m.text);
        EXPECT_EQ(shown, std::vector<std::string>{c.message}) << what;
        // One beep, then the message, as the input dialogs refuse an entry.
        EXPECT_EQ(BeepsAndMessages(), (std::vector<std::string>{"beep", "message"})) << what;
        // The form came again with what was typed.
        const auto asked = ui.CallsOf("diagram-limits");
        ASSERT_EQ(asked.size(), 2u) << what;
        EXPECT_NE(asked[1].text.find("\n" + what + "\n"), std::string::npos) << asked[1].text;
        EXPECT_EQ(static_cast<double>(DiagramUserLimits[2]), 1) << what;
    }
    // A comma is a decimal point; the limits typed make the scale.
    ui.calls.clear();
    Drawn({std::array<std::string, 4>{"20", "0", "120,5", "300"}});
    EXPECT_THAT(BeepsAndMessages(), ::testing::IsEmpty());
    EXPECT_EQ(static_cast<double>(DiagramUserLimits[2]), 120.5);
}

TEST_F(ResultDiagramLimitsTest, LimitsThatLeaveTheDataOutKeepEverythingOnTheSheet) {
    const std::array<std::string, 4> limits[] = {
        {"0", "0", "10", "1"},          // the curve and the mark right of the diagram
        {"60", "0", "80", "1"},         // the mark's viscosity far above it
        {"20", "1000", "120", "1009"},  // a y scale without a band for the legend
    };
    for (const auto& l : limits) {
        const std::string what = l[0] + " " + l[1] + " " + l[2] + " " + l[3];
        const std::vector<std::string> drawn = Drawn({l});
        EXPECT_EQ(static_cast<double>(DiagramUserLimits[3]), std::stod(l[3])) << what;
        int legendRows = 0;
        for (const std::string& e : drawn) {
            if (e.find("Radmassentemperatur") != std::string::npos) ++legendRows;
            // The A4 landscape sheet, 297 x 210.
            for (const auto& [x, y] : Points(e)) {
                EXPECT_GE(x, 0) << what << ": " << e;
                EXPECT_LE(x, 297) << what << ": " << e;
                EXPECT_GE(y, 0) << what << ": " << e;
                EXPECT_LE(y, 210) << what << ": " << e;
            }
        }
        EXPECT_EQ(legendRows, 1) << what;
    }
}

}  // namespace
}  // namespace veldrim
