#pragma once
// Program state that belongs to the main window and its settings but is read
// by lower layers (file dialogs, the CAD output run).
//
// The variables are inline so that a library below the main window (the
// foundation's save dialog, the graphics' CAD output run) can read them
// without linking the main window's library. ResetAppState() in
// app_state.cpp restores the start-up values.

#include <cstdint>

namespace veldrim {

// The user-interface language chosen on the language menu (1 German,
// 2 English, 3 French, 4 Italian, 5 Swedish, 6 Portuguese, 7 Romanian,
// 8 Korean, 9 Spanish, 12 Chinese); 0 at start-up.
inline std::int32_t languageNumber = 0;

// Set by the command-line switch "/CADi:j" while its CAD output runs: the
// output file name is built from the current data file name without a dialog.
inline bool cadBatchFlag = false;

// The configuration option "Archive Flag ?": while it and the archive mode
// flag are both set, saving under a new name and other file commands are
// refused with a notice.
inline bool archiveModeLockOption = false;

// Every variable above back to its start-up value.
void ResetAppState();

}  // namespace veldrim
