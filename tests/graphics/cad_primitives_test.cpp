#include "graphics/cad_primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/app_state.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {
namespace {

struct Segment {
    long double x1, y1, x2, y2;
};
std::vector<Segment>* segments = nullptr;
std::vector<std::string>* texts = nullptr;

// Collects the lines and texts of a run.
class SegmentWriter : public CadWriter {
public:
    void Line(Real x1, Real y1, Real x2, Real y2) override {
        segments->push_back({x1, y1, x2, y2});
    }
    void Circle(Real, Real, Real) override {}
    void Arc(Real, Real, Real, Real, Real, Real) override {}
    void Text(const std::string& t, Real x, Real y) override {
        texts->push_back(t + " " + FormatDisplayReal(x) + " " + FormatDisplayReal(y));
    }
    void Solid(Real, Real, Real, Real, Real, Real, Real, Real) override {}
};
std::unique_ptr<CadWriter> MakeSegmentWriter() { return std::make_unique<SegmentWriter>(); }

class CadPrimitivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        cadBatchFlag = true;
        ResetGraphicsDefaults();
        ResetGraphicsWindow();
        ResetCadOutputState();
        ResetCadWriterFactories();
        SetGraphicsWindow(&window);
        segments = &segs;
        texts = &txt;
        CadWriterFactories[kCadTxt] = MakeSegmentWriter;
        currentFileName =
            (std::filesystem::temp_directory_path() / "veldrim_g1_primitives").string();
        CadBeginOutput(kCadTxt);
        ASSERT_FALSE(cancelFlag);
    }
    void TearDown() override {
        CadEndOutput();
        ResetCadOutputState();
        ResetCadWriterFactories();
        cadBatchFlag = false;
        SetGraphicsWindow(nullptr);
    }
    // No chord is a point, and the chords join end to start.
    void ExpectConnectedChords() {
        for (size_t i = 0; i < segs.size(); ++i) {
            const Segment& s = segs[i];
            EXPECT_GT(std::hypot(s.x2 - s.x1, s.y2 - s.y1), 1E-9L) << i;
            if (i > 0) {
                EXPECT_EQ(s.x1, segs[i - 1].x2) << i;
                EXPECT_EQ(s.y1, segs[i - 1].y2) << i;
            }
        }
    }
    TFveldgra window;
    BatchUi ui;
    ScopedUi scope{ui};
    std::vector<Segment> segs;
    std::vector<std::string> txt;
};

TEST_F(CadPrimitivesTest, PolygonCircleChordsFollowTheTolerance) {
    CadOutputState.chordTolerance = 0;  // not positive: 0.1
    CadPolygonCircle(false, 0, 0, 5);
    EXPECT_EQ(CadOutputState.chordTolerance, 0.1L);
    // 2 pi 5 / 0.1 = 314.16 -> 314 chords, counter-clockwise, closed.
    ASSERT_EQ(segs.size(), 314u);
    ExpectConnectedChords();
    EXPECT_EQ(segs.front().x1, 5);
    EXPECT_EQ(segs.front().y1, 0);
    EXPECT_GT(segs.front().y2, 0);
    EXPECT_NEAR((double)segs.back().x2, 5, 1E-12);
    EXPECT_NEAR((double)segs.back().y2, 0, 1E-12);
    for (const Segment& s : segs) EXPECT_NEAR((double)std::hypot(s.x2, s.y2), 5, 1E-12);
    segs.clear();
    CadPolygonCircle(true, 0, 0, 5);
    ASSERT_EQ(segs.size(), 314u);
    EXPECT_LT(segs.front().y2, 0);  // clockwise
    ExpectConnectedChords();
}

TEST_F(CadPrimitivesTest, TinyCircleDrawsNoZeroLengthLine) {
    CadPolygonCircle(false, 0, 0, 0.01L);  // circumference below the tolerance
    EXPECT_TRUE(segs.empty());
}

