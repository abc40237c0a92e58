#include "foundation/guarded_math.h"

#include <quadmath.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "foundation/plane_geometry.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

using testing::MessageListTexts;

class GuardedMathTest : public testing::StateFixture {};

constexpr Real kInf = std::numeric_limits<Real>::infinity();
constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();

struct GuardCase {
    const char* name;
    std::function<Real()> call;
    Real expected;
    Real tolerance;
    const char* message;  // nullptr: none
};

std::vector<GuardCase> GuardCases() {
    return {
        {"arcsin above 1", [] { return CheckedArcSin(1.5L); }, kPi / 2, 0, "Error: ArcSin 1.5"},
        // Rounding noise below -1 keeps the direction of -1.
        {"arcsin just below -1", [] { return CheckedArcSin(-1.0000000001L); }, -kPi / 2, 0,
         "Error: ArcSin -1.0000000001"},
        {"arccos above 1", [] { return CheckedArcCos(1.25L); }, 0, 0, "Error: ArcCos 1.25"},
        {"arccos below -1", [] { return CheckedArcCos(-1.5L); }, kPi, 0, "Error: ArcCos -1.5"},
        // The ends of the domain themselves: acos 1 = 0, acos -1 = pi, no message.
        {"labelled arccos at 1", [] { return LabelledArcCos("alpha", 1.0L); }, 0, 0, nullptr},
        {"labelled arccos at -1", [] { return LabelledArcCos("alpha", -1.0L); }, kPi, 0, nullptr},
        {"labelled arccos noise above", [] { return LabelledArcCos("alpha", 1.00005L); }, 0, 0,
         nullptr},
        {"labelled arccos noise below", [] { return LabelledArcCos("alpha", -1.00005L); }, kPi, 0,
         nullptr},
        {"labelled arccos below", [] { return LabelledArcCos("alpha", -1.5L); }, kPi, 0,
         "Error : alpha arccos(-1.5)"},
        {"labelled arccos empty label", [] { return LabelledArcCos("", 2.0L); }, 0, 0,
         "Error :  arccos(2)"},
        {"sqrt negative", [] { return CheckedSqrt("h", -4.0L); }, 0, 0, "h (sqrt)"},
        {"sqrt negative no label", [] { return CheckedSqrt("", -4.0L); }, 0, 0, nullptr},
        {"sqrt NaN", [] { return CheckedSqrt("h", kNaN); }, 0, 0, "h (sqrt)"},
        // The substitute of a division by zero carries the sign.
        {"div by zero", [] { return CheckedDiv("i", 5.0L, 0.0L); }, 1E30L, 0, "i (div)"},
        {"div negative by zero", [] { return CheckedDiv("i", -5.0L, 0.0L); }, -1E30L, 0, "i (div)"},
        {"div by negative zero", [] { return CheckedDiv("i", 5.0L, -0.0L); }, -1E30L, 0, "i (div)"},
        {"power", [] { return CheckedPower("p", 2.0L, 10.0L); }, 1024, 1E-15L, nullptr},
        {"power of zero", [] { return CheckedPower("p", 0.0L, 0.0L); }, 0, 0, nullptr},
        // Never inf or NaN.
        {"power overflow", [] { return CheckedPower("p", 10.0L, 5000.0L); }, 1E3000L, 0, nullptr},
        {"power negative base", [] { return CheckedPower("p", -2.0L, 2.0L); }, 4, 1E-15L,
         "p (pow)"},
        {"power negative base huge", [] { return CheckedPower("p", -10.0L, 5000.0L); }, 1E3000L, 0,
         "p (pow)"},
        {"power NaN exponent", [] { return CheckedPower("p", 2.0L, kNaN); }, 0, 0, "p (pow)"},
        {"arc involute out of range", [] { return ArcInvolute(5000.0L); }, 0, 0,
         "Error: ArcInv in unit math"},
    };
}

