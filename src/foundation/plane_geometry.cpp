#include "foundation/plane_geometry.h"

#include <cmath>
#include <numbers>
#include <string>

#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

void ArcCenterMessage(Real dphi) {
    if (!hideWarningsFlag) AddMessage("Fehler in GetArcCenter (dphi = " + FormatNum(dphi) + " ! ");
}

// Steps shared by both arc-centre routines: centre and radius of the arc of
// included angle dphi over the chord P1P2. False when the half angle has sine 0.
bool ArcCentreOverChord(Real& xc, Real& yc, Real& r, Real x1, Real y1, Real x2, Real y2,
                        Real dphi) {
    const Real h = dphi / 2;
    if (std::sin(h) == 0) {
        ArcCenterMessage(dphi);
        return false;
    }
    const Real dx = x2 - x1, dy = y2 - y1;
    const Real c = Hypot(dx, dy);
    const Real mx = (x1 + x2) / 2, my = (y1 + y2) / 2;
    const Real d = std::sin(dphi) == 0 ? 0 : c / 2 / std::tan(h);
    r = std::fabs(c / 2 / std::sin(h));
    if (c == 0) {
        xc = mx;
        yc = my;
    } else {
        xc = mx - dy * d / c;
        yc = my + dx * d / c;
    }
    return true;
}

}  // namespace

Real Det2(Real a, Real b, Real c, Real d) { return a * d - b * c; }

bool Solve2x2(Real a1, Real b1, Real c1, Real a2, Real b2, Real c2, Real& x, Real& y) {
    const Real det = Det2(a1, b1, a2, b2);
    if (det == 0) {
        x = y = 0;
        return false;
    }
    x = Det2(c1, b1, c2, b2) / det;
    y = Det2(a1, c1, a2, c2) / det;
    return true;
}

bool IntersectLines(Real& x, Real& y, Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4,
                    Real y4) {
    // P1 + t (P2 - P1) = P3 + s (P4 - P3)
    Real t = 0, s = 0;
    const bool ok = Solve2x2(x2 - x1, x3 - x4, x3 - x1, y2 - y1, y3 - y4, y3 - y1, t, s);
    x = x1 + t * (x2 - x1);
    y = y1 + t * (y2 - y1);
    return ok;
}

bool ValueBetween(Real v, Real a, Real b) {
    if ((a <= v && v <= b) || (b <= v && v <= a)) return true;
    return std::fabs(a - b) < 1E-12L && std::fabs(v - b) < 1E-12L;
}

bool IntersectSegments(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4,
                       Real& x, Real& y) {
    if (!IntersectLines(x, y, x1, y1, x2, y2, x3, y3, x4, y4)) return false;
    return ValueBetween(x, x1, x2) && ValueBetween(y, y1, y2) && ValueBetween(x, x3, x4) &&
           ValueBetween(y, y3, y4);
}

void RotatePointAbout(Real& xr, Real& yr, Real x, Real y, Real cx, Real cy, Real phi) {
    RotatePoint(x - cx, y - cy, phi, xr, yr);
    xr += cx;
    yr += cy;
}

Real AngleFromSides(Real a, Real b, Real c) {
    if (a == 0 || b == 0) return 0;
    return CheckedArcCos((a * a + b * b - c * c) / (2 * a * b));
}

bool GetArcCenter(Real& xc, Real& yc, Real& startAngle, Real& r, Real& endAngle, Real x1, Real y1,
                  Real x2, Real y2, Real dphi) {
    xc = yc = startAngle = r = endAngle = 0;
    if (dphi == 2 * kPi) {
        // A full circle over no chord: the centre is taken at P1.
        xc = x1;
        yc = y1;
        return false;
    }
    if (!ArcCentreOverChord(xc, yc, r, x1, y1, x2, y2, dphi)) return false;
    const Real a1 = VectorAngle(x1 - xc, y1 - yc);
    const Real a2 = VectorAngle(x2 - xc, y2 - yc);
    startAngle = dphi >= 0 ? a1 : a2;
    endAngle = dphi >= 0 ? a2 : a1;
    return true;
}

bool GetArcCenterDbl(Real& xc, Real& yc, Real& startAngle, Real& r, Real& endAngle, Real x1,
                     Real y1, Real x2, Real y2, Real dphi) {
    xc = yc = startAngle = r = endAngle = 0;
    if (!ArcCentreOverChord(xc, yc, r, x1, y1, x2, y2, dphi)) return false;
    startAngle = VectorAngle(x1 - xc, y1 - yc);
    endAngle = VectorAngle(x2 - xc, y2 - yc);
    return true;
}

void SolveQuadratic(Real a, Real b, Real c, Real& x1, Real& x2, bool& noRoot) {
    const Real d = b * b - 4 * a * c;
    if (d < 0 || a == 0) {
        x1 = x2 = 0;
        noRoot = true;
        return;
    }
    const Real s = std::sqrt(d);
    x1 = (-b + s) / (2 * a);
    x2 = (-b - s) / (2 * a);
    noRoot = false;
}

