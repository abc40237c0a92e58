// Fuzz target: opening a table file and reading every record.
//
// The input is written as a table file and opened with USE (shared and
// exclusive), then walked with GoTop/SKIP and peeked at; a malformed file
// must be refused with an engine error, never crash or leak.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"
#include "fuzz_tables.h"

namespace {

void Walk() {
    using namespace veldrim;
    int steps = 0;
    for (GoTop(); !dEOF() && steps < 2000; ++steps) {
        for (int f = 0; f <= FieldCount(); ++f) {
            if (f > 0) (void)FieldAsText(f);
            (void)Peek(static_cast<uint8_t>(f), RecNo());
        }
        SKIP(1);
    }
    if (RecCount() > 0) {
        GoBottom();
        SKIP(-1);
        GO(1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veldrim;
    fuzzing::StartTableEngineOnce();
    const std::string path = fuzzing::ScratchFolder() + "/fuzz.dbf";
    if (!fuzzing::WriteInput(path, data, size)) return 0;
    for (const char* mode : {"", " EXCLUSIVE"}) {
        try {
            Select(1);
            USE(path + mode);
            Walk();
        } catch (const EDurazError&) {
        }
        try {
            CloseArea();
        } catch (const EDurazError&) {
        }
    }
    fuzzing::ClearTableErrors();
    return 0;
}