// With the hide-warnings flag the results stay and no message is added.
TEST_F(GuardedMathTest, SubstitutesAndReportsUnlessWarningsAreHidden) {
    for (bool hidden : {false, true}) {
        hideWarningsFlag = hidden;
        for (const auto& c : GuardCases()) {
            ResetMessages();
            const Real r = c.call();
            EXPECT_TRUE(std::isfinite(r)) << c.name;
            EXPECT_LE(std::fabs(r - c.expected), c.tolerance) << c.name;  // tolerance 0: exact
            std::vector<std::string> expected;
            if (c.message && !hidden) expected.push_back(c.message);
            EXPECT_EQ(MessageListTexts(), expected) << c.name << " hidden " << hidden;
        }
    }
}

TEST_F(GuardedMathTest, NumbersInMessagesUseTheDecimalSeparator) {
    decimalSeparatorOption = 2;
    CheckedArcSin(-1.5L);
    LabelledArcCos("alpha", 1.0002L);
    EXPECT_EQ(MessageListTexts(),
              (std::vector<std::string>{"Error: ArcSin -1,5", "Error : alpha arccos(1,0002)"}));
}

TEST_F(GuardedMathTest, ArcInvoluteInvertsTheInvoluteAcrossPressureAngles) {
    for (Real alpha = -1.2L; alpha <= 1.2L; alpha += 0.05L)
        EXPECT_NEAR(static_cast<double>(ArcInvolute(Involute(alpha))), static_cast<double>(alpha),
                    1E-12)
            << static_cast<double>(alpha);
    EXPECT_EQ(messageList.count, 0);
}

// The exact involute in quadruple precision (113 bits): the series of the
// tangent below 0.5, where tan a - a would cancel, the difference beyond.
__float128 QuadInvolute(__float128 a) {
    if (a < 0) return -QuadInvolute(-a);
    if (a >= static_cast<__float128>(0.5)) return tanq(a) - a;
    // tan a - a = sum over n >= 2 of 2^2n (2^2n - 1) |B2n| a^(2n-1) / (2n)!,
    // the first forty coefficients from the Bernoulli numbers B4 .. B82.
    const __float128 a2 = a * a;
    __float128 term = a * a2, sum = 0;
    static const char* const coefText[] = {
        "3.33333333333333333333333333333333333333e-1",
        "1.33333333333333333333333333333333333333e-1",
        "5.39682539682539682539682539682539682540e-2",
        "2.18694885361552028218694885361552028219e-2",
        "8.86323552990219656886323552990219656886e-3",
        "3.59212803657248101692546136990581435026e-3",
        "1.45583438705131826824948518070211191904e-3",
        "5.90027440945585981378075993700021088754e-4",
        "2.39129114243552481485731458885112809321e-4",
        "9.69153795692945032559587500038880937786e-5",
        "3.92783238833168340533708080931233350952e-5",
        "1.59189050693289647407442798165700430553e-5",
        "6.45168921565543076319084231530255804463e-6",
        "2.61477115129075455426359425640974109737e-6",
        "1.05972683201046543509135539412477761900e-6",
        "4.29491107827380585482035128039727224262e-7",
        "1.74066189635716477798622923133027292194e-7",
        "7.05463694640096832521451854448055656984e-8",
        "2.85913666230525390833109453414164694357e-8",
        "1.15876444327988522001979320290917903963e-8",
        "4.69629539823090162881904347246767238237e-9",
        "1.90333683393127592131970659546238403474e-9",
        "7.71393363535906229047893307216272854899e-10",
        "3.12633954589208704577812001344089995544e-10",
        "1.26705769303054010600962880812234386249e-10",
        "5.13519140803936774007604951305429517699e-11",
        "2.08121468677004741989722719506097108605e-11",
        "8.43484541909433829384914818855870645342e-12",
        "3.41851408681115581403868029248568322278e-12",
        "1.38547157429484689939005446535238823491e-12",
        "5.61510479241468008325910118777644799993e-13",
        "2.27571625537287484554337456537684152713e-13",
        "9.22313058513953173504879603107797769815e-14",
        "3.73799403109673888502238947405794090155e-14",
        "1.51495191871486050751108883110796643109e-14",
        "6.13986886261681382451746533696988528729e-15",
        "2.48839512227627893824726042472915416004e-15",
        "1.00850855663540964870384529296132611377e-15",
        "4.08733122686901376190242207655547998999e-16",
        "1.65653295137862836727701494037447856591e-16",
    };
    for (const char* c : coefText) {
        sum += strtoflt128(c, nullptr) * term;
        term *= a2;
    }
    // The terms fall by 0.4 a^2 = 0.1 each at most: the remainder lies below 2^-113.
    return sum;
}

