#include "foundation/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

constexpr Real kTol = 1E-12L;

// Distance of (x, y) from (ex, ey): one check per point.
double Off(Real x, Real y, Real ex, Real ey) { return static_cast<double>(std::hypot(x - ex, y - ey)); }

class PlaneGeometry : public testing::StateFixture {};

TEST_F(PlaneGeometry, LinesAndSegmentsIntersectOrReportParallel) {
    Real x = -1, y = -1;
    EXPECT_TRUE(IntersectLines(x, y, 0, 0, 2, 2, 0, 2, 2, 0));
    EXPECT_LT(Off(x, y, 1, 1), kTol);
    EXPECT_FALSE(IntersectLines(x, y, 3, 4, 5, 4, 0, 1, 1, 1));
    EXPECT_EQ(Off(x, y, 3, 4), 0);  // parallel: the first point
    Real sx = 7, sy = 7;
    EXPECT_FALSE(Solve2x2(1, 2, 3, 2, 4, 6, sx, sy));
    EXPECT_EQ(Off(sx, sy, 0, 0), 0);
    // Touching at an end counts; vertical and horizontal spans include their ends.
    EXPECT_TRUE(IntersectSegments(0, 0, 1, 0, 1, 0, 1, 5, x, y));
    EXPECT_FALSE(IntersectSegments(0, 0, 1, 0, 2, -1, 2, 1, x, y));
    EXPECT_TRUE(IntersectSegments(-1, 0, 1, 0, 0, -1, 0, 1, x, y));
    EXPECT_LT(Off(x, y, 0, 0), kTol);
}

TEST_F(PlaneGeometry, ArcCenterInBothSenses) {
    Real xc, yc, a1, r, a2;
    ASSERT_TRUE(GetArcCenter(xc, yc, a1, r, a2, 0, 0, 2, 0, kPi));
    EXPECT_LT(Off(xc, yc, 1, 0), kTol);
    EXPECT_NEAR(r, 1, kTol);
    EXPECT_NEAR(a1, kPi, kTol);
    ASSERT_TRUE(GetArcCenter(xc, yc, a1, r, a2, 0, 0, 2, 0, -kPi));
    EXPECT_NEAR(a2, kPi, kTol);
    // A quarter arc: the centre lies left of the chord for a positive angle.
    ASSERT_TRUE(GetArcCenter(xc, yc, a1, r, a2, 1, 0, 0, 1, kPi / 2));
    EXPECT_LT(Off(xc, yc, 0, 0), kTol);
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
    EXPECT_EQ(std::vector<Real>({xc, yc, r}), std::vector<Real>({5, 6, 0}));

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
    // A line that misses a circle gives defined outputs.
    Real xa, ya, xb, yb;
    IntersectLineCircle(0, 0, 1, 3, 0, 3, 1, xa, ya, xb, yb, none);
    EXPECT_TRUE(none);
    EXPECT_EQ(std::vector<Real>({xa, ya, xb, yb}), std::vector<Real>({3, 0, 3, 0}));
}

TEST_F(PlaneGeometry, LineCircleIntersectionsAndClipping) {
    Real xa, ya, xb, yb;
    bool noHit;
    IntersectLineCircle(0, 0, 5, 3, -10, 3, 10, xa, ya, xb, yb, noHit);
    EXPECT_FALSE(noHit);
    EXPECT_LT(Off(xa, ya, 3, 4) + Off(xb, yb, 3, -4), kTol);
    IntersectLineCircle(1, 1, 1, -5, 1, 5, 1, xa, ya, xb, yb, noHit);
    EXPECT_LT(Off(xa, ya, 2, 1) + Off(xb, yb, 0, 1), kTol);

    Real x1 = 5, y1 = 5, x2 = 15, y2 = 5;
    EXPECT_TRUE(ClipSegmentToRect(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_LT(Off(x2, y2, 10, 5), kTol);
    x1 = -5, y1 = 5, x2 = 15, y2 = 5;  // crosses, both ends outside
    EXPECT_FALSE(ClipSegmentToRect(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(x2, 0);
}

TEST_F(PlaneGeometry, FilletsTouchBothLinesAtTheirRadius) {
    // The corner of the x axis and the y axis, fillet radius 2.
    Fillet f;
    ASSERT_TRUE(FilletBetweenLines(2, 10, 0, kPi, 0, 10, -kPi / 2, f));
    EXPECT_LT(Off(f.xc, f.yc, 2, 2) + Off(f.xt1, f.yt1, 2, 0) + Off(f.xt2, f.yt2, 0, 2), 1E-9);
    EXPECT_NEAR(std::fabs(f.arcAngle), kPi / 2, 1E-9L);
    Fillet c;
    ASSERT_TRUE(CornerFillet(1, 0, kPi / 2, 0, 0, c));
    EXPECT_GE(c.arcAngle, 0);
    EXPECT_LE(c.arcAngle, 2 * kPi);
    EXPECT_NEAR(Off(c.xt1, c.yt1, c.xc, c.yc), 1, 1E-9);
    EXPECT_NEAR(Off(c.xt2, c.yt2, c.xc, c.yc), 1, 1E-9);
}

}  // namespace
}  // namespace veldrim
