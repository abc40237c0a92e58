#pragma once
// Plausibility checks of the equivalent cylindrical gear pair, run after the
// tolerance and measurement stage. Each check adds one message; none sets
// the fatal flag. Checks marked hideable are skipped while the hide-warnings
// flag is set.

namespace veldrim {

void CylPlausibilityChecks();

}  // namespace veldrim
