// Speed of the worm gear calculation on the default data set. The safety and
// efficiency diagrams rate the set once per point of every curve, so the
// number of full runs per second bounds how fine a diagram can be drawn.
//
//   RunCalculation     geometry, equivalent cylindrical gear (ZI), tolerances,
//                      rating after Niemann and both DIN 3996 editions
//   CalcWormRating     the rating alone, as a diagram calls it
//   IterateCalculation eleven runs that settle the driving power
//
// BM_RunVersusRating times both in paired repetitions and prints the median
// of their ratio as "ratio run_vs_rating = X": how many ratings a full run
// costs.

#include <benchmark/benchmark.h>

#include <vector>

#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "calc/worm_rating.h"
#include "foundation/messages.h"
#include "bench_support.h"

namespace veldrim {
namespace {

void DefaultDataSet() {
    ResetGearData();
    ResetCylGearRecord();
    ResetMessages();
}

void BM_RunCalculation(benchmark::State& state) {
    DefaultDataSet();
    for (auto _ : state) {
        RunCalculation();
        benchmark::DoNotOptimize(wormGear.SHDin);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("full runs");
}
BENCHMARK(BM_RunCalculation);

void BM_CalcWormRating(benchmark::State& state) {
    DefaultDataSet();
    RunCalculation();
    for (auto _ : state) {
        // A diagram varies the operating data between ratings.
        gearPair.n[1] = 750 + static_cast<Real>(state.iterations() % 100);
        ClearMessages();
        CalcWormRating();
        benchmark::DoNotOptimize(wormGear.SHDin);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("ratings");
}
BENCHMARK(BM_CalcWormRating);

void BM_IterateCalculation(benchmark::State& state) {
    DefaultDataSet();
    for (auto _ : state) {
        IterateCalculation();
        benchmark::DoNotOptimize(wormGear.PDinOut);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("iterations of 11 runs");
}
BENCHMARK(BM_IterateCalculation);

// Seconds per call of `work`, over enough calls to take about 50 ms.
template <class Work>
double PerCall(Work&& work) {
    int calls = 64;
    for (;;) {
        const double s = bench::Seconds([&] {
            for (int i = 0; i < calls; ++i) work(i);
        });
        if (s >= 0.05 || calls >= (1 << 24)) return s / calls;
        calls *= 2;
    }
}

void BM_RunVersusRating(benchmark::State& state) {
    std::vector<double> runs, ratings, ratios;
    for (auto _ : state) {
        for (int r = 0; r < bench::Repetitions(9); ++r) {
            DefaultDataSet();
            runs.push_back(PerCall([](int) {
                RunCalculation();
                benchmark::DoNotOptimize(wormGear.SHDin);
            }));
            DefaultDataSet();
            RunCalculation();
            ratings.push_back(PerCall([](int i) {
                gearPair.n[1] = 750 + static_cast<Real>(i % 100);
                ClearMessages();
                CalcWormRating();
                benchmark::DoNotOptimize(wormGear.SHDin);
            }));
            ratios.push_back(runs.back() / ratings.back());
        }
    }
    bench::PrintTimes("RunCalculation", runs);
    bench::PrintTimes("CalcWormRating", ratings);
    state.counters["runs_per_s"] = 1 / bench::Median(runs);
    state.counters["run_vs_rating"] = bench::PrintRatio("run_vs_rating", ratios);
}
BENCHMARK(BM_RunVersusRating)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldrim
