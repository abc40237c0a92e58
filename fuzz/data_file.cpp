// Fuzz target: the gear data file reader on arbitrary bytes. A damaged file
// must be refused without a crash and leave the data set unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/data_file_sections.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "fuzz_support.h"
#include "support/scripted_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static ScriptedUi ui;
    static const std::string path = fuzzing::ScratchFolder() + "/fuzz.qb3";
    static bool ready = [] {
        SetUi(&ui);
        InstallDataFileSections();
        return true;
    }();
    (void)ready;
    ui.calls.clear();

    if (!fuzzing::WriteInput(path, data, size)) return 0;

    ResetGearData();
    const WormGearRecord before = wormGear;
    if (!ReadDataFile(path) && !(wormGear == before)) std::abort();
    return 0;
}
