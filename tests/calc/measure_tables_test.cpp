// Tooth measurement and tolerance tables against the standards' values typed
// in here and against closed forms of involute geometry.

#include "calc/measure_tables.h"

#include <cmath>

#include "calc_test_support.h"
#include "foundation/formatting.h"

namespace veldrim::calctest {
namespace {

const Real kAlpha20 = DegToRad(20);

class MeasureTablesTest : public CalcTest {};

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
    for (const IsoRow& row : kIso286)
        for (int grade = 1; grade <= 8; ++grade)
            for (Real size :
                 {(Real(row.lower) + row.upper) / 2, Real(row.upper), row.lower + 0.001L})
                EXPECT_EQ(IsoToleranceIT(grade, size), row.it[grade - 1])
                    << "IT" << grade + 3 << " at " << static_cast<double>(size) << " mm";
    EXPECT_EQ(IsoToleranceIT(3, 3.01L), 8);           // just over a bound: the upper step
    EXPECT_EQ(IsoToleranceIT(1, 80.0L + 1E-12L), 8);  // computing noise stays on the bound
    EXPECT_EQ(IsoToleranceIT(1, -80.0L), 8);          // the magnitude counts
    EXPECT_EQ(IsoToleranceIT(1, 0.0L), 3);
    EXPECT_EQ(IsoToleranceIT(0, 50), 0);
    EXPECT_EQ(IsoToleranceIT(9, 50), 0);
    EXPECT_EQ(IsoToleranceIT(4, std::nanl("")), 0);
}

// DIN 3967 diameter steps "over ... up to": upper bounds of steps 1 .. 10.
const double kDinUpper[] = {10, 50, 125, 280, 560, 1000, 1600, 2500, 4000, 6300};
// Tolerance series 30 and deviation series a and e per step 1 .. 11.
const int kTsn30[] = {200, 300, 400, 500, 600, 800, 1000, 1300, 1600, 2000, 2400};
const int kAsneA[] = {100, 135, 180, 250, 330, 450, 600, 820, 1100, 1500, 2000};
const int kAsneE[] = {22, 30, 40, 56, 75, 100, 135, 180, 250, 330, 450};

TEST_F(MeasureTablesTest, Din3967StepsEndOnTheirUpperBound) {
    for (int step = 1; step <= 11; ++step) {
        const Real lower = step == 1 ? 0 : kDinUpper[step - 2];
        const Real upper = step == 11 ? 10000 : kDinUpper[step - 1];
        for (Real d : {lower + 0.001L, (lower + upper) / 2, upper}) {
            SCOPED_TRACE(testing::Message() << "d = " << static_cast<double>(d));
            EXPECT_EQ(ToothThicknessToleranceTsn(10, d), kTsn30[step - 1]);
            EXPECT_EQ(ToothThicknessAllowanceAsne(1, d), kAsneA[step - 1]);
            EXPECT_EQ(ToothThicknessAllowanceAsne(8, d), kAsneE[step - 1]);
            EXPECT_EQ(ToothThicknessAllowanceAsne(11, d), 0);  // series h
        }
    }
    // Series 21 and g at 80 mm; series out of range give 0.
    EXPECT_EQ(ToothThicknessToleranceTsn(1, 80), 6);
    EXPECT_EQ(ToothThicknessAllowanceAsne(10, 80), 9);
    EXPECT_EQ(ToothThicknessToleranceTsn(11, 50), 0);
    EXPECT_EQ(ToothThicknessAllowanceAsne(12, 50), 0);
}

TEST_F(MeasureTablesTest, SpanAndTeethSpannedOfASpurGear) {
    // W = m cos(alpha) ((k - 1/2) pi + z inv(alpha)) + 2 x m sin(alpha)
    const Real expected = 4 * std::cos(kAlpha20) * (2.5L * kPi + 20 * Involute(kAlpha20));
    EXPECT_NEAR(SpanMeasurement(20, 3, 0, 0, kAlpha20, 4), expected, 1e-12);
    EXPECT_NEAR(SpanMeasurement(20, 3, 0.5L, 0, kAlpha20, 4) - expected, 4 * std::sin(kAlpha20),
                1e-12);
    // The classic rule k = z alpha / 180° + 0.5 for spur gears without shift.
    EXPECT_EQ(TeethSpanned(4, 0, kAlpha20, 0, 20), 3);
    EXPECT_EQ(TeethSpanned(4, 0, kAlpha20, 0, 40), 5);
    EXPECT_EQ(Log(), "");
    EXPECT_GE(TeethSpanned(1, -0.5L, kAlpha20, 0.3L, 7), 1);
    // No teeth: 0 and fatal, never a division by zero.
    for (Real (*none)() : {+[] { return SpanMeasurement(0, 3, 0, 0, kAlpha20, 4); },
                           +[] { return Real(TeethSpanned(4, 0, kAlpha20, 0, 0)); },
                           +[] { return DimensionOverBalls(0, 4, kAlpha20, 0, 0, 7); }}) {
        ClearMessages();
        EXPECT_EQ(none(), 0);
        EXPECT_TRUE(fatalFlag);
    }
    EXPECT_EQ(Log(), "Fatal  : z = 0 !\n");
}

TEST_F(MeasureTablesTest, DimensionOverBallsAndBallDiameter) {
    // A ball of diameter m cos(alpha) pi/2 touches a spur gear without shift
    // at its reference circle: MK = d + DM for even z, d cos(90°/z) + DM for odd z.
    const Real DM = 4 * std::cos(kAlpha20) * kPi / 2;
    EXPECT_NEAR(DimensionOverBalls(20, 4, kAlpha20, 0, 0, DM), 80 + DM, 1e-9);
    EXPECT_NEAR(DimensionOverBalls(21, 4, kAlpha20, 0, 0, DM), 84 * std::cos(kPi / 42) + DM, 1e-9);
    // On odd helical gears pins span the full circle.
    const Real MK = DimensionOverBalls(21, 4, kAlpha20, 0.2L, 0, DM);
    EXPECT_NEAR(DimensionOverPins(21, 4, kAlpha20, 0.2L, 0, DM),
                (MK - DM) / std::cos(kPi / 42) + DM, 1e-9);
    // The chosen ball diameter: tenths of a millimetre, and it fits the space.
    const Real Dm = BallDiameter(4, 0, kAlpha20, 0, 20);
    EXPECT_GT(Dm, 6);
    EXPECT_LT(Dm, 8);
    EXPECT_EQ(Dm * 10, std::nearbyint(Dm * 10));
    EXPECT_GT(DimensionOverBalls(20, 4, kAlpha20, 0, 0, Dm), 80 + Dm * 0.9L);
    EXPECT_EQ(Log(), "");
    // No ball, or none fits a space this narrow: messages, the fatal flag stays clear.
    DimensionOverBalls(20, 4, kAlpha20, 0, 0, 0);
    EXPECT_EQ(BallDiameter(4, -1, kAlpha20, 0, 20), 0);
    EXPECT_EQ(Messages()[0], "Fehler : Dm ball !  (0mm)") << Log();
    EXPECT_TRUE(HasMessage("Fatal  : Kugelmaß DmMess !"_cp850)) << Log();
    EXPECT_FALSE(fatalFlag);
}

TEST_F(MeasureTablesTest, TipDiameterSearch) {
    Real s = -1;
    const Real db = 80 * std::cos(kAlpha20);
    EXPECT_NEAR(TipDiameterSearch(20, 1, s, kAlpha20, 0, 4, 0, 0, kAlpha20, 0, db - 5), db, 1e-12);
    EXPECT_EQ(Log(), "Fehler : db > dFa1\n");
    ClearMessages();
    // A second flank part at 30° from 1 mm below the tip: the involutes cross
    // between base and tip circle.
    s = 0;
    const Real D = TipDiameterSearch(20, 1, s, kAlpha20, 0, 4, 0, 0, DegToRad(30), 1, 88);
    EXPECT_GT(D, db);
    EXPECT_LT(D, 88);
    EXPECT_GT(s, 0);
    EXPECT_FALSE(fatalFlag);
}

}  // namespace
}  // namespace veldrim::calctest
