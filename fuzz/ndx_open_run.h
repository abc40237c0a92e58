#pragma once
// One run of the index reader over untrusted bytes, shared by the fuzz
// target and the test that replays its corpus: the bytes become an index
// file beside a small table, which is opened, walked both ways, searched,
// checked and changed. A damaged file must end in an engine error, never
// in a crash, a hang or a leak.
#include <cstdint>
#include <string>

#include "tables/dbf_file.h"
#include "tables/engine_base.h"
#include "tables/index/ndx_index.h"
#include "tables/locking.h"
#include "tables/navigation.h"
#include "tables/work_areas.h"

namespace veldrim::fuzzing {

// Writes `bytes` as folder/fuzz.ndx and runs the reader over it.
inline void RunIndexInput(const std::string& folder, const uint8_t* data, std::size_t size) {
    const std::string table = folder + "/fuzz.dbf";
    const std::string index = folder + "/fuzz.ndx";
    auto quietly = [](auto step) {
        try {
            step();
        } catch (const EDurazError&) {
        }
    };
    quietly([&] {
        Select(1);
        CloseArea();
        CreateDbf(table, {TFieldEntry{"NAME", 'C', 10, 0, 0}, TFieldEntry{"QTY", 'N', 8, 2, 0},
                          TFieldEntry{"DAY", 'D', 8, 0, 0}});
        USE(table + " EXCLUSIVE");
        const char* names[] = {"alpha", "bravo", "charly", "delta", "echo", "foxtrot"};
        for (int i = 0; i < 6; ++i) {
            ClearRecord();
            SetBinaryText(1, names[i]);
            SetBinaryNumber(2, i * 1.5);
            Append();
        }
    });
    {
        FILE* f = std::fopen(index.c_str(), "wb");
        if (!f) return;
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    quietly([&] { Set_Index_To(index); });
    if (CurrentOrder() == 1) {
        quietly([] {
            int steps = 0;
            for (GoTop(); !dEOF() && steps < 200; ++steps) SKIP(1);
        });
        quietly([] {
            int steps = 0;
            for (GoBottom(); !dBOF() && steps < 200; ++steps) SKIP(-1);
        });
        quietly([] { Find("b"); });
        quietly([] { FindExact("echo"); });
        quietly([] { (void)CheckIndexTree(1); });
        quietly([] {
            GO(2);
            SetBinaryText(1, "zulu");
            SetBinaryNumber(2, 99);
            Replace();
        });
        quietly([] {
            ClearRecord();
            SetBinaryText(1, "golf");
            Append();
        });
        quietly([] {
            GO(3);
            DeleteCurrentKey(1);
        });
    }
    quietly([&] {
        TIndexInfo info;
        IndexInfo(index, info);
    });
    quietly([] { CloseArea(); });
    ErrorState.lastErrorCode = 0;
    ErrorState.pendingErrorCode = 0;
}

}  // namespace veldrim::fuzzing
