// The CAD drawing primitives: origin offset, then one back end (CadTarget()).
#include "graphics/cad_primitives.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "graphics/cad_output.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {

namespace {

constexpr Real kPi = 3.141592653589793238462643383279502884L;
constexpr Real kDegree = kPi / 180;
// A polygon never gets more chords than this, so a huge radius with a tiny
// chord tolerance cannot stall the program.
constexpr Real kMaxChords = 100000;

Real OX(Real x) { return x + CadOutputState.originX; }
Real OY(Real y) { return y + CadOutputState.originY; }

// Chord count: halves to even, at least one, at most kMaxChords.
long ChordCount(Real v) {
    Real n = std::nearbyint(v);
    if (!(n >= 1)) n = 1;
    if (n > kMaxChords) n = kMaxChords;
    return static_cast<long>(n);
}

}  // namespace

Real AngleSpan(Real a, Real b) {
    Real d = std::fmod(b - a, 360.0L);
    if (d < 0) d += 360;
    if (d == 0 && b != a) d = 360;
    return d;
}

// ---- Geometry ------------------------------------------------------------------------

void CadLine(Real x1, Real y1, Real x2, Real y2) {
    if (CadWriter* t = CadTarget()) t->Line(OX(x1), OY(y1), OX(x2), OY(y2));
}

namespace {

void DrawCircle(bool reverse, Real x, Real y, Real r) {
    CadWriter* t = CadTarget();
    if (t == nullptr) return;
    if (t->LinesOnly())
        CadPolygonCircle(reverse, x, y, r);
    else
        t->Circle(OX(x), OY(y), r);
}

// The chords of an arc about (x, y) from startAngle over sweep degrees
// (signed), for the writers that take lines only.
void DrawArcChords(Real x, Real y, Real startAngle, Real sweep, Real r) {
    if (std::fabs(sweep) >= 360) {
        CadPolygonCircle(sweep < 0, x, y, r);
        return;
    }
    const Real a = startAngle * kDegree, b = (startAngle + sweep) * kDegree;
    CadPolygonArc(x + r * std::cos(a), y + r * std::sin(a), x + r * std::cos(b),
                  y + r * std::sin(b), sweep * kDegree);
}

}  // namespace

void CadCircle(Real x, Real y, Real r) { DrawCircle(false, x, y, r); }

void CadCircleReversed(Real x, Real y, Real r) { DrawCircle(true, x, y, r); }

void CadArc2D(Real x, Real y, Real startAngle, Real endAngle, Real r) {
    if (r == 0) return;
    CadWriter* t = CadTarget();
    if (t == nullptr) return;
    if (t->LinesOnly()) {
        if (endAngle < startAngle) endAngle += 360;
        DrawArcChords(x, y, startAngle, endAngle - startAngle, r);
        return;
    }
    t->Arc(OX(x), OY(y), startAngle, endAngle, r, AngleSpan(startAngle, endAngle));
}

void CadArc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) {
    if (r == 0) return;
    if (CadWriter* t = CadTarget(); t != nullptr && t->LinesOnly()) {
        // Chords in the arc's own direction, so STL walls face the same way
        // as those of the lines around them.
        DrawArcChords(x, y, startAngle, sweep, r);
        return;
    }
    // A clockwise arc from start to end is the counter-clockwise arc from end
    // to start: every back end gets the counter-clockwise form, so exchange
    // files need no extrusion direction and keep their arcs in the plane.
    if (sweep < 0) {
        std::swap(startAngle, endAngle);
        sweep = -sweep;
    }
    if (CadWriter* t = CadTarget()) t->Arc(OX(x), OY(y), startAngle, endAngle, r, sweep);
}

void CadText(const std::string& text, Real x, Real y) {
    if (text.empty()) return;
    if (CadWriter* t = CadTarget()) t->Text(text, OX(x), OY(y));
}

void CadTextLine(const std::string& text) {
    if (text.empty()) return;
    CadOutputRecord& s = CadOutputState;
    CadText(text, s.currentX, s.currentY);
    const Real pitch = 1.6L * s.textHeight;
    if (s.textAngle == 0) {
        s.currentY -= pitch;
    } else {
        const Real a = (s.textAngle - 90) * kDegree;
        s.currentX += pitch * std::cos(a);
        s.currentY += pitch * std::sin(a);
    }
}

void CadSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) {
    if (CadWriter* t = CadTarget())
        t->Solid(OX(x1), OY(y1), OX(x2), OY(y2), OX(x3), OY(y3), OX(x4), OY(y4));
}

void CadMoveTo(Real x, Real y) {
    CadOutputState.currentX = x;
    CadOutputState.currentY = y;
}

void CadMoveTo3D(Real x, Real y, Real z) {
    CadMoveTo(x, y);
    CadOutputState.currentZ = z;
}

void CadWriterLineTo3D(CadWriter& writer, Real x, Real y, Real z) {
    const CadOutputRecord& s = CadOutputState;
    writer.Line3D(s.currentX, s.currentY, s.currentZ, x, y, z);
    CadMoveTo3D(x, y, z);
}

void CadLineTo(Real x, Real y) {
    CadLine(CadOutputState.currentX, CadOutputState.currentY, x, y);
    CadMoveTo(x, y);
}

// ---- Composite shapes -------------------------------------------------------------------

void CadRectangle(Real x1, Real y1, Real x2, Real y2) {
    CadMoveTo(x1, y1);
    CadLineTo(x2, y1);
    CadLineTo(x2, y2);
    CadLineTo(x1, y2);
    CadLineTo(x1, y1);
}

void CadRectangleReversed(Real x1, Real y1, Real x2, Real y2) {
    CadMoveTo(x1, y1);
    CadLineTo(x1, y2);
    CadLineTo(x2, y2);
    CadLineTo(x2, y1);
    CadLineTo(x1, y1);
}

void CadHorizontalLine(Real x, Real y, Real length) { CadLine(x, y, x + length, y); }

void CadDoubleHorizontalLine(Real x, Real y, Real length, Real distance) {
    CadHorizontalLine(x, y + distance / 2, length);
    CadHorizontalLine(x, y - distance / 2, length);
}

void CadVerticalLine(Real x, Real y, Real length) { CadLine(x, y, x, y + length); }

void CadCentredVerticalLine(Real x, Real y, Real length) {
    CadLine(x, y - length / 2, x, y + length / 2);
}

void CadEllipse(bool reverse, Real x, Real y, Real a, Real b) {
    constexpr Real kStep = 0.05L;
    CadMoveTo(x + a, y);
    if (!reverse) {
        Real t = 0;
        do {
            t += kStep;
            CadLineTo(x + a * std::cos(t), y + b * std::sin(t));
        } while (t < 2 * kPi);
    } else {
        Real t = 2 * kPi;
        do {
            t -= kStep;
            CadLineTo(x + a * std::cos(t), y + b * std::sin(t));
        } while (t > 0);
    }
}

void CadRing(Real x, Real y, Real r1, Real r2) { CadRingBand(x, y, r1, r2, false); }

void CadRingBand(Real x, Real y, Real r1, Real r2, bool reverse) {
    CadWriter* t = CadTarget();
    if (t != nullptr && t->Ring(OX(x), OY(y), r1, r2, reverse)) return;
    CadCircle(x, y, r1);
    CadCircle(x, y, r2);
}

// ---- Attributes --------------------------------------------------------------------------

void CadSetLayer(int n) {
    if (n < 0) n = 0;
    if (n > 31) n = 16 + n % 16;
    CadOutputState.currentLayerNumber = static_cast<uint8_t>(n);
    if (CadWriter* t = CadTarget()) t->SelectLayer(n);
}

void CadSaveLayer() { CadOutputState.savedLayer = CadOutputState.currentLayerNumber; }

void CadRestoreLayer() { CadSetLayer(CadOutputState.savedLayer); }

void CadSetLineStyle(int n) {
    if (CadWriter* t = CadTarget()) t->SetLineStyle(n);
}

void CadSetTextStyle(int style, Real angle, Real height, Real width) {
    CadOutputRecord& s = CadOutputState;
    s.textHeight = height;
    s.textWidthFactor =
        (width == 0 || height == 0) ? s.baseWidthFactor * 0.7L : s.baseWidthFactor * width / height;
    // Screen pixels are square and the window keeps equal scales, so a text
    // angle needs no correction for the screen's shape; exchange files get
    // the angle as the caller gave it.
    s.textAngle = angle;
    s.textObliquingAngle = s.configuredObliquingAngle;
    if (CadWriter* t = CadTarget()) t->SetTextStyle(style, angle, height, width);
}