// The arc involute is the inverse to the precision of Real over the whole
// domain: for arguments from 1e-30 to the involute of 1.57, both signs, the
// exact involute of the result differs from the argument by no more than
// four units in the last place of the result (scaled by the slope tan^2 a of
// the involute), or of the argument where that is larger.
TEST_F(GuardedMathTest, ArcInvoluteIsTheInverseToThePrecisionOfReal) {
    int worst = 0;
    long double worstV = 0;
    for (Real v = 1E-30L; v < Involute(1.57L); v *= 1.0137L) {
        for (const Real arg : {v, -v}) {
            const Real a = ArcInvolute(arg);
            const __float128 miss = QuadInvolute(a) - static_cast<__float128>(arg);
            const Real slope = std::tan(a) * std::tan(a);
            const Real ulpA = std::nextafter(std::fabs(a), kInf) - std::fabs(a);
            const Real ulpV = std::nextafter(std::fabs(arg), kInf) - std::fabs(arg);
            const Real allowed = std::max(slope * ulpA, ulpV);
            const Real units = static_cast<Real>(miss < 0 ? -miss : miss) / allowed;
            if (units > worst) worst = static_cast<int>(std::ceil(units)), worstV = arg;
            ASSERT_LE(units, 4.0L)
                << "argument " << static_cast<double>(arg) << " result " << static_cast<double>(a);
            // The cosine that comes with the angle, against the library's.
            const InvoluteInverse withCos = ArcInvoluteWithCos(arg);
            ASSERT_EQ(withCos.angle, a);
            const Real c = std::cos(a);
            ASSERT_LE(std::fabs(withCos.cos - c), 4 * (std::nextafter(c, kInf) - c))
                << "cosine of " << static_cast<double>(a);
        }
    }
    EXPECT_EQ(messageList.count, 0);
    RecordProperty("worst_units", worst);
    (void)worstV;
}

// The bisection that came before stopped at |inv(a) - v| < 1e-15, which at
// small angles is far from the inverse: for v = 1e-12 (a = 1.44e-4 rad) the
// exact inverse is a = (3v)^(1/3) (1 - 2 (3v)^(2/3) / 15), to 1e-17.
TEST_F(GuardedMathTest, ArcInvoluteOfSmallArgumentsIsTheExactInverse) {
    const Real y = std::cbrt(3E-12L);
    EXPECT_NEAR(static_cast<double>(ArcInvolute(1E-12L)),
                static_cast<double>(y * (1 - 2 * y * y / 15)), 1E-17);
    EXPECT_EQ(ArcInvolute(0.0L), 0.0L);
    EXPECT_EQ(ArcInvolute(kNaN), 0.0L);
    EXPECT_EQ(messageList.count, 1) << "NaN has no inverse";
}

TEST_F(GuardedMathTest, AxisScales) {
    struct Case {
        Real min, max;
        int n;
        Real lo, hi, step;
    } cases[] = {
        {0, 7.3L, 5, 0, 8, 1},
        {-3, 12, 4, -5, 15, 5},
        {-10, 10, 4, -15, 10, 5},  // FloorValue(-2) is -3
        {3, 3, 4, 2, 4, 0.5L},     // an empty range is widened to 2 .. 4
        {0, 0.35L, 7, 0, 0.35L, 0.05L},
        {0, 100, 0, 0, 100, 100},  // no interval count: one interval
    };
    for (const auto& c : cases) {
        Real lo = 0, hi = 0, step = 0;
        CalcAxisScale(c.min, c.max, c.n, lo, hi, step);
        EXPECT_LE(std::fabs(lo - c.lo) + std::fabs(hi - c.hi) + std::fabs(step - c.step), 1E-12L)
            << static_cast<double>(c.max) << ": " << double(lo) << " .. " << double(hi) << " step "
            << double(step);
    }
}

