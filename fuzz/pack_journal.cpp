// Fuzz target: the journal of an unfinished PACK found beside a table.
//
// The input is written as the journal "t.dbf.$$$pack" beside a sound table
// with its memo file and a second name of its old contents; opening the
// table reads the journal and may put the files beside it in order. A
// malformed journal must be refused or ignored, never crash or leak, and
// never act on a file outside its folder (a sentinel table one folder up
// must stay).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_tables.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/work_areas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veldrim;
    namespace fs = std::filesystem;
    fuzzing::StartTableEngineOnce();
    const std::string folder = fuzzing::ScratchFolder() + "/journal";
    const std::string outside = fuzzing::ScratchFolder() + "/t.dbf";
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    const std::vector<TFieldEntry> fields{{"ID", 'N', 5, 0}, {"NOTE", 'M', 10, 0}};
    fuzzing::Tolerant([&] { CreateDbf(outside, fields); });
    fuzzing::Tolerant([&] { CreateDbf(folder + "/t.dbf", fields); });
    ::link((folder + "/t.dbf").c_str(), (folder + "/t.dbf.$$$old0").c_str());
    if (!fuzzing::WriteInput(folder + "/t.dbf.$$$pack", data, size)) return 0;
    fuzzing::Tolerant([&] {
        Select(1);
        USE(folder + "/t.dbf");
    });
    fuzzing::ReadAllFields();
    fuzzing::Tolerant([] { CloseArea(); });
    fuzzing::ClearTableErrors();
    if (!fs::exists(outside)) std::abort();
    return 0;
}
