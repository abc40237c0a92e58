#pragma once
// The CAD drawing primitives: the only drawing calls of the drawing code.
// Each one adds the origin offset of the run to its points, then passes the
// entity to the back end of the run (CadTarget(), cad_output.h): the graphics
// window on screen output, the exchange-file writer otherwise, or the open
// block file inside a block of a screen run. Drawing units are millimetres
// of the sheet; angles are degrees unless a parameter says radians.

#include <functional>
#include <string>

#include "foundation/real.h"

namespace veldrim {

// Geometry.
void CadLine(Real x1, Real y1, Real x2, Real y2);
void CadCircle(Real x, Real y, Real r);
// The same circle; only an STL polygon would run clockwise.
void CadCircleReversed(Real x, Real y, Real r);
// Counter-clockwise arc from start to end angle; r = 0 draws nothing.
void CadArc2D(Real x, Real y, Real startAngle, Real endAngle, Real r);
// sweep: signed included angle in degrees (negative: clockwise from the
// start point); r = 0 draws nothing.
void CadArc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep);
// Text with the left end of its base line at (x, y); empty text draws nothing.
void CadText(const std::string& text, Real x, Real y);
// CadText at the current point, then the current point moves one line on.
void CadTextLine(const std::string& text);
void CadSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4);
void CadMoveTo(Real x, Real y);
// The 3D current point that the writers' 3D helpers share with the 2D one.
void CadMoveTo3D(Real x, Real y, Real z);
class CadWriter;
// The 3D line-to of the writers' 3D helpers: a 3D line of `writer` from the
// 3D current point to (x, y, z), which becomes the current point.
void CadWriterLineTo3D(CadWriter& writer, Real x, Real y, Real z);
void CadLineTo(Real x, Real y);

// Composite shapes.
void CadRectangle(Real x1, Real y1, Real x2, Real y2);
void CadRectangleReversed(Real x1, Real y1, Real x2, Real y2);
void CadHorizontalLine(Real x, Real y, Real length);
void CadDoubleHorizontalLine(Real x, Real y, Real length, Real distance);
void CadVerticalLine(Real x, Real y, Real length);
void CadCentredVerticalLine(Real x, Real y, Real length);
void CadEllipse(bool reverse, Real x, Real y, Real a, Real b);
// A band between radii r1 and r2 over the extrusion range on STL output
// (bodies.h); two circles about (x, y) on every other output.
void CadRing(Real x, Real y, Real r1, Real r2);
// CadRing whose band faces the other way (the profile walked backwards).
void CadRingBand(Real x, Real y, Real r1, Real r2, bool reverse);

// Attributes.
void CadSetLayer(int n);
void CadSaveLayer();
void CadRestoreLayer();
void CadSetLineStyle(int n);
void CadSetTextStyle(int style, Real angle, Real height, Real width);
void CadSetTextStyleFit(int style, const std::string& text, Real angle, Real height, Real width,
                        Real available);
void CadSetColorMode(int n);
void CadSetSymbolScale(Real factor);
void CadSetOrigin(Real x, Real y);
void CadPause(int milliseconds);
// The stroke-text option of STL output (only while the CAD-Code is 6): 1
// walks each stroke's outline counter-clockwise (walls face outward), 0
// clockwise.
void CadSetStlOption(int value);

// Polygon helpers (chords of the chord tolerance).
void CadPolygonCircle(bool reverse, Real x, Real y, Real r);
// Arc of included angle phi (radians, signed) from (x1, y1) to (x2, y2).
void CadPolygonArc(Real x1, Real y1, Real x2, Real y2, Real phi);
// The chord points of that arc after its start, the last one exactly
// (x2, y2); false (no point) when the arc has no length or no centre.
bool ForEachArcChordPoint(Real x1, Real y1, Real x2, Real y2, Real phi,
                          const std::function<void(Real, Real)>& point);

// The non-negative span from angle a to angle b in degrees (b - a brought
// into 0 .. 360; a full turn stays 360).
Real AngleSpan(Real a, Real b);

}  // namespace veldrim
