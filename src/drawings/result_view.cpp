// The result-view step after a calculation.
#include "drawings/result_view.h"

#include "foundation/program_state.h"

namespace veldrim {

ResultViewFunction ResultViewDrawer = nullptr;

void ShowResultView() {
    if (helpLevel > 0 && ResultViewDrawer) ResultViewDrawer();
    cancelFlag = false;
}

void ResetResultView() { ResultViewDrawer = nullptr; }

}  // namespace veldrim
