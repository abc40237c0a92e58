// Tooth measurement and tolerance tables: the ISO 286 and DIN 3967 tables
// against the standards' values typed in here, the size-step bounds, and the
// measurement functions against closed forms of involute geometry.

#include "calc/measure_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

constexpr Real kPiL = std::numbers::pi_v<Real>;
const Real kAlpha20 = 20.0L * kPiL / 180.0L;

class MeasureTablesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetMessages();
        ClearMessages();
        hideWarningsFlag = false;
        unitSystem = 0;
    }
    void TearDown() override { unitSystem = 0; }
    static std::string Messages() {
        std::string all;
        for (int i = 1; i <= messageList.count; ++i) all += messageList.slot[i] + "\n";
        return all;
    }
};

// ISO 286-1, table 1: nominal sizes "over" lower "up to and including" upper,
// standard tolerance grades IT4 .. IT11 in µm.
struct IsoRow {
    double lower, upper;
    int it[8];
};
const IsoRow kIso286[] = {
    {0, 3, {3, 4, 6, 10, 14, 25, 40, 60}},
    {3, 6, {4, 5, 8, 12, 18, 30, 48, 75}},
    {6, 10, {4, 6, 9, 15, 22, 36, 58, 90}},
    {10, 18, {5, 8, 11, 18, 27, 43, 70, 110}},
    {18, 30, {6, 9, 13, 21, 33, 52, 84, 130}},
    {30, 50, {7, 11, 16, 25, 39, 62, 100, 160}},
    {50, 80, {8, 13, 19, 30, 46, 74, 120, 190}},
    {80, 120, {10, 15, 22, 35, 54, 87, 140, 220}},
    {120, 180, {12, 18, 25, 40, 63, 100, 160, 250}},
    {180, 250, {14, 20, 29, 46, 72, 115, 185, 290}},
    {250, 315, {16, 23, 32, 52, 81, 130, 210, 320}},
    {315, 400, {18, 25, 36, 57, 89, 140, 230, 360}},
    {400, 500, {20, 27, 40, 63, 97, 155, 250, 400}},
    {500, 630, {22, 32, 44, 70, 110, 175, 280, 440}},
    {630, 800, {25, 36, 50, 80, 125, 200, 320, 500}},
    {800, 1000, {28, 40, 56, 90, 140, 230, 360, 560}},
    {1000, 1250, {33, 47, 66, 105, 165, 260, 420, 660}},
    {1250, 1600, {39, 55, 78, 125, 195, 310, 500, 780}},
    {1600, 2000, {46, 65, 92, 150, 230, 370, 600, 920}},
    {2000, 2500, {55, 78, 110, 175, 280, 440, 700, 1100}},
    {2500, 3150, {68, 96, 135, 210, 330, 540, 860, 1350}},
};

TEST_F(MeasureTablesTest, Iso286AtInnerSizeAndBothBoundsOfEveryStep) {
    for (const IsoRow& row : kIso286) {
        const Real lower = row.lower, upper = row.upper;
        const Real sizes[] = {(lower + upper) / 2, upper, lower + 0.001L};
        for (int grade = 1; grade <= 8; ++grade) {
            for (Real size : sizes) {
                if (size <= 0) continue;
                EXPECT_EQ(IsoToleranceIT(grade, size), row.it[grade - 1])
                    << "IT" << grade + 3 << " at " << static_cast<double>(size) << " mm";
            }
        }
    }
}

TEST_F(MeasureTablesTest, Iso286SizeOnABoundBelongsToTheLowerStep) {
    EXPECT_EQ(IsoToleranceIT(3, 3.0L), 6);    // IT6 up to and including 3 mm
    EXPECT_EQ(IsoToleranceIT(3, 2.5L), 6);
    EXPECT_EQ(IsoToleranceIT(3, 3.01L), 8);
    EXPECT_EQ(IsoToleranceIT(1, 80.0L), 8);   // IT4 over 50 up to 80
    EXPECT_EQ(IsoToleranceIT(1, 80.02L), 10);
    EXPECT_EQ(IsoToleranceIT(1, 80.0L + 1E-12L), 8);  // computing noise stays on the bound
    EXPECT_EQ(IsoToleranceIT(1, -80.0L), 8);  // the magnitude counts
    EXPECT_EQ(IsoToleranceIT(1, 0.0L), 3);
}

TEST_F(MeasureTablesTest, OutOfRangeGradesAndSeriesGiveZero) {
    EXPECT_EQ(IsoToleranceIT(0, 50), 0);
    EXPECT_EQ(IsoToleranceIT(9, 50), 0);
    EXPECT_EQ(IsoToleranceIT(4, std::nanl("")), 0);
    EXPECT_EQ(ToothThicknessToleranceTsn(0, 50), 0);
    EXPECT_EQ(ToothThicknessToleranceTsn(11, 50), 0);
    EXPECT_EQ(ToothThicknessAllowanceAsne(0, 50), 0);
    EXPECT_EQ(ToothThicknessAllowanceAsne(12, 50), 0);
}