TEST_F(CadPrimitivesTest, PolygonArcEndsExactlyOnItsPoints) {
    CadOutputState.chordTolerance = 0.5L;
    const long double pi = 3.141592653589793238462643383279502884L;
    CadPolygonArc(10, 0, 0, 10, pi / 2);  // quarter circle about the origin
    ASSERT_FALSE(segs.empty());
    ExpectConnectedChords();
    EXPECT_EQ(segs.front().x1, 10);
    EXPECT_EQ(segs.back().x2, 0);
    EXPECT_EQ(segs.back().y2, 10);
    for (const Segment& s : segs) {
        EXPECT_NEAR((double)std::hypot(s.x2, s.y2), 10, 1E-12);
        EXPECT_GE(s.x2, -1E-12L);  // stays in the first quadrant
        EXPECT_GE(s.y2, -1E-12L);
    }
    // 15.7 mm of arc at 0.5 mm chords: 31 chords.
    EXPECT_EQ(segs.size(), 31u);
    segs.clear();
    // Clockwise the other way round: the centre lies on the right, at (10, 10).
    CadPolygonArc(10, 0, 0, 10, -pi / 2);
    ASSERT_FALSE(segs.empty());
    for (const Segment& s : segs) EXPECT_NEAR((double)std::hypot(s.x2 - 10, s.y2 - 10), 10, 1E-12);
    segs.clear();
    CadPolygonArc(0, 0, 0, 0, 1);  // no length: nothing
    CadPolygonArc(0, 0, 1, 0, 0);  // no angle: nothing
    EXPECT_TRUE(segs.empty());
}

TEST_F(CadPrimitivesTest, ShortFlatArcIsOneChord) {
    CadOutputState.chordTolerance = 1;
    CadPolygonArc(0, 0, 0.5L, 0, 0.05L);
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0].x2, 0.5L);
}

TEST_F(CadPrimitivesTest, CompositeShapesAndOrigin) {
    CadSetOrigin(10, 20);
    CadRectangle(0, 0, 2, 1);
    CadRectangleReversed(0, 0, 2, 1);
    CadCentredVerticalLine(0, 0, 4);
    CadDoubleHorizontalLine(0, 0, 3, 2);
    ASSERT_EQ(segs.size(), 11u);
    EXPECT_EQ(segs[0].x1, 10);
    EXPECT_EQ(segs[0].x2, 12);  // (x1,y1) -> (x2,y1)
    EXPECT_EQ(segs[4].x2, 10);  // reversed: (x1,y1) -> (x1,y2)
    EXPECT_EQ(segs[4].y2, 21);
    EXPECT_EQ(segs[8].y1, 18);
    EXPECT_EQ(segs[8].y2, 22);
    EXPECT_EQ(segs[9].y1, 21);
    EXPECT_EQ(segs[10].y1, 19);
    EXPECT_EQ(CadOutputState.currentX, 0);  // the current point keeps no offset
}

TEST_F(CadPrimitivesTest, EllipseGoesRoundOnce) {
    CadEllipse(false, 0, 0, 4, 2);
    // Steps of 0.05 rad until 2 pi is passed: 126 chords.
    EXPECT_EQ(segs.size(), 126u);
    EXPECT_EQ(segs.front().x1, 4);
    EXPECT_NEAR((double)segs.back().x2, 4, 0.01);
    segs.clear();
    CadEllipse(true, 0, 0, 4, 2);
    EXPECT_EQ(segs.size(), 126u);
    EXPECT_LT(segs.front().y2, 0);
}

TEST_F(CadPrimitivesTest, TextLinesMoveByOneAndAHalfHeights) {
    CadSetTextStyle(2, 0, 5, 0);
    CadMoveTo(0, 100);
    CadTextLine("a");
    CadTextLine("");
    CadTextLine("b");
    CadSetTextStyle(2, 90, 5, 0);
    CadMoveTo(0, 0);
    CadTextLine("c");
    EXPECT_EQ(txt, (std::vector<std::string>{"a 0 100", "b 0 92", "c 0 0"}));
    EXPECT_NEAR((double)CadOutputState.currentX, 8, 1E-12);  // 90 - 90 degrees: to the right
    EXPECT_NEAR((double)CadOutputState.currentY, 0, 1E-12);
}

TEST(AngleSpan, NonNegativeSpans) {
    EXPECT_EQ(AngleSpan(350, 10), 20);
    EXPECT_EQ(AngleSpan(10, 350), 340);
    EXPECT_EQ(AngleSpan(0, 360), 360);
    EXPECT_EQ(AngleSpan(30, 30), 0);
    EXPECT_EQ(AngleSpan(-90, 90), 180);
}

}  // namespace
}  // namespace veldrim
