// Fuzz target: the data-exchange file reader and the configuration and
// session file readers on arbitrary bytes. None may crash; the exchange
// reader must keep the program's identity and folders.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/config_file.h"
#include "calc/records.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "reports/edi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static ScriptedUi ui;
    static std::string dir = [] {
        char name[] = "/tmp/veldrim-fuzz-cfg-XXXXXX";
        const char* made = mkdtemp(name);
        return std::string(made ? made : "/tmp");
    }();
    SetUi(&ui);
    ui.calls.clear();
    ResetProgramState();
    ResetGearData();
    configurationDirectory = dir;

    for (const std::string& path : {ConfigFilePath(), SessionFilePath(), dir + "/x.edi"}) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 0;
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    ReadConfigFile();
    ReadSessionFile();
    const std::string identity = productName + windowTitle + currentFileName;
    ReadEdiFile(dir + "/x.edi");
    if (productName + windowTitle + currentFileName != identity) std::abort();
    return 0;
}
