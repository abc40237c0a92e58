#include "foundation/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

constexpr Real kTol = 1E-12L;

class PlaneGeometry : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearMessages();
    }
};

TEST_F(PlaneGeometry, LinesAndSegmentsIntersectOrReportParallel) {
    Real x = -1, y = -1;
    EXPECT_TRUE(IntersectLines(x, y, 0, 0, 2, 2, 0, 2, 2, 0));
    EXPECT_NEAR(x, 1, kTol);
    EXPECT_NEAR(y, 1, kTol);
    EXPECT_FALSE(IntersectLines(x, y, 3, 4, 5, 4, 0, 1, 1, 1));
    EXPECT_EQ(x, 3);  // parallel: the first point
    EXPECT_EQ(y, 4);
    Real sx = 7, sy = 7;
    EXPECT_FALSE(Solve2x2(1, 2, 3, 2, 4, 6, sx, sy));
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    // Touching at an end counts; vertical and horizontal spans include their ends.
    EXPECT_TRUE(IntersectSegments(0, 0, 1, 0, 1, 0, 1, 5, x, y));
    EXPECT_FALSE(IntersectSegments(0, 0, 1, 0, 2, -1, 2, 1, x, y));
    EXPECT_TRUE(IntersectSegments(-1, 0, 1, 0, 0, -1, 0, 1, x, y));
    EXPECT_NEAR(x, 0, kTol);
}

TEST_F(PlaneGeometry, ArcCenterInBothSenses) {
    Real xc, yc, a1, r, a2;
    ASSERT_TRUE(GetArcCenter(xc, yc, a1, r, a2, 0, 0, 2, 0, kPi));
    EXPECT_NEAR(xc, 1, kTol);
    EXPECT_NEAR(r, 1, kTol);
    EXPECT_NEAR(a1, kPi, kTol);
    ASSERT_TRUE(GetArcCenter(xc, yc, a1, r, a2, 0, 0, 2, 0, -kPi));
    EXPECT_NEAR(a2, kPi, kTol);
    // A quarter arc: the centre lies left of the chord for a positive angle.
    ASSERT_TRUE(GetArcCenter(xc, yc, a1, r, a2, 1, 0, 0, 1, kPi / 2));
    EXPECT_NEAR(std::hypot(xc, yc), 0, kTol);
    // The second version keeps P1's angle first whatever the sign.
    ASSERT_TRUE(GetArcCenterDbl(xc, yc, a1, r, a2, 0, 0, 2, 0, -kPi));
    EXPECT_NEAR(a1, kPi, kTol);
}

TEST_F(PlaneGeometry, DegenerateConstructionsFailWithDefinedOutputs) {
    Real xc = 9, yc = 9, a1 = 9, r = 9, a2 = 9;
    EXPECT_FALSE(GetArcCenter(xc, yc, a1, r, a2, 1, 2, 3, 4, 0));
    EXPECT_EQ(std::vector<Real>({xc, r, a2}), std::vector<Real>({0, 0, 0}));
    ASSERT_EQ(messageList.count, 1);
    EXPECT_EQ(messageList.slot[1], "Fehler in GetArcCenter (dphi = 0 ! ");
    hideWarningsFlag = true;
    ClearMessages();
    EXPECT_FALSE(GetArcCenterDbl(xc, yc, a1, r, a2, 1, 2, 3, 4, 0));
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(GetArcCenter(xc, yc, a1, r, a2, 5, 6, 7, 8, 2 * kPi));
    EXPECT_EQ(xc, 5);
    EXPECT_EQ(yc, 6);
    EXPECT_EQ(r, 0);

    Fillet f;
    EXPECT_FALSE(FilletBetweenLines(2, 0, 0, 0, 0, 1, 0, f));  // parallel lines
    EXPECT_EQ(f.xc, 0);
    EXPECT_EQ(f.arcAngle, 0);
    Real x = 42, y = 42;
    EXPECT_FALSE(IntersectSegmentRect(20, 20, 30, 30, 0, 0, 10, 10, x, y));
    EXPECT_EQ(x, 42);
    Real r1, r2;
    bool none;
    SolveQuadratic(1, 0, 1, r1, r2, none);
    EXPECT_TRUE(none);
    EXPECT_EQ(AngleFromSides(0, 4, 5), 0);
}

TEST_F(PlaneGeometry, LineCircleIntersections) {
    Real xa, ya, xb, yb;
    bool noHit;
    IntersectLineCircle(0, 0, 5, 3, -10, 3, 10, xa, ya, xb, yb, noHit);
    EXPECT_FALSE(noHit);
    EXPECT_NEAR(ya, 4, kTol);
    EXPECT_NEAR(yb, -4, kTol);
    IntersectLineCircle(1, 1, 1, -5, 1, 5, 1, xa, ya, xb, yb, noHit);
    EXPECT_FALSE(noHit);
    EXPECT_NEAR(xa, 2, kTol);
    EXPECT_NEAR(xb, 0, kTol);
    // A miss gives defined outputs.
    IntersectLineCircle(0, 0, 1, 3, 0, 3, 1, xa, ya, xb, yb, noHit);
    EXPECT_TRUE(noHit);
    EXPECT_EQ(xa, 3);
    EXPECT_EQ(xb, 3);
    EXPECT_EQ(ya, 0);
    EXPECT_EQ(yb, 0);
}

TEST_F(PlaneGeometry, ClippingKeepsTheInsidePart) {
    Real x1 = 5, y1 = 5, x2 = 15, y2 = 5;
    EXPECT_TRUE(ClipSegmentToRect(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_NEAR(x2, 10, kTol);
    EXPECT_NEAR(y2, 5, kTol);
    x1 = -5, y1 = 5, x2 = 15, y2 = 5;  // crosses, both ends outside
    EXPECT_FALSE(ClipSegmentToRect(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(x2, 0);
}

TEST_F(PlaneGeometry, FilletsTouchBothLinesAtTheirRadius) {
    // The corner of the x axis and the y axis, fillet radius 2.
    Fillet f;
    ASSERT_TRUE(FilletBetweenLines(2, 10, 0, kPi, 0, 10, -kPi / 2, f));
    EXPECT_NEAR(f.xc, 2, 1E-9L);
    EXPECT_NEAR(f.yc, 2, 1E-9L);
    EXPECT_NEAR(std::hypot(f.xt1 - 2, f.yt1), 0, 1E-9L);
    EXPECT_NEAR(std::hypot(f.xt2, f.yt2 - 2), 0, 1E-9L);
    EXPECT_NEAR(std::fabs(f.arcAngle), kPi / 2, 1E-9L);
    Fillet c;
    ASSERT_TRUE(CornerFillet(1, 0, kPi / 2, 0, 0, c));
    EXPECT_GE(c.arcAngle, 0);
    EXPECT_LE(c.arcAngle, 2 * kPi);
    EXPECT_NEAR(std::hypot(c.xt1 - c.xc, c.yt1 - c.yc), 1, 1E-9L);
    EXPECT_NEAR(std::hypot(c.xt2 - c.xc, c.yt2 - c.yc), 1, 1E-9L);
}

}  // namespace
}  // namespace veldrim
