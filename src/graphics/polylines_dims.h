#pragma once
// Polylines and dimensions: composite drawing operations on top of the CAD
// primitives.
//
// Polylines are sequences of vertices, each with a bulge: the signed included
// angle in radians (positive counter-clockwise) of the arc from this vertex
// to the next, 0 for a straight segment. DXF output (CAD-Codes 1 and 4) with
// the polyline output flag set gets real POLYLINE/VERTEX/SEQEND entities with
// the DXF bulge tan(angle / 4); every other output gets them drawn as lines
// and arcs (or chords, with the arcs-as-lines flag). An emulated closed
// polyline is not closed by itself: the caller repeats the first vertex.
//
// Dimensions: dimension lines with arrows, text and upper and lower
// deviations, and leaders, all sized by the symbol scale s of the run (3.5 s
// text height, 3.5 s arrows). Deviation texts are decimal numbers as text
// (',' accepted); an empty text means no deviation.

#include <cstdint>
#include <string>

#include "foundation/real.h"

namespace veldrim {

// ---- Polylines ---------------------------------------------------------------

void CadBeginPolyline(uint8_t closed);
void CadPolylineVertex(Real x, Real y, Real bulge);
void CadVertex(Real x, Real y, Real bulge);
// CadPolylineVertex(radius cos angle, radius sin angle, bulge); angle in radians.
void CadPolarVertex(Real radius, Real angle, Real bulge);
void CadEndPolyline();
// The next vertex starts a new path.
void CadRestartPath();

// ---- Arrows and dimensions (angles in degrees) -----------------------------------

// A filled arrow head with its tip at (x, y) lying on the side `direction` of
// the tip (so it points the other way), half opening angle halfAngle, head
// length `length`, and a shaft of shaftLength.
void CadArrow(Real x, Real y, Real direction, Real halfAngle, Real length, Real shaftLength);
void CadDimensionArrow(Real x, Real y, Real direction);
// The dimension line from x1 to x2 at height y with text and deviations;
// dimensions of 10 s and less get their arrows outside.
void CadDimensionLineHorizontal(const std::string& text, const std::string& upper,
                                const std::string& lower, Real x1, Real x2, Real y);
void CadDimensionLineVertical(const std::string& text, const std::string& upper,
                              const std::string& lower, Real y1, Real y2, Real x);
// Extension lines from the two points to the dimension line at yd, then the line.
void CadDimensionHorizontal(const std::string& text, const std::string& upper,
                            const std::string& lower, Real x1, Real y1, Real x2, Real y2, Real yd);
void CadDimensionVertical(const std::string& text, const std::string& upper,
                          const std::string& lower, Real x1, Real y1, Real x2, Real y2, Real xd);
// A leader from (x, y) in direction a (from the positive y axis, clockwise),
// with a shoulder carrying the text.
void CadDimensionLeader(const std::string& text, const std::string& upper, const std::string& lower,
                        Real x, Real y, Real a);

}  // namespace veldrim
