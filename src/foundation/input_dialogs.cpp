#include "foundation/input_dialogs.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/form_boxes.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"

namespace veldrim {

std::string InvalidEntryText(const std::string& text) {
    return std::string("Ungültige Eingabe "_cp850) + "\"" + text + "\" !";
}

namespace {

constexpr int kInfoScreenLines = 22;
constexpr int kNumberEntryLength = 30;
constexpr int kIntegerEntryLength = 12;

std::string RangeText(const std::string& lo, const std::string& hi) {
    return std::string("Gültiger Wertebereich: "_cp850) + lo + " .. " + hi + " !";
}

// The number-entry loop: asks until the text is a number within lo..hi or the
// dialog is cancelled. A shown text left unchanged keeps the value exactly.
// True when value took an answer.
template <class Number>
bool AskNumber(std::string_view prompt, Number& value, Number lo, Number hi, int maxLength,
               std::string (*show)(Number), bool (*parse)(std::string_view, Number&)) {
    Number working = value;
    for (;;) {
        const std::string shown = show(working);
        std::string text = shown;
        InputTextDialog(prompt, maxLength, text);
        if (cancelFlag) return false;
        const std::optional<Number> entered = NumberBoxValue(text, shown, working, parse);
        if (!entered) {
            Ui().Beep();
            ShowErrorBox(InvalidEntryText(text));
            working = value;
            continue;
        }
        working = *entered;
        if (working < lo || working > hi) {
            Ui().Beep();
            ShowErrorBox(RangeText(show(lo), show(hi)));
            continue;
        }
        value = working;
        return true;
    }
}

bool AskReal(std::string_view prompt, Real& value, Real lo, Real hi) {
    return AskNumber<Real>(prompt, value, lo, hi, kNumberEntryLength, FormatNum, ParseRealLine);
}

// The same for whole numbers between min(a, b) and max(a, b).
bool AskWhole(std::string_view prompt, std::int64_t& value, std::int64_t a, std::int64_t b) {
    return AskNumber<std::int64_t>(prompt, value, std::min(a, b), std::max(a, b),
                                   kIntegerEntryLength, IntText, ParseIntLine);
}

std::string RightTrimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

void ChooseFromList(std::string_view prompt, int count, int& index) {
    count = std::min(count, kChoiceBufferSize);
    if (count < 1) {
        cancelFlag = true;
        return;
    }
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) items.push_back(ShownText(RightTrimmed(choiceBuffer[i])));
    const int start = (index >= 1 && index <= count) ? index : 1;
    std::optional<int> chosen = Ui().ChooseFromList(ShownText(prompt), items, start - 1);
    if (chosen && *chosen >= 0 && *chosen < count) {
        index = *chosen + 1;
        cancelFlag = false;
    } else {
        cancelFlag = true;
    }
}

void AskYesNoChar(std::string_view prompt, char& answer) {
    const bool no = answer == 'N' || answer == 'n';
    const std::optional<bool> yes = Ui().AskYesNoDialog(ShownText(prompt), !no);
    if (yes) {
        answer = *yes ? 'J' : 'N';
        cancelFlag = false;
    } else {
        cancelFlag = true;
    }
}

void AskYesNo(std::string_view prompt, bool& flag) {
    char answer = flag ? 'J' : 'N';
    AskYesNoChar(prompt, answer);
    flag = answer != 'N';
}

void InputTextDialog(std::string_view prompt, int maxLength, std::string& text) {
    // The entry takes no more than maxLength characters as the user types.
    std::optional<std::string> entered =
        Ui().EnterText("Eingabe", ShownText(prompt), text, std::max(maxLength, 0));
    if (!entered) {
        cancelFlag = true;
        return;
    }
    text = std::move(*entered);
    // A port that cannot limit its entry still gives no longer text.
    if (maxLength > 0 && text.size() > static_cast<std::size_t>(maxLength))
        text.resize(static_cast<std::size_t>(maxLength));
    cancelFlag = false;
}

void InputText(std::string_view prompt, int maxLength, std::string& text) {
    InputTextDialog(prompt, maxLength, text);
}

void InputRealInRange(std::string_view prompt, Real& x, Real min, Real max) {
    AskReal(prompt, x, min, max);
}

void InputDoubleInRange(std::string_view prompt, double& x, double min, double max) {
    Real value = x;
    if (AskReal(prompt, value, min, max) && value != static_cast<Real>(x))
        x = static_cast<double>(value);
}

void InputLength(std::string_view prompt, Real& x, Real min, Real max) {
    if (unitSystem != 1) {
        AskReal(std::string(prompt) + " [mm]", x, min, max);
        return;
    }
    const Real shownInches = MmToInch(x);
    Real inches = shownInches;
    if (AskReal(std::string(prompt) + " [inch]", inches, MmToInch(min), MmToInch(max)) &&
        inches != shownInches)
        x = InchToMm(inches);
}

void InputLongInRange(std::string_view prompt, std::int32_t& n, std::int32_t a, std::int32_t b) {
    std::int64_t value = n;
    if (AskWhole(prompt, value, a, b)) n = static_cast<std::int32_t>(value);
}

void InputIntInRange(std::string_view prompt, std::int32_t& n, std::int32_t a, std::int32_t b) {
    InputLongInRange(prompt, n, a, b);
}

void InputWordInRange(std::string_view prompt, std::uint16_t& n, std::uint16_t a, std::uint16_t b) {
    std::int64_t value = n;
    if (AskWhole(prompt, value, a, b)) n = static_cast<std::uint16_t>(value);
}

void ShowInfoScreen() {
    std::vector<std::string> lines;
    for (int i = 1; i <= kInfoScreenLines; ++i)
        lines.push_back(ShownText(RightTrimmed(choiceBuffer[i])));
    Ui().ShowInfoScreen(ShownText(productName), lines);
}

}  // namespace veldrim
