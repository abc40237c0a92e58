// Fuzz target: the configuration and session file readers on arbitrary
// bytes. Neither may crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/config_file.h"
#include "calc/records.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "fuzz_support.h"
#include "support/scripted_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static ScriptedUi ui;
    const std::string& dir = fuzzing::ScratchFolder();
    fuzzing::StartReaderRun(ui);
    configurationDirectory = dir;

    for (const std::string& path : {ConfigFilePath(), SessionFilePath()})
        if (!fuzzing::WriteInput(path, data, size)) return 0;
    ReadConfigFile();
    ReadSessionFile();
    SetUi(nullptr);
    return 0;
}
