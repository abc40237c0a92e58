// Speed of the worm gear calculation on the default data set. The safety and
// efficiency diagrams rate the set once per point of every curve, so the
// number of full runs per second bounds how fine a diagram can be drawn.
//
//   RunCalculation     geometry, equivalent cylindrical gear (ZI), tolerances,
//                      rating after Niemann and both DIN 3996 editions
//   CalcWormRating     the rating alone, as a diagram calls it
//   IterateCalculation eleven runs that settle the driving power

#include <benchmark/benchmark.h>

#include "calc/cyl_record.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "calc/worm_rating.h"
#include "foundation/messages.h"

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

}  // namespace
}  // namespace veldrim
