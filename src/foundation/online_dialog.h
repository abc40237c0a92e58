#pragma once
// The online input dialog: a table of up to 12 inputs and 12 outputs that a
// calculation loop shows again after every pass. The caller sets it up once,
// then for each pass writes names, units, texts and highlight codes into the
// tables, calculates, shows the dialog and reads the input texts back, until
// the user closes it; then it finishes the dialog.
//
// While the dialog runs the error-display flag is cleared, so file and
// calculation errors do not pop up as message boxes between the passes; the
// messages of a pass are shown in the dialog itself.
//
// The tables keep the program's numbering: slot 1..12, index 0 unused. They
// live for the whole run: a new dialog starts from the texts an earlier one
// left (all empty at start-up).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"
#include "foundation/ui_services.h"

namespace veldrim {

inline constexpr int kOnlineLastKeyUp = 38;
inline constexpr int kOnlineLastKeyDown = 40;

struct OnlineDialogTables {
    using Texts = std::array<std::string, kOnlineDialogSlots + 1>;
    std::string caption;
    std::int16_t inputCount = 0;
    std::int16_t outputCount = 0;
    Texts inputNames, inputUnits, inputTexts;
    Texts outputNames, outputUnits, outputTexts;
    Texts shownTexts;  // the input texts as the caller last filled them (KeepShownInputs)
    std::array<std::int32_t, kOnlineDialogSlots + 1>
        highlight{};  // 0 none, 1 yellow, 2 green, 3 red
    std::array<std::int16_t, kOnlineDialogSlots + 1> fieldOrder{};
    std::int32_t lastKey = 0;  // the up or down key the user left the dialog with, until used
};

extern OnlineDialogTables onlineDialog;

// Stores the caption and both counts, clears the message list and the
// error-display flag, sets every field-order entry to 12 and every highlight
// code to 0. Names, units and texts keep what they hold.
void SetupOnlineDialog(std::string_view caption, int inputCount, int outputCount);
// Start of a calculation pass: clears the message list.
void BeginOnlinePass();
// Shows the dialog with the focus on `currentRow` (first moved by the up or
// down key the user left the previous showing with, within 1..input count).
// The hints of the inputs are the help texts helpNumber + 10 * row; the help
// button shows help text 1000. Afterwards the input texts hold the edits,
// currentRow is the row the user left it on, done is set, and the cancel flag
// is cleared by OK and set by the close button.
void ShowOnlineDialog(int& currentRow, int helpNumber, bool& done);
// Error-display flag set again, cancel flag cleared.
void FinishOnlineDialog();

// A pass reads back only what the user changed. The caller fills the input
// texts from its values and keeps them as shown; afterwards an input whose
// text still reads as shown gives back the value it was filled from, exactly
// (the texts are rounded), and a changed one what `read` makes of its text.
void KeepShownInputs();
bool InputChanged(int row);
Real InputValue(int row, Real filled, Real (*read)(std::string_view));

// The tables as at start-up.
void ResetOnlineDialog();

}  // namespace veldrim