// DIN 3967 diameter steps "over ... up to": upper bounds of steps 1 .. 10.
const double kDinUpper[] = {10, 50, 125, 280, 560, 1000, 1600, 2500, 4000, 6300};
// Tolerance series 21 and 30, and deviation series a, e, g, per step 1 .. 11.
const int kTsn21[] = {3, 5, 6, 8, 10, 12, 16, 20, 25, 30, 40};
const int kTsn30[] = {200, 300, 400, 500, 600, 800, 1000, 1300, 1600, 2000, 2400};
const int kAsneA[] = {100, 135, 180, 250, 330, 450, 600, 820, 1100, 1500, 2000};
const int kAsneE[] = {22, 30, 40, 56, 75, 100, 135, 180, 250, 330, 450};
const int kAsneG[] = {5, 7, 9, 12, 17, 22, 30, 41, 56, 75, 100};

TEST_F(MeasureTablesTest, Din3967StepsEndOnTheirUpperBound) {
    for (int step = 1; step <= 11; ++step) {
        const Real lower = step == 1 ? 0 : kDinUpper[step - 2];
        const Real upper = step == 11 ? 10000 : kDinUpper[step - 1];
        for (Real d : {lower + 0.001L, (lower + upper) / 2, upper}) {
            SCOPED_TRACE(testing::Message() << "d = " << static_cast<double>(d));
            EXPECT_EQ(ToothThicknessToleranceTsn(1, d), kTsn21[step - 1]);
            EXPECT_EQ(ToothThicknessToleranceTsn(10, d), kTsn30[step - 1]);
            EXPECT_EQ(ToothThicknessAllowanceAsne(1, d), kAsneA[step - 1]);
            EXPECT_EQ(ToothThicknessAllowanceAsne(8, d), kAsneE[step - 1]);
            EXPECT_EQ(ToothThicknessAllowanceAsne(10, d), kAsneG[step - 1]);
            EXPECT_EQ(ToothThicknessAllowanceAsne(11, d), 0);  // series h
        }
    }
    EXPECT_EQ(ToothThicknessToleranceTsn(5, 80), 40);    // series 25 at 80 mm
    EXPECT_EQ(ToothThicknessAllowanceAsne(7, 80), 60);   // series d at 80 mm
}

TEST_F(MeasureTablesTest, SpanMeasurementOfASpurGear) {
    // W = m cos(alpha) ((k - 1/2) pi + z inv(alpha)) + 2 x m sin(alpha)
    const Real inv = std::tan(kAlpha20) - kAlpha20;
    const Real expected = 4 * std::cos(kAlpha20) * (2.5L * kPiL + 20 * inv);
    EXPECT_NEAR(static_cast<double>(SpanMeasurement(20, 3, 0, 0, kAlpha20, 4)),
                static_cast<double>(expected), 1e-12);
    EXPECT_NEAR(static_cast<double>(SpanMeasurement(20, 3, 0.5L, 0, kAlpha20, 4) - expected),
                static_cast<double>(4 * std::sin(kAlpha20)), 1e-12);
    EXPECT_EQ(messageList.count, 0);
}

TEST_F(MeasureTablesTest, ZeroTeethAreFatal) {
    EXPECT_EQ(SpanMeasurement(0, 3, 0, 0, kAlpha20, 4), 0);
    EXPECT_TRUE(fatalFlag);
    EXPECT_EQ(Messages(), "Fatal  : z = 0 !\n");
    ClearMessages();
    EXPECT_EQ(TeethSpanned(4, 0, kAlpha20, 0, 0), 0);
    EXPECT_TRUE(fatalFlag);
    ClearMessages();
    EXPECT_EQ(DimensionOverBalls(0, 4, kAlpha20, 0, 0, 7), 0);
    EXPECT_TRUE(fatalFlag);
}

TEST_F(MeasureTablesTest, TeethSpannedGrowWithToothNumberAndNeverFallBelowOne) {
    int previous = 1;
    for (int z = 6; z <= 200; z += 7) {
        const int k = TeethSpanned(4, 0, kAlpha20, 0, z);
        EXPECT_GE(k, previous) << z;
        previous = k;
    }
    // The classic rule k = z alpha / 180° + 0.5 for spur gears without shift.
    EXPECT_EQ(TeethSpanned(4, 0, kAlpha20, 0, 20), 3);
    EXPECT_EQ(TeethSpanned(4, 0, kAlpha20, 0, 40), 5);
    EXPECT_GE(TeethSpanned(1, -0.5L, kAlpha20, 0.3L, 7), 1);
    EXPECT_FALSE(fatalFlag);
}

