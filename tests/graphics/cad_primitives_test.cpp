// Chord helpers: no chord is a point, chords join and stay on their curve.

#include "graphics/cad_primitives.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dxf_test_support.h"

namespace veldrim {
namespace {

constexpr Real kPi = 3.141592653589793238462643383279502884L;

struct Segment {
    Real x1, y1, x2, y2;
};
// Collects the lines of a run.
class SegmentWriter : public CadWriter {
public:
    static inline std::vector<Segment> segs;
    void Line(Real x1, Real y1, Real x2, Real y2) override { segs.push_back({x1, y1, x2, y2}); }
    void Circle(Real, Real, Real) override {}
    void Arc(Real, Real, Real, Real, Real, Real) override {}
    void Text(const std::string&, Real, Real) override {}
    void Solid(Real, Real, Real, Real, Real, Real, Real, Real) override {}
};

class CadPrimitivesTest : public testing_support::CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        cadBatchFlag = true;
        segs.clear();
        CadWriterFactories[kCadTxt] = [] { return std::unique_ptr<CadWriter>(new SegmentWriter); };
        currentFileName = (dir / "drawing").string();
        CadBeginOutput(kCadTxt);
        ASSERT_FALSE(cancelFlag);
    }
    void TearDown() override {
        CadEndOutput();
        CadFixture::TearDown();
    }
    std::vector<Segment>& segs = SegmentWriter::segs;
};

TEST_F(CadPrimitivesTest, ChordsJoinHaveLengthAndStayOnTheCurve) {
    const struct {
        const char* name;
        void (*draw)();
        std::size_t chords;
        Real cx, cy, r;  // the circle every chord end lies on (r 0: no check)
        Real firstX, lastX, lastY;
        bool down;  // the first chord leaves downwards
    } cases[] = {
        // A tolerance that is not positive means 0.1: 2 pi 5 / 0.1 -> 314 chords.
        {"circle",
         [] {
             CadOutputState.chordTolerance = 0;
             CadPolygonCircle(false, 0, 0, 5);
         },
         314, 0, 0, 5, 5, 5, 0, false},
        {"circle clockwise", [] { CadPolygonCircle(true, 0, 0, 5); }, 314, 0, 0, 5, 5, 5, 0, true},
        // 15.7 mm of quarter arc at 0.5 mm chords: 31 chords; clockwise the centre is at (10, 10).
        {"quarter arc clockwise",
         [] {
             CadOutputState.chordTolerance = 0.5L;
             CadPolygonArc(10, 0, 0, 10, -kPi / 2);
         },
         31, 10, 10, 10, 10, 0, 10, false},
        {"short flat arc",
         [] {
             CadOutputState.chordTolerance = 1;
             CadPolygonArc(0, 0, 0.5L, 0, 0.05L);
         },
         1, 0, 0, 0, 0, 0.5L, 0, false},
        // Steps of 0.05 rad until 2 pi is passed: 126 chords.
        {"ellipse clockwise", [] { CadEllipse(true, 0, 0, 4, 2); }, 126, 0, 0, 0, 4, 4, 0, true},
        {"quarter arc",
         [] {
             CadOutputState.chordTolerance = 0.5L;
             CadPolygonArc(10, 0, 0, 10, kPi / 2);
         },
         31, 0, 0, 10, 10, 0, 10, false},
    };
    for (const auto& c : cases) {
        segs.clear();
        c.draw();
        ASSERT_EQ(segs.size(), c.chords) << c.name;
        EXPECT_EQ(segs.front().x1, c.firstX) << c.name;
        const Real closeTo = c.r > 0 ? 1E-12L : 0.05L;  // the ellipse ends within its last step
        EXPECT_LE(std::hypot(segs.back().x2 - c.lastX, segs.back().y2 - c.lastY), closeTo)
            << c.name;
        EXPECT_EQ(segs.front().y2 < segs.front().y1, c.down) << c.name;
        for (std::size_t i = 0; i < segs.size(); ++i) {  // length, joined, on the circle
            const Segment& s = segs[i];
            EXPECT_GT(std::hypot(s.x2 - s.x1, s.y2 - s.y1), 1E-9L) << c.name << " " << i;
            if (i > 0) {
                EXPECT_EQ(s.x1, segs[i - 1].x2) << c.name << " " << i;
                EXPECT_EQ(s.y1, segs[i - 1].y2) << c.name << " " << i;
            }
            if (c.r != 0) {
                EXPECT_NEAR(std::hypot(s.x2 - c.cx, s.y2 - c.cy), c.r, 1E-12L) << c.name;
            }
        }
    }
    EXPECT_EQ(segs.back().x2, 0) << "the last arc ends exactly on its point";
    EXPECT_EQ(segs.back().y2, 10) << "the last arc ends exactly on its point";
}

TEST_F(CadPrimitivesTest, DegenerateShapesDrawNoZeroLengthLine) {
    CadPolygonCircle(false, 0, 0, 0.01L);  // circumference below the tolerance
    CadPolygonArc(0, 0, 0, 0, 1);          // no length
    CadPolygonArc(0, 0, 1, 0, 0);          // no angle
    EXPECT_TRUE(segs.empty());
}

}  // namespace
}  // namespace veldrim
