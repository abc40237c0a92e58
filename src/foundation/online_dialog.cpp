#include "foundation/online_dialog.h"

#include <algorithm>

#include "foundation/form_boxes.h"
#include "foundation/help_texts.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {

OnlineDialogTables onlineDialog;

namespace {

constexpr int kOnlineHelpNumber = 1000;
constexpr int kHintStep = 10;

int ClampRow(int row, int inputCount) { return std::clamp(row, 1, std::max(inputCount, 1)); }

// A row moved by the up or down key the dialog was left with.
int MovedByKey(int row, int key, int inputCount) {
    if (key == kOnlineLastKeyUp) return std::max(row - 1, 1);
    if (key == kOnlineLastKeyDown) return std::min(row + 1, std::max(inputCount, 1));
    return row;
}

}  // namespace

void SetupOnlineDialog(std::string_view caption, int inputCount, int outputCount) {
    OnlineDialogTables& t = onlineDialog;
    t.caption = std::string(caption);
    t.inputCount = static_cast<std::int16_t>(std::clamp(inputCount, 0, kOnlineDialogSlots));
    t.outputCount = static_cast<std::int16_t>(std::clamp(outputCount, 0, kOnlineDialogSlots));
    ClearMessages();
    errorDisplayFlag = false;
    t.fieldOrder.fill(kOnlineDialogSlots);
    t.highlight.fill(0);
    t.lastKey = 0;
}

void BeginOnlinePass() { ClearMessages(); }

void ShowOnlineDialog(int& currentRow, int helpNumber, bool& done) {
    OnlineDialogTables& t = onlineDialog;
    // The key that ended the previous showing moves the focus once, after the
    // pass has used the row the user typed in.
    currentRow = ClampRow(MovedByKey(currentRow, t.lastKey, t.inputCount), t.inputCount);
    t.lastKey = 0;
    SetHelpNumber(kOnlineHelpNumber);

    OnlineForm form;
    form.caption = t.caption;
    form.inputCount = t.inputCount;
    form.outputCount = t.outputCount;
    for (int i = 1; i <= kOnlineDialogSlots; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        form.inputNames[k] = t.inputNames[i];
        form.inputUnits[k] = t.inputUnits[i];
        form.inputTexts[k] = t.inputTexts[i];
        form.highlight[k] = t.highlight[i];
        form.outputNames[k] = t.outputNames[i];
        form.outputUnits[k] = t.outputUnits[i];
        form.outputTexts[k] = t.outputTexts[i];
        if (i <= t.inputCount) HelpTextOf(helpNumber + kHintStep * i, form.inputHints[k]);
    }
    for (int i = 1; i <= messageList.count; ++i) form.messages.push_back(messageList.slot[i]);
    form.row = currentRow;

    const bool ok = Ui().ShowOnlineForm(form);
    for (int i = 1; i <= t.inputCount; ++i)
        t.inputTexts[i] = form.inputTexts[static_cast<std::size_t>(i - 1)];
    currentRow = ClampRow(form.row, t.inputCount);
    t.lastKey = form.lastKey;
    std::sort(t.fieldOrder.begin() + 1, t.fieldOrder.end());
    done = true;
    cancelFlag = !ok;
}

void FinishOnlineDialog() {
    errorDisplayFlag = true;
    cancelFlag = false;
}

void KeepShownInputs() { onlineDialog.shownTexts = onlineDialog.inputTexts; }

bool InputChanged(int row) {
    if (row < 1 || row > kOnlineDialogSlots) return false;
    const auto k = static_cast<std::size_t>(row);
    return onlineDialog.inputTexts[k] != onlineDialog.shownTexts[k];
}

Real InputValue(int row, Real filled, Real (*read)(std::string_view)) {
    if (row < 1 || row > kOnlineDialogSlots) return filled;
    const auto k = static_cast<std::size_t>(row);
    return BoxValue(onlineDialog.inputTexts[k], onlineDialog.shownTexts[k], filled, read);
}

void ResetOnlineDialog() { onlineDialog = OnlineDialogTables{}; }

}  // namespace veldrim
