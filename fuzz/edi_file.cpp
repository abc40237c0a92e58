// Fuzz target: the data-exchange file reader alone on arbitrary bytes. The
// check that /E makes before it replaces a file must agree with the reader,
// the reader must keep the program's identity and folders, and what it read
// is written back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calc/records.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "support/scripted_ui.h"
#include "reports/edi_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static ScriptedUi ui;
    const std::string& dir = fuzzing::ScratchFolder();
    fuzzing::StartReaderRun(ui);
    const std::string in = dir + "/in.edi", out = dir + "/out.edi";
    if (!fuzzing::WriteInput(in, data, size)) return 0;

    std::string why;
    const bool isExchangeFile = CheckEdiFile(in, why);
    if (!isExchangeFile && why.empty()) std::abort();  // a refusal always says why
    const std::string identity = productName + windowTitle + currentFileName + dataDirectory;
    const bool read = ReadEdiFile(in);
    if (isExchangeFile && !read) std::abort();
    if (productName + windowTitle + currentFileName + dataDirectory != identity) std::abort();
    if (read) WriteEdiFile(out);
    cancelFlag = false;
    SetUi(nullptr);
    return 0;
}
