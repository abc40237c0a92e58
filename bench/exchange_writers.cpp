// Facets per second into a binary STL of a revolved body, and trimmed lines
// per second into a STEP file (both passes), through the CAD output run.
// The peers run in the same program: numpy-stl (Debian's python3-stl)
// writes as many facets, OpenCASCADE's STEP writer the same lines; the
// median ratios are printed. Every file goes to a private folder that is
// removed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "bench_support.h"
#include "foundation/program_state.h"
#include "graphics/bodies.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/formats/stl_writer.h"
#include "graphics/polylines_dims.h"

namespace veldrim {
namespace {

std::filesystem::path Folder() { return bench::Folder(); }

// A worm shaft: a stepped outline with a rounded shoulder, revolved; chord
// tolerance t sets the facet count.
size_t WriteRevolvedShaft(Real tolerance) {
    cadBatchFlag = true;
    currentFileName = (Folder() / "shaft").string();
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
    const auto size = std::filesystem::file_size(Folder() / "shaft.stl", ec);
    return ec ? 0 : (size - 84) / 50;
}

void BM_StlFacetsOfRevolvedBody(benchmark::State& state) {
    const Real tolerance = 1.0L / static_cast<Real>(state.range(0));
    size_t facets = 0;
    for (auto _ : state) facets = WriteRevolvedShaft(tolerance);
    state.counters["facets"] = static_cast<double>(facets);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * facets));
}
BENCHMARK(BM_StlFacetsOfRevolvedBody)
    ->Arg(10)
    ->Arg(25)
    ->Repetitions(5)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMillisecond);

// The peer: numpy-stl builds n random facets and saves them as binary STL;
// the script times its own mesh building and saving.
const char* const kNumpyStlScript = R"(
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

double NumpyStlSeconds(size_t n) {
    return bench::PeerSeconds(kNumpyStlScript,
                              {std::to_string(n), (Folder() / "numpy.stl").string()});
}

// Several rounds of both; the median ratio is printed as "ratio NAME = X".
void BM_StlVersusNumpyStl(benchmark::State& state) {
    std::vector<double> ratios;
    size_t facets = 0;
    double ours = 0, peer = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        facets = WriteRevolvedShaft(1.0L / 25);
        ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        peer = NumpyStlSeconds(facets);
        state.SetIterationTime(ours);
        if (peer > 0) ratios.push_back(peer / ours);
    }
    if (ratios.empty()) {
        state.SkipWithError("python3-stl did not run");
        return;
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    state.counters["facets_per_s"] = facets / ours;
    state.counters["numpy_stl_facets_per_s"] = facets / peer;
    std::printf("ratio stl_vs_numpy_stl = %.2f\n", median);
}
BENCHMARK(BM_StlVersusNumpyStl)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// STEP: n lines of a tooth-flank-like staircase; both passes run, so every
// line is numbered once and written once.
void WriteStepLines(int n) {
    cadBatchFlag = true;
    currentFileName = (Folder() / "lines").string();
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
BENCHMARK(BM_StepLines)
    ->Arg(20000)
    ->Repetitions(5)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMillisecond);

// The peer: OpenCASCADE makes the same lines as edges and writes them with
// its STEP writer; the script times the writing only.
const char* const kOcctStepScript = R"(
pload MODELING XSDRAW
set n $::env(N)
compound c
for {set i 0} {$i < $n} {incr i} {
  set x [expr {($i % 1000) * 0.25}]; set y [expr {($i / 1000) * 0.5}]
  vertex v1 $x $y 0; vertex v2 [expr {$x + 0.2}] [expr {$y + 0.1}] 0
  edge e v1 v2
  add e c
}
set t0 [clock microseconds]
stepwrite a c $::env(OUT)
puts "SECONDS=[expr {([clock microseconds] - $t0) / 1e6}]"
)";

void BM_StepVersusOpenCascade(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> ratios;
    double ours = 0, peer = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        WriteStepLines(n);
        ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        peer = bench::PeerProgramSeconds(
            {"/usr/bin/occt-draw", "-b", "-f", bench::PeerScript("step.tcl", kOcctStepScript)},
            {{"N", std::to_string(n)}, {"OUT", (Folder() / "occt.stp").string()}});
        state.SetIterationTime(ours);
        if (peer > 0) ratios.push_back(peer / ours);
    }
    if (ratios.empty()) {
        state.SkipWithError("occt-draw did not run");
        return;
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["lines_per_s"] = n / ours;
    state.counters["occt_lines_per_s"] = n / peer;
    std::printf("ratio step_vs_occt = %.2f\n", ratios[ratios.size() / 2]);
}
BENCHMARK(BM_StepVersusOpenCascade)
    ->Arg(20000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldrim
