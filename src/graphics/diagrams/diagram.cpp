// The diagram plotter: state, transforms, clipped and linear drawing,
// markers, curves and the axes of DrawDiagram.
#include "graphics/diagrams/diagram.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "foundation/drawing_form_texts.h"
#include "foundation/form_boxes.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/codepage.h"
#include "foundation/help_texts.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"

namespace veldrim {

DiagramRecord DiagramState;
std::array<Real, 4> DiagramUserLimits{0, 0, 1, 1};

namespace {

// A tick walk never draws more positions than this.
constexpr int kMaxTicks = 1000;
// Nor a marker walk more markers.
constexpr int kMaxMarkers = 10000;

// Tick positions lo, lo + step, ... up to hi: the walk stops at hi + step,
// within a part of the step that rounding cannot reach.
template <class F>
void WalkTicks(Real lo, Real hi, Real step, F&& f) {
    if (!(step > 0) || !std::isfinite(lo) || !std::isfinite(hi)) return;
    const Real stop = hi + step - 1E-5L * step;
    for (int k = 0; k <= kMaxTicks; ++k) {
        const Real v = lo + k * step;
        if (v >= stop) break;
        f(v);
    }
}

// The part of the segment inside the rectangle (Liang-Barsky); false when
// none of it is.
bool ClipToLimits(Real& x1, Real& y1, Real& x2, Real& y2, Real xmin, Real ymin, Real xmax,
                  Real ymax) {
    Real t0 = 0, t1 = 1;
    const Real dx = x2 - x1, dy = y2 - y1;
    const Real p[4] = {-dx, dx, -dy, dy};
    const Real q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const Real t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const Real ax = x1 + t0 * dx, ay = y1 + t0 * dy;
    x2 = x1 + t1 * dx, y2 = y1 + t1 * dy;
    x1 = ax, y1 = ay;
    return true;
}

// The answers of the limits form in the first ENTITIES pass of a run, in
// the order the diagrams asked. A later pass of the same run (STEP draws its
// entities twice) takes them from here instead of asking again, so the user
// is asked once and both passes draw the same diagram.
struct LimitsAnswers {
    uint32_t run = 0;
    uint8_t pass = 0;
    std::size_t next = 0;
    std::vector<std::optional<std::array<Real, 4>>> answers;
};
LimitsAnswers limitsAnswers;

// The user's limits for the next diagram of the pass, or none (cancelled:
// the automatic scales stay).
std::optional<std::array<Real, 4>> DiagramLimitsOncePerRun(const std::string& xTitle,
                                                           const std::string& yTitle,
                                                           const std::string& heading,
                                                           const std::array<Real, 4>& calculated) {
    LimitsAnswers& m = limitsAnswers;
    const CadOutputRecord& s = CadOutputState;
    if (m.run != s.runNumber || m.pass != s.entityPass) {
        if (m.run != s.runNumber || CadFirstEntityPass()) m.answers.clear();
        m.run = s.runNumber;
        m.pass = s.entityPass;
        m.next = 0;
    }
    if (!CadFirstEntityPass() && m.next < m.answers.size()) return m.answers[m.next++];
    std::optional<std::array<Real, 4>> answer;
    if (EnterDiagramLimitsForm(xTitle, yTitle, heading, calculated))
        answer = DiagramUserLimits;
    else
        cancelFlag = false;  // the automatic scales stay
    if (CadFirstEntityPass()) m.answers.push_back(answer);
    ++m.next;
    return answer;
}

}  // namespace

void ResetDiagramState() { DiagramState = DiagramRecord{}; }

void ResetDiagramModule() {
    DiagramUserLimits = {0, 0, 1, 1};
    limitsAnswers = LimitsAnswers{};
    ResetDiagramState();
}

void SetDiagramSize(Real width, Real height) {
    DiagramState.width = width;
    DiagramState.height = height;
}

void SetDiagramOffset(Real x, Real y) {
    DiagramState.xOffset = x;
    DiagramState.yOffset = y;
}

void SetDiagramLimits(Real xMin, Real yMin, Real xMax, Real yMax) {
    DiagramRecord& d = DiagramState;
    d.xMin = xMin, d.yMin = yMin, d.xMax = xMax, d.yMax = yMax;
    d.xRange = xMax - xMin;
    d.yRange = yMax - yMin;
}

void DiagramScaleLimits(Real fx, Real fy) {
    DiagramRecord& d = DiagramState;
    SetDiagramLimits(d.xMin / fx, d.yMin / fy, d.xMax / fx, d.yMax / fy);
    d.markerStep /= fx;
}

Real DiagramToDrawingX(Real v) {
    const DiagramRecord& d = DiagramState;
    return (v - d.xMin) / (d.xMax - d.xMin) * d.width + d.xOffset;
}

Real DiagramToDrawingY(Real v) {
    const DiagramRecord& d = DiagramState;
    return (v - d.yMin) / (d.yMax - d.yMin) * d.height + d.yOffset;
}

Real DiagramLengthY(Real len) {
    const DiagramRecord& d = DiagramState;
    return len / (d.yMax - d.yMin) * d.height;
}

Real DrawingToDiagramX(Real x) {
    const DiagramRecord& d = DiagramState;
    return (x - d.xOffset) * (d.xMax - d.xMin) / d.width + d.xMin;
}

Real DrawingToDiagramY(Real y) {
    const DiagramRecord& d = DiagramState;
    return (y - d.yOffset) * (d.yMax - d.yMin) / d.height + d.yMin;
}

void DiagramLineLinear(Real x1, Real y1, Real x2, Real y2) {
    CadLine(DiagramToDrawingX(x1), DiagramToDrawingY(y1), DiagramToDrawingX(x2),
            DiagramToDrawingY(y2));
}

void DiagramLine(Real x1, Real y1, Real x2, Real y2) {
    const DiagramRecord& d = DiagramState;
    auto nearInside = [&](Real x, Real y) {
        return d.xMin - 0.01L * d.xRange < x && x < d.xMax + 0.01L * d.xRange &&
               d.yMin - 0.01L * d.yRange < y && y < d.yMax + 0.01L * d.yRange;
    };
    if (nearInside(x1, y1) && nearInside(x2, y2)) {
        DiagramLineLinear(x1, y1, x2, y2);
        return;
    }
    // Cut at the limits; a segment that crosses the diagram with both ends
    // outside keeps the part inside.
    const Real lx = std::min(d.xMin, d.xMax), hx = std::max(d.xMin, d.xMax);
    const Real ly = std::min(d.yMin, d.yMax), hy = std::max(d.yMin, d.yMax);
    if (ClipToLimits(x1, y1, x2, y2, lx, ly, hx, hy)) DiagramLineLinear(x1, y1, x2, y2);
}

void DiagramMoveTo(Real x, Real y) {
    CadMoveTo(DiagramToDrawingX(x), DiagramToDrawingY(y));
    DiagramState.currentX = x;
    DiagramState.currentY = y;
}

void DiagramLineTo(Real x, Real y) {
    DiagramLine(DiagramState.currentX, DiagramState.currentY, x, y);
    DiagramState.currentX = x;
    DiagramState.currentY = y;
}

void DiagramLineToLinear(Real x, Real y) {
    CadLineTo(DiagramToDrawingX(x), DiagramToDrawingY(y));
    DiagramState.currentX = x;
    DiagramState.currentY = y;
}

void DiagramRectangle(Real x1, Real y1, Real x2, Real y2) {
    CadRectangle(DiagramToDrawingX(x1), DiagramToDrawingY(y1), DiagramToDrawingX(x2),
                 DiagramToDrawingY(y2));
}

void DiagramCircle(Real x, Real y, Real r) {
    CadCircle(DiagramToDrawingX(x), DiagramToDrawingY(y), DiagramLengthY(r));
}

void DiagramText(const std::string& text, Real x, Real y) {
    CadText(text, DiagramToDrawingX(x), DiagramToDrawingY(y));
}

void DiagramTextLinear(const std::string& text, Real x, Real y) { DiagramText(text, x, y); }

void DiagramSetTextStyle(int style, Real angle, Real height, Real width) {
    const Real f = std::max(DiagramState.width / 160, DiagramState.height / 110);
    CadSetTextStyle(style, angle, height * f, width * f);
}

void DiagramVerticalMark(Real length, Real x, Real y) {
    DiagramLine(x, y - length / 2, x, y + length / 2);
}

void DiagramDiamond(Real x, Real y, Real a, Real b) {
    DiagramMoveTo(x - a, y);
    DiagramLineTo(x, y + b);
    DiagramLineTo(x + a, y);
    DiagramLineTo(x, y - b);
    DiagramLineTo(x - a, y);
}

void DiagramTriangle(Real x, Real y, Real a, Real b) {
    DiagramMoveTo(x - a, y - b);
    DiagramLineTo(x, y + b);
    DiagramLineTo(x + a, y - b);
    DiagramLineTo(x - a, y - b);
}

void DiagramCross(Real x, Real y, Real a, Real b) {
    DiagramMoveTo(x - a, y - b);
    DiagramLineTo(x + a, y + b);
    DiagramMoveTo(x - a, y + b);
    DiagramLineTo(x + a, y - b);
}

void DiagramChevron(Real x, Real y, Real a, Real b) {
    DiagramMoveTo(x - a, y);
    DiagramLineTo(x + a, y + b);
    DiagramMoveTo(x - a, y);
    DiagramLineTo(x + a, y - b);
}

void DiagramMarker(int kind, Real x, Real y) {
    const Real a = DiagramState.xRange / 150, b = DiagramState.yRange / 150;
    switch (kind) {
        case 1: DiagramCircle(x, y, 1.5L * b); break;
        case 2: DiagramRectangle(x - a, y - b, x + a, y + b); break;
        case 3: DiagramDiamond(x, y, 1.2L * a, 1.5L * b); break;
        case 4: DiagramTriangle(x, y, a, b); break;
        case 5: DiagramCross(x, y, a, b); break;
        case 6: DiagramChevron(x, y, a, b); break;
        default: break;
    }
}

void DiagramLegendEntry(const std::string& text, int kind) {
    CadOutputRecord& s = CadOutputState;
    const Real x = s.currentX, y = s.currentY, h = s.textHeight;
    DiagramMarker(kind, DrawingToDiagramX(x - h), DrawingToDiagramY(y + h / 2));
    CadMoveTo(x, y);
    CadTextLine(text);
}

void PlotCurve(int kind, Real x1, Real y1, Real x2, Real y2) {
    DiagramLine(x1, y1, x2, y2);
    const DiagramRecord& d = DiagramState;
    const Real step = d.markerStep;
    // Without a step there are no marker positions.
    if (!(step > 0) || !std::isfinite(d.xMin) || !std::isfinite(d.xMax)) return;
    for (int k = 1; k <= kMaxMarkers; ++k) {
        const Real xm = d.xMin + k * step;
        if (x1 <= xm && xm <= x2 && xm != x1) {
            const Real ym = (y2 - y1) / (x2 - x1) * (xm - x1) + y1;
            if (d.yMin <= ym && ym <= d.yMax) DiagramMarker(kind, xm, ym);
        }
        if (xm > d.xMax - step) break;
    }
}

void DiagramArrowHead(int direction, Real x, Real y, Real length) {
    Real ux = 0, uy = 0;
    switch (direction) {
        case 0:
        case 1: ux = 1; break;
        case 2: uy = 1; break;
        case 3: ux = -1; break;
        case 4: uy = -1; break;
        default: return;
    }
    const Real w = length / 8;
    const Real bx = x - ux * length, by = y - uy * length;
    const Real ax = bx - uy * w, ay = by + ux * w;
    const Real cx = bx + uy * w, cy = by - ux * w;
    CadSolid(x, y, ax, ay, cx, cy, cx, cy);
}

bool EnterDiagramLimitsForm(const std::string& xTitle, const std::string& yTitle,
                            const std::string& heading, const std::array<Real, 4>& calculated) {
    std::array<std::string, 4> edits, proposed;
    for (std::size_t i = 0; i < 4; ++i) {
        edits[i] = FormatNum(DiagramUserLimits[i]);
        proposed[i] = FormatNum(calculated[i]);
    }
    const std::array<std::string, 4> shown = edits;
    SetHelpNumber(kDiagramLimitsHelp);
    // Limits that would draw nothing are refused, and the form comes again
    // with what was typed, until the limits make a diagram or it is cancelled.
    for (;;) {
        if (!Ui().EnterDiagramLimits(heading, xTitle, yTitle, edits, proposed)) {
            cancelFlag = true;
            return false;
        }
        // An edit left as shown keeps the user's limit, one that reads as
        // "Calculate" put it the calculated limit, both exactly.
        std::array<std::string, 4> filled = shown;
        std::array<Real, 4> typed = DiagramUserLimits;
        for (std::size_t i = 0; i < 4; ++i)
            if (edits[i] != shown[i] && edits[i] == proposed[i])
                filled[i] = proposed[i], typed[i] = calculated[i];
        const std::string refused = RefusedDiagramLimitsText(edits, filled, xTitle, yTitle, typed);
        if (refused.empty()) {
            DiagramUserLimits = typed;
            cancelFlag = false;
            return true;
        }
        Ui().Beep();
        ShowErrorBox(refused);
    }
}

std::string RefusedDiagramLimitsText(const std::array<std::string, 4>& edits,
                                     const std::array<std::string, 4>& filled,
                                     const std::string& xTitle, const std::string& yTitle,
                                     std::array<Real, 4>& limits) {
    // The edits in the order of the user limits: x min, y min, x max, y max;
    // a field is named with the title of its row in the form.
    static constexpr const char* kNames[4] = {"x min", "y min", "x max", "y max"};
    auto field = [&](std::size_t i) {
        const std::string& title = i % 2 == 0 ? xTitle : yTitle;
        return std::string(kNames[i]) + (title.empty() ? "" : " (" + title + ")");
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<Real> value =
            NumberBoxValue(edits[i], filled[i], limits[i], ParseRealLine);
        if (!value) return field(i) + ": " + InvalidEntryText(edits[i]);
        limits[i] = *value;
    }
    // A reversed or empty range has no scale; nor has one beyond the numbers.
    for (std::size_t lo = 0; lo < 2; ++lo) {
        const std::size_t hi = lo + 2;
        if (!(limits[hi] > limits[lo]) || !std::isfinite(limits[hi] - limits[lo]))
            return field(hi) + std::string(": muss größer als "_cp850) + kNames[lo] + " sein !";
    }
    return {};
}

void DrawDiagram(const std::string& xTitle, const std::string& yTitle, const std::string& heading,
                 Real xMin, Real yMin, Real xMax, Real yMax, uint16_t labelMode) {
    if (xMin > xMax) std::swap(xMin, xMax);
    if (yMin > yMax) std::swap(yMin, yMax);
    DiagramRecord& d = DiagramState;
    CadSetLogoMode(1);
    CadSetLayer(4);
    DiagramSetTextStyle(2, 0, 3.5L, 2.5L);
    const Real headingX =
        std::max(d.xOffset, d.xOffset + d.width / 2 - static_cast<Real>(heading.size()) * 3.5L / 2);
    CadText(heading, headingX, d.yOffset + d.height + 3.0L);
    CadSetLayer(17);

    Real loX = 0, hiX = 0, stepX = 0, loY = 0, hiY = 0, stepY = 0;
    CalcAxisScale(xMin, xMax, 6, loX, hiX, stepX);
    CalcAxisScale(yMin, yMax, 6, loY, hiY, stepY);
    if (CadOutputState.runArgument != kCadScreen && enterDiagramLimits && ProgramParamCount() < 2) {
        if (const auto u = DiagramLimitsOncePerRun(xTitle, yTitle, heading, {loX, loY, hiX, hiY})) {
            CalcAxisScale((*u)[0], (*u)[2], 6, loX, hiX, stepX);
            CalcAxisScale((*u)[1], (*u)[3], 6, loY, hiY, stepY);
        }
    }
    SetDiagramLimits(loX, loY, hiX, hiY);
    d.markerStep = stepX;
    d.gridStepY = stepY;
    const Real xr = d.xRange, yr = d.yRange;

    if (loY <= 0 && 0 <= hiY && labelMode != kDiagramNoXAxis) {
        DiagramLineLinear(loX, 0, hiX + 0.05L * xr, 0);
        DiagramArrowHead(1, DiagramToDrawingX(hiX + 0.05L * xr), DiagramToDrawingY(0),
                         0.04L * d.width);
    }
    DiagramSetTextStyle(2, 0, 2.2L, 1.65L);
    WalkTicks(loX, hiX, stepX, [&](Real x) {
        DiagramLineLinear(x, loY, x, loY - 0.01L * yr);
        if (labelMode == kDiagramNoXAxis) return;
        const std::string label = FormatAuto(x);
        DiagramTextLinear(label, x - static_cast<Real>(label.size()) * 0.01L * (hiX - loX),
                          loY - 0.05L * yr);
    });
    if (labelMode <= 1)
        DiagramTextLinear(xTitle, hiX + 0.06L * (hiX - loX), loY - 0.05L * yr);
    else if (labelMode == kDiagramTitleAbove)
        DiagramTextLinear(xTitle, hiX + 0.01L * (hiX - loX), loY + 0.03L * yr);

    if (loX <= 0 && 0 <= hiX) {
        DiagramLineLinear(0, loY, 0, hiY + 0.05L * yr);
        DiagramArrowHead(2, DiagramToDrawingX(0), DiagramToDrawingY(hiY + 0.05L * yr),
                         0.04L * d.height);
    }
    DiagramSetTextStyle(2, 0, 2.2L, 1.65L);
    WalkTicks(loY, hiY, stepY, [&](Real y) {
        DiagramLineLinear(loX, y, loX - 0.01L * xr, y);
        DiagramTextLinear(FormatAuto(y), loX - 0.1L * xr, y - 0.01L * yr);
    });
    DiagramTextLinear(yTitle, loX - 0.1L * xr, hiY + 0.07L * yr);

    // The grid; its outermost lines frame the diagram.
    CadSetLayer(17);
    const bool screen = CadOutputState.cadCode == kCadScreen;
    if (screen) CadSetLineStyle(1);
    const Real legendFromX = d.legendFromX;
    d.legendFromX = std::numeric_limits<Real>::infinity();
    WalkTicks(loX, hiX, stepX, [&](Real x) {
        const bool inLegendBand = x > legendFromX && x < hiX - 1E-9L * xr;
        DiagramLineLinear(x, loY, x, inLegendBand ? hiY - stepY : hiY);
    });
    WalkTicks(loY, hiY, stepY, [&](Real y) { DiagramLineLinear(loX, y, hiX, y); });
    if (screen) CadSetLineStyle(0);
}

}  // namespace veldrim
