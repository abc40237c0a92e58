#pragma once
// Plane geometry for the drawing code: 2x2 systems, intersections of lines,
// segments, rays and circles, arc centres, clipping and fillets. Angles are in
// radians. Every routine reports a degenerate construction (parallel lines,
// no intersection, an arc of no defined centre) through its result and leaves
// its outputs defined (zero unless said otherwise); none raises.

#include "foundation/real.h"

namespace veldrim {

Real Det2(Real a, Real b, Real c, Real d);

// x a1 + y b1 = c1, x a2 + y b2 = c2. A zero determinant gives x = y = 0 and false.
bool Solve2x2(Real a1, Real b1, Real c1, Real a2, Real b2, Real c2, Real& x, Real& y);

// Intersection of the infinite lines P1P2 and P3P4; parallel lines give false and P1.
bool IntersectLines(Real& x, Real& y, Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4,
                    Real y4);

// a <= v <= b in either order, ends included.
bool ValueBetween(Real v, Real a, Real b);

// Intersection of the segments P1P2 and P3P4, ends included.
bool IntersectSegments(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4,
                       Real& x, Real& y);

void RotatePointAbout(Real& xr, Real& yr, Real x, Real y, Real cx, Real cy, Real phi);

// The triangle angle between sides a and b, opposite side c; 0 when a or b is 0.
Real AngleFromSides(Real a, Real b, Real c);

// The arc of included angle dphi from P1 to P2: its centre, radius and end
// angles. For dphi < 0 the end angles are exchanged so that the arc runs
// counter-clockwise from startAngle to endAngle. A half angle of sine 0
// (dphi = 0 or another multiple of 2pi but the full circle) has no centre:
// the message "Fehler in GetArcCenter (dphi = ..." is added while warnings
// are shown, every output is 0 and the result is false.
bool GetArcCenter(Real& xc, Real& yc, Real& startAngle, Real& r, Real& endAngle, Real x1, Real y1,
                  Real x2, Real y2, Real dphi);
// The same without the full-circle case; startAngle is always the angle of
// P1 and endAngle that of P2.
bool GetArcCenterDbl(Real& xc, Real& yc, Real& startAngle, Real& r, Real& endAngle, Real x1,
                     Real y1, Real x2, Real y2, Real dphi);

// Roots of a x^2 + b x + c = 0 (a is not 0); no real root: x1 = x2 = 0, noRoot.
void SolveQuadratic(Real a, Real b, Real c, Real& x1, Real& x2, bool& noRoot);

// The circle (cx, cy, r) cut by the line through (x1, y1) and (x2, y2).
void IntersectLineCircle(Real cx, Real cy, Real r, Real x1, Real y1, Real x2, Real y2, Real& xa,
                         Real& ya, Real& xb, Real& yb, bool& noHit);

// Lines given by a point and a direction angle.
bool IntersectRays(Real& x, Real& y, Real x1, Real y1, Real angle1, Real x2, Real y2, Real angle2);

bool PointInRect(Real x, Real y, Real x1, Real y1, Real x2, Real y2);

// The first edge of the rectangle that the segment crosses (bottom, right,
// top, left); false with x, y untouched when none.
bool IntersectSegmentRect(Real x1, Real y1, Real x2, Real y2, Real rx1, Real ry1, Real rx2,
                          Real ry2, Real& x, Real& y);

// Keeps the part of a segment with one end inside the rectangle; a segment
// with both ends outside gives (0, 0) twice and false.
bool ClipSegmentToRect(Real& x1, Real& y1, Real& x2, Real& y2, Real rx1, Real ry1, Real rx2,
                       Real ry2);

struct Fillet {
    Real xc = 0, yc = 0;    // centre
    Real xt1 = 0, yt1 = 0;  // tangent point on line 1
    Real xt2 = 0, yt2 = 0;  // tangent point on line 2
    Real arcAngle = 0;
};

// The arc of radius r tangent to both lines (point and direction each);
// parallel lines give false and an all-zero fillet.
bool FilletBetweenLines(Real r, Real x1, Real y1, Real a1, Real x2, Real y2, Real a2,
                        Fillet& fillet);

Real OppositeAngle(Real a);

// The fillet of radius r in the corner (x, y) between the directions angle1
// (outgoing) and angle2 (incoming); the arc angle is brought into 0 .. 2pi.
bool CornerFillet(Real r, Real angle1, Real angle2, Real x, Real y, Fillet& fillet);

}  // namespace veldrim
