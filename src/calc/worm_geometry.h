#pragma once
// Worm gear geometry after DIN 3975 and the main calculation sequence.
//
// None of these routines takes arguments or returns a value: they read their
// inputs from, and write their results into, gearPair and wormGear
// (calc/records.h), and report through the message list and its fatal flag.

namespace veldrim {

// The main calculation: geometry, for a ZI worm the equivalent cylindrical
// gear and the geometry again, tolerances and measurement values, rating and
// bore checks. Every input form, menu command and drawing calls it after a
// change of the data set. A run that ends with the fatal flag set leaves the
// gear data records as they were before the run; only its messages remain.
void RunCalculation();

// Runs the calculation eleven times so that the driving power follows from
// the nominal output power and the efficiencies (Niemann and DIN 3996).
void IterateCalculation();

// The DIN 3975 geometry alone. Completes inputs left at 0 (alpha 0, dm1/a,
// z1, a, b, de2) and writes every geometry result; a fatal condition stops it
// with the results written so far.
void CalcWormGeometry();

}  // namespace veldrim
