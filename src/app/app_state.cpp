// Main-window program state: reset to the start-up values.

#include "app/app_state.h"

namespace veldrim {

void ResetAppState() {
    languageNumber = 0;
    cadBatchFlag = false;
    archiveModeLockOption = false;
}

}  // namespace veldrim
