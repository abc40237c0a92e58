// Fuzz target: APPEND FROM reading a malformed source table into a sound
// table with a field of every kind. The source may be refused with an engine
// error; the target stays a table that opens and walks.
#include <cstdint>
#include <string>

#include "tables/bulk/bulk_verbs.h"
#include "fuzz_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    fuzzing::StartTableEngineOnce();
    const std::string& dir = fuzzing::ScratchFolder();
    const std::string source = dir + "/source.dbf";
    if (!fuzzing::WriteInput(source, data, size)) return 0;
    fuzzing::OpenFreshTable(dir + "/target.dbf", {{"NAME", 'C', 12, 0},
                                                  {"QTY", 'N', 7, 0},
                                                  {"PRICE", 'N', 10, 2},
                                                  {"BORN", 'D', 8, 0},
                                                  {"OK", 'L', 1, 0},
                                                  {"WIDE", 'N', 15, 0}});
    fuzzing::Tolerant([&] { AppendFrom(source); });
    fuzzing::ReadAllFields();
    // APPEND FROM opens the source in an area of its own: every area closes.
    for (int area = 1; area <= 40; ++area) {
        fuzzing::Tolerant([&] {
            Select(area);
            CloseArea();
        });
    }
    fuzzing::ClearTableErrors();
    return 0;
}