TEST_F(MeasureTablesTest, DimensionOverBallsTouchingAtThePitchCircle) {
    // A ball of diameter m cos(alpha) pi/2 touches a spur gear without shift
    // at its reference circle: MK = d + DM for even z, d cos(90°/z) + DM for odd z.
    const Real DM = 4 * std::cos(kAlpha20) * kPiL / 2;
    EXPECT_NEAR(static_cast<double>(DimensionOverBalls(20, 4, kAlpha20, 0, 0, DM)),
                static_cast<double>(80 + DM), 1e-9);
    EXPECT_NEAR(static_cast<double>(DimensionOverBalls(21, 4, kAlpha20, 0, 0, DM)),
                static_cast<double>(84 * std::cos(kPiL / 42) + DM), 1e-9);
    // Pins equal balls on spur gears; on odd helical gears they span the full circle.
    EXPECT_EQ(DimensionOverPins(21, 4, kAlpha20, 0, 0, DM),
              DimensionOverBalls(21, 4, kAlpha20, 0, 0, DM));
    const Real beta = 0.2L;
    const Real MK = DimensionOverBalls(21, 4, kAlpha20, beta, 0, DM);
    EXPECT_NEAR(static_cast<double>(DimensionOverPins(21, 4, kAlpha20, beta, 0, DM)),
                static_cast<double>((MK - DM) / std::cos(kPiL / 42) + DM), 1e-9);
    EXPECT_EQ(messageList.count, 0);
}

TEST_F(MeasureTablesTest, BallTooSmallToReachTheFlanksIsReported) {
    DimensionOverBalls(20, 4, kAlpha20, 0, 0, 0);
    EXPECT_EQ(Messages(), "Fehler : Dm ball !  (0mm)\n");
    EXPECT_FALSE(fatalFlag);
}

TEST_F(MeasureTablesTest, BallDiameterIsRoundedToATenthFromHalfAMillimetre) {
    const Real DM = BallDiameter(4, 0, kAlpha20, 0, 20);
    EXPECT_GT(DM, 6.0L);
    EXPECT_LT(DM, 8.0L);
    EXPECT_EQ(DM * 10, std::nearbyint(DM * 10));
    // The ball fits the space: it reaches near the reference circle.
    const Real MK = DimensionOverBalls(20, 4, kAlpha20, 0, 0, DM);
    EXPECT_GT(MK, 80 + DM * 0.9L);
    // A small module gives a ball below 0.5 mm, kept unrounded.
    const Real small = BallDiameter(0.2L, 0, kAlpha20, 0, 20);
    EXPECT_LT(small, 0.5L);
    EXPECT_NE(small * 10, std::nearbyint(small * 10));
    // The imperial unit system rounds to thousandths of an inch.
    unitSystem = 1;
    const Real inch = BallDiameter(4, 0, kAlpha20, 0, 20) / 25.4L;
    EXPECT_NEAR(static_cast<double>(inch * 1000), std::nearbyint(static_cast<double>(inch * 1000)),
                1e-9);
    EXPECT_EQ(messageList.count, 0);
}

TEST_F(MeasureTablesTest, RootFormDiameterWithoutToolAddendumIsTheReferenceDiameter) {
    const Real d = 80, db = d * std::cos(kAlpha20);
    EXPECT_NEAR(static_cast<double>(RootFormDiameter(db, kAlpha20, 0, 4, 0, 0, kAlpha20, d)), 80.0,
                1e-12);
    // A larger tool addendum reaches deeper; a positive shift lifts it again.
    const Real deep = RootFormDiameter(db, kAlpha20, 0.38L * 4, 4, 0, 5, kAlpha20, d);
    const Real shifted = RootFormDiameter(db, kAlpha20, 0.38L * 4, 4, 0.3L, 5, kAlpha20, d);
    EXPECT_LT(deep, 80);
    EXPECT_GT(shifted, deep);
    EXPECT_EQ(RootFormDiameterProtuberance(db, kAlpha20, 0.38L * 4, 4, 0, 5, kAlpha20, d, 0), deep);
}

TEST_F(MeasureTablesTest, TipDiameterSearchBelowTheBaseCircle) {
    Real s = -1;
    const Real db = 80 * std::cos(kAlpha20);
    EXPECT_NEAR(static_cast<double>(
                    TipDiameterSearch(20, 1, s, kAlpha20, 0, 4, 0, 0, kAlpha20, 0, db - 5)),
                static_cast<double>(db), 1e-12);
    EXPECT_EQ(Messages(), "Fehler : db > dFa1\n");
    ClearMessages();
    TipDiameterSearch(-20, 2, s, kAlpha20, 0, 4, 0, 0, kAlpha20, 0, -100);
    EXPECT_EQ(messageList.count, 0);  // internal gears give no message
}

