// Fuzz target: the HP-GL reader on arbitrary bytes, played into a headless
// graphics window. The window's list is emptied per input so the run stays
// small.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/display_list.h"
#include "graphics/formats/hpgl_reader.h"
#include "support/scripted_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static ScriptedUi ui;
    SetUi(&ui);
    ui.calls.clear();
    DisplayList.clear();
    ResetHpglReader();
    cancelFlag = true;
    PlayHpgl(std::string_view(reinterpret_cast<const char*>(data), size));
    // A played file, however damaged, leaves the cancel flag clear.
    if (cancelFlag) __builtin_trap();
    return 0;
}
