// Section hatching: the outline buffer, its arcs and break lines, and the
// hatch lines across it.
#include "graphics/diagrams/hatching.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/plane_geometry.h"
#include "foundation/program_state.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/polylines_dims.h"

namespace veldrim {

std::array<OutlinePoint, kOutlineCapacity + 2> OutlineBuffer;
int OutlinePointCount = 0;
Real PreviousArcAngle = 0;

namespace {

// Points of one hatch line, in order along it.
struct Crossing {
    Real x, y;
};

std::mt19937 breakLineRandom;

Real NextRandom() { return std::generate_canonical<Real, 64>(breakLineRandom); }

}  // namespace

void ResetHatching() {
    OutlineBuffer = {};
    OutlinePointCount = 0;
    PreviousArcAngle = 0;
    breakLineRandom.seed(std::mt19937::default_seed);
}

void ResetOutline() { OutlinePointCount = 0; }

void ResetOutlineArc() {
    PreviousArcAngle = 0;
    ResetOutline();
}

void AddOutlinePoint(Real x, Real y) {
    if (OutlinePointCount >= kOutlineCapacity) {
        // The count still grows (up to a bound), so the hatching refuses the face.
        if (OutlinePointCount < 30000) ++OutlinePointCount;
        AddMessage("Schraffurfehler");
        return;
    }
    ++OutlinePointCount;
    OutlineBuffer[static_cast<std::size_t>(OutlinePointCount)] = {x, y};
}

void AddPolarOutlinePoint(Real cx, Real cy, Real r, Real phi) {
    AddOutlinePoint(cx + r * std::cos(phi), cy + r * std::sin(phi));
}

void AddOutlineArcSteps(int n, Real cx, Real cy, Real r, Real start, Real end) {
    if (n < 1) n = 1;
    for (int k = 0; k <= n; ++k) AddPolarOutlinePoint(cx, cy, r, start + (end - start) * k / n);
}

void AddOutlineVertex(Real x, Real y, Real phi) {
    const Real theta = PreviousArcAngle;
    Real xc = 0, yc = 0, start = 0, r = 0, end = 0;
    if (OutlinePointCount == 0 || theta == 0 || OutlinePointCount > kOutlineCapacity ||
        !GetArcCenterDbl(
            xc, yc, start, r, end, OutlineBuffer[static_cast<std::size_t>(OutlinePointCount)].x,
            OutlineBuffer[static_cast<std::size_t>(OutlinePointCount)].y, x, y, theta)) {
        AddOutlinePoint(x, y);
    } else {
        const int steps =
            std::max(3, static_cast<int>(std::nearbyint(std::fabs(RadToDeg(theta)) / 10)));
        for (int k = 0; k < steps; ++k) AddPolarOutlinePoint(xc, yc, r, start + k * theta / steps);
        AddOutlinePoint(x, y);  // the arc ends exactly on the vertex
    }
    PreviousArcAngle = phi;
}

void BreakLine(bool toOutline, Real x1, Real y1, Real x2, Real y2, Real amplitude) {
    const Real length = Hypot(x2 - x1, y2 - y1);
    const Real theta = VectorAngle(x2 - x1, y2 - y1);
    const Real c = std::cos(theta), s = std::sin(theta);
    for (int k = 1; k <= 5; ++k) {
        const Real along = k * length / 6;
        const Real r1 = NextRandom(), r2 = NextRandom();
        const Real side = (r1 - r2) * 2 * amplitude;
        const Real x = x1 + along * c - side * s, y = y1 + along * s + side * c;
        if (toOutline)
            AddOutlinePoint(x, y);
        else
            CadLineTo(x, y);
    }
    if (toOutline)
        AddOutlinePoint(x2, y2);
    else
        CadLineTo(x2, y2);
}

void QSORT2(std::array<double, kOutlineCapacity + 1>& values,
            std::array<int, kOutlineCapacity + 1>& index, int n) {
    for (int i = 1; i <= kOutlineCapacity; ++i) index[static_cast<std::size_t>(i)] = i;
    if (n > kOutlineCapacity) {
        AddMessage("Fatal  : QSORT2 error");
        cancelFlag = true;
        return;
    }
    if (n < 2) return;
    std::vector<std::pair<double, int>> v;
    for (int i = 1; i <= n; ++i) v.emplace_back(values[static_cast<std::size_t>(i)], i);
    std::stable_sort(v.begin(), v.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 1; i <= n; ++i) {
        values[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(i - 1)].first;
        index[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(i - 1)].second;
    }
}

void ComputeHatchLines(int n, Real alpha, Real s) {
    if (n > kOutlineCapacity) {
        AddMessage("Fatal  : n schraff !");
        return;
    }
    n = std::min(n, OutlinePointCount);
    if (n < 2) return;
    auto& p = OutlineBuffer;
    // Close the outline; the buffer keeps a slot for the closing point.
    if (p[static_cast<std::size_t>(n)].x != p[1].x || p[static_cast<std::size_t>(n)].y != p[1].y) {
        p[static_cast<std::size_t>(n + 1)] = p[1];
        ++n;
    }
    // A hatch line is the set of points whose distance c along the normal
    // (-sin a, cos a) is constant; this holds for every direction.
    const Real a = DegToRad(alpha);
    const Real ux = std::cos(a), uy = std::sin(a);
    auto distance = [&](const OutlinePoint& q) { return -uy * q.x + ux * q.y; };
    Real cmin = 1E30L, cmax = -1E30L, size = 0;
    for (int i = 1; i <= n; ++i) {
        const OutlinePoint& q = p[static_cast<std::size_t>(i)];
        cmin = std::min(cmin, distance(q));
        cmax = std::max(cmax, distance(q));
        size = std::max({size, std::fabs(q.x - p[1].x), std::fabs(q.y - p[1].y)});
    }
    // Below this a width is rounding noise: the face has no inside.
    const Real tiny = size * 1E-12L;

    const int layerBefore = CadOutputState.currentLayerNumber;
    const int option = CadOutputState.hatchOption;
    if (option == 1) CadSetLayer(5);
    if (option != 2) {
        CadBeginPolyline(0);
        for (int i = 1; i <= n; ++i)
            CadPolylineVertex(p[static_cast<std::size_t>(i)].x, p[static_cast<std::size_t>(i)].y,
                              0);
        CadEndPolyline();
    }
    const Real range = cmax - cmin;
    Real step = s == 0 ? range / 10 : std::fabs(s);
    if (alpha == 0 || !(step > 0) || !std::isfinite(step) || !(range > tiny)) {
        CadSetLayer(layerBefore);
        return;
    }
    if (range / step > kMaxHatchLines) step = range / kMaxHatchLines;
    if (option == 1 || option == 2) CadSetLayer(3);

    // Lines strictly inside the face: the last position at cmax only touches
    // a corner or runs along an edge that the outline already draws.
    const Real last = cmax - tiny;
    for (int k = 1; k < kMaxHatchLines; ++k) {
        const Real c = cmin + k * step;
        if (c >= last) break;
        std::vector<Crossing> hits;
        for (int i = 1; i < n; ++i) {
            const OutlinePoint& q1 = p[static_cast<std::size_t>(i)];
            const OutlinePoint& q2 = p[static_cast<std::size_t>(i + 1)];
            const Real d1 = distance(q1) - c, d2 = distance(q2) - c;
            // Each edge owns its first point, not its second: a corner on the
            // line counts once where the outline passes and 0 or 2 times where
            // it turns back, so crossings pair up into inside stretches.
            if ((d1 < 0) == (d2 < 0)) continue;
            const Real t = d1 / (d1 - d2);
            hits.push_back({q1.x + t * (q2.x - q1.x), q1.y + t * (q2.y - q1.y)});
        }
        if (hits.size() > static_cast<std::size_t>(kOutlineCapacity)) {
            AddMessage("Fatal  : schraff schnittp");
            cancelFlag = true;
            break;
        }
        // In order along the line.
        std::array<double, kOutlineCapacity + 1> along{};
        std::array<int, kOutlineCapacity + 1> order{};
        const int m = static_cast<int>(hits.size());
        for (int j = 1; j <= m; ++j)
            along[static_cast<std::size_t>(j)] =
                static_cast<double>(ux * hits[static_cast<std::size_t>(j - 1)].x +
                                    uy * hits[static_cast<std::size_t>(j - 1)].y);
        QSORT2(along, order, m);
        auto hit = [&](int j) {
            return hits[static_cast<std::size_t>(order[static_cast<std::size_t>(j)] - 1)];
        };
        // Inside stretches 1-2, 3-4, ...; stretches that meet (where the
        // outline touches the line from inside) are drawn as one line.
        for (int j = 1; j + 1 <= m; j += 2) {
            const Crossing from = hit(j);
            Crossing to = hit(j + 1);
            while (j + 3 <= m && along[static_cast<std::size_t>(j + 2)] -
                                         along[static_cast<std::size_t>(j + 1)] <=
                                     static_cast<double>(tiny)) {
                j += 2;
                to = hit(j + 1);
            }
            if (Hypot(to.x - from.x, to.y - from.y) > tiny) CadLine(from.x, from.y, to.x, to.y);
        }
    }
    CadSetLayer(layerBefore);
}

void HatchCurrentOutline(int n, Real alpha, Real s) {
    ComputeHatchLines(n == 0 ? OutlinePointCount : n, alpha, s);
}

void AddCircleOutline(Real x, Real y, Real r) {
    AddOutlineVertex(x + r, y, kPi);
    AddOutlineVertex(x - r, y, kPi);
    AddOutlineVertex(x + r, y, 0);
}

void HatchCircle(Real x, Real y, Real r, Real s) {
    CadSaveLayer();
    CadOutputState.hatchOption = 2;
    ResetOutlineArc();
    AddCircleOutline(x, y, r);
    HatchCurrentOutline(0, 45, s);
    CadOutputState.hatchOption = 1;
    CadSetLayer(5);
    CadCircle(x, y, r);
    CadRestoreLayer();
}

void HatchRing(Real x, Real y, Real r1, Real r2, Real s) {
    CadSaveLayer();
    CadOutputState.hatchOption = 2;
    ResetOutlineArc();
    // The straight edge between the circles is run forth and back and does
    // not change the inside.
    AddCircleOutline(x, y, r1);
    AddCircleOutline(x, y, r2);
    HatchCurrentOutline(0, 45, s);
    CadOutputState.hatchOption = 1;
    CadSetLayer(5);
    CadCircle(x, y, r1);
    CadCircle(x, y, r2);
    CadRestoreLayer();
}

}  // namespace veldrim