TEST_F(GuardedMathTest, DecimalExponentIsExactAtPowersOfTen) {
    struct Case {
        Real x;
        int e;
    } cases[] = {
        {0, 0},          {9.999L, 0},       {10, 1},       {1000, 3},   {999.9999L, 2},
        {0.1L, -1},      {0.01L, -2},       {0.0099L, -3}, {1E-5L, -5}, {-1000, 3},
        {1E3000L, 3000}, {1E-4000L, -4000}, {kInf, 0},     {kNaN, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DecimalExponent(c.x), c.e) << static_cast<double>(c.x);
}

// Routines whose edge cases the calculation relies on.
TEST_F(GuardedMathTest, PlainRoutinesAtTheirEdges) {
    struct Case {
        const char* name;
        Real got, expected;
    } cases[] = {
        {"FloorValue -0.5", FloorValue(-0.5L), -1},
        {"FloorValue -2 (whole)", FloorValue(-2.0L), -3},
        {"RoundDecimals half to even", RoundDecimals(0, 2.5L), 2},
        {"RoundDecimals half to even upwards", RoundDecimals(0, -3.5L), -4},
        {"RoundDecimals half to even in the decimals", RoundDecimals(2, 0.125L), 0.12L},
        {"IntPower -2", IntPower(-2, 2), 0.25L},
        {"VectorAngle (0,0)", VectorAngle(0, 0), kPi / 2},
        {"VectorAngle (0,-1)", VectorAngle(0, -1), -kPi / 2},
        {"VectorAngle (1,-1)", VectorAngle(1, -1), -kPi / 4},
        {"VectorAngle (-1,-1)", VectorAngle(-1, -1), 5 * kPi / 4},
        {"SignOf 0", SignOf(0), 1},
        {"Cathetus short", Cathetus(3, 5), 0},
        {"NormalizeAngle -pi/2", NormalizeAngle(-kPi / 2), 3 * kPi / 2},
        {"NormalizeAngle 5pi", NormalizeAngle(5 * kPi), kPi},
        {"Log10OrZero negative", Log10OrZero(-5), 0},
        {"Clamp lo above hi", Clamp(10, 0, 5), 0},
        {"PercentDeviation reference 0", PercentDeviation(0, 150), 0},
        {"ArcSweepDeg ccw", ArcSweepDeg(350, 10, 1), 20},
        {"ArcSweepDeg cw", ArcSweepDeg(10, 350, -1), -20},
        {"ArcSweepDeg negative start", ArcSweepDeg(-350, 350, 1), 340},
        {"ArcSweepDeg negative start cw", ArcSweepDeg(350, -350, -1), -340},
        // Start equal to end: no sweep, not a full turn, either way round.
        {"ArcSweepDeg start = end ccw", ArcSweepDeg(40, 40, 1), 0},
        {"ArcSweepDeg start = end cw", ArcSweepDeg(40, 40, -1), 0},
        {"ArcSweepDeg 0 to 360 ccw", ArcSweepDeg(0, 360, 1), 0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(static_cast<double>(c.got), static_cast<double>(c.expected), 1E-12) << c.name;
    EXPECT_EQ(IntClamp(10, 0, 5), 0);
    EXPECT_TRUE(NearlyEqual(1, 1.000009L));
    EXPECT_FALSE(NearlyEqual(1, 1.00002L));
}

// RotatedX/Y give the coordinates in axes turned by phi: the inverse of RotatePoint.
TEST_F(GuardedMathTest, RotationsAndPolarFormAreInverse) {
    Real x = 0, y = 0, r = 0, phi = 0;
    RotatePoint(1, 2, 0.7L, x, y);
    EXPECT_NEAR(static_cast<double>(std::hypot(RotatedX(x, y, 0.7L) - 1, RotatedY(x, y, 0.7L) - 2)),
                0, 1E-15);
    XYToPolar(-3, 4, r, phi);
    PolarToXY(r, phi, x, y);
    EXPECT_NEAR(static_cast<double>(std::hypot(x + 3, y - 4)), 0, 1E-15);
    TransformPointScaled(3, 1, 10, 20, 90, 2, 0, x, y);
    EXPECT_NEAR(static_cast<double>(y), 26, 1E-15);
}

class MessageListTest : public testing::StateFixture {
protected:
    static void Fill(int n) {
        for (int i = 1; i <= n; ++i) AddMessage("Warnung: number " + std::to_string(i));
    }
};

// Each case adds its texts to an empty list and expects the resulting list.
TEST_F(MessageListTest, KeepsDistinctTextsInFirstAddedOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> added;
        std::vector<std::string> expected;
    } cases[] = {
        {"order of first adding",
         {"Fehler : b", "Warnung: a", "Fehler : b"},
         {"Fehler : b", "Warnung: a"}},
        {"case or trailing blank",
         {"Fehler : a", "Fehler : A", "Fehler : a "},
         {"Fehler : a", "Fehler : A", "Fehler : a "}},
        {"empty text is a message too", {"", ""}, {""}},
    };
    for (const auto& c : cases) {
        ResetMessages();
        for (const auto& t : c.added) AddMessage(t);
        EXPECT_EQ(testing::MessageListTexts(), c.expected) << c.name;
    }
}

TEST_F(MessageListTest, FullListDropsFurtherTextsButTakesOneFatalMessageInTheLastSlot) {
    Fill(12);
    const auto before = testing::MessageListTexts();
    AddMessage("Fehler : the thirteenth");
    AddMessage("Warnung: number 5");  // equal to an entry: ignored as well
    EXPECT_EQ(testing::MessageListTexts(), before);
    AddMessage("Fatal  : centre distance too small");
    // A second fatal message does not push the first one out again.
    AddMessage("Fatal  : second stop");
    auto expected = before;
    expected.back() = "Fatal  : centre distance too small";
    EXPECT_EQ(testing::MessageListTexts(), expected);
    EXPECT_FALSE(fatalFlag) << "adding never touches the flags";
    EXPECT_FALSE(cancelFlag) << "adding never touches the flags";
}

TEST_F(MessageListTest, ClearEmptiesListAndBothFlagsButNotHideWarnings) {
    Fill(12);
    fatalFlag = cancelFlag = hideWarningsFlag = true;
    ClearMessages();
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(fatalFlag);
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(hideWarningsFlag);
    // The old slots are no longer part of the list: the same text is added again.
    AddMessage("Warnung: number 2");
    EXPECT_EQ(testing::MessageListTexts(), std::vector<std::string>{"Warnung: number 2"});
}

constexpr Real kTol = 1E-12L;

// Distance of (x, y) from (ex, ey): one check per point.
double Off(Real x, Real y, Real ex, Real ey) {
    return static_cast<double>(std::hypot(x - ex, y - ey));
}

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
    EXPECT_LT(Off(xc, yc, 1, 0) + std::fabs(r - 1) + std::fabs(a1 - kPi), kTol);
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
    EXPECT_EQ(MessageListTexts(), std::vector<std::string>{"Fehler in GetArcCenter (dphi = 0 ! "});
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
    Real r1, r2, xa, ya, xb, yb;
    bool none;
    SolveQuadratic(1, 0, 1, r1, r2, none);
    EXPECT_TRUE(none);
    EXPECT_EQ(AngleFromSides(0, 4, 5), 0);
    // A line that misses a circle gives defined outputs.
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
    EXPECT_GE(c.arcAngle, 0) << static_cast<double>(c.arcAngle);
    EXPECT_LE(c.arcAngle, 2 * kPi) << static_cast<double>(c.arcAngle);
    EXPECT_NEAR(Off(c.xt1, c.yt1, c.xc, c.yc) + Off(c.xt2, c.yt2, c.xc, c.yc), 2, 1E-9);
}

}  // namespace
}  // namespace veldrim
