#pragma once
// Geometry of the equivalent cylindrical involute gear pair held in `cylGear`:
// basic values, centre distance and working pressure angle, tool profile,
// backlash and diameters, then (through the other cylindrical gear modules)
// tip diameters, contact ratios, tolerances, measurement, plausibility checks
// and the tooth-form configuration of the drawings.
//
// CalcCylGear runs the stages in order and stops at the first one after which
// the fatal flag is set. Every stage tests the fatal flag first; Unit0, Unit1
// and Unit2 then add "Fatal  : Unit0" (1, 2) and do nothing else.

namespace veldrim {

// The whole cylindrical gear calculation.
void CalcCylGear();

// Stage 1: basic values and input checks.
void Unit0();
// Stage 2: working pressure angle and profile-shift sum from a given centre
// distance (a = 0: none given).
void CylCentreDistanceStep();
// Stage 3: tool profile, tooth-thickness allowances, working centre distance,
// backlash and diameters. False when the working pressure angle could not be
// found (or the stage did not run): the calculation must stop.
bool Unit1();

// True when the bore of gear i lies more than 2.5 mn below its root circle.
bool IsInnerDiameterBelowRoot(int i);

}  // namespace veldrim
