// Polylines and dimensions (see polylines_dims.h).

#include "graphics/polylines_dims.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/plane_geometry.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/formats/dxf_writer.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {

namespace {

constexpr Real kPi = 3.141592653589793238462643383279502884L;
constexpr Real kDegree = kPi / 180;

// Real polylines reach DXF files only, and only with the polyline output flag.
bool RealPolylines() {
    const CadOutputRecord& s = CadOutputState;
    return (s.cadCode == kCadDxf || s.cadCode == kCadPlot) && s.polylineOutputFlag != 0;
}

}  // namespace

// ---- Polylines --------------------------------------------------------------------

void CadBeginPolyline(uint8_t closed) {
    if (RealPolylines()) {
        if (CadWriter* w = CadTarget()) w->BeginPolyline(closed);
        return;
    }
    CadOutputState.vertexCounter = 1;
}

void CadPolylineVertex(Real x, Real y, Real bulge) {
    CadOutputRecord& s = CadOutputState;
    if (RealPolylines()) {
        if (CadWriter* w = CadTarget())
            w->Vertex(x + s.originX, y + s.originY, BulgeFromAngle(bulge));
        CadMoveTo(x, y);
        return;
    }
    if (s.vertexCounter == 1) {
        CadMoveTo(x, y);
    } else if (s.previousBulge == 0) {
        CadLineTo(x, y);
    } else {
        const Real x0 = s.currentX, y0 = s.currentY, phi = s.previousBulge;
        if (s.arcsAsLinesFlag == 0) {
            // The arc runs from the current point to the new vertex: its end
            // angles are those of the two points, the sign of the sweep gives
            // the direction, so nothing is exchanged here.
            Real xc, yc, start, r, end;
            if (GetArcCenterDbl(xc, yc, start, r, end, x0, y0, x, y, phi))
                CadArc(xc, yc, start / kDegree, end / kDegree, r, phi / kDegree);
        } else {
            CadPolygonArc(x0, y0, x, y, phi);
        }
        CadMoveTo(x, y);
    }
    s.previousBulge = bulge;
    ++s.vertexCounter;
}

void CadVertex(Real x, Real y, Real bulge) { CadPolylineVertex(x, y, bulge); }

void CadPolarVertex(Real radius, Real angle, Real bulge) {
    CadPolylineVertex(radius * std::cos(angle), radius * std::sin(angle), bulge);
}

void CadEndPolyline() {
    if (RealPolylines())
        if (CadWriter* w = CadTarget()) w->EndPolyline();
}

void CadRestartPath() { CadOutputState.vertexCounter = 1; }

// ---- Arrows ------------------------------------------------------------------------------

void CadArrow(Real x, Real y, Real direction, Real halfAngle, Real length, Real shaftLength) {
    const Real d = direction * kDegree, h = halfAngle * kDegree;
    CadSolid(x, y, x + length * std::cos(d + h), y + length * std::sin(d + h),
             x + length * std::cos(d - h), y + length * std::sin(d - h), x + length * std::cos(d),
             y + length * std::sin(d));
    CadLine(x, y, x + shaftLength * std::cos(d), y + shaftLength * std::sin(d));
}

void CadDimensionArrow(Real x, Real y, Real direction) {
    const Real s = CadOutputState.symbolScale;
    CadArrow(x, y, direction, 10, 3.5L * s, 3.5L * s);
}

// ---- Dimensions ----------------------------------------------------------------------------

namespace {

Real Length(const std::string& text) { return static_cast<Real>(text.size()); }

Real LongerDeviation(const std::string& upper, const std::string& lower) {
    return static_cast<Real>(std::max(upper.size(), lower.size()));
}

// A positive deviation gets its "+" unless it carries one already.
std::string Signed(const std::string& text, Real value) {
    if (value > 0 && (text.empty() || text.front() != '+')) return "+" + text;
    return text;
}

// Where the deviation texts go: lower, upper and the symmetric "±" form.
struct DeviationPlaces {
    Real lowerX, lowerY, upperX, upperY, plusMinusX, plusMinusY;
};

void DrawDeviations(const std::string& upper, const std::string& lower, const DeviationPlaces& at) {
    const bool hasUpper = !upper.empty(), hasLower = !lower.empty();
    if (!hasUpper && !hasLower) return;
    if (!hasUpper) {
        CadText(lower, at.lowerX, at.lowerY);
        return;
    }
    if (!hasLower) {
        CadText(upper, at.upperX, at.upperY);
        return;
    }
    const Real u = TextToFloat(upper), l = TextToFloat(lower);
    if (u == -l && u != 0) {
        CadText(std::string("±"_cp850) + upper, at.plusMinusX, at.plusMinusY);
        return;
    }
    if (l != 0) CadText(Signed(lower, l), at.lowerX, at.lowerY);
    if (u != 0) CadText(Signed(upper, u), at.upperX, at.upperY);
}

// Orders the ends; short dimensions (10 s and less) swap them back, so that
// their arrows point inward from outside.
void OrderEnds(Real& a, Real& b, Real s) {
    if (a > b) std::swap(a, b);
    if ((b - a) / s <= 10) std::swap(a, b);
}

}  // namespace

