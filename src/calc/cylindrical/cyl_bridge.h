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

// Tool-profile factors of the worm set (ha*, hf*, rf*, ra* of both gears)
// between normal-module and axial-module reference, for the gear data file
// in the sibling program's convention.
// Export: keeps a copy of the live factors and puts the factors scaled by
// mn / mx into the record for the writer (nothing when mx = 0). Import right
// after an export puts the kept copy back unchanged, so repeated exports never
// drift and mn = 0 cannot zero the factors for good; import after reading a
// file scales by mx / mn (nothing when mn or mx is 0).
void ScaleDiametersForExport();
void ScaleDiametersForImport();

// The bridge's state as at program start (no export pending); for tests.
void ResetCylBridge();

}  // namespace veldrim
