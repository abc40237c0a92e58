// Fuzz target: an index file opened over a small table, walked both ways,
// searched, checked and changed.
//
// The input is written as the index file; a damaged file must end in an
// engine error, never in a crash, a hang or a leak.
#include <cstdint>
#include <string>

#include "tables/index/ndx_index.h"
#include "fuzz_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace veldrim;
    using fuzzing::Tolerant;
    fuzzing::StartTableEngineOnce();
    const std::string folder = fuzzing::ScratchFolder();
    const std::string index = folder + "/fuzz.ndx";
    Tolerant([] {
        Select(1);
        CloseArea();
    });
    fuzzing::OpenFreshTable(folder + "/fuzz.dbf",
                            {TFieldEntry{"NAME", 'C', 10, 0, 0}, TFieldEntry{"QTY", 'N', 8, 2, 0},
                             TFieldEntry{"DAY", 'D', 8, 0, 0}});
    Tolerant([] {
        const char* names[] = {"alpha", "bravo", "charly", "delta", "echo", "foxtrot"};
        for (int i = 0; i < 6; ++i) {
            ClearRecord();
            SetBinaryText(1, names[i]);
            SetBinaryNumber(2, i * 1.5);
            Append();
        }
    });
    if (!fuzzing::WriteInput(index, data, size)) return 0;
    Tolerant([&] { Set_Index_To(index); });
    if (CurrentOrder() == 1) {
        Tolerant([] {
            int steps = 0;
            for (GoTop(); !dEOF() && steps < 200; ++steps) SKIP(1);
        });
        Tolerant([] {
            int steps = 0;
            for (GoBottom(); !dBOF() && steps < 200; ++steps) SKIP(-1);
        });
        Tolerant([] { Find("b"); });
        Tolerant([] { FindExact("echo"); });
        Tolerant([] { (void)CheckIndexTree(1); });
        Tolerant([] {
            GO(2);
            SetBinaryText(1, "zulu");
            Replace();
        });
        Tolerant([] {
            ClearRecord();
            SetBinaryText(1, "golf");
            Append();
        });
        Tolerant([] {
            GO(3);
            DeleteCurrentKey(1);
        });
    }
    Tolerant([&] {
        TIndexInfo info;
        IndexInfo(index, info);
    });
    Tolerant([] { CloseArea(); });
    fuzzing::ClearTableErrors();
    return 0;
}
