// Facets per second into a binary STL of a revolved body, and trimmed lines
// per second into a STEP file (both passes), through the CAD output run.
// The peers run on the same work in the same run: numpy-stl (Debian's
// python3-stl) builds and saves as many facets, OpenCASCADE's STEP writer
// (occt-draw) writes the same lines; each times its own work. Paired
// repetitions; the ratios
//   numpy_stl_vs_stl  numpy-stl time / STL writer time
//   occt_vs_step      OpenCASCADE time / STEP writer time
// are printed as "ratio NAME = X" (the median). Every file goes to a private
// scratch folder that is removed when the run ends.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "foundation/program_state.h"
#include "graphics/bodies.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/polylines_dims.h"

namespace veldrim {
namespace {

using namespace veldrim::bench;

// A worm shaft: a stepped outline with a rounded shoulder, revolved; the
// chord tolerance sets the facet count. The facets written.
size_t WriteRevolvedShaft(Real tolerance) {
    cadBatchFlag = true;
    currentFileName = (Scratch() / "shaft").string();
    CadOutputState.chordTolerance = tolerance;
    CadOutputState.stlFileType = 0;
    CadBeginOutput(kCadStl);
    CadBeginDrawing(0, 0, 160, 120, 0);
    CadBeginEntities();
    CadRestartPath();
    const Real pts[][3] = {{0, 0, 0},   {0, 15, 0},  {30, 15, 0},
                           {30, 20, 0}, {70, 20, 0}, {75, 25, std::numbers::pi_v<Real> / 2},
                           {85, 25, 0}, {85, 15, 0}, {120, 15, 0},
                           {120, 0, 0}, {0, 0, 0}};
    for (const auto& p : pts) CadRevolveVertex(p[0], p[1], p[2]);
    CadEndSection();
    CadEndOutput();
    cadBatchFlag = false;
    std::error_code ec;
    const auto size = std::filesystem::file_size(Scratch() / "shaft.stl", ec);
    return ec ? 0 : (size - 84) / 50;
}

void BM_StlFacetsOfRevolvedBody(benchmark::State& state) {
    const Real tolerance = 1.0L / static_cast<Real>(state.range(0));
    size_t facets = 0;
    for (auto _ : state) facets = WriteRevolvedShaft(tolerance);
    state.counters["facets"] = static_cast<double>(facets);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * facets));
}
BENCHMARK(BM_StlFacetsOfRevolvedBody)->Arg(10)->Arg(25)->Unit(benchmark::kMillisecond);

// numpy-stl builds n facets and saves them as binary STL.
const char* const kNumpyStl = R"(
import sys, time, warnings
warnings.simplefilter("ignore")
import numpy as np
from stl import mesh
n = int(sys.argv[1]); path = sys.argv[2]
v = np.random.default_rng(1).random((n, 3, 3), dtype=np.float32)
t0 = time.perf_counter()
m = mesh.Mesh(np.zeros(n, dtype=mesh.Mesh.dtype))
m.vectors[:] = v
m.update_normals()
m.save(path, mode=mesh.stl.Mode.BINARY)
print(time.perf_counter() - t0)
)";

void BM_StlAgainstNumpyStl(benchmark::State& state) {
    const Real tolerance = 1.0L / static_cast<Real>(state.range(0));
    std::vector<double> ours, peer, ratio;
    size_t facets = 0;
    for (auto _ : state) {
        for (int r = 0; r < Repetitions(5); ++r) {
            ours.push_back(Seconds([&] { facets = WriteRevolvedShaft(tolerance); }));
            const double s = PythonSeconds(
                kNumpyStl, {std::to_string(facets), (Scratch() / "peer.stl").string()});
            if (s < 0) {
                state.SkipWithError("python3-stl did not run");
                return;
            }
            peer.push_back(s);
            ratio.push_back(s / ours.back());
        }
    }
    std::printf("%zu facets per file\n", facets);
    PrintTimes("STL writer", ours);
    PrintTimes("numpy-stl", peer);
    state.counters["facets_per_s"] = static_cast<double>(facets) / Median(ours);
    state.counters["numpy_stl_vs_stl"] = PrintRatio("numpy_stl_vs_stl", ratio);
}
BENCHMARK(BM_StlAgainstNumpyStl)->Arg(25)->Iterations(1)->Unit(benchmark::kMillisecond);

// STEP: n lines of a tooth-flank-like staircase; both passes run, so every
// line is numbered once and written once.
void WriteStepLines(int n) {
    cadBatchFlag = true;
    currentFileName = (Scratch() / "lines").string();
    CadBeginOutput(kCadStep);
    CadBeginDrawing(0, 0, 250, 100, 0);
    CadBeginBlocks();
    CadEndSection();
    do {
        CadBeginEntities();
        for (int i = 0; i < n; ++i) {
            const Real x = (i % 1000) * 0.25L, y = (i / 1000) * 0.5L;
            CadLine(x, y, x + 0.2L, y + 0.1L);
        }
        CadEndSection();
    } while (!CadOutputComplete());
    CadEndOutput();
    cadBatchFlag = false;
}

void BM_StepLines(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) WriteStepLines(n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StepLines)->Arg(20000)->Unit(benchmark::kMillisecond);

// OpenCASCADE makes the same lines as edges and writes them with its STEP
// writer; the script times the writing and prints "SECONDS=".
std::string OcctStepScript(int n, const std::string& target) {
    return "pload MODELING XSDRAW\ncompound c\nfor {set i 0} {$i < " + std::to_string(n) +
           "} {incr i} {\n"
           "  set x [expr {($i % 1000) * 0.25}]; set y [expr {($i / 1000) * 0.5}]\n"
           "  vertex v1 $x $y 0; vertex v2 [expr {$x + 0.2}] [expr {$y + 0.1}] 0\n"
           "  edge e v1 v2\n  add e c\n}\n"
           "set t0 [clock microseconds]\nstepwrite a c " +
           target +
           "\n"
           "puts \"SECONDS=[expr {([clock microseconds] - $t0) / 1e6}]\"\n";
}

double OcctStepSeconds(int n) {
    const std::string script = (Scratch() / "step.tcl").string();
    std::ofstream(script) << OcctStepScript(n, (Scratch() / "peer.stp").string());
    const std::optional<std::string> text =
        ProgramOutput({"/usr/bin/occt-draw", "-b", "-f", script});
    const size_t at = text ? text->find("SECONDS=") : std::string::npos;
    if (at == std::string::npos) return -1;
    double seconds = -1;
    std::from_chars(text->data() + at + 8, text->data() + text->size(), seconds);
    return seconds;
}

void BM_StepAgainstOpenCascade(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> ours, peer, ratio;
    for (auto _ : state) {
        for (int r = 0; r < Repetitions(3); ++r) {
            ours.push_back(Seconds([n] { WriteStepLines(n); }));
            const double s = OcctStepSeconds(n);
            if (s < 0) {
                state.SkipWithError("occt-draw did not run");
                return;
            }
            peer.push_back(s);
            ratio.push_back(s / ours.back());
        }
    }
    std::printf("%d lines per file\n", n);
    PrintTimes("STEP writer", ours);
    PrintTimes("OpenCASCADE", peer);
    state.counters["lines_per_s"] = n / Median(ours);
    state.counters["occt_vs_step"] = PrintRatio("occt_vs_step", ratio);
}
BENCHMARK(BM_StepAgainstOpenCascade)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldrim
