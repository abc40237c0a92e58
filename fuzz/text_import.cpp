// Fuzz target: the delimited text import (APPEND FROM ... DELIMITED) of
// arbitrary bytes into a table with a field of every kind. Lines that do not
// fit are cut or refused; nothing may crash or leave the table unreadable.
#include <cstdint>
#include <cstdlib>
#include <string>

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
    const std::string target = dir + "/import.dbf", text = dir + "/import.txt";
    fuzzing::Tolerant([&] {
        CreateDbf(target, {{"NAME", 'C', 12, 0}, {"QTY", 'N', 7, 0}, {"PRICE", 'N', 10, 2},
                           {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"NOTE", 'M', 10, 0}});
    });
    if (!fuzzing::WriteInput(text, data, size)) return 0;
    Select(1);
    bool open = false;
    fuzzing::Tolerant([&] {
        USE(target + " EXCLUSIVE");
        open = true;
    });
    if (!open) std::abort();
    fuzzing::Tolerant([&] { AppendDelimited(text, false); });
    fuzzing::Tolerant([] { CloseArea(); });
    // What was imported reads back.
    fuzzing::Tolerant([&] {
        USE(target);
        int steps = 0;
        for (GoTop(); !dEOF() && steps < 2000; ++steps) {
            for (int f = 1; f <= FieldCount(); ++f) (void)FieldAsText(f);
            SKIP(1);
        }
    });
    fuzzing::Tolerant([] { CloseArea(); });
    ErrorState.lastErrorCode = 0;
    ErrorState.pendingErrorCode = 0;
    return 0;
}
