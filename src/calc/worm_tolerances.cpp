// Tolerances and measurement values of the worm gear set.
//
// The tooth-thickness allowances Asne/Asni (DIN 3967 by deviation and
// tolerance series, or entered) become generating profile shifts
//   xe = x + As / (2 tan(alpha n) mn),
// from which the limits of tooth thickness, tip and root diameters and the
// test dimensions follow. The DIN 3974 deviations use the geometric means of
// the module and diameter ranges of the standard and a factor per accuracy
// grade (1.4 per grade around grade 5, 1.6 from grade 10 on).

#include "calc/worm_tolerances.h"

#include <array>
#include <cmath>
#include <string>

#include "calc/measure_tables.h"
#include "calc/records.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"

namespace veldrim {

namespace {

constexpr int kFreeToleranceSeries = 11;
constexpr int kNoCentreDistanceField = 9;

// DIN 3960: normal tooth thickness sn = mn (pi / 2 + 2 x tan(alpha n)).
Real ToothThickness(const WormGearRecord& w, Real x) {
    return w.mn * (kPi / 2 + 2 * x * Tangent(w.alphaN));
}

// Step 1: allowances and tolerance in mm; step 2: their designation.
void ToothThicknessAllowances(WormGearRecord& w, int i) {
    // DIN 3967: upper allowance Asne by deviation series and reference diameter,
    // tolerance Tsn by tolerance series and reference diameter; the lower
    // allowance Asni = Asne - Tsn. The designation: grade, series, tolerance series.
    if (w.toleranceSeries[i] < kFreeToleranceSeries) {
        w.Asne[i] =
            -static_cast<Real>(ToothThicknessAllowanceAsne(w.deviationSeries[i], w.d[i])) / 1000;
        w.Tsn[i] =
            static_cast<Real>(ToothThicknessToleranceTsn(w.toleranceSeries[i], w.d[i])) / 1000;
        w.Asni[i] = w.Asne[i] - w.Tsn[i];
        w.toothThicknessDesignation[i] =
            IntTextPad(w.quality[i], 2) + " " +
            std::string(ChoiceText(kDeviationSeriesTexts, w.deviationSeries[i])) + " " +
            IntText(w.toleranceSeries[i] + 20);
    } else {
        w.Tsn[i] = w.Asne[i] - w.Asni[i];
        w.toothThicknessDesignation[i].clear();
    }
}

// Steps 4 and 5: generating profile shifts and production limits.
void ProductionLimits(WormGearRecord& w, int i) {
    // DIN 3960: generating profile shift xE = x + As / (2 mn tan(alpha n)) of each
    // allowance; tooth thickness, tip and root diameters follow with xE in place of x.
    const Real perShift = 2 * Tangent(w.alphaN) * w.mn;
    w.xemax[i] = w.x[i] + w.Asne[i] / perShift;
    w.xemin[i] = w.x[i] + w.Asni[i] / perShift;
    w.xe[i] = (w.xemin[i] + w.xemax[i]) / 2;
    w.xeTol[i] = (w.xemax[i] - w.xemin[i]) / 2;

    const Real D = i == 1 ? w.dm[1] : w.d[2];
    w.sn[i] = ToothThickness(w, w.x[i]);
    w.en[i] = w.pn - w.sn[i];
    w.snMin[i] = ToothThickness(w, w.xemin[i]);
    w.snMax[i] = ToothThickness(w, w.xemax[i]);
    w.snMean[i] = (w.snMax[i] + w.snMin[i]) / 2;
    w.snTol[i] = (w.snMax[i] - w.snMin[i]) / 2;
    w.daMin[i] = D + 2 * (w.haStar[i] + w.xemin[i]) * w.mx;
    w.daMax[i] = D + 2 * (w.haStar[i] + w.xemax[i]) * w.mx;
    w.daMean[i] = (w.daMax[i] + w.daMin[i]) / 2;
    w.daTol[i] = (w.daMax[i] - w.daMin[i]) / 2;
    w.dfMin[i] = D - 2 * (w.hfStar[i] - w.xemin[i]) * w.mx;
    w.dfMax[i] = D - 2 * (w.hfStar[i] - w.xemax[i]) * w.mx;
    w.dfMean[i] = (w.dfMax[i] + w.dfMin[i]) / 2;
    w.dfTol[i] = (w.dfMax[i] - w.dfMin[i]) / 2;
}

// Step 6: dimensions over pins and balls, teeth spanned and spans.
void TestDimensions(const GearPairRecord& g, WormGearRecord& w, int i) {
    const int z = g.z[i];
    const Real beta = w.beta[i];
    // An entered diameter of 0 means "choose it": the ball that touches the
    // flanks near the profile-shifted reference circle. The input keeps its 0, so the data file
    // still asks for a chosen ball after a change of module or profile shift.
    const Real entered = w.measurementInput[i];
    // DIN 3960: dimensions over pins (MR) and balls (MK) and the span over k teeth
    // (W), each at the nominal and at both generating profile shifts.
    const Real DM = entered != 0 ? entered : BallDiameter(w.mn, w.x[i], w.alphaN, beta, z);
    w.measurementUsed[i] = DM;
    w.MR[i] = DimensionOverPins(z, w.mn, w.alphaN, beta, w.x[i], DM);
    w.MRMax[i] = DimensionOverPins(z, w.mn, w.alphaN, beta, w.xemax[i], DM);
    w.MRMin[i] = DimensionOverPins(z, w.mn, w.alphaN, beta, w.xemin[i], DM);
    w.MRMean[i] = (w.MRMax[i] + w.MRMin[i]) / 2;
    w.MRTol[i] = (w.MRMax[i] - w.MRMin[i]) / 2;
    w.MK[i] = DimensionOverBalls(z, w.mn, w.alphaN, beta, w.x[i], DM);
    w.MKMax[i] = DimensionOverBalls(z, w.mn, w.alphaN, beta, w.xemax[i], DM);
    w.MKMin[i] = DimensionOverBalls(z, w.mn, w.alphaN, beta, w.xemin[i], DM);
    w.MKMean[i] = (w.MKMax[i] + w.MKMin[i]) / 2;
    w.MKTol[i] = (w.MKMax[i] - w.MKMin[i]) / 2;
    // The smallest tooth thickness decides the number of teeth spanned.
    w.k[i] = TeethSpanned(w.mn, w.xemin[i], w.alphaN, beta, z);
    w.W[i] = SpanMeasurement(z, w.k[i], w.x[i], beta, w.alphaN, w.mn);
    w.WXemin[i] = SpanMeasurement(z, w.k[i], w.xemin[i], beta, w.alphaN, w.mn);
    w.WXemax[i] = SpanMeasurement(z, w.k[i], w.xemax[i], beta, w.alphaN, w.mn);
}

// DIN 3974: the deviations are formed with the geometric means of the module
// and diameter ranges of the standard's tables, not with the gear's own values.
// Geometric mean of the DIN 3974 module range holding m ("over ... to").
Real ModuleMean(Real m) {
    struct Range {
        Real upper;
        Real mean;
    };
    static constexpr std::array<Range, 7> kRanges = {{{2, 1.0L},
                                                      {3.55L, 2.665L},
                                                      {6, 4.615L},
                                                      {10, 7.746L},
                                                      {16, 12.649L},
                                                      {25, 20.0L},
                                                      {40, 31.623L}}};
    if (m <= 0.5L) return m;
    for (const Range& r : kRanges)
        if (m <= r.upper) return r.mean;
    return m;
}

// Geometric mean of the DIN 3974 diameter range holding d ("over ... to").
Real DiameterMean(Real d) {
    struct Range {
        Real upper;
        Real mean;
    };
    static constexpr std::array<Range, 7> kRanges = {{{50, 22.36L},
                                                      {125, 79.057L},
                                                      {280, 187.08L},
                                                      {560, 395.97L},
                                                      {1000, 748.33L},
                                                      {1600, 1264.91L},
                                                      {2500, 2000.0L}}};
    if (d <= 10) return d;
    for (const Range& r : kRanges)
        if (d <= r.upper) return r.mean;
    return d;
}

// DIN 3974: the step factor between accuracy grades, 1.4 up to grade 9 and 1.6
// above, applied to the formulas of grade 5.
// Factor of accuracy grade Q relative to grade 5.
Real GradeFactor(int Q) {
    if (Q <= 0) return 0;
    if (Q <= 9) return IntPower(Q - 5, 1.4L);
    return IntPower(4, 1.4L) * IntPower(Q - 9, 1.6L);
}

// Step 7: deviations of gear i, µm.
void Deviations(WormGearRecord& w, int i, Real mMean) {
    const Real dMean = DiameterMean(w.dm[i]);
    const Real phi = GradeFactor(w.quality[i]);
    const Real sqrtD = CheckedSqrt("", dMean);
    const Real sqrtM = CheckedSqrt("", mMean);
    // DIN 3974, formulas of grade 5 (µm, d and m the range means): single pitch
    // deviation fp, adjacent pitch deviation fu, profile slope fH alpha, profile form
    // ff alpha, total profile Falpha = sqrt(fH alpha^2 + ff alpha^2), runout Fr,
    // tangential composite Fi' and tooth-to-tooth tangential composite fi'.
    w.fp[i] = RoundDeviation(RoundDeviation((0.25L * sqrtD + mMean) * 0.315L + 4) * phi);
    w.fu[i] = RoundDeviation(RoundDeviation((0.25L * sqrtD + mMean) * 0.4L + 5) * phi);
    w.fHalpha[i] = RoundDeviation(RoundDeviation((3 * sqrtM + mMean) * 0.25L + 2.5L) * phi);
    w.ffalpha[i] = RoundDeviation(RoundDeviation((9 * sqrtM + mMean) * 0.25L + 1.5L) * phi);
    w.Falpha[i] = RoundDeviation(Hypot(w.fHalpha[i], w.ffalpha[i]));
    w.FrDev[i] = RoundDeviation(
        RoundDeviation(2.18L * sqrtM + 1.68L +
                       (1.2L * Log10OrZero(mMean) + 2.3L) * CheckedPower("Fr", dMean, 0.25L)) *
        phi);
    w.FiPrime[i] = RoundDeviation(RoundDeviation(5.8L * CheckedPower("Fi'", dMean, 0.2L) *
                                                 CheckedPower("Fi'", mMean, 1.0L / 7)) *
                                      phi +
                                  0.8L * w.Falpha[i]);
    w.fiPrime[i] = RoundDeviation(0.7L * (w.fp[i] + w.Falpha[i]));
}

}  // namespace

// Deviations are rounded to whole micrometres from 10 µm up, to half
// micrometres below.
Real RoundDeviation(Real v) {
    if (v >= 10) return std::rint(v + 0.0001L);
    return std::rint(2 * (v + 0.0001L)) / 2;
}

void CalcWormTolerances() {
    const GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    for (int i = 1; i <= 2; ++i) ToothThicknessAllowances(w, i);

    // ISO 286-1: the centre distance allowances of a js field are +-IT / 2 of the
    // standard tolerance grade over the nominal size steps.
    // A "js" field: +-IT/2 of the centre distance.
    if (w.centreDistanceToleranceField < kNoCentreDistanceField) {
        const Real upper =
            static_cast<Real>(IsoToleranceIT(w.centreDistanceToleranceField, w.a)) / 2000;
        w.centreDistanceAllowanceUpper = upper;
        w.centreDistanceAllowanceLower = -upper;
    }

    for (int i = 1; i <= 2; ++i) {
        ProductionLimits(w, i);
        TestDimensions(g, w, i);
    }

    const Real mMean = ModuleMean(w.mx);
    for (int i = 1; i <= 2; ++i) Deviations(w, i, mMean);
    // DIN 3974, grade 5 formulas times the grade factor: the worm's lead deviation
    // Fpz over z1 and the module, the wheel's total cumulative pitch deviation Fp2.
    const Real lgM = Log10OrZero(mMean);
    const Real z1 = g.z[1];
    w.Fpz = RoundDeviation(GradeFactor(w.quality[1]) *
                           (5 * CheckedPower("Fpz", z1, 1.0L / 3) * lgM * lgM + 0.5L * z1 + 4));
    w.Fp2 = RoundDeviation(GradeFactor(w.quality[2]) * 7.25L *
                           CheckedPower("Fp2", DiameterMean(w.dm[2]), 0.2L) *
                           CheckedPower("Fp2", mMean, 1.0L / 7));
}

}  // namespace veldrim
