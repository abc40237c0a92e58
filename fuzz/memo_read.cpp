// Fuzz target: memo files read, rewritten, copied and packed.
//
// Input: byte 0 chooses the table's version (dBase III, dBase IV, FoxPro),
// bytes 1..4 the memo reference in the record (int32, little-endian), the
// rest is the memo file. Every memo verb must end with a value or an engine
// error, never a crash, a hang or a leak.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_tables.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/memo/memo_file.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"

namespace {

// A table of one memo field NOTE holding `ref`.
std::string TableBytes(uint8_t version, int32_t ref) {
    std::string h(32 + 32 + 1, '\0');
    h[0] = static_cast<char>(version);
    h[4] = 1;
    h[8] = static_cast<char>(h.size());
    h[10] = 11;
    std::memcpy(&h[32], "NOTE", 4);
    h[32 + 11] = 'M';
    h[32 + 16] = 10;
    h[64] = 0x0D;
    std::string digits = std::to_string(ref);
    if (digits.size() > 10) digits = digits.substr(0, 10);
    return h + " " + std::string(10 - digits.size(), ' ') + digits + "\x1A";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veldrim;
    fuzzing::StartTableEngineOnce();
    if (size < 5 || size > 200000) return 0;
    const uint8_t versions[] = {0x83, 0x8B, 0xF5};
    const uint8_t version = versions[data[0] % 3];
    int32_t ref = 0;
    std::memcpy(&ref, data + 1, 4);
    const std::string dir = fuzzing::ScratchFolder();
    const std::string table = dir + "/fuzz_memo.dbf";
    const std::string bytes = TableBytes(version, ref);
    if (!fuzzing::WriteInput(table, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
        return 0;
    if (!fuzzing::WriteInput(dir + (version == 0xF5 ? "/fuzz_memo.fpt" : "/fuzz_memo.dbt"),
                             data + 5, size - 5))
        return 0;
    Select(1);
    fuzzing::Tolerant([&] { USE(table + " EXCLUSIVE"); });
    if (CurrentWorkArea()) {
        const int32_t r = BinaryMemoRef(1);
        fuzzing::Tolerant([&] { (void)ReadMemoLines(r); });
        fuzzing::Tolerant([&] { (void)GetMemo(r, 3); });
        fuzzing::Tolerant([&] {
            if (OpenBlob(true, r, 1) == 0) return;
            char buf[1024];
            while (ReadBlobStream(buf, sizeof buf, 0) > 0) {
            }
            SeekBlobStream(-3, 2);
            DestroyBlobDescriptor();
        });
        fuzzing::Tolerant([&] {
            SetBinaryMemoRef(1, WriteMemoLines(r, {"rewritten", std::string(700, 'r')}));
        });
        fuzzing::Tolerant([&] { Replace(); });
        fuzzing::Tolerant([&] { (void)AddMemo(std::string(530, 'a')); });
        fuzzing::Tolerant([&] { (void)Pack(); });
    }
    fuzzing::Tolerant([&] { CloseArea(); });
    fuzzing::ClearTableErrors();
    return 0;
}
