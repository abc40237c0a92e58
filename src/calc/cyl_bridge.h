#pragma once

// Bridge between the worm gear set and its equivalent cylindrical (involute)
// gear pair: fills CylGearRecord from WormGearRecord / GearPairRecord, runs
// the cylindrical calculation and restores the worm's tooth count afterwards.

namespace veldrim {

// Fills CylGearRecord from the worm set. mode 1: near-rack counterpart in the
// radial section (beta = lead angle, z1 = -5000); mode 2: axial section
// (beta = shaft angle - lead angle, z1 = worm thread count); mode 3: spur
// near-rack (beta = 0, z1 = -5000). Any other mode leaves beta and z1 as they
// are. gearNumber is accepted and not used.
void WormToCylGear(int mode, int gearNumber);

// Runs CalcCylGear on the record filled by WormToCylGear.
void RunCylGearCalculation();

// Restores z1 of GearPairRecord from the worm thread count.
void CylGearToWorm();

// True when the worm's flank form is ZI (involute helicoid).
bool IsFlankFormZI();

// The worm and wheel data tables ask this before they show cylindrical values.
bool CylGearOptionEnabled();

// Tool-profile factors of the worm set rescaled between normal-module and
// axial-module reference for the export in the sibling program's convention.
// The live factors are never changed: export scales a saved copy into the
// record for the write, import puts the saved copy back.
void ScaleDiametersForExport();
void ScaleDiametersForImport();

}  // namespace veldrim
