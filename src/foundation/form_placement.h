#pragma once
// Scaling and placing forms before they are shown: the dialog-window
// percentage enlarges a form's outer size, the dialog-element percentage its
// contents, and dialogs appear centred over the main window. The window edge
// applies the resulting geometry; the arithmetic here is integer, divisions
// truncating, and does nothing while the form-placement option is 2.

namespace veldrim {

struct FormGeometry {
    int left = 0, top = 0, width = 0, height = 0;
    int clientWidth = 0, clientHeight = 0;
    int contentScalePercent = 100;  // product of the scale-by steps applied
    bool parentFont = false;
    bool sizeable = false;
    int color = 0;
    bool hintsShown = false;
    int hintPauseMs = 0;
};

// The main window's current geometry and the screen size, kept up to date by
// the window edge (defaults until a window exists).
extern FormGeometry mainWindowGeometry;
extern int screenWidth;
extern int screenHeight;
void ResetFormPlacement();

void ScaleAndCentreForm(FormGeometry& form);
void ScaleAndCentreOnScreen(FormGeometry& form);
void ScaleAndPlaceSaved(FormGeometry& form);
void ScaleFormSize(FormGeometry& form);
void ScaleFormSizeDpi(FormGeometry& form);
// Sets the main window from the resolution settings; a resolution of 0 x 0
// means 640 x 480.
void SetupMainWindow(FormGeometry& mainForm, int backgroundColor);
int ScaleToScreen(int n);
int ScaleToScreen2(int n);
int DialogScaleForDpi();
int MaxWindowWidth();
int MaxWindowHeight();
void ToggleUnitSystem();

}  // namespace veldrim
