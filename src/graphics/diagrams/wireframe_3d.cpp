// The 3D wireframe view: projection, 3D primitives, axes and the view dialog.
#include "graphics/diagrams/wireframe_3d.h"

#include <algorithm>
#include <cmath>

#include "foundation/form_boxes.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/diagrams/diagram.h"

namespace veldrim {

namespace {

View3DRecord DefaultView3D() {
    View3DRecord v;
    for (std::size_t k = 0; k < 3; ++k) {
        v.viewAngles[k] = DegToRad(kDefaultViewAnglesDeg[k]);
        v.projectionMatrix[2 * k] = std::cos(v.viewAngles[k]);
        v.projectionMatrix[2 * k + 1] = std::sin(v.viewAngles[k]);
    }
    return v;
}

}  // namespace

View3DRecord View3DState = DefaultView3D();

namespace {

// Output kinds whose files take 3D entities.
bool WritesIn3D() {
    const uint16_t c = CadOutputState.cadCode;
    return View3DState.fileOutput3D &&
           (c == kCadDxf || c == kCadIges || c == kCadTxt || c == kCadStep);
}

// An angle of -360 degrees hides its axis.
bool Hidden(Real angle) { return std::fabs(angle + 2 * kPi) < 1E-6L; }

void Write3DLine(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
    const Real ox = CadOutputState.originX, oy = CadOutputState.originY;
    if (CadWriter* w = CadTarget()) w->Line3D(x1 + ox, y1 + oy, z1, x2 + ox, y2 + oy, z2);
}

}  // namespace

void ResetView3D() { View3DState = DefaultView3D(); }

void SetProjectionFromAngles(const std::array<Real, 3>& angles) {
    for (std::size_t k = 0; k < 3; ++k) {
        const bool hidden = Hidden(angles[k]);
        View3DState.projectionMatrix[2 * k] = hidden ? 0 : std::cos(angles[k]);
        View3DState.projectionMatrix[2 * k + 1] = hidden ? 0 : std::sin(angles[k]);
    }
}

Real Project3DX(Real x, Real y, Real z) {
    const auto& m = View3DState.projectionMatrix;
    return x * m[0] + y * m[2] + z * m[4];
}

Real Project3DY(Real x, Real y, Real z) {
    const auto& m = View3DState.projectionMatrix;
    return x * m[1] + y * m[3] + z * m[5];
}

void Line3D(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
    View3DState.current3DPoint = {x2, y2, z2};
    if (WritesIn3D()) {
        Write3DLine(x1, y1, z1, x2, y2, z2);
        CadMoveTo3D(x2, y2, z2);
        return;
    }
    LineProjected(x1, y1, z1, x2, y2, z2);
}

void MoveTo3D(Real x, Real y, Real z) {
    View3DRecord& v = View3DState;
    v.current3DPoint = {x, y, z};
    std::rotate(v.last3DMoves.rbegin(), v.last3DMoves.rbegin() + 1, v.last3DMoves.rend());
    v.last3DMoves[0] = {x, y, z};
    if (WritesIn3D())
        CadMoveTo3D(x, y, z);
    else
        DiagramMoveTo(Project3DX(x, y, z), Project3DY(x, y, z));
}

void LineTo3D(Real x, Real y, Real z) {
    if (WritesIn3D()) {
        const CadOutputRecord& s = CadOutputState;
        Write3DLine(s.currentX, s.currentY, s.currentZ, x, y, z);
        CadMoveTo3D(x, y, z);
    } else {
        DiagramLineToLinear(Project3DX(x, y, z), Project3DY(x, y, z));
    }
    View3DState.current3DPoint = {x, y, z};
}

void LineProjected(Real x1, Real y1, Real z1, Real x2, Real y2, Real z2) {
    DiagramLineLinear(Project3DX(x1, y1, z1), Project3DY(x1, y1, z1), Project3DX(x2, y2, z2),
                      Project3DY(x2, y2, z2));
}

void TextProjected(const std::string& text, Real x, Real y, Real z) {
    DiagramText(text, Project3DX(x, y, z), Project3DY(x, y, z));
}

void Circle3D(int n, Real x, Real y, Real z, Real r) {
    if (n <= 0) n = 72;
    MoveTo3D(x, y + r, z);
    for (int i = 1; i <= n; ++i) {
        const Real t = 2 * kPi * i / n;
        LineTo3D(x, y + r * std::cos(t), z + r * std::sin(t));
    }
}

void Cylinder3D(int n, Real xa, Real xb, Real y, Real z, Real r1, Real r2) {
    if (n <= 0) n = 72;
    Real p1y = 0, p1z = 0, p2y = 0, p2z = 0;
    for (int i = 0; i <= n; ++i) {
        const Real t = 2 * kPi * i / n;
        const Real c = std::cos(t), s = std::sin(t);
        const Real q1y = y + r1 * c, q1z = z + r1 * s, q2y = y + r2 * c, q2z = z + r2 * s;
        if (i > 0) {
            Line3D(xa, p1y, p1z, xa, q1y, q1z);
            Line3D(xb, p2y, p2z, xb, q2y, q2z);
            Line3D(xa, q1y, q1z, xb, q2y, q2z);
        }
        p1y = q1y, p1z = q1z, p2y = q2y, p2z = q2z;
    }
}

void SetTextStyle3D(int style, Real height, Real width, Real angle) {
    const Real f = std::max(DiagramState.width / 160, DiagramState.height / 110);
    CadSetTextStyle(style, angle, height * f, width * f);
}

void View3DDialog() {
    View3DRecord& v = View3DState;
    std::array<std::string, 3> edits;
    for (std::size_t k = 0; k < 3; ++k) edits[k] = FormatNum(RadToDeg(v.viewAngles[k]));
    const std::array<std::string, 3> shown = edits;
    bool without = v.withoutCoordinateSystem != 0;
    if (!Ui().Edit3DView(windowTitle, edits, without)) {
        cancelFlag = true;
        return;
    }
    // An angle left as shown keeps its exact value.
    for (std::size_t k = 0; k < 3; ++k)
        v.viewAngles[k] = BoxValue(edits[k], shown[k], v.viewAngles[k], [](const std::string& deg) {
            return DegToRad(TextToFloat(deg));
        });
    v.withoutCoordinateSystem = without ? 1 : 0;
    cancelFlag = false;
}

void DrawAxes3D(const std::string& title, const std::array<Real, 3>& angles,
                const std::array<std::array<Real, 2>, 3>& extents) {
    View3DRecord& v = View3DState;
    if (angles[0] != 0 || angles[1] != 0 || angles[2] != 0) v.viewAngles = angles;
    const uint16_t code = CadOutputState.cadCode;
    if (v.fileOutput3D && (code == kCadDxf || code == kCadIges || code == kCadTxt ||
                           code == kCadStl || code == kCadStep))
        return;  // the model goes into the file unprojected
    if (std::all_of(v.viewAngles.begin(), v.viewAngles.end(),
                    [](Real a) { return std::fabs(a) < 1E-9L; }))
        for (std::size_t k = 0; k < 3; ++k) v.viewAngles[k] = DegToRad(kDefaultViewAnglesDeg[k]);
    if (v.edit3DView) View3DDialog();
    SetProjectionFromAngles(v.viewAngles);

    const DiagramRecord& d = DiagramState;
    SetTextStyle3D(2, 1.5L, 1.1L, 0);
    CadText(title, d.xOffset + d.width / 2 - static_cast<Real>(title.size()) * 3.5L / 2,
            d.yOffset + d.height + 3);

    // The projected box of the extents, with the origin, fills the diagram.
    Real minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const Real x = extents[0][corner & 1], y = extents[1][(corner >> 1) & 1],
                   z = extents[2][(corner >> 2) & 1];
        minX = std::min(minX, Project3DX(x, y, z)), maxX = std::max(maxX, Project3DX(x, y, z));
        minY = std::min(minY, Project3DY(x, y, z)), maxY = std::max(maxY, Project3DY(x, y, z));
    }
    // A flat view still gets a diagram of some size.
    if (maxX - minX < 1E-9L) maxX = minX + 1;
    if (maxY - minY < 1E-9L) maxY = minY + 1;
    SetDiagramLimits(minX, minY, maxX, maxY);

