#pragma once
// Shared pieces of the fuzz targets: one scratch folder per run and the
// input bytes written as a file, since every reader under test reads files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "calc/records.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "support/scripted_ui.h"

namespace veldrim::fuzzing {

// A folder made once per run in the temporary folder ($TMPDIR, else /tmp;
// that folder itself if none can be made). The corpus replay names a folder
// of its own there, which it removes with the scratch folder at its end.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = tmp && tmp[0] == '/' ? tmp : "/tmp";
        std::string pattern = base + "/veldrim-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern.data());
        return made ? std::string(made) : base;
    }();
    return folder;
}

// Writes the input as the whole file; false when the file cannot be made.
inline bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}

// The start of a run of the program's file readers: the scripted window in
// place with no calls recorded, the program state and data set at their
// defaults.
inline void StartReaderRun(ScriptedUi& ui) {
    SetUi(&ui);
    ui.calls.clear();
    ResetProgramState();
    ResetGearData();
}

// Runs one table verb; an engine error is the verb's answer to a bad table,
// not a finding.
template <class Verb>
void Tolerant(Verb verb) {
    try {
        verb();
    } catch (const std::exception&) {
    }
}

}  // namespace veldrim::fuzzing
