#include "calc/cylindrical/cyl_bridge.h"

#include <cmath>

#include "calc/cylindrical/cyl_geometry.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "foundation/guarded_math.h"

namespace veldrim {

namespace {

// The four tool factors of the worm set per gear, as the sibling program
// names them: tool dedendum (the gear's addendum), tool addendum (the gear's
// dedendum), tool tip radius (the gear's root fillet), tool root radius (the
// gear's tip rounding).
struct ToolFactors {
    Pair<Real> dedendum, addendum, tipRadius, rootRadius;
};

ToolFactors ReadToolFactors() {
    return {wormGear.haStar, wormGear.hfStar, wormGear.rfStar, wormGear.raStar};
}

void WriteToolFactors(const ToolFactors& f) {
    wormGear.haStar = f.dedendum;
    wormGear.hfStar = f.addendum;
    wormGear.rfStar = f.tipRadius;
    wormGear.raStar = f.rootRadius;
}

ToolFactors Scaled(ToolFactors f, Real factor) {
    for (int i = 1; i <= 2; ++i) {
        f.dedendum[i] *= factor;
        f.addendum[i] *= factor;
        f.tipRadius[i] *= factor;
        f.rootRadius[i] *= factor;
    }
    return f;
}

// The live factors while an export in axial-module reference is being
// written; restored unchanged afterwards, so repeated exports cannot drift.
bool exportPending = false;
ToolFactors savedFactors{};

}  // namespace

void WormToCylGear(int mode, int /*gearNumber*/) {
    CylGearRecord& g = cylGear;
    const WormGearRecord& w = wormGear;
    g.mn = w.mn;
    g.alphaN = RadToDeg(w.alphaN);
    switch (mode) {
        case 1:
            g.beta = RadToDeg(w.gammaM);
            gearPair.z[1] = -5000;
            break;
        case 2:
            g.beta = RadToDeg(w.summa) - RadToDeg(w.gammaM);
            gearPair.z[1] = w.keptThreadCount;
            break;
        case 3:
            g.beta = 0;
            gearPair.z[1] = -5000;
            break;
        default: break;
    }
    // Nothing of an earlier equivalent pair may leak into this one: the
    // centre distance follows from the pair's own profile shifts, the face
    // width of the pair is the narrower of the two gears, and each run
    // chooses its own number of teeth spanned.
    g.a = 0;
    g.b = Min(w.b[1], w.b[2]);
    const Real c = std::cos(w.gammaM);
    for (int i = 1; i <= 2; ++i) {
        g.toolProfile[i] = 4;
        g.hfP0Factor[i] = w.haStar[i] / c;
        g.haP0Factor[i] = w.hfStar[i] / c;
        g.rhoaP0Factor[i] = w.rfStar[i] / c;
        g.rhofP0Factor[i] = w.raStar[i] / c;
        g.prP0Factor[i] = 0;
        g.alphaPrP0[i] = 0;
        g.toolAngleHeightFactor[i] = g.haP0Factor[i];
        g.alphaP0[i] = g.alphaN;
        g.x[i] = w.x[i];
        g.toleranceSeries[i] = 11;
        g.Tsn[i] = w.Tsn[i];
        g.Asne[i] = w.Asne[i];
        g.Asni[i] = w.Asni[i];
        g.qAllowance[i] = 0;
        g.qTolerance[i] = 0;
        g.kmn[i] = 0;
        g.tipDiameterMode[i] = 2;
        g.bGear[i] = w.b[i];
        g.ballDiameter[i] = w.measurementInput[i];
        g.teethSpanned[i] = 0;
    }
}

void RunCylGearCalculation() { CalcCylGear(); }

void CylGearToWorm() { gearPair.z[1] = wormGear.keptThreadCount; }

bool IsFlankFormZI() { return wormGear.flankForm == kFlankZI; }

bool CylGearOptionEnabled() { return true; }

void ScaleDiametersForExport() {
    // A second export before the import scales the kept copy, not the
    // already scaled record.
    const ToolFactors live = exportPending ? savedFactors : ReadToolFactors();
    savedFactors = live;
    exportPending = true;
    if (wormGear.mx == 0) return;
    WriteToolFactors(Scaled(live, wormGear.mn / wormGear.mx));
}

void ScaleDiametersForImport() {
    if (exportPending) {
        // After an export: the live factors come back exactly as they were.
        WriteToolFactors(savedFactors);
        exportPending = false;
        return;
    }
    // After reading a file written in axial-module reference. A zero module
    // on either side would wipe the factors: nothing is scaled then.
    if (wormGear.mn == 0 || wormGear.mx == 0) return;
    WriteToolFactors(Scaled(ReadToolFactors(), wormGear.mx / wormGear.mn));
}

void ResetCylBridge() {
    exportPending = false;
    savedFactors = {};
}

}  // namespace veldrim
