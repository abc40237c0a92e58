// Polylines (real in DXF, emulated elsewhere) and dimensions with their
// deviation texts.

#include "graphics/polylines_dims.h"

#include <gtest/gtest.h>

#include "dxf_test_support.h"
#include "foundation/codepage.h"
#include "graphics/cad_primitives.h"

namespace veldrim {
namespace {

using testing_support::CadFixture;

constexpr Real kPi = 3.141592653589793238462643383279502884L;

class PolylineTest : public CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        BeginRecordedScreenRun();
        Log().clear();
    }
    void TearDown() override {
        CadEndOutput();
        CadFixture::TearDown();
    }
    static void Polyline(std::initializer_list<std::array<Real, 3>> vertices) {
        CadBeginPolyline(0);
        for (const auto& v : vertices) CadPolylineVertex(v[0], v[1], v[2]);
        CadEndPolyline();
    }
    // Texts drawn, in order.
    std::vector<std::string> Texts() {
        std::vector<std::string> out;
        for (const auto& l : Log())
            if (l.starts_with("TEXT '")) out.push_back(l.substr(6, l.find('\'', 6) - 6));
        return out;
    }
};

TEST_F(PolylineTest, EmulatedPolylineDrawsLinesAndArcsBetweenItsOwnVertices) {
    CadOutputState.arcsAsLinesFlag = 0;
    const struct {
        const char* name;
        std::vector<std::array<Real, 3>> vertices;
        std::vector<std::string> drawn;
    } cases[] = {
        {"quarter arc counter-clockwise",
         {{0, 0, 0}, {10, 0, kPi / 2}, {10, 10, 0}},
         {"LINE 0.0000 0.0000 10.0000 0.0000 L0",
          "ARC 5.0000 5.0000 315.0000 45.0000 7.0711 sweep 90.0000 L0"}},
        // Clockwise: the arc still runs between (10, 0) and (20, 0), above the chord.
        {"quarter arc clockwise",
         {{10, 0, -kPi / 2}, {20, 0, 0}},
         {"ARC 15.0000 -5.0000 45.0000 135.0000 7.0711 sweep 90.0000 L0"}},
        {"half circle clockwise",
         {{0, 0, -kPi}, {10, 0, 0}},
         {"ARC 5.0000 0.0000 0.0000 180.0000 5.0000 sweep 180.0000 L0"}},
    };
    for (const auto& c : cases) {
        Log().clear();
        CadBeginPolyline(0);
        for (const auto& v : c.vertices) CadPolylineVertex(v[0], v[1], v[2]);
        CadEndPolyline();
        EXPECT_EQ(Log(), c.drawn) << c.name;
    }
}

TEST_F(PolylineTest, ChordsOfAClockwiseArcStayOnItsSideAndEndOnTheVertex) {
    CadOutputState.arcsAsLinesFlag = 1;
    CadOutputState.chordTolerance = 0.5L;
    Polyline({{10, 0, -kPi / 2}, {20, 0, 0}});
    ASSERT_GT(Log().size(), 5u);
    EXPECT_TRUE(Log().front().starts_with("LINE 10.0000 0.0000 "));
    EXPECT_TRUE(Log().back().ends_with(" 20.0000 0.0000 L0"));
    for (const auto& l : Log()) {
        std::stringstream ss(l.substr(5));
        Real x1, y1, x2, y2;
        ss >> x1 >> y1 >> x2 >> y2;
        EXPECT_GE(y1, 0) << l;
        EXPECT_LE(y2, 2.0712L) << l;
    }
}

TEST_F(PolylineTest, DxfGetsARealPolylineWithBulges) {
    CadEndOutput();
    const std::filesystem::path file = dir / "poly.dxf";
    ui.QueueText(file.string());
    CadBeginOutput(kCadDxf);
    ASSERT_FALSE(cancelFlag);
    CadBeginEntities();
    CadSetOrigin(1, 2);
    Polyline({{0, 0, 0}, {10, 0, kPi / 2}, {10, 10, 0}});
    CadOutputState.polylineOutputFlag = 0;
    CadOutputState.arcsAsLinesFlag = 0;
    Polyline({{0, 0, 0}, {10, 0, kPi / 2}, {10, 10, 0}});
    CadEndSection();
    CadEndOutput();
    const std::string text = ReadFile(file);
    const std::string expected =
        "  0\r\nPOLYLINE\r\n  8\r\n0\r\n 66\r\n1\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n1.000000\r\n 20\r\n2.000000\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n11.000000\r\n 20\r\n2.000000\r\n 42\r\n0.41421356\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n11.000000\r\n 20\r\n12.000000\r\n"
        "  0\r\nSEQEND\r\n  8\r\n0\r\n"
        // Without the polyline flag: a line and an arc.
        "  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n1.000000\r\n 20\r\n2.000000\r\n 11\r\n11.000000\r\n"
        " 21\r\n2.000000\r\n"
        "  0\r\nARC\r\n  8\r\n0\r\n 10\r\n6.000000\r\n 20\r\n7.000000\r\n 40\r\n7.071068\r\n"
        " 50\r\n-45.00000000\r\n 51\r\n45.00000000\r\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
}

