// 3D bodies for STL output: extrusion range and revolved outlines.
#include "graphics/bodies.h"

#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"

namespace veldrim {

namespace {

// One band from the revolve state (x0, r0) to (x, r). The band always runs
// from the lower to the higher axial position; walking backwards along the
// axis turns it round, so its facets keep facing the outside.
void RevolvedSegment(Real x, Real r) {
    CadOutputRecord& s = CadOutputState;
    const Real x0 = s.revolvePrevX, r0 = s.revolvePrevRadius;
    if (x0 <= x) {
        CadSetExtrusion(x0, x);
        CadRingBand(0, 0, r0, r, false);
    } else {
        CadSetExtrusion(x, x0);
        CadRingBand(0, 0, r, r0, true);
    }
    s.revolvePrevX = x;
    s.revolvePrevRadius = r;
}

}  // namespace

void CadSetExtrusion(Real z1, Real z2) {
    CadOutputState.extrusionZ1 = z1;
    CadOutputState.extrusionZ2 = z2;
}

void CadSetExtrusionLength(Real z, Real length) { CadSetExtrusion(z, z + length); }

void CadCentredRectangle(bool reverse, Real x, Real y, Real width, Real height) {
    const Real x1 = x - width / 2, y1 = y - height / 2, x2 = x + width / 2, y2 = y + height / 2;
    if (reverse)
        CadRectangleReversed(x1, y1, x2, y2);
    else
        CadRectangle(x1, y1, x2, y2);
}

void CadRevolveVertex(Real x, Real r, Real bulge) {
    CadOutputRecord& s = CadOutputState;
    if (s.vertexCounter == 1) {
        s.revolvePrevX = x;
        s.revolvePrevRadius = r;
    } else if (s.revolvePrevBulge == 0) {
        RevolvedSegment(x, r);
    } else {
        // The chords of the arc, from its first real step on; the last one
        // ends exactly on (x, r).
        ForEachArcChordPoint(s.revolvePrevX, s.revolvePrevRadius, x, r, s.revolvePrevBulge,
                             [](Real px, Real pr) { RevolvedSegment(px, pr); });
        s.revolvePrevX = x;
        s.revolvePrevRadius = r;
    }
    s.revolvePrevBulge = bulge;
    ++s.vertexCounter;
}

bool CadOptionFlag() { return CadOutputState.stlOptionFlag != 0; }

}  // namespace veldrim
