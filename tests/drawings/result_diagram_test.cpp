// The result diagram is offered only for a data set with results.
#include "drawings/result_diagram.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/app_state.h"
#include "calc/records.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

// A calculated set of the demo's kind: ISO VG 220 polyglycol (220 and
// 40 mm²/s), 3 kW output at 82 % efficiency.
void CalculatedSet() {
    ResetAllProgramState();
    wormGear.v40 = 220;
    wormGear.v100 = 40;
    wormGear.P = 3;
    wormGear.eta = 0.82L;
    fatalFlag = false;
}

TEST(ResultDiagram, NeedsViscositiesAPowerAndAnEfficiency) {
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"calculated set", [] {}},
        {"calculation ended fatal", [] { fatalFlag = true; }},
        {"no viscosity at 100 degrees", [] { wormGear.v100 = 0; }},
        {"viscosity rising with temperature", [] { wormGear.v100 = 300; }},
        {"no output power", [] { wormGear.P = 0; }},
        {"no efficiency", [] { wormGear.eta = 0; }},
    };
    for (const auto& [what, change] : cases) {
        CalculatedSet();
        change();
        EXPECT_EQ(ResultDiagramAvailable(), std::string(what) == "calculated set") << what;
    }
    ResetAllProgramState();
}

}  // namespace
}  // namespace veldrim
