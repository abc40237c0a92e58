// Section hatching: hatch line counts of known faces at the four standard
// angles, each line inside the outline only; circles, rings, overflow.

#include "graphics/diagrams/hatching.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "dxf_test_support.h"
#include "graphics/cad_primitives.h"

namespace veldrim {
namespace {

struct Pt {
    double x, y;
};
using Polygon = std::vector<Pt>;

// Even-odd rule over several closed rings (the outline and its holes).
bool Inside(const std::vector<Polygon>& rings, Pt q) {
    bool in = false;
    for (const Polygon& p : rings)
        for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
            if ((p[i].y > q.y) != (p[j].y > q.y) &&
                q.x < (p[j].x - p[i].x) * (q.y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
                in = !in;
    return in;
}

double DistanceToBoundary(const std::vector<Polygon>& rings, Pt q) {
    double best = 1e300;
    for (const Polygon& p : rings)
        for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            const double dx = p[i].x - p[j].x, dy = p[i].y - p[j].y;
            const double len2 = dx * dx + dy * dy;
            double t = len2 > 0 ? ((q.x - p[j].x) * dx + (q.y - p[j].y) * dy) / len2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            best = std::min(best, std::hypot(q.x - p[j].x - t * dx, q.y - p[j].y - t * dy));
        }
    return best;
}

// A circle as the outline builds it: 18 chords per half turn.
Polygon CirclePolygon(double r) {
    Polygon p;
    for (int k = 0; k < 36; ++k)
        p.push_back({r * std::cos(k * M_PI / 18), r * std::sin(k * M_PI / 18)});
    return p;
}

struct HatchLine {
    Pt a, b;
};

class HatchingTest : public testing_support::CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        ResetHatching();
        BeginRecordedScreenRun();
        Log().clear();
    }
    // The recorded lines of one layer.
    std::vector<HatchLine> LinesOn(int layer) {
        std::vector<HatchLine> out;
        for (const std::string& l : Log()) {
            if (!l.starts_with("LINE ") || !l.ends_with(" L" + std::to_string(layer))) continue;
            std::istringstream in(l.substr(5));
            HatchLine h{};
            in >> h.a.x >> h.a.y >> h.b.x >> h.b.y;
            out.push_back(h);
        }
        return out;
    }
    void Outline(const Polygon& p) {
        ResetOutlineArc();
        for (const Pt& q : p) AddOutlinePoint(q.x, q.y);
    }
};

const Polygon kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
// An L whose concave corner (10, 10) lies on the 45 degree line through (0, 0).
const Polygon kL = {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}};

TEST_F(HatchingTest, LinesOfKnownFacesLieInsideOnly) {
    // Counts worked by hand: ten equal steps over the face (s = 0) or the
    // spacing given; the steps at the extreme corners draw nothing; lines
    // crossing both arms of the L or the hole of the ring are cut in two.
    struct Case {
        const char* face;
        double alpha, spacing;
        std::size_t lines;
    } cases[] = {
        {"square", 0, 1, 0},  {"square", 45, 1, 14}, {"square", 90, 1, 9}, {"square", 135, 1, 14},
        {"square", 45, 0, 9}, {"L", 0, 0, 0},        {"L", 45, 0, 9},      {"L", 90, 0, 9},
        {"L", 135, 0, 12},    {"ring", 0, 0, 0},     {"ring", 45, 0, 14},  {"ring", 90, 0, 14},
        {"ring", 135, 0, 14},
    };
    for (const Case& c : cases) {
        Log().clear();
        std::vector<Polygon> rings;
        const std::string face = c.face;
        if (face == "ring") {
            ResetOutlineArc();
            AddCircleOutline(0, 0, 10);
            AddCircleOutline(0, 0, 5);
            rings = {CirclePolygon(10), CirclePolygon(5)};
        } else {
            rings = {face == "L" ? kL : kSquare};
            Outline(rings[0]);
        }
        const std::string where = face + " at " + std::to_string(c.alpha);
        HatchCurrentOutline(0, c.alpha, c.spacing);
        const auto lines = LinesOn(3);
        EXPECT_EQ(lines.size(), c.lines) << where;
        for (const HatchLine& h : lines) {
            // Inside, or on the outline where a line runs along an edge.
            for (double t : {0.25, 0.5, 0.75}) {
                const Pt q{h.a.x + t * (h.b.x - h.a.x), h.a.y + t * (h.b.y - h.a.y)};
                EXPECT_TRUE(Inside(rings, q) || DistanceToBoundary(rings, q) < 1e-6)
                    << where << " at " << q.x << "," << q.y;
            }
            EXPECT_LT(DistanceToBoundary(rings, h.a), 1e-3) << where;
            EXPECT_LT(DistanceToBoundary(rings, h.b), 1e-3) << where;
            // Parallel to the hatch direction.
            const double cross = std::cos(c.alpha * M_PI / 180) * (h.b.y - h.a.y) -
                                 std::sin(c.alpha * M_PI / 180) * (h.b.x - h.a.x);
            EXPECT_NEAR(cross, 0, 1e-3) << where;
        }
        EXPECT_FALSE(cancelFlag) << where;
    }
}

TEST_F(HatchingTest, LineThroughTheConcaveCornerRunsFromCornerToCorner) {
    Outline(kL);
    HatchCurrentOutline(0, 45, 0);
    bool found = false;
    for (const HatchLine& h : LinesOn(3))
        if (std::hypot(h.a.x, h.a.y) < 1e-3 && std::hypot(h.b.x - 10, h.b.y - 10) < 1e-3)
            found = true;
    EXPECT_TRUE(found) << "no hatch line from (0, 0) to (10, 10)";
}

TEST_F(HatchingTest, OutlineIsDrawnOnLayer5AndClosedOnce) {
    Polygon closed = kSquare;
    closed.push_back(kSquare[0]);  // already closed: not closed again
    Outline(closed);
    HatchCurrentOutline(0, 0, 0);
    EXPECT_EQ(LinesOn(5).size(), 4u);
    EXPECT_EQ(CadOutputState.currentLayerNumber, 0);  // the layer before is restored
}

TEST_F(HatchingTest, DiscAndRingKeepCirclesOnLayer5) {
    HatchCircle(50, 50, 10, 2);
    const auto hatch = LinesOn(3);
    EXPECT_EQ(hatch.size(), 9u);  // perpendicular spacing 2 over a diameter of 20
    EXPECT_TRUE(LinesOn(5).empty());
    std::vector<std::string> circles;
    for (const std::string& l : Log())
        if (l.starts_with("CIRCLE")) circles.push_back(l);
    EXPECT_EQ(circles, std::vector<std::string>{"CIRCLE 50.0000 50.0000 10.0000 L5"});
    Log().clear();
    HatchRing(0, 0, 10, 5, 0);
    for (const HatchLine& h : LinesOn(3)) {
        const double r = std::hypot((h.a.x + h.b.x) / 2, (h.a.y + h.b.y) / 2);
        EXPECT_TRUE(r > 4.9 && r < 10) << "hatch line in the hole or outside, r = " << r;
    }
}

TEST_F(HatchingTest, DegenerateAndOverfullOutlinesTerminate) {
    // A face of no width, and huge faces with a tiny or negative spacing.
    Outline({{0, 0}, {10, 10}, {20, 20}});
    HatchCurrentOutline(0, 45, 0);
    EXPECT_TRUE(LinesOn(3).empty());
    Log().clear();
    Outline({{0, 0}, {1E6, 0}, {1E6, 1E6}});
    HatchCurrentOutline(0, 120, 1E-9);
    EXPECT_LT(LinesOn(3).size(), static_cast<std::size_t>(kMaxHatchLines));
    // An open outline of exactly 100 points still gets its closing point.
    ResetOutlineArc();
    for (int i = 0; i < kOutlineCapacity; ++i) {
        const double t = 2 * M_PI * i / kOutlineCapacity;
        AddOutlinePoint(10 * std::cos(t), 10 * std::sin(t));
    }
    Log().clear();
    HatchCurrentOutline(0, 45, 0);
    EXPECT_EQ(LinesOn(5).size(), 100u);
    EXPECT_EQ(LinesOn(3).size(), 9u);
    // The 101st point is refused with a message, and so is the hatching.
    AddOutlinePoint(0, 0);
    Log().clear();
    HatchCurrentOutline(0, 45, 0);
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Schraffurfehler", "Fatal  : n schraff !"}));
}

TEST_F(HatchingTest, ArcVerticesAndBreakLinesFillTheOutline) {
    ResetOutlineArc();
    AddCircleOutline(0, 0, 10);
    // A point, then two half circles of 18 steps each, each with its start point.
    EXPECT_EQ(OutlinePointCount, 39);
    EXPECT_NEAR(static_cast<double>(OutlineBuffer[11].y), 10,
                1e-12);  // the top after 9 of 18 steps
    ResetOutline();
    BreakLine(true, 0, 0, 60, 0, 1);
    ASSERT_EQ(OutlinePointCount, 6);
    for (int k = 1; k <= 5; ++k) {
        EXPECT_NEAR(static_cast<double>(OutlineBuffer[static_cast<std::size_t>(k)].x), 10 * k,
                    1e-12)
            << k;
        EXPECT_LT(std::fabs(static_cast<double>(OutlineBuffer[static_cast<std::size_t>(k)].y)), 2)
            << k;
    }
    EXPECT_EQ(static_cast<double>(OutlineBuffer[6].x), 60);
}

TEST_F(HatchingTest, Qsort2SortsWithItsIndex) {
    std::array<double, kOutlineCapacity + 1> v{};
    std::array<int, kOutlineCapacity + 1> idx{};
    v[1] = 3, v[2] = -1, v[3] = 2;
    QSORT2(v, idx, 3);
    EXPECT_EQ((std::vector<double>{v[1], v[2], v[3]}), (std::vector<double>{-1, 2, 3}));
    EXPECT_EQ((std::vector<int>{idx[1], idx[2], idx[3], idx[4]}), (std::vector<int>{2, 3, 1, 4}));
    QSORT2(v, idx, 101);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Fatal  : QSORT2 error"});
}

}  // namespace
}  // namespace veldrim