void IntersectLineCircle(Real cx, Real cy, Real r, Real x1, Real y1, Real x2, Real y2, Real& xa,
                         Real& ya, Real& xb, Real& yb, bool& noHit) {
    noHit = false;
    if (x1 == x2) {
        xa = x1;
        xb = x2;
        const Real q = r * r - (xa - cx) * (xa - cx);
        if (q >= 0) {
            ya = cy + std::sqrt(q);
            yb = cy - std::sqrt(q);
        } else {
            ya = yb = 0;
            noHit = true;
        }
        return;
    }
    const Real m = (y2 - y1) / (x2 - x1);
    const Real k = y1 - m * x1;
    SolveQuadratic(m * m + 1, 2 * ((k - cy) * m - cx), (k - cy) * (k - cy) + cx * cx - r * r, xa,
                   xb, noHit);
    if (noHit) {
        xa = ya = xb = yb = 0;
        return;
    }
    ya = m * xa + k;
    yb = m * xb + k;
}

bool IntersectRays(Real& x, Real& y, Real x1, Real y1, Real angle1, Real x2, Real y2, Real angle2) {
    x = y = 0;
    return IntersectLines(x, y, x1, y1, x1 + 100 * std::cos(angle1), y1 + 100 * std::sin(angle1),
                          x2, y2, x2 + 100 * std::cos(angle2), y2 + 100 * std::sin(angle2));
}

bool PointInRect(Real x, Real y, Real x1, Real y1, Real x2, Real y2) {
    return x1 <= x && x <= x2 && y1 <= y && y <= y2;
}

bool IntersectSegmentRect(Real x1, Real y1, Real x2, Real y2, Real rx1, Real ry1, Real rx2,
                          Real ry2, Real& x, Real& y) {
    const Real edges[4][4] = {
        {rx1, ry1, rx2, ry1}, {rx2, ry1, rx2, ry2}, {rx1, ry2, rx2, ry2}, {rx1, ry1, rx1, ry2}};
    for (const auto& e : edges) {
        Real ex = 0, ey = 0;
        if (IntersectSegments(x1, y1, x2, y2, e[0], e[1], e[2], e[3], ex, ey)) {
            x = ex;
            y = ey;
            return true;
        }
    }
    return false;
}

bool ClipSegmentToRect(Real& x1, Real& y1, Real& x2, Real& y2, Real rx1, Real ry1, Real rx2,
                       Real ry2) {
    const bool in1 = PointInRect(x1, y1, rx1, ry1, rx2, ry2);
    const bool in2 = PointInRect(x2, y2, rx1, ry1, rx2, ry2);
    if (in1 && in2) return true;
    if (in1) return IntersectSegmentRect(x1, y1, x2, y2, rx1, ry1, rx2, ry2, x2, y2);
    if (in2) return IntersectSegmentRect(x1, y1, x2, y2, rx1, ry1, rx2, ry2, x1, y1);
    x1 = y1 = x2 = y2 = 0;
    return false;
}

bool FilletBetweenLines(Real r, Real x1, Real y1, Real a1, Real x2, Real y2, Real a2,
                        Fillet& fillet) {
    fillet = Fillet{};
    Real sx = 0, sy = 0;
    if (!IntersectRays(sx, sy, x1, y1, a1, x2, y2, a2)) return false;
    const Real g1 = NormalizeAngle(VectorAngle(x1 - sx, y1 - sy));
    const Real g2 = NormalizeAngle(VectorAngle(x2 - sx, y2 - sy));
    Real b = (g1 + g2) / 2;
    if (std::fabs(g2 - g1) > kPi) b -= kPi;
    Real e = b - g1;
    if (e < -kPi) e += 2 * kPi;
    if (e > kPi) e -= 2 * kPi;
    const Real d1 = e <= 0 ? a1 + kPi / 2 : a1 - kPi / 2;
    const Real d2 = e <= 0 ? a2 - kPi / 2 : a2 + kPi / 2;
    // T1 = P1 + t (S - P1), T2 = P2 + u (S - P2), T1 + r n1 = T2 + r n2.
    Real t = 0, u = 0;
    if (!Solve2x2(sx - x1, -(sx - x2), x2 - x1 + r * (std::cos(d2) - std::cos(d1)), sy - y1,
                  -(sy - y2), y2 - y1 + r * (std::sin(d2) - std::sin(d1)), t, u))
        return false;
    fillet.xt1 = x1 + t * (sx - x1);
    fillet.yt1 = y1 + t * (sy - y1);
    fillet.xt2 = x2 + u * (sx - x2);
    fillet.yt2 = y2 + u * (sy - y2);
    fillet.xc = fillet.xt1 + r * std::cos(d1);
    fillet.yc = fillet.yt1 + r * std::sin(d1);
    Real arc = VectorAngle(fillet.xt2 - fillet.xc, fillet.yt2 - fillet.yc) -
               VectorAngle(fillet.xt1 - fillet.xc, fillet.yt1 - fillet.yc);
    if (arc > kPi) arc -= 2 * kPi;
    if (arc < -kPi) arc += 2 * kPi;
    fillet.arcAngle = arc;
    return true;
}

Real OppositeAngle(Real a) {
    Real o = a + kPi;
    if (o > 2 * kPi) o -= 2 * kPi;
    return o;
}

bool CornerFillet(Real r, Real angle1, Real angle2, Real x, Real y, Fillet& fillet) {
    const Real back = OppositeAngle(angle2);
    if (!FilletBetweenLines(r, x + std::cos(angle1), y + std::sin(angle1), angle1,
                            x + std::cos(back), y + std::sin(back), angle2, fillet))
        return false;
    if (fillet.arcAngle < 0) fillet.arcAngle += 2 * kPi;
    return true;
}

}  // namespace veldrim
