#pragma once
// Shared pieces of the table fuzz targets: the engine started once, a sound
// table with a field of every kind made and opened afresh, the error state
// cleared after each input.

#include <cstdlib>
#include <string>
#include <vector>

#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"
#include "fuzz_support.h"

namespace veldrim::fuzzing {

inline void StartTableEngineOnce() {
    static const bool started = [] {
        ResetTableEngine();
        return true;
    }();
    (void)started;
}

// Creates the table anew in area 1 and opens it exclusively; the engine's own
// new table must open, so a failure is a finding.
inline void OpenFreshTable(const std::string& path, const std::vector<TFieldEntry>& fields) {
    Tolerant([&] { CreateDbf(path, fields); });
    Select(1);
    bool open = false;
    Tolerant([&] {
        USE(path + " EXCLUSIVE");
        open = true;
    });
    if (!open) std::abort();
}

// Reads every field of the first records of the current area.
inline void ReadAllFields() {
    Tolerant([] {
        int steps = 0;
        for (GoTop(); !dEOF() && steps < 2000; ++steps) {
            for (int f = 1; f <= FieldCount(); ++f) (void)FieldAsText(f);
            SKIP(1);
        }
    });
}

// An engine error of one input is not carried into the next.
inline void ClearTableErrors() {
    ErrorState.lastErrorCode = 0;
    ErrorState.pendingErrorCode = 0;
}

}  // namespace veldrim::fuzzing