TEST_F(MeasureTablesTest, TipDiameterSearchMeetsTheToolFlank) {
    // A second flank part at 30° from 1 mm below the tip: the two involutes
    // cross between base and tip circle.
    Real s = 0;
    const Real alphaP0 = 30.0L * kPiL / 180.0L;
    const Real D = TipDiameterSearch(20, 1, s, kAlpha20, 0, 4, 0, 0, alphaP0, 1, 88);
    EXPECT_GT(D, 80 * std::cos(kAlpha20));
    EXPECT_LT(D, 88);
    EXPECT_GT(s, 0);
}

TEST_F(MeasureTablesTest, OtherGear) {
    EXPECT_EQ(OtherGear(1), 2);
    EXPECT_EQ(OtherGear(2), 1);
}

// Each of the three findings of the check, with the ball diameter in the
// active unit system (inch here): at most one message per call.
TEST_F(MeasureTablesTest, BallMeasurementCheckTextsInTheActiveUnitSystem) {
    unitSystem = 1;
    const std::string ball = FormatLength(6) + LengthUnit();
    ASSERT_EQ(LengthUnit(), "in");
    struct Case {
        Real df, MdK, dFaLower;
        std::string expected;  // empty: the ball fits
    };
    // z 20, alpha n 20°: the ball of 6 mm touches at dK1 - 6 sin(29°) = dK1 - 2.909.
    const Case cases[] = {
        {78, 86, 200, "Fehler : Dm ball !  (" + ball + ")"},   // touches below the root fillet
        {75, 86, 200, "Warnung: Dm ball   (" + ball + ")"},   // reaches below the root circle
        {70, 86, 70, "Fehler : Dm ball !  (" + ball + ")"},    // stands out over the tip form
        {70, 86, 200, ""},
    };
    for (const Case& c : cases) {
        ClearMessages();
        BallMeasurementCheck(20, 0, kAlpha20, 6, c.dFaLower, c.df, c.MdK, c.MdK);
        EXPECT_EQ(Messages(), c.expected.empty() ? "" : c.expected + "\n")
            << static_cast<double>(c.df) << " " << static_cast<double>(c.dFaLower);
    }
    EXPECT_FALSE(fatalFlag);
}

TEST_F(MeasureTablesTest, TipDiameterSearchBelowTheToolBaseCircle) {
    // A second flank part at 10° has its base circle (80 cos 10° = 78.8 mm)
    // above the gear's (80 cos 20° = 75.2 mm); the tip lies between them.
    Real s = 0;
    const Real alphaP0 = 10.0L * kPiL / 180.0L;
    const Real upper = 77;  // between the two base circles
    EXPECT_EQ(TipDiameterSearch(20, 2, s, kAlpha20, 0, 4, 0, 0, alphaP0, 0, upper), upper);
    EXPECT_EQ(Messages(), "Fehler : dbk > dFa2 !\n");
    EXPECT_FALSE(fatalFlag);
}

// No ball fits a tooth space this narrow: a fatal-worded message, but the
// calculation goes on (the flag stays clear) with the diameter 0.
TEST_F(MeasureTablesTest, BallDiameterWithoutAFittingBall) {
    EXPECT_EQ(BallDiameter(4, -1, kAlpha20, 0, 20), 0);
    bool found = false;
    for (int i = 1; i <= messageList.count; ++i)
        found = found || messageList.slot[i] == "Fatal  : Kugelmaß DmMess !"_cp850;
    EXPECT_TRUE(found) << Messages();
    EXPECT_FALSE(fatalFlag);
}

TEST_F(MeasureTablesTest, BallMeasurementCheckAddsAtMostOneMessage) {
    // A ball far too large for the gear: it cannot touch the flanks.
    BallMeasurementCheck(20, 1.5L, kAlpha20, 30, 88, 70, 200, 120);
    EXPECT_LE(messageList.count, 1);
    ClearMessages();
    // A ball whose centre circle lies above the root: the fitting case.
    const Real DM = 4 * std::cos(kAlpha20) * kPiL / 2;
    BallMeasurementCheck(20, 1.5L, kAlpha20, DM, 200, 70, 80 + DM, 80 + DM);
    EXPECT_EQ(messageList.count, 0);
    ClearMessages();
    BallMeasurementCheck(20, 0, kAlpha20, DM, 200, 79, 80 + DM, 80 + DM);
    EXPECT_EQ(Messages(), "Fehler : Dm ball !  (" + FormatLength(DM) + "mm)\n");
}

}  // namespace
}  // namespace veldrim