    if (v.withoutCoordinateSystem) return;
    static const char* const kLabels[3] = {"x", "y", "z"};
    for (std::size_t k = 0; k < 3; ++k) {
        if (Hidden(v.viewAngles[k])) continue;
        const Real lo = extents[k][0], hi = extents[k][1];
        Real scaleLo = 0, scaleHi = 0, step = 0;
        CalcAxisScale(lo, hi, 5, scaleLo, scaleHi, step);
        auto at = [k](Real t) {
            std::array<Real, 3> p{0, 0, 0};
            p[k] = t;
            return p;
        };
        // The axis from the origin, when the origin lies within the extent.
        const auto end = at(hi + 0.05L * step);
        if (lo <= 0 && 0 <= hi) LineProjected(0, 0, 0, end[0], end[1], end[2]);
        TextProjected(kLabels[k], end[0], end[1], end[2]);
        // Tick numbers from the minimum, shifted back along the axis.
        for (int i = 0; i <= 100; ++i) {
            const Real t = lo + i * step;
            if (!(step > 0) || t >= hi + step - 1E-5L * step) break;
            const auto p = at(t - 0.03L * std::fabs(hi));
            TextProjected(FormatAuto(t), p[0], p[1], p[2]);
        }
    }
}

}  // namespace veldrim
