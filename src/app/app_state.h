#pragma once
// The reset of the whole program's state.
//
// Every module that keeps program-wide variables offers a reset to its
// start-up values; ResetAllProgramState() calls all of them, library by
// library in the order the libraries build on each other (foundation, table
// engine, calculation, graphics, drawings, reports, main window). Every test
// fixture starts from it, so that no test depends on what another left behind.
//
// The hooks that the program installs at start-up (the data-file sections,
// the result view, the help pictures) are uninstalled too: the state is the
// one before start-up. The UI realisation in force (SetUi) is not program
// state but the port's wiring, and stays as it is.
//
// The language number, the CAD batch flag and the archive lock option that
// the main window sets live in foundation/program_state.h.

#include "foundation/program_state.h"

namespace veldrim {

// Every program-wide variable back to its start-up value.
void ResetAllProgramState();

}  // namespace veldrim
