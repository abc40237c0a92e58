#include "foundation/form_placement.h"

#include <algorithm>
#include <cmath>

#include "foundation/program_state.h"

namespace veldrim {

namespace {

struct FormPlacementDefaults {
    // The main window before the window edge reports its own: 641 x 481,
    // outer size and client area alike.
    FormGeometry mainWindowGeometry{
        .width = 641, .height = 481, .clientWidth = 641, .clientHeight = 481};
    int screenWidth = 1024;
    int screenHeight = 768;
};
constexpr FormPlacementDefaults kDefaults{};

}  // namespace

FormGeometry mainWindowGeometry = kDefaults.mainWindowGeometry;
int screenWidth = kDefaults.screenWidth;
int screenHeight = kDefaults.screenHeight;

namespace {

bool PlacementOff() { return formPlacementOption == 2; }

void ScaleBy(FormGeometry& form, int percent) {
    form.contentScalePercent = form.contentScalePercent * percent / 100;
}

}  // namespace

void ResetFormPlacement() {
    mainWindowGeometry = kDefaults.mainWindowGeometry;
    screenWidth = kDefaults.screenWidth;
    screenHeight = kDefaults.screenHeight;
}

void ScaleAndCentreForm(FormGeometry& form) {
    if (PlacementOff()) return;
    ScaleBy(form, dialogElementPercentage);
    form.width = form.width * dialogWindowPercentage / 100;
    form.height = form.height * dialogWindowPercentage / 100;
    form.left = std::max((mainWindowGeometry.width - form.width) / 2, 0) + mainWindowGeometry.left;
    form.top =
        std::max((mainWindowGeometry.height - form.height) / 2, 0) + mainWindowGeometry.top + 20;
    form.parentFont = true;
}

void ScaleAndCentreOnScreen(FormGeometry& form) {
    if (PlacementOff()) return;
    ScaleBy(form, dialogElementPercentage);
    form.width = form.width * dialogWindowPercentage / 100 + 8;
    form.height = form.height * dialogWindowPercentage / 100 + 8;
    form.left = (screenWidth - form.width) / 2;
    form.top = (screenHeight - form.height) / 2 + 20;
    form.parentFont = true;
    form.sizeable = true;
}

void ScaleAndPlaceSaved(FormGeometry& form) {
    if (PlacementOff()) return;
    ScaleAndCentreForm(form);
    form.left = helpPicturePosition.left;
    form.top = helpPicturePosition.top;
}

void ScaleFormSize(FormGeometry& form) {
    if (PlacementOff()) return;
    form.width = form.width * dialogWindowPercentage / 100;
    form.height = form.height * dialogWindowPercentage / 100;
    ScaleBy(form, dialogElementPercentage);
    form.parentFont = true;
}

void ScaleFormSizeDpi(FormGeometry& form) {
    if (PlacementOff()) return;
    form.width = form.width * screenDpi / 96;
    form.height = form.height * screenDpi / 96;
    ScaleBy(form, dialogElementPercentage);
}

void SetupMainWindow(FormGeometry& mainForm, int backgroundColor) {
    if (PlacementOff()) return;
    int w = horizontalResolution, h = verticalResolution;
    if (w <= 0 || h <= 0) {
        w = 640;
        h = 480;
    }
    mainForm.clientHeight = h + 1;
    mainForm.clientWidth = w + 1;
    mainForm.top = mainForm.left = 0;
    mainForm.color = backgroundColor;
    ScaleBy(mainForm, dialogElementPercentage);
    mainForm.hintsShown = true;
    mainForm.hintPauseMs = 100000;
    mainForm.parentFont = true;
}

int ScaleToScreen(int n) {
    const int p = dialogElementPercentage;
    if (p >= 2 && p != 100) n = n * p / 100;
    const int d = screenDpi;
    if (d >= 2 && d != 96) n = n * d / 96;
    return n;
}

int ScaleToScreen2(int n) { return ScaleToScreen(n); }

int DialogScaleForDpi() { return dialogWindowPercentage * screenDpi / 96; }

int MaxWindowWidth() {
    return screenWidth + mainWindowGeometry.clientWidth - mainWindowGeometry.width;
}

int MaxWindowHeight() {
    const long double frame = mainWindowGeometry.clientHeight - mainWindowGeometry.height;
    return screenHeight + static_cast<int>(std::nearbyint(1.9L * frame));
}

void ToggleUnitSystem() { unitSystem = unitSystem == 1 ? 0 : 1; }

}  // namespace veldrim
