#pragma once
// The material and lubricant picks: the user chooses a record of the
// material table "vovuzi.dbf" or the lubricant table "lubri.dbf" in the
// table editor, and the gear data take its values.
//
// Fields read (by name) from the material table, in this order: KIND
// (material kind), TREAT (heat treatment), NAME, RHO, E, NUE, SIGHLIM,
// SIGMAFE, HB; the chosen record number becomes the gear's material record.
// A wheel pick sets the material factor YW and the material-lubricant factor
// WML that follow from the designation.
// From the lubricant table: KIND, NU40, NU100 and the density RHO15; the pick
// derives v50, the dynamic viscosity eta0M at the wheel bulk temperature and
// WML from them.
// A numeric cell left empty (0) never overwrites the data set's value: that
// value stays, and one notice after the pick names what was kept.

namespace veldrim {

// Picks the material of gear 1 (worm) or 2 (wheel). Modes 1 and 3 take the
// chosen record into the gear; any other mode only shows the table and sets
// the cancel flag. Returns true when a material was taken.
bool PickMaterial(int gear, int mode);
// Picks a lubricant: kind, v40 and v100 of the worm gear data.
bool PickLubricant();

}  // namespace veldrim
