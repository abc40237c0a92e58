// Fuzz target: the command line. The input is split at zero bytes into at
// most 16 arguments. Parsing never fails; the switches it finds lie in their
// ranges; a run that only shows the usage screen or refuses a switch ends
// with its status and touches no file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/startup.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (args.size() == 16) break;
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    const CommandLine cl = ParseCommandLine(args);
    if (cl.cadFormat < -1 || cl.cadFormat > 9) std::abort();
    if (cl.cadItem < -1 || cl.cadItem > 99) std::abort();
    if ((cl.cadFormat < 0) != (cl.cadItem < 0)) std::abort();
    if (!cl.usage && cl.unknown.empty()) return 0;

    std::vector<const char*> argv = {"veldrim"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    const int status = RunProgram(static_cast<int>(argv.size()), argv.data());
    if (status != kExitOk && status != kExitUsage) std::abort();
    return 0;
}
