// Primitives per second into the display list, and the replay of the list
// onto a canvas that only counts (the cost of parsing the record texts).
#include <benchmark/benchmark.h>

#include "foundation/program_state.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {
namespace {

class CountingCanvas : public GraphicsCanvas {
public:
    void SetPenColor(uint32_t) override {}
    void SetBrushColor(uint32_t) override {}
    void SetFontColor(uint32_t) override {}
    void SetPenStyle(int) override {}
    void SetPenWidth(int) override {}
    void Line(DevicePoint, DevicePoint) override { ++count; }
    void Ellipse(DevicePoint, DevicePoint) override { ++count; }
    void Arc(DevicePoint, DevicePoint, DevicePoint, DevicePoint) override { ++count; }
    void Polygon(const std::array<DevicePoint, 4>&, bool) override { ++count; }
    void Text(DevicePoint, const std::string&, const TextFont&) override { ++count; }
    void Pause(int) override {}
    long count = 0;
};

// A tooth-form-like mix: mostly lines, some arcs, circles and texts.
void DrawMix(int n) {
    for (int i = 0; i < n; ++i) {
        const Real x = i * 0.01L, y = 50 + i * 0.003L;
        CadLine(x, y, x + 0.37L, y + 0.21L);
        if (i % 8 == 0) CadArc(x, y, 10, 80, 3.5L, 70);
        if (i % 16 == 0) CadCircle(x, y, 1.25L);
        if (i % 64 == 0) CadText("z2 = 41", x, y);
    }
}

void Setup() {
    ResetProgramState();
    ResetGraphicsDefaults();
    ResetGraphicsWindow();
    ResetCadOutputState();
    CadBeginOutput(kCadScreen);
    CadBeginDrawing(0, 0, 160, 120, 0);
    CadBeginEntities();
}

void BM_PrimitivesIntoDisplayList(benchmark::State& state) {
    Setup();
    const int n = static_cast<int>(state.range(0));
    long primitives = 0;
    for (auto _ : state) {
        DisplayList.clear();
        DrawMix(n);
        primitives += static_cast<long>(DisplayList.size());
    }
    state.counters["primitives/s"] =
        benchmark::Counter(static_cast<double>(primitives), benchmark::Counter::kIsRate);
    CadEndOutput();
}
BENCHMARK(BM_PrimitivesIntoDisplayList)->Arg(1000)->Arg(100000);

void BM_ReplayDisplayList(benchmark::State& state) {
    Setup();
    DrawMix(static_cast<int>(state.range(0)));
    CountingCanvas canvas;
    long records = 0;
    for (auto _ : state) {
        Window().ReplayTo(canvas);
        records += static_cast<long>(DisplayList.size());
    }
    benchmark::DoNotOptimize(canvas.count);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    CadEndOutput();
}
BENCHMARK(BM_ReplayDisplayList)->Arg(100000);

void BM_FormatDisplayReal(benchmark::State& state) {
    Real v = 0.123456789L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatDisplayReal(v));
        v += 1.7L;
    }
}
BENCHMARK(BM_FormatDisplayReal);

}  // namespace
}  // namespace veldrim
