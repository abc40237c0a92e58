#include "calc/cyl_bridge.h"

namespace veldrim {

void WormToCylGear(int /*mode*/, int /*gearNumber*/) {}
void RunCylGearCalculation() {}
void CylGearToWorm() {}
bool IsFlankFormZI() { return false; }
bool CylGearOptionEnabled() { return true; }
void ScaleDiametersForExport() {}
void ScaleDiametersForImport() {}

}  // namespace veldrim
