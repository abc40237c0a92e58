// Fuzz target: an index file opened over a small table, walked, searched,
// checked and changed (see ndx_open_run.h).
#include "fuzz_support.h"
#include "ndx_open_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veldrim;
    static bool started = [] {
        ResetTableEngine();
        return true;
    }();
    (void)started;
    fuzzing::RunIndexInput(fuzzing::ScratchFolder(), data, size);
    return 0;
}