void CadSetTextStyleFit(int style, const std::string& text, Real angle, Real height, Real width,
                        Real available) {
    size_t first = text.find_first_not_of(' ');
    size_t last = text.find_last_not_of(' ');
    const Real chars = first == std::string::npos ? 0 : static_cast<Real>(last - first + 1);
    const Real estimate = chars * width * GraphicsTextWidthFactor / 0.7L;
    if (estimate > available && estimate > 0) {
        const Real f = 0.9L * available / estimate;
        CadSetTextStyle(style, angle, f * height, f * width);
    } else {
        CadSetTextStyle(style, angle, height, width);
    }
}

void CadSetColorMode(int n) { CadOutputState.layerColorMode = n; }

void CadSetSymbolScale(Real factor) {
    Real scale = CadOutputState.baseScale * factor;
    if (!(std::fabs(scale) >= 0.001L)) scale = 1.0L;
    CadOutputState.symbolScale = scale;
}

void CadSetOrigin(Real x, Real y) {
    CadOutputState.originX = x;
    CadOutputState.originY = y;
}

void CadPause(int milliseconds) {
    if (CadWriter* t = CadTarget()) t->Pause(milliseconds);
}

void CadSetStlOption(int value) {
    if (CadOutputState.cadCode == kCadStl) CadOutputState.stlTextOption = value != 0 ? 1 : 0;
}

// ---- Polygon helpers ------------------------------------------------------------------------
//
// Both start at their first real step: the chord from the start point to
// itself is never drawn.

void CadPolygonCircle(bool reverse, Real x, Real y, Real r) {
    Real& tolerance = CadOutputState.chordTolerance;
    if (!(tolerance > 0)) tolerance = 0.1L;
    CadMoveTo(x + r, y);
    const Real c = 2 * kPi * std::fabs(r);
    if (tolerance >= c) return;
    const long n = ChordCount(c / tolerance);
    Real step = 2 * kPi / n;
    if (reverse) step = -step;
    for (long i = 1; i <= n; ++i) {
        Real angle = i * step;
        if (step < 0) angle += 2 * kPi;
        if (i == n) angle = 0;  // close exactly on the start point
        CadLineTo(x + r * std::cos(angle), y + r * std::sin(angle));
    }
}

bool ForEachArcChordPoint(Real x1, Real y1, Real x2, Real y2, Real phi,
                          const std::function<void(Real, Real)>& point) {
    // Centre of the arc of included angle phi from P1 to P2: on the normal of
    // the chord's midpoint, left of P1->P2 for a counter-clockwise arc.
    const Real dx = x2 - x1, dy = y2 - y1;
    const Real chord = std::hypot(dx, dy);
    const Real halfSin = std::sin(phi / 2);
    if (chord == 0 || halfSin == 0 || !std::isfinite(phi)) return false;
    const Real r = chord / 2 / std::fabs(halfSin);
    const Real h = chord / 2 / std::tan(phi / 2);  // signed distance to the centre
    const Real xc = (x1 + x2) / 2 - h * dy / chord;
    const Real yc = (y1 + y2) / 2 + h * dx / chord;
    const Real length = r * std::fabs(phi);
    if (length == 0) return false;

    Real& tolerance = CadOutputState.chordTolerance;
    if (!(tolerance > 0)) tolerance = 0.2L;
    if (tolerance >= length && std::fabs(phi) <= 0.1L) {
        point(x2, y2);
        return true;
    }
    const long n = std::fabs(phi * tolerance / length) > 0.1L ? ChordCount(std::fabs(phi) / 0.1L)
                                                              : ChordCount(length / tolerance);
    const Real step = phi / n;
    const Real start = std::atan2(y1 - yc, x1 - xc);
    for (long i = 1; i < n; ++i) {
        const Real a = start + i * step;
        point(xc + r * std::cos(a), yc + r * std::sin(a));
    }
    point(x2, y2);  // the end exactly, so the next segment joins
    return true;
}

void CadPolygonArc(Real x1, Real y1, Real x2, Real y2, Real phi) {
    bool moved = false;
    ForEachArcChordPoint(x1, y1, x2, y2, phi, [&](Real x, Real y) {
        if (!moved) CadMoveTo(x1, y1);
        moved = true;
        CadLineTo(x, y);
    });
}

}  // namespace veldrim
