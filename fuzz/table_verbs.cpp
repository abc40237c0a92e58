// Fuzz target: the writing verbs on a malformed table. The input is written
// as a table file, opened exclusively and then shared, and REPLACE, APPEND,
// DELETE, PACK and the locks run on it; each may refuse with an engine error,
// none may crash or write outside the file.
#include <cstdint>
#include <string>

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/locking.h"
#include "fuzz_tables.h"

namespace {

// One value of the field's kind into the binary record.
void FillFields() {
    using namespace veldrim;
    for (int f = 1; f <= FieldCount() && f <= 32; ++f) {
        fuzzing::Tolerant([&] { SetBinaryText(f, "FUZZ"); });
        fuzzing::Tolerant([&] { SetBinaryNumber(f, 9.9e124); });
        fuzzing::Tolerant([&] { SetBinaryLogical(f, true); });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    fuzzing::StartTableEngineOnce();
    const std::string path = fuzzing::ScratchFolder() + "/verbs.dbf";
    if (!fuzzing::WriteInput(path, data, size)) return 0;
    for (const char* mode : {" EXCLUSIVE", ""}) {
        Select(1);
        bool open = false;
        fuzzing::Tolerant([&] {
            USE(path + mode);
            open = true;
        });
        if (open) {
            fuzzing::Tolerant([] { GoTop(); });
            fuzzing::Tolerant([] { RLock(); });
            FillFields();
            fuzzing::Tolerant([] { Replace(); });
            fuzzing::Tolerant([] { Unlock(); });
            fuzzing::Tolerant([] { FLock(); });
            fuzzing::Tolerant([] { Append(); });
            fuzzing::Tolerant([] { GoBottom(); });
            fuzzing::Tolerant([] { DeleteRec(); });
            fuzzing::Tolerant([] { ALock(); });
            fuzzing::Tolerant([] { Pack(); });
            fuzzing::Tolerant([] { Unlock(); });
        }
        fuzzing::Tolerant([] { CloseArea(); });
    }
    fuzzing::ClearTableErrors();
    return 0;
}
