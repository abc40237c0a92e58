#pragma once
// Design of a worm gear set: from its mean lead angle, the pre-dimensioning of
// the centre distance from the operating data, and the two variant tables that
// vary the main geometry in the online input dialog.
//
// None of these routines takes arguments: they read and write the gear data
// records and report through the message list and the cancel flag.

namespace veldrim {

// Completes the set from gamma m, z1, z2, mx and x[1..2]: mean diameters,
// normal module, wheel module, centre distance and dm1/a, then runs the whole
// calculation. gamma m = 0 or a resulting centre distance of 0 is fatal and
// leaves the records as they were.
void DesignFromLeadAngle();

// Operating-data form, material form, the centre distance estimated from the
// wheel torque and offered for confirmation, then tooth numbers, face widths
// and measuring data, calculated twice. Cancel in the operating-data form, in
// the material form or in the centre-distance question ends it with the
// cancel flag set; the records may then be partly changed, so the caller puts
// them back (FormSequence).
void PreDimension();

// "Geometrie Auslegung": the centre distance stays, the axial module, the
// worm diameter or the lead angle varies. Runs pass after pass until the user
// closes the table; the last pass's values stay.
void DesignGeometry();
// "Geometrie Nachrechnung": the same from module, lead angle, tooth numbers
// and shaft angle, each pass through DesignFromLeadAngle.
void RecalcGeometry();
// The record values into the input texts of the two tables.
void FillDesignInputs();
void FillRecalcInputs();

// Draws the result view after a design step (the app installs the drawing
// layer's result view) and clears the cancel flag.
using DesignResultViewHook = void (*)();
extern DesignResultViewHook designResultView;
void ShowDesignResultView();

void ResetDesign();

}  // namespace veldrim
