#pragma once
// The result-view step that follows a calculation: the configured default
// result view is drawn into the main window.
//
// The drawings themselves (production drawings, tooth forms, diagrams) are
// registered by the drawing dispatcher through ResultViewDrawer; until one is
// registered the step draws nothing.

namespace veldrim {

// Draws the configured default result view (no arguments, calculates nothing).
using ResultViewFunction = void (*)();
extern ResultViewFunction ResultViewDrawer;

// Draws the default result view when the help level is above 0 (nothing at
// help level 0, "Keine Info nach Eingabe"); clears the cancel flag.
void ShowResultView();

void ResetResultView();

}  // namespace veldrim
