#pragma once
// Test dimensions of the equivalent cylindrical gears: the span over k teeth
// and the dimension over two balls (or pins), for the nominal profile shift
// and the limits of the finishing and roughing stages.

#include "foundation/real.h"

namespace veldrim {

// Span Wk of gear i for the generating profile shift factor xE; chooses
// teethSpanned[i] when it is 0 (from the record's x, so all five spans of a
// gear use one k).
Real CylSpanMeasurement(int i, Real xE);

// Dimension over two balls of gear i for the generating profile shift xE.
Real CylBallDimension(int i, Real xE);

// For an odd tooth count and a positive helix angle: the dimension that two
// diametrically opposite balls would give; otherwise MdK itself.
Real CylDiametralBallDimension(int i, Real MdK);

// The measurement step of the tolerance stage: spans, ball dimensions and
// their diametral values of both gears for xPreLower, xPreUpper, x, xei, xee.
// Stops at the first fatal message.
void CylMeasurementStep();

}  // namespace veldrim
