#pragma once
// Section hatching: the drawing code builds the outline of a cut face point by
// point (straight edges, arcs by their included angle, wavy break lines) in
// one program-wide outline buffer, then asks for parallel hatch lines at an
// angle and a spacing. Outline, hatch lines and the circles of round sections
// go through the CAD primitives, so they reach the screen and every exchange
// format.
//
// Hatch option (CadOutputState.hatchOption): 1 the outline is drawn on layer
// 5 before the hatch lines; 2 the caller draws the outline itself. The hatch
// lines go to layer 3.
//
// A hatch line pairs its crossings with the outline's edges in order along
// the line: each edge counts from its first point up to, but not including,
// its second, so a line through a corner crosses exactly once where the
// outline passes through and twice or not at all where it turns back.

#include <array>
#include <cstdint>

#include "foundation/real.h"

namespace veldrim {

// Points of one outline; one more slot holds the closing point.
inline constexpr int kOutlineCapacity = 100;
// No face gets more hatch lines than this, whatever the spacing.
inline constexpr int kMaxHatchLines = 10000;

struct OutlinePoint {
    Real x = 0, y = 0;
};

// Points 1..count (index 0 unused); the count keeps growing past the
// capacity, so an overfull outline is refused by the hatching.
extern std::array<OutlinePoint, kOutlineCapacity + 2> OutlineBuffer;
extern int OutlinePointCount;
// Included angle (radians) of the edge that starts at the last vertex; 0 straight.
extern Real PreviousArcAngle;

// Start-up state: empty outline, straight edges, the break-line generator's seed.
void ResetHatching();

void ResetOutline();
void ResetOutlineArc();
// Adds a point; beyond the capacity "Schraffurfehler" is added to the
// message list and the point dropped.
void AddOutlinePoint(Real x, Real y);
void AddPolarOutlinePoint(Real cx, Real cy, Real r, Real phi);
// n + 1 points of the arc from start to end (radians) in equal steps.
void AddOutlineArcSteps(int n, Real cx, Real cy, Real r, Real start, Real end);
// Adds the vertex; the edge to it from the last point is an arc when the
// previous arc angle is not 0. phi becomes the angle of the edge that starts here.
void AddOutlineVertex(Real x, Real y, Real phi);
// A wavy break line of six steps from (x1, y1) to (x2, y2), into the outline
// or drawn from the current CAD point.
void BreakLine(bool toOutline, Real x1, Real y1, Real x2, Real y2, Real amplitude);

// Hatches the first n outline points at alpha degrees with spacing s (s = 0:
// ten lines over the face). Horizontal hatching (alpha 0) draws the outline only.
void ComputeHatchLines(int n, Real alpha, Real s);
// ComputeHatchLines with n, or with the point count when n is 0.
void HatchCurrentOutline(int n, Real alpha, Real s);
// The outline of a full circle as two half-circle arcs from (x + r, y).
void AddCircleOutline(Real x, Real y, Real r);
void HatchCircle(Real x, Real y, Real r, Real s);
void HatchRing(Real x, Real y, Real r1, Real r2, Real s);

// Sorts values[1..n] ascending and permutes index[1..n] (set to 1..100 first)
// alike; n above 100 gives "Fatal  : QSORT2 error" and the cancel flag.
void QSORT2(std::array<double, kOutlineCapacity + 1>& values,
            std::array<int, kOutlineCapacity + 1>& index, int n);

}  // namespace veldrim
