#pragma once
// 3D bodies for STL output. The part builders draw 3D parts with the plane
// primitives: a plane outline becomes a prism through the extrusion range
// along z (every STL wall spans z1..z2), and the half-section outline of a
// body of revolution becomes revolved bands, one per outline segment.
//
// A half-section outline lies in the plane (x, r): x along the axis of
// revolution (the STL z), r the radius. Traced counter-clockwise in that
// plane (axis to the right, radius upwards), its bands face outward; a
// segment on the axis draws nothing, so a solid outline closes over the
// axis. On every other output the same calls draw ordinary 2D geometry
// (two circles about the origin per segment), so a builder runs on all of
// them.

#include "foundation/real.h"

namespace veldrim {

// Extrusion range := z1..z2; it stays until set again, across runs too.
void CadSetExtrusion(Real z1, Real z2);
// Extrusion range := z..z + length.
void CadSetExtrusionLength(Real z, Real length);
// The rectangle of the given size centred at (x, y); reverse traces it the
// other way round (inward-facing STL walls, for holes).
void CadCentredRectangle(bool reverse, Real x, Real y, Real width, Real height);
// Next vertex of a half-section outline; bulge is the signed included angle
// (radians) of the segment that starts at this vertex. CadRestartPath
// (polylines_dims.h) starts a new outline.
void CadRevolveVertex(Real x, Real r, Real bulge);
// The STL option flag of the run state (nothing in the program sets it).
bool CadOptionFlag();

}  // namespace veldrim
