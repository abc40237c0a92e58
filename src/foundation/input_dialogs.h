#pragma once
// The standard input dialogs: choose one of several texts, answer yes or no,
// enter a text, enter a number within limits, and the information screen.
//
// Each asks through the UI port. Cancellation is reported only through the
// cancel flag: a dialog ended by OK clears it, any other way of closing sets
// it, and the out-parameters keep their values then. Callers set the current
// help number before they ask, so the dialog's help buttons show the right
// entry. Texts are code page 850.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// The message for a typed text that is not a number: "Ungültige Eingabe "
// and the text in double quotes, " !".
std::string InvalidEntryText(const std::string& text);
// Offers choice-buffer entries 1..count; on OK index := the chosen entry
// (1-based). An index outside 1..count starts as 1.
void ChooseFromList(std::string_view prompt, int count, int& index);
// answer 'J' or 'N'.
void AskYesNoChar(std::string_view prompt, char& answer);
void AskYesNo(std::string_view prompt, bool& flag);
// On OK text := the entry, at most maxLength characters.
void InputTextDialog(std::string_view prompt, int maxLength, std::string& text);
void InputText(std::string_view prompt, int maxLength, std::string& text);
// Number entry, asked again until a number within min..max or cancel.
void InputRealInRange(std::string_view prompt, Real& x, Real min, Real max);
void InputDoubleInRange(std::string_view prompt, double& x, double min, double max);
// x in millimetres, shown and entered in inches in the imperial unit system.
void InputLength(std::string_view prompt, Real& x, Real min, Real max);
// Integer entry between min(a, b) and max(a, b).
void InputLongInRange(std::string_view prompt, std::int32_t& n, std::int32_t a, std::int32_t b);
void InputIntInRange(std::string_view prompt, std::int32_t& n, std::int32_t a, std::int32_t b);
void InputWordInRange(std::string_view prompt, std::uint16_t& n, std::uint16_t a, std::uint16_t b);
// Shows choice-buffer entries 1..22 under the product name.
void ShowInfoScreen();

}  // namespace veldrim
