// Primitives per second into a DXF exchange file through the CAD output run,
// and the same entities (lines, arcs, circles and texts of a tooth-form-like
// mix) written by the peers in the same run: ezdxf (Debian's python3-ezdxf,
// timing its own work without the interpreter's start) and dxflib (Debian's
// libdxflib-dev, from C++). Paired repetitions; the ratios
//   ezdxf_vs_dxf   ezdxf time / DXF writer time
//   dxflib_vs_dxf  dxflib time / DXF writer time
// are printed as "ratio NAME = X" (the median). Every file goes to a private
// scratch folder that is removed when the run ends.
#include <benchmark/benchmark.h>
#include <dxflib/dl_dxf.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"

namespace veldrim {
namespace {

using namespace veldrim::bench;

constexpr int kLines = 200000;
// Lines of the mix; every 8th step adds an arc, every 16th a circle, every
// 64th a text.
constexpr int kMix = 100000;

Real LineX(int i) { return (i % 1000) * 0.25L; }
Real LineY(int i) { return (i / 1000) * 0.5L; }

// One DXF run of n lines (a tooth-flank-like staircase), in batch mode so
// that no dialog asks for the name.
void WriteDxfLines(int n) {
    cadBatchFlag = true;
    currentFileName = (Scratch() / "veldrim").string();
    CadBeginOutput(kCadDxf);
    CadBeginDrawing(0, 0, 250, 100, 0);
    CadWriteTables(2);
    CadBeginBlocks();
    CadEndSection();
    CadBeginEntities();
    CadSetLayer(1);
    for (int i = 0; i < n; ++i) CadLine(LineX(i), LineY(i), LineX(i) + 0.2L, LineY(i) + 0.1L);
    CadEndSection();
    CadEndOutput();
    cadBatchFlag = false;
}

void BM_DxfLinesThroughTheRun(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) WriteDxfLines(n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DxfLinesThroughTheRun)->Arg(10000)->Arg(kLines)->Unit(benchmark::kMillisecond);

void WriteDxfMix(int n) {
    cadBatchFlag = true;
    currentFileName = (Scratch() / "mix").string();
    CadBeginOutput(kCadDxf);
    CadBeginDrawingDefault();
    CadWriteTables(2);
    CadBeginEntities();
    for (int i = 0; i < n; ++i) {
        const Real x = i * 0.01L, y = 50 + i * 0.003L;
        CadLine(x, y, x + 0.37L, y + 0.21L);
        if (i % 8 == 0) CadArc(x, y, 10, 80, 3.5L, -70);
        if (i % 16 == 0) CadCircle(x, y, 1.25L);
        if (i % 64 == 0) CadText("z2 = 41", x, y);
    }
    CadEndSection();
    CadEndOutput();
    cadBatchFlag = false;
}

void BM_DxfMixThroughTheRun(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) WriteDxfMix(n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DxfMixThroughTheRun)->Arg(kMix)->Unit(benchmark::kMillisecond);

// The same mix through ezdxf into an R12 file.
const char* const kEzdxfMix = R"(
import sys, time
import ezdxf
n = int(sys.argv[1]); path = sys.argv[2]
t0 = time.perf_counter()
doc = ezdxf.new("R12")
msp = doc.modelspace()
for i in range(n):
    x = i * 0.01; y = 50 + i * 0.003
    msp.add_line((x, y), (x + 0.37, y + 0.21), dxfattribs={"layer": "1"})
    if i % 8 == 0: msp.add_arc((x, y), 3.5, 10, 80, dxfattribs={"layer": "1"})
    if i % 16 == 0: msp.add_circle((x, y), 1.25, dxfattribs={"layer": "1"})
    if i % 64 == 0: msp.add_text("z2 = 41", dxfattribs={"layer": "1", "height": 2.5, "insert": (x, y)})
doc.saveas(path)
print(time.perf_counter() - t0)
)";

// The same mix through dxflib into an R12 (AC1009) file: header, the layer
// table, the entities.
void WriteDxflibMix(int n, const std::string& path) {
    DL_Dxf dxf;
    std::unique_ptr<DL_WriterA> dw(dxf.out(path.c_str(), DL_Codes::AC1009));
    if (!dw) return;
    dxf.writeHeader(*dw);
    dw->sectionEnd();
    dw->sectionTables();
    dxf.writeVPort(*dw);
    dw->tableLinetypes(1);
    dxf.writeLinetype(*dw, DL_LinetypeData("CONTINUOUS", "Continuous", 0, 0, 0.0));
    dw->tableEnd();
    dw->tableLayers(2);
    dxf.writeLayer(*dw, DL_LayerData("0", 0), DL_Attributes("", 7, 0, "CONTINUOUS", 1.0));
    dxf.writeLayer(*dw, DL_LayerData("1", 0), DL_Attributes("", 7, 0, "CONTINUOUS", 1.0));
    dw->tableEnd();
    dw->tableStyle(1);
    dxf.writeStyle(*dw, DL_StyleData("STANDARD", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", ""));
    dw->tableEnd();
    dw->sectionEnd();
    dw->sectionEntities();
    const DL_Attributes layer("1", 256, -1, "BYLAYER", 1.0);
    for (int i = 0; i < n; ++i) {
        const double x = i * 0.01, y = 50 + i * 0.003;
        dxf.writeLine(*dw, DL_LineData(x, y, 0, x + 0.37, y + 0.21, 0), layer);
        if (i % 8 == 0) dxf.writeArc(*dw, DL_ArcData(x, y, 0, 3.5, 10, 80), layer);
        if (i % 16 == 0) dxf.writeCircle(*dw, DL_CircleData(x, y, 0, 1.25), layer);
        if (i % 64 == 0)
            dxf.writeText(
                *dw, DL_TextData(x, y, 0, x, y, 0, 2.5, 1.0, 0, 0, 0, "z2 = 41", "STANDARD", 0.0),
                layer);
    }
    dw->sectionEnd();
    dw->dxfEOF();
    dw->close();
}

void BM_DxfAgainstPeers(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> ours, ezdxf, dxflib, ezdxfRatio, dxflibRatio;
    for (auto _ : state) {
        for (int r = 0; r < Repetitions(5); ++r) {
            ours.push_back(Seconds([n] { WriteDxfMix(n); }));
            const std::string target = (Scratch() / "peer.dxf").string();
            dxflib.push_back(Seconds([n, &target] { WriteDxflibMix(n, target); }));
            const double peer = PythonSeconds(kEzdxfMix, {std::to_string(n), target});
            if (peer < 0) {
                state.SkipWithError("python3-ezdxf did not run");
                return;
            }
            ezdxf.push_back(peer);
            ezdxfRatio.push_back(peer / ours.back());
            dxflibRatio.push_back(dxflib.back() / ours.back());
        }
    }
    std::printf("%d lines, %d arcs, %d circles, %d texts per file\n", n, (n + 7) / 8, (n + 15) / 16,
                (n + 63) / 64);
    PrintTimes("DXF writer", ours);
    PrintTimes("dxflib", dxflib);
    PrintTimes("ezdxf", ezdxf);
    state.counters["ezdxf_vs_dxf"] = PrintRatio("ezdxf_vs_dxf", ezdxfRatio);
    state.counters["dxflib_vs_dxf"] = PrintRatio("dxflib_vs_dxf", dxflibRatio);
}
BENCHMARK(BM_DxfAgainstPeers)->Arg(kMix)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldrim
