// The diagram plotter and the percentage bar gauge: ticks, clipping,
// markers, the limits form, a diagram read back by ezdxf.

#include "graphics/diagrams/diagram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "dxf_test_support.h"
#include "foundation/text_conv.h"
#include "graphics/cad_primitives.h"
#include "graphics/diagrams/bar_gauge.h"

namespace veldrim {
namespace {

using Lines = std::vector<std::string>;

class DiagramTest : public testing_support::CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        ResetDiagramModule();
        BeginRecordedScreenRun();
        Log().clear();
    }
    Lines Texts() {
        Lines out;
        for (const std::string& l : Log())
            if (l.starts_with("TEXT '")) out.push_back(l.substr(6, l.find('\'', 6) - 6));
        return out;
    }
    Lines Starting(const std::string& prefix) {
        Lines out;
        for (const std::string& l : Log())
            if (l.starts_with(prefix)) out.push_back(l);
        return out;
    }
};

TEST_F(DiagramTest, AxisFrom0To1000GetsTicksEvery200) {
    SetDiagramSize(100, 50);
    SetDiagramOffset(20, 10);
    DrawDiagram("n", "T", "Kennlinie", 0, 0, 1000, 1, 0);
    EXPECT_EQ(static_cast<double>(DiagramState.xMin), 0);
    EXPECT_EQ(static_cast<double>(DiagramState.xMax), 1000);
    EXPECT_EQ(static_cast<double>(DiagramState.markerStep), 200);
    // 0 .. 1000 over 100 mm from x = 20: a tick every 20 mm, each 1 % of the
    // y range (0.5 mm) long below the axis.
    Lines ticks = Starting("LINE ");
    std::erase_if(ticks, [](const std::string& l) {
        return l.find(" 10.0000 ") == std::string::npos || l.find(" 9.5000 ") == std::string::npos;
    });
    EXPECT_EQ(
        ticks,
        (Lines{"LINE 20.0000 10.0000 20.0000 9.5000 L17", "LINE 40.0000 10.0000 40.0000 9.5000 L17",
               "LINE 60.0000 10.0000 60.0000 9.5000 L17", "LINE 80.0000 10.0000 80.0000 9.5000 L17",
               "LINE 100.0000 10.0000 100.0000 9.5000 L17",
               "LINE 120.0000 10.0000 120.0000 9.5000 L17"}));
    const Lines texts = Texts();
    for (const char* label : {"200", "400", "600", "800", "1000", "Kennlinie", "n", "T"})
        EXPECT_EQ(std::ranges::count(texts, label), 1) << label;
    EXPECT_EQ(std::ranges::count(texts, "0"), 2);  // both axes start at 0
    EXPECT_EQ(std::ranges::count(texts, "1200"), 0);
    // The x axis at y = 0 runs 5 % beyond the last tick, with its arrow.
    EXPECT_EQ(Starting("LINE 20.0000 10.0000 125.0000 10.0000").size(), 1u);
    EXPECT_EQ(Starting("SOLID 125.0000 10.0000").size(), 1u);
}

TEST_F(DiagramTest, SegmentsAreCutAtTheLimits) {
    SetDiagramSize(100, 100);
    SetDiagramLimits(0, 0, 10, 10);
    struct Case {
        Real x1, y1, x2, y2;
        Lines drawn;
    } cases[] = {
        {5, 5, 50, 5, {"LINE 50.0000 50.0000 100.0000 50.0000 L0"}},  // one end far outside
        {-0.05L,
         5,
         10.05L,
         5,
         {"LINE -0.5000 50.0000 100.5000 50.0000 L0"}},               // within 1 %: as given
        {-5, 5, 15, 5, {"LINE 0.0000 50.0000 100.0000 50.0000 L0"}},  // crosses with both ends out
        {-5, -5, 15, 15, {"LINE 0.0000 0.0000 100.0000 100.0000 L0"}},
        {-5, 20, 15, 20, {}},  // passes above
    };
    for (const Case& c : cases) {
        Log().clear();
        DiagramLine(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(Log(), c.drawn) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
    }
}

TEST_F(DiagramTest, CurveMarkersSitOnTheStepPositions) {
    SetDiagramSize(100, 100);
    SetDiagramLimits(0, 0, 10, 10);
    DiagramState.markerStep = 2;
    PlotCurve(5, 1, 1, 7, 7);  // markers at x = 2, 4, 6
    EXPECT_EQ(Starting("LINE ").size(), 1u + 3 * 2);
    Log().clear();
    DiagramState.markerStep = 0;  // no step: the curve without markers
    PlotCurve(5, 1, 1, 7, 7);
    EXPECT_EQ(Log(), Lines{"LINE 10.0000 10.0000 70.0000 70.0000 L0"});
}

TEST_F(DiagramTest, LegendEntryPutsItsMarkerBeforeTheText) {
    SetDiagramSize(150, 150);
    SetDiagramLimits(0, 0, 150, 150);  // one unit per drawing unit: markers 2 x 2
    CadSetTextStyle(2, 0, 5, 4);
    CadMoveTo(50, 50);
    DiagramLegendEntry("Wirkungsgrad", 2);
    // The square one text height left of the point, half a text height up;
    // the text at the point, and the point one line (1.6 heights) lower.
    EXPECT_EQ(Starting("LINE ")[0], "LINE 44.0000 51.5000 46.0000 51.5000 L0");
    EXPECT_EQ(Starting("TEXT")[0].substr(0, 36), "TEXT 'Wirkungsgrad' 50.0000 50.0000 ");
    EXPECT_EQ(static_cast<double>(CadOutputState.currentY), 42);
}

TEST_F(DiagramTest, LabelMode3LeavesOutTheXAxis) {
    DrawDiagram("x", "y", "", -10, -10, 10, 10, kDiagramNoXAxis);
    const Lines texts = Texts();
    EXPECT_EQ(std::ranges::count(texts, "x"), 0);
    EXPECT_EQ(std::ranges::count(texts, "y"), 1);
    // Only the y axis gets an arrow.
    ASSERT_EQ(Starting("SOLID").size(), 1u);
}

TEST_F(DiagramTest, LimitsFormSetsTheScaleOrLeavesTheAutomaticOne) {
    enterDiagramLimits = true;
    SetProgramParams(0, nullptr);
    CadEndOutput();
    CadWriterFactories[kCadDxf] = &testing_support::RecordingWriter::Make;
    ui.QueueText((dir / "d.dxf").string());
    CadBeginOutput(kCadDxf);
    ASSERT_FALSE(cancelFlag);
    // Cancelled: the automatic scale of 0 .. 1000, and the cancel flag clear.
    DrawDiagram("n", "T", "H", 0, 0, 1000, 1, 0);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(static_cast<double>(DiagramState.xMax), 1000);
    ASSERT_EQ(ui.CallsOf("diagram-limits").size(), 1u);
    EXPECT_EQ(ui.CallsOf("diagram-limits")[0].text, "n\nT\n0 0 1 1\n0 0 1000 1");
    // OK with 0 .. 50: the scale of the typed limits.
    ui.diagramLimitReplies.push_back(std::array<std::string, 4>{"0", "0", "50", "1"});
    DrawDiagram("n", "T", "H", 0, 0, 1000, 1, 0);
    EXPECT_EQ(static_cast<double>(DiagramState.xMax), 50);
    EXPECT_EQ(static_cast<double>(DiagramState.markerStep), 10);
    EXPECT_EQ(static_cast<double>(DiagramUserLimits[2]), 50);
    // Screen runs never ask.
    CadEndOutput();
    CadBeginOutput(kCadScreen);
    DrawDiagram("n", "T", "H", 0, 0, 1000, 1, 0);
    EXPECT_EQ(ui.CallsOf("diagram-limits").size(), 2u);
    enterDiagramLimits = false;
}

// A STEP run draws its entities twice: each diagram asks once, in the first
// pass, and the second pass draws it with the same answer.
TEST_F(DiagramTest, LimitsFormAskedOncePerStepRun) {
    enterDiagramLimits = true;
    SetProgramParams(0, nullptr);
    CadEndOutput();
    ui.QueueText((dir / "d.stp").string());
    CadBeginOutput(kCadStep);
    ASSERT_FALSE(cancelFlag);
    ui.diagramLimitReplies.push_back(std::array<std::string, 4>{"0", "0", "50", "1"});
    ui.diagramLimitReplies.push_back(std::nullopt);  // the second diagram: cancelled
    std::vector<double> first, second;
    int passes = 0;
    do {
        ++passes;
        CadBeginEntities();
        DrawDiagram("n", "T", "H", 0, 0, 1000, 1, 0);
        first.push_back(static_cast<double>(DiagramState.xMax));
        DrawDiagram("n", "T", "H2", 0, 0, 2000, 1, 0);
        second.push_back(static_cast<double>(DiagramState.xMax));
        CadEndSection();
    } while (!CadOutputComplete() && passes < 3);
    CadEndOutput();
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(ui.CallsOf("diagram-limits").size(), 2u);
    EXPECT_EQ(first, (std::vector<double>{50, 50}));
    EXPECT_EQ(second, (std::vector<double>{2000, 2000}));
    EXPECT_FALSE(cancelFlag);
    enterDiagramLimits = false;
}

TEST_F(DiagramTest, BarGaugeStacksSegmentsFromTheTop) {
    BarGauge g;
    BarGaugeInit(g, "P", 0, 0, 2, 10, 100);
    BarGaugeDraw(g, "Verlust", 30);
    BarGaugeDraw(g, "fast nichts", 0.01L);  // moves the level only
    BarGaugeDraw(g, "duenn", 0.2L);
    BarGaugeDraw(g, "Rest", 80);  // beyond the bottom: not clipped
    EXPECT_EQ(Starting("LINE 0.0000 70.0000 10.0000 70.0000").size(), 1u);
    EXPECT_EQ(Texts(), (Lines{"P", "Verlust", "duenn", "Rest"}));
    const Lines texts = Starting("TEXT");
    // The thin segment (0.2 mm) cannot hold its label: it stands under the
    // frame at the gauge's height 2, on the baseline 1.7 heights below; a
    // tall segment holds its label at the gauge's 2.
    EXPECT_NE(texts[2].find("'duenn' 0.0000 -3.4000 h=2.0000"), std::string::npos) << texts[2];
    EXPECT_NE(texts[3].find("h=2.0000"), std::string::npos) << texts[3];
    EXPECT_NEAR(static_cast<double>(g.level), -10.21, 1e-9);
}

// The demo's power balance: output 83 %, meshing 13.5 %, idling 2.5 % and
// bearings 1 % of a bar 110 mm high (segments of 91.3, 14.85, 2.75 and
// 1.1 mm), labels 3 mm high. The screen draws a text of height h 1.6 h high
// (the replay's text style) in a cell placed 0.75 of that above the
// baseline; DejaVu Sans reaches 0.93 em above and 0.24 em below its
// baseline, so a label on baseline y fills about y - 0.72 h .. y + 1.2 h.
// No segment line may run through a label, and no two labels may cover
// each other.
TEST_F(DiagramTest, BarGaugeLabelsStandClearOfTheSegmentLines) {
    BarGauge g;
    BarGaugeInit(g, "Leistungsbilanz", 222, 35, 3.0L, 50, 110);
    BarGaugeDraw(g, "Abtrieb 83.0 %", 83);
    BarGaugeDraw(g, "Verzahnung 13.5 %", 13.5L);
    BarGaugeDraw(g, "Leerlauf 2.5 %", 2.5L);
    BarGaugeDraw(g, "Lager 1.0 %", 1);
    BarGaugeNote(g, "eta 83.0 %");
    struct Box {
        std::string text;
        double x1, x2, y1, y2;
    };
    std::vector<Box> boxes;
    for (const std::string& l : Starting("TEXT '")) {
        const std::size_t end = l.find('\'', 6);
        double x = 0, y = 0, h = 0, w = 0;
        ASSERT_EQ(std::sscanf(l.c_str() + end + 1, " %lf %lf h=%lf w=%lf", &x, &y, &h, &w), 4) << l;
        const std::string text = l.substr(6, end - 6);
        boxes.push_back({text, x, x + w * text.size(), y - 0.72 * h, y + 1.2 * h});
    }
    ASSERT_EQ(boxes.size(), 6u);
    for (const std::string& l : Starting("LINE ")) {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        ASSERT_EQ(std::sscanf(l.c_str(), "LINE %lf %lf %lf %lf", &x1, &y1, &x2, &y2), 4) << l;
        if (y1 != y2) continue;  // the frame's sides
        for (const Box& b : boxes) {
            const bool acrossX = std::min(x1, x2) < b.x2 && std::max(x1, x2) > b.x1;
            EXPECT_FALSE(acrossX && y1 > b.y1 && y1 < b.y2)
                << "'" << b.text << "' (" << b.y1 << " .. " << b.y2 << ") struck by " << l;
        }
    }
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t k = i + 1; k < boxes.size(); ++k) {
            const Box &a = boxes[i], &b = boxes[k];
            const bool overlap = a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
            EXPECT_FALSE(overlap) << "'" << a.text << "' covers '" << b.text << "'";
        }
    // Idling (36.1 .. 38.85 mm) and the bearings (35 .. 36.1 mm) are too
    // thin for a label of half the height at least: theirs stand under
    // the frame, eta after them.
    EXPECT_LT(boxes[3].y2, 35) << boxes[3].text;
    EXPECT_LT(boxes[4].y2, boxes[3].y1) << boxes[4].text;
    EXPECT_LT(boxes[5].y2, boxes[4].y1) << "eta under the labels there";
    EXPECT_GT(boxes[2].y1, 38.85) << boxes[2].text << " holds its segment";
}

// 0 .. 1000 over 100 mm from x = 20 and 0 .. 100 over 50 mm from y = 10:
// grid lines every 200 (40 mm) and every 20 (10 mm). With a legend right of
// 450 the vertical lines at 600 and 800 end at the top band's lower line
// (80, y = 50 mm); those at 0 .. 400 and the frame at 1000 reach the top.
TEST_F(DiagramTest, TheLegendBandIsFreeOfTheGridsVerticalLines) {
    SetDiagramSize(100, 50);
    SetDiagramOffset(20, 10);
    DiagramState.legendFromX = 450;
    DrawDiagram("n", "T", "Kennlinie", 0, 0, 1000, 100, 0);
    EXPECT_EQ(static_cast<double>(DiagramState.gridStepY), 20);
    for (const char* x : {"20.0000", "40.0000", "60.0000", "120.0000"})
        EXPECT_EQ(Starting(std::string("LINE ") + x + " 10.0000 " + x + " 60.0000").size(), 1u)
            << x;
    for (const char* x : {"80.0000", "100.0000"}) {
        EXPECT_EQ(Starting(std::string("LINE ") + x + " 10.0000 " + x + " 50.0000").size(), 1u)
            << x;
        EXPECT_EQ(Starting(std::string("LINE ") + x + " 10.0000 " + x + " 60.0000").size(), 0u)
            << x;
    }
    EXPECT_EQ(std::isinf(DiagramState.legendFromX), true) << "taken by this diagram only";
}

class DiagramDxfTest : public testing_support::CadFixture {};

TEST_F(DiagramDxfTest, DiagramReadsBackInEzdxf) {
    if (!testing_support::HaveEzdxfChecker()) GTEST_SKIP() << "python3-ezdxf missing";
    ResetDiagramModule();
    const std::filesystem::path file = BeginDxfRun("diagram.dxf");
    CadBeginDrawing(0, 0, 160, 120, 0);
    CadWriteTables(2);
    CadBeginBlocks();
    CadEndSection();
    CadBeginEntities();
    SetDiagramSize(100, 80);
    SetDiagramOffset(30, 20);
    DrawDiagram("n", "T", "Kennlinie", 0, 0, 1000, 100, 0);
    CadSetLayer(1);
    for (int i = 0; i < 10; ++i) PlotCurve(2, i * 100, i * i, (i + 1) * 100, (i + 1) * (i + 1));
    CadEndSection();
    CadEndOutput();
    int code = -1;
    const std::vector<std::string> lines = testing_support::EzdxfCheckLines(file, code);
    const std::string out = testing::Slurp(file.string() + ".out");
    EXPECT_EQ(code, 0) << out;
    auto has = [&](const std::string& prefix) {
        return std::ranges::count_if(lines,
                                     [&](const std::string& l) { return l.starts_with(prefix); });
    };
    EXPECT_EQ(has("AUDIT errors=0 fixes=0"), 1) << out;
    // Axes: x along y = 0 from the origin to 5 % beyond 1000, y up to 5 % beyond 100.
    EXPECT_EQ(has("LINE 30.0000 20.0000 135.0000 20.0000 "), 1) << out;
    EXPECT_EQ(has("LINE 30.0000 20.0000 30.0000 104.0000 "), 1) << out;
    // x ticks every 200 (20 mm), y ticks every 20 (16 mm).
    EXPECT_EQ(has("TEXT '0' "), 2) << out;  // both axes start at 0
    for (int i = 0; i <= 5; ++i) {
        if (i > 0) {
            EXPECT_EQ(has("TEXT '" + std::to_string(i * 200) + "' "), 1) << i;
            EXPECT_EQ(has("TEXT '" + std::to_string(i * 20) + "' "), 1) << i;
        }
        EXPECT_EQ(has("LINE " + testing_support::N(30 + 20 * i) + " 20.0000 " +
                      testing_support::N(30 + 20 * i) + " 19.2000 "),
                  1)
            << i;
    }
    // The curve: ten segments on layer 1 plus the square markers at every 200.
    EXPECT_EQ(has("LINE 30.0000 20.0000 40.0000 20.8000 "), 1) << out;
    EXPECT_EQ(has("LINE 120.0000 84.8000 130.0000 100.0000 "), 1) << out;
}

}  // namespace
}  // namespace veldrim
