#pragma once
// The diagram plotter: x-y diagrams (curves of calculated values over one
// input quantity) drawn through the CAD primitives, so a diagram goes to the
// screen or into any exchange file of the current CAD output run.
//
// A diagram is: size and offset, DrawDiagram (heading, axes, ticks, labels,
// titles, grid), then curves, markers and legend in diagram values, all
// inside one CAD output run. Both axes are linear.
//
//   DiagramToDrawingX(v) = (v - x min) / (x max - x min) * width + x offset
//   DiagramToDrawingY(v) = (v - y min) / (y max - y min) * height + y offset

#include <array>
#include <limits>
#include <cstdint>
#include <string>

#include "foundation/real.h"

namespace veldrim {

struct DiagramRecord {
    Real width = 160, height = 120;  // drawing size of the diagram area
    Real xMax = 160, yMax = 120;     // axis limits (diagram values)
    Real xMin = 0, yMin = 100;
    Real xRange = 1.0L, yRange = 1.0L;  // x max - x min, y max - y min, kept by the setters
    Real xOffset = 0, yOffset = 0;      // drawing position of the diagram origin
    Real currentX = 0, currentY = 0;    // current point in diagram values
    Real markerStep = 0;                // x distance between curve markers; 0 none
    Real gridStepY = 0;                 // y distance between the grid's lines; 0 none
    // The grid's band under its top line is kept free for a legend right of
    // this x (diagram value): the vertical lines there end below the band.
    // Infinite: no legend band. Taken by the next DrawDiagram only.
    Real legendFromX = std::numeric_limits<Real>::infinity();
};

extern DiagramRecord DiagramState;
// The limits the limits form proposes: x min, y min, x max, y max; kept
// from one diagram to the next.
extern std::array<Real, 4> DiagramUserLimits;

// Start-up state: the defaults above and the user limits 0, 0, 1, 1.
void ResetDiagramModule();
void ResetDiagramState();

void SetDiagramSize(Real width, Real height);
void SetDiagramOffset(Real x, Real y);
void SetDiagramLimits(Real xMin, Real yMin, Real xMax, Real yMax);
// Divides the limits (and the marker step) after a change of units.
void DiagramScaleLimits(Real fx, Real fy);

Real DiagramToDrawingX(Real v);
Real DiagramToDrawingY(Real v);
Real DiagramLengthY(Real d);
Real DrawingToDiagramX(Real x);
Real DrawingToDiagramY(Real y);

// Drawing in diagram values. DiagramLine clips to the limits; the Linear
// forms draw as given.
void DiagramLine(Real x1, Real y1, Real x2, Real y2);
void DiagramMoveTo(Real x, Real y);
void DiagramLineTo(Real x, Real y);
void DiagramLineToLinear(Real x, Real y);
void DiagramLineLinear(Real x1, Real y1, Real x2, Real y2);
void DiagramRectangle(Real x1, Real y1, Real x2, Real y2);
void DiagramCircle(Real x, Real y, Real r);
void DiagramText(const std::string& text, Real x, Real y);
void DiagramTextLinear(const std::string& text, Real x, Real y);
// The CAD text style scaled by max(width / 160, height / 110) of the diagram.
void DiagramSetTextStyle(int style, Real angle, Real height, Real width);
void DiagramVerticalMark(Real length, Real x, Real y);

// Markers: 1 circle, 2 square, 3 diamond, 4 triangle, 5 diagonal cross,
// 6 chevron; 0 and above 6 nothing.
void DiagramMarker(int kind, Real x, Real y);
void DiagramDiamond(Real x, Real y, Real a, Real b);
void DiagramTriangle(Real x, Real y, Real a, Real b);
void DiagramCross(Real x, Real y, Real a, Real b);
void DiagramChevron(Real x, Real y, Real a, Real b);
// A marker left of the CAD current point, then the text as one text line.
void DiagramLegendEntry(const std::string& text, int kind);
// A curve segment with markers at the multiples of the marker step from x min.
void PlotCurve(int kind, Real x1, Real y1, Real x2, Real y2);
// A filled arrow head in drawing coordinates, tip at (x, y): direction 0 or
// 1 +x, 2 +y, 3 -x, 4 -y; others draw nothing.
void DiagramArrowHead(int direction, Real x, Real y, Real length);

// Label modes of DrawDiagram.
enum : uint16_t {
    kDiagramTitleBelow = 0,  // 0 and 1: the x title below the end of the x axis
    kDiagramTitleAbove = 2,  // the x title above the end of the x axis
    kDiagramNoXAxis = 3,     // no x axis line, x tick labels or x title
};
// Heading, axes, ticks, labels, titles and grid; sets the limits to the
// automatic scale of the given range (or the user's, from the limits form).
void DrawDiagram(const std::string& xTitle, const std::string& yTitle, const std::string& heading,
                 Real xMin, Real yMin, Real xMax, Real yMax, uint16_t labelMode);

// The limits form: shows the user limits (Calculate: the calculated ones)
// under the heading and the axis titles; on OK stores the edits into the user
// limits. Its help button shows help text 1950. Limits that draw nothing (a
// text that is no number, a reversed or empty range) are refused with a
// message naming the field, and the form comes again with the typed texts.
// Returns false when cancelled.
bool EnterDiagramLimitsForm(const std::string& xTitle, const std::string& yTitle,
                            const std::string& heading, const std::array<Real, 4>& calculated);
// The message that refuses the four edits of the limits form (x min, y min,
// x max, y max), naming the first field in fault with its axis title; empty
// when they make a diagram, and then limits holds their values. On entry
// limits holds the values the edits were filled with as `filled`: an edit
// that still reads so keeps its value exactly, a changed one is read.
std::string RefusedDiagramLimitsText(const std::array<std::string, 4>& edits,
                                     const std::array<std::string, 4>& filled,
                                     const std::string& xTitle, const std::string& yTitle,
                                     std::array<Real, 4>& limits);

}  // namespace veldrim