TEST_F(PolylineTest, RestartPathStartsANewOutline) {
    Polyline({{0, 0, 0}, {1, 0, 0}});
    CadRestartPath();
    CadPolylineVertex(5, 5, 0);
    CadPolarVertex(2, kPi / 2, 0);
    EXPECT_EQ(Log(), (std::vector<std::string>{"LINE 0.0000 0.0000 1.0000 0.0000 L0",
                                               "LINE 5.0000 5.0000 0.0000 2.0000 L0"}));
}

TEST_F(PolylineTest, DeviationTexts) {
    const std::string pm = std::string("±"_cp850);
    const struct {
        const char* upper;
        const char* lower;
        std::vector<std::string> texts;
    } cases[] = {
        {"", "", {"20"}},
        {"+0.1", "-0.1", {"20", pm + "+0.1"}},
        {"0.2", "0", {"20", "+0.2"}},
        {"", "-0.1", {"20", "-0.1"}},
        {"0.05", "", {"20", "0.05"}},
        {"+0.2", "-0.1", {"20", "-0.1", "+0.2"}},
        {"0,3", "0,1", {"20", "+0,1", "+0,3"}},
        {"-0.1", "-0.3", {"20", "-0.3", "-0.1"}},
    };
    for (const auto& c : cases) {
        Log().clear();
        CadDimensionLineHorizontal("20", c.upper, c.lower, 0, 40, 10);
        EXPECT_EQ(Texts(), c.texts) << c.upper << " / " << c.lower;
    }
}

// Arrow heads as drawn: the x range of each SOLID.
std::vector<std::pair<Real, Real>> ArrowRanges(const std::vector<std::string>& log) {
    std::vector<std::pair<Real, Real>> out;
    for (const auto& l : log) {
        if (!l.starts_with("SOLID ")) continue;
        std::stringstream ss(l.substr(6));
        Real lo = 1E9L, hi = -1E9L;
        for (int i = 0; i < 4; ++i) {
            Real x, y;
            ss >> x >> y;
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
        out.emplace_back(lo, hi);
    }
    return out;
}

TEST_F(PolylineTest, ShortDimensionsGetTheirArrowsOutside) {
    CadDimensionHorizontal("8", "", "", 0, 0, 8, 0, 10);
    auto arrows = ArrowRanges(Log());
    ASSERT_EQ(arrows.size(), 2u);
    EXPECT_GE(arrows[0].first, 8 - 1E-9L);  // head right of x = 8
    EXPECT_LE(arrows[1].second, 0 + 1E-9L); // head left of x = 0
    EXPECT_EQ(Log()[0], "LINE 0.0000 0.0000 0.0000 11.0000 L3");  // extension lines reach 1 s over

    Log().clear();
    CadDimensionHorizontal("40", "", "", 0, 0, 40, 0, 10);
    arrows = ArrowRanges(Log());
    ASSERT_EQ(arrows.size(), 2u);
    EXPECT_GE(arrows[0].first, 0 - 1E-9L);
    EXPECT_LE(arrows[1].second, 40 + 1E-9L);
}

TEST_F(PolylineTest, VerticalDimensionAndLeader) {
    CadSetSymbolScale(2);
    CadDimensionVertical("12", "", "", 0, 0, 0, 30, -10);
    EXPECT_EQ(Log()[0], "LINE 0.0000 0.0000 -12.0000 0.0000 L3");
    bool vertical = false;
    for (const auto& l : Log())
        if (l.starts_with("TEXT '12' -12.0000 ") && l.find(" a=90.0000") != std::string::npos)
            vertical = true;
    EXPECT_TRUE(vertical);

    Log().clear();
    CadDimensionLeader("R5", "", "", 0, 0, 90);
    // The arrow, the leader to (10, 0), the shoulder, the text above it.
    ASSERT_GE(Log().size(), 4u);
    EXPECT_TRUE(Log()[0].starts_with("SOLID 0.0000 0.0000 "));
    EXPECT_EQ(Log()[2], "LINE 0.0000 0.0000 10.0000 0.0000 L3");
    EXPECT_TRUE(Log()[4].starts_with("TEXT 'R5' 10.0000 2.0000 h=7.0000"));
}

}  // namespace
}  // namespace veldrim
