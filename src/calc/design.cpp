// Design of a worm gear set from its mean lead angle gamma m.
//
// With the axial module mx and the thread count z1 the lead angle fixes the
// worm's mean diameter, dm1 = z1 mx / tan(gamma m); the wheel's mean diameter
// is z2 mx, and the centre distance adds the profile shifts:
// a = (x1 + x2) mx + (dm1 + dm2) / 2. The whole calculation then runs with
// dm1/a taken from these, so the geometry gives back mx and gamma m.

#include "calc/design.h"

#include <cmath>

#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {

DesignResultViewHook designResultView = nullptr;

void ShowDesignResultView() {
    if (designResultView) designResultView();
    cancelFlag = false;
}

void ResetDesign() { designResultView = nullptr; }

void DesignFromLeadAngle() {
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    if (w.gammaM == 0) {
        AddMessage("Fatal  : gamma m = 0 !");
        fatalFlag = true;
        return;
    }
    const WormGearRecord before = w;
    const Real z1 = g.z[1];
    const Real z2 = g.z[2];
    w.keptThreadCount = g.z[1];
    w.dm[1] = z1 * w.mx / std::tan(w.gammaM);
    w.mn = w.mx * std::cos(w.gammaM);
    w.m[2] = w.mn / std::cos(kPi / 2 - w.gammaM);
    w.dm[2] = z2 * w.m[2] / std::tan(kPi / 2 - w.gammaM);
    w.a = (w.x[1] + w.x[2]) * w.mx + (w.dm[1] + w.dm[2]) / 2;
    // Nothing to design from: the data set stays as it was. A lead angle of
    // 90 degrees (or 0 modulo 180) puts a mean diameter at infinity; such a
    // set could be neither calculated nor saved.
    const bool finite = std::isfinite(w.dm[1]) && std::isfinite(w.dm[2]) && std::isfinite(w.mn) &&
                        std::isfinite(w.m[2]) && std::isfinite(w.a);
    if (w.a == 0 || !finite) {
        w = before;
        AddMessage(finite ? "Fatal  : a = 0 !" : "Fatal  : a = unendlich !");
        fatalFlag = true;
        return;
    }
    w.dm1a = w.dm[1] / w.a;
    RunCalculation();
}

}  // namespace veldrim