void CadDimensionLineHorizontal(const std::string& text, const std::string& upper,
                                const std::string& lower, Real x1, Real x2, Real y) {
    const CadOutputRecord& st = CadOutputState;
    const Real s = st.symbolScale;
    const Real g = st.cadCode == kCadScreen ? GraphicsTextWidthFactor : st.baseWidthFactor;
    OrderEnds(x1, x2, s);
    CadSetTextStyle(2, 0, 3.5L * s, 2.5L * s);
    const Real tolerance =
        1.1L * s * st.textWidthFactor * 1.8L * (LongerDeviation(upper, lower) + 1);
    const Real xt = (x1 + x2) / 2 - (tolerance + 1.2L * s * g * Length(text) * 2.5L) / 2;
    CadText(text, xt, y + 1.0L * s);
    CadSetTextStyle(2, 0, 2.5L * s, 1.8L * s);
    const Real xd = xt + 1.2L * s * st.textWidthFactor * (Length(text) + 1) * 2.5L;
    DrawDeviations(upper, lower, {xd, y + 0.5L * s, xd, y + 2.5L * s, xd, y + 1.25L * s});
    CadLine(x1, y, x2, y);
    CadDimensionArrow(x1, y, 0);
    CadDimensionArrow(x2, y, 180);
}

void CadDimensionLineVertical(const std::string& text, const std::string& upper,
                              const std::string& lower, Real y1, Real y2, Real x) {
    const CadOutputRecord& st = CadOutputState;
    const Real s = st.symbolScale;
    OrderEnds(y1, y2, s);
    CadSetTextStyle(2, 90, 3.5L * s, 2.5L * s);
    const Real wf = st.textWidthFactor;
    const Real tolerance = 1.1L * s * wf * 1.8L * (LongerDeviation(upper, lower) + 1);
    const Real yt = (y1 + y2) / 2 - (tolerance + 1.2L * s * wf * Length(text) * 2.5L) / 2;
    CadText(text, x - 1.0L * s, yt);
    CadSetTextStyle(2, 90, 2.5L * s, 1.8L * s);
    const Real yd = yt + 1.3L * s * st.textWidthFactor * (Length(text) + 1) * 2.5L;
    DrawDeviations(upper, lower, {x - 0.5L * s, yd, x - 2.5L * s, yd, x - 1.0L * s, yd - 0.5L * s});
    CadLine(x, y1, x, y2);
    CadDimensionArrow(x, y1, 90);
    CadDimensionArrow(x, y2, 270);
}

void CadDimensionHorizontal(const std::string& text, const std::string& upper,
                            const std::string& lower, Real x1, Real y1, Real x2, Real y2, Real yd) {
    const Real s = CadOutputState.symbolScale;
    CadSetLayer(3);
    const Real e = y1 <= yd ? yd + 1 * s : yd - 1 * s;
    CadLine(x1, y1, x1, e);
    CadLine(x2, y2, x2, e);
    CadDimensionLineHorizontal(text, upper, lower, x1, x2, yd);
}

void CadDimensionVertical(const std::string& text, const std::string& upper,
                          const std::string& lower, Real x1, Real y1, Real x2, Real y2, Real xd) {
    const Real s = CadOutputState.symbolScale;
    CadSetLayer(3);
    const Real e = x1 <= xd ? xd + 1 * s : xd - 1 * s;
    CadLine(x1, y1, e, y1);
    CadLine(x2, y2, e, y2);
    CadDimensionLineVertical(text, upper, lower, y1, y2, xd);
}

void CadDimensionLeader(const std::string& text, const std::string& upper, const std::string& lower,
                        Real x, Real y, Real a) {
    const CadOutputRecord& st = CadOutputState;
    const Real s = st.symbolScale;
    CadSetLayer(3);
    CadDimensionArrow(x, y, 90 - a);
    const Real xe = x + 5 * s * std::sin(a * kDegree), ye = y + 5 * s * std::cos(a * kDegree);
    CadLine(x, y, xe, ye);
    CadSetTextStyle(2, 0, 3.5L * s, 2.5L * s);
    const Real wf = st.textWidthFactor;
    CadLine(xe, ye,
            xe + 1.1L * s * wf * 1.8L * (LongerDeviation(upper, lower) + 1) +
                1.2L * s * wf * Length(text) * 2.5L,
            ye);
    CadText(text, xe, ye + 1.0L * s);
    const Real xd = xe + 1.2L * s * wf * (Length(text) + 1) * 2.5L;
    CadSetTextStyle(2, 0, 2.5L * s, 1.8L * s);
    DrawDeviations(upper, lower, {xd, ye + 0.5L * s, xd, ye + 2.5L * s, xd, ye + 1.25L * s});
}

}  // namespace veldrim
