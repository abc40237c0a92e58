// Fuzz target: APPEND FROM reading a malformed source table into a sound
// table with a field of every kind. The source may be refused with an engine
// error; the target stays a table that opens and walks.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tables/bulk_verbs.h"
#include "tables/dbf_file.h"
#include "tables/engine_base.h"
#include "tables/navigation.h"
#include "tables/work_areas.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static bool started = [] {
        ResetTableEngine();
        return true;
    }();
    (void)started;
    const std::string& dir = fuzzing::ScratchFolder();
    const std::string target = dir + "/target.dbf", source = dir + "/source.dbf";
    fuzzing::Tolerant([&] {
        CreateDbf(target, {{"NAME", 'C', 12, 0}, {"QTY", 'N', 7, 0}, {"PRICE", 'N', 10, 2},
                           {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"WIDE", 'N', 15, 0}});
    });
    if (!fuzzing::WriteInput(source, data, size)) return 0;
    Select(1);
    bool open = false;
    fuzzing::Tolerant([&] {
        USE(target + " EXCLUSIVE");
        open = true;
    });
    if (!open) std::abort();  // the engine's own new table must open
    fuzzing::Tolerant([&] { AppendFrom(source); });
    int steps = 0;
    fuzzing::Tolerant([&] {
        for (GoTop(); !dEOF() && steps < 2000; ++steps) {
            for (int f = 1; f <= FieldCount(); ++f) (void)FieldAsText(f);
            SKIP(1);
        }
    });
    fuzzing::Tolerant([] { CloseArea(); });
    for (int area = 1; area <= 40; ++area) {
        fuzzing::Tolerant([&] {
            Select(area);
            CloseArea();
        });
    }
    ErrorState.lastErrorCode = 0;
    ErrorState.pendingErrorCode = 0;
    return 0;
}
