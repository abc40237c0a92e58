// Polylines (real in DXF, emulated elsewhere) and dimensions.

#include "graphics/polylines_dims.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "dxf_test_support.h"
#include "foundation/codepage.h"
#include "graphics/cad_primitives.h"

using ::testing::EndsWith;
using ::testing::StartsWith;

namespace veldrim {
namespace {

using testing_support::CadFixture;
using Lines = std::vector<std::string>;

constexpr Real kPi = 3.141592653589793238462643383279502884L;

void Polyline(std::initializer_list<std::array<Real, 3>> vertices) {
    CadBeginPolyline(0);
    for (const auto& v : vertices) CadPolylineVertex(v[0], v[1], v[2]);
    CadEndPolyline();
}

// The numbers of a recorded entity line after its keyword.
std::vector<Real> Numbers(const std::string& line, int count) {
    std::stringstream ss(line.substr(line.find(' ') + 1));
    std::vector<Real> v(static_cast<std::size_t>(count));
    for (Real& x : v) ss >> x;
    return v;
}

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
};

TEST_F(PolylineTest, EmulatedPolylineDrawsLinesAndArcsBetweenItsOwnVertices) {
    CadOutputState.arcsAsLinesFlag = 0;
    Polyline({{0, 0, 0}, {10, 0, kPi / 2}, {10, 10, 0}});
    // Clockwise: the arc still runs between (10, 0) and (20, 0), above the chord.
    Polyline({{10, 0, -kPi / 2}, {20, 0, 0}});
    Polyline({{0, 0, -kPi}, {10, 0, 0}});
    // A restarted path draws no line from the old end.
    CadRestartPath();
    CadPolylineVertex(5, 5, 0);
    CadPolarVertex(2, kPi / 2, 0);
    EXPECT_EQ(Log(), (Lines{"LINE 0.0000 0.0000 10.0000 0.0000 L0",
                            "ARC 5.0000 5.0000 315.0000 45.0000 7.0711 sweep 90.0000 L0",
                            "ARC 15.0000 -5.0000 45.0000 135.0000 7.0711 sweep 90.0000 L0",
                            "ARC 5.0000 0.0000 0.0000 180.0000 5.0000 sweep 180.0000 L0",
                            "LINE 5.0000 5.0000 0.0000 2.0000 L0"}));
    // As chords the clockwise arc stays above its chord and ends on the vertex.
    CadOutputState.arcsAsLinesFlag = 1;
    CadOutputState.chordTolerance = 0.5L;
    Log().clear();
    Polyline({{10, 0, -kPi / 2}, {20, 0, 0}});
    ASSERT_GT(Log().size(), 5u);
    EXPECT_THAT(Log().front(), StartsWith("LINE 10.0000 0.0000 "));
    EXPECT_THAT(Log().back(), EndsWith(" 20.0000 0.0000 L0"));
    for (const auto& l : Log()) {
        EXPECT_GE(Numbers(l, 4)[1], 0) << l;
        EXPECT_LE(Numbers(l, 4)[3], 2.0712L) << l;
    }
}

TEST_F(PolylineTest, DxfGetsARealPolylineWithBulges) {
    CadEndOutput();
    const auto file = BeginDxfRun("poly.dxf");
    CadBeginEntities();
    CadSetOrigin(1, 2);
    Polyline({{0, 0, 0}, {10, 0, kPi / 2}, {10, 10, 0}});
    CadOutputState.polylineOutputFlag = 0;
    CadOutputState.arcsAsLinesFlag = 0;
    Polyline({{0, 0, 0}, {10, 0, kPi / 2}, {10, 10, 0}});
    CadEndSection();
    CadEndOutput();
    const std::string expected =
        "  0\r\nPOLYLINE\r\n  8\r\n0\r\n 66\r\n1\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n1.000000\r\n 20\r\n2.000000\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n11.000000\r\n 20\r\n2.000000\r\n 42\r\n0.41421356\r\n"
        "  0\r\nVERTEX\r\n  8\r\n0\r\n 10\r\n11.000000\r\n 20\r\n12.000000\r\n"
        "  0\r\nSEQEND\r\n  8\r\n0\r\n"
        // Without the polyline flag: a line and an arc.
        "  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n1.000000\r\n 20\r\n2.000000\r\n 11\r\n11.000000\r\n "
        "21\r\n2.000000\r\n"
        "  0\r\nARC\r\n  8\r\n0\r\n 10\r\n6.000000\r\n 20\r\n7.000000\r\n 40\r\n7.071068\r\n"
        " 50\r\n-45.00000000\r\n 51\r\n45.00000000\r\n";
    EXPECT_NE(ReadFile(file).find(expected), std::string::npos) << ReadFile(file);
}

TEST_F(PolylineTest, DeviationTexts) {
    const std::string pm(std::string("±"_cp850));
    const struct {
        const char *upper, *lower;
        Lines texts;
    } cases[] = {{"", "", {"20"}},
                 {"+0.1", "-0.1", {"20", pm + "+0.1"}},
                 {"0.2", "0", {"20", "+0.2"}},
                 {"+0.2", "-0.1", {"20", "-0.1", "+0.2"}},
                 {"0,3", "0,1", {"20", "+0,1", "+0,3"}}};
    for (const auto& c : cases) {
        Log().clear();
        CadDimensionLineHorizontal("20", c.upper, c.lower, 0, 40, 10);
        Lines texts;
        for (const auto& l : Log())
            if (l.starts_with("TEXT '")) texts.push_back(l.substr(6, l.find('\'', 6) - 6));
        EXPECT_EQ(texts, c.texts) << c.upper << " / " << c.lower;
    }
}

TEST_F(PolylineTest, DimensionArrowsAndLeader) {
    // Short dimensions get their arrows outside, long ones inside.
    for (const auto& [length, inside] : {std::pair{8, false}, {40, true}}) {
        Log().clear();
        CadDimensionHorizontal(std::to_string(length), "", "", 0, 0, length, 0, 10);
        EXPECT_EQ(Log()[0],
                  "LINE 0.0000 0.0000 0.0000 11.0000 L3");  // extension lines reach 1 s over
        std::vector<std::pair<Real, Real>> heads;           // x range of each arrow head
        for (const auto& l : Log())
            if (l.starts_with("SOLID ")) {
                const auto v = Numbers(l, 8);
                heads.emplace_back(std::min({v[0], v[2], v[4], v[6]}),
                                   std::max({v[0], v[2], v[4], v[6]}));
            }
        ASSERT_EQ(heads.size(), 2u);
        EXPECT_GE(heads[0].first, (inside ? 0 : length) - 1E-9L) << length;
        EXPECT_LE(heads[1].second, (inside ? length : 0) + 1E-9L) << length;
    }
    // The arrow, the leader to (10, 0), the shoulder, the text above it.
    Log().clear();
    CadSetSymbolScale(2);
    CadDimensionLeader("R5", "", "", 0, 0, 90);
    ASSERT_GE(Log().size(), 5u);
    EXPECT_THAT(Log()[0], StartsWith("SOLID 0.0000 0.0000 "));
    EXPECT_EQ(Log()[2], "LINE 0.0000 0.0000 10.0000 0.0000 L3");
    EXPECT_THAT(Log()[4], StartsWith("TEXT 'R5' 10.0000 2.0000 h=7.0000"));
}

}  // namespace
}  // namespace veldrim
