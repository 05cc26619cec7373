// The MDS step over N items on m axes: reference against fast, per step, and
// the whole 20,001-step run of the largest map.
#include "BenchData.h"
#include "distances/Distances.h"
#include "RatioReporter.h"
#include "mds/MapFit.h"
#include "mds/MdsStep.h"
#include "reference/ReferenceSteps.h"

namespace {

void BenchMdsStep(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), m = static_cast<int>(state.range(1));
    BenchMapData b = BenchMap(n, m);
    static MdsPlan plan;
    plan.Prepare(b.distances, 26, 1.8f, 0.0001f);
    for (auto _ : state) plan.Step(b.map, m, 0.5f);
}

void BenchReferenceMdsStep(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), m = static_cast<int>(state.range(1));
    BenchMapData b = BenchMap(n, m);
    for (auto _ : state) ReferenceMdsStep(b.distances, b.map, 26, m, 0.5f, 1.8f, 0.0001f);
}

// What an MRP-MDS run of 400 items on 3 axes spends in its steps.
void MdsRun20001Steps(benchmark::State& state) {
    BenchMapData b = BenchMap(400, 3);
    static MdsPlan plan;
    for (auto _ : state) {
        plan.Prepare(b.distances, 26, 1.8f, 0.0001f);
        for (int i = 0; i < 20001; ++i) plan.Step(b.map, 3, 0.5f);
    }
}

// The same over the distances of the real digits sample, 400 rows of 64,
// normalised as an MRP-MDS run normalises them.
void MdsRun20001StepsDigits400x64(benchmark::State& state) {
    const Table items = DigitsTable(400);
    BenchMapData b = BenchMap(400, 3);
    BuildDistanceMatrix(items, 400, 64, b.distances);
    NormaliseDistances(b.distances, 20 * 3);
    static MdsPlan plan;
    for (auto _ : state) {
        plan.Prepare(b.distances, 64, 1.8f, 0.0001f);
        for (int i = 0; i < 20001; ++i) plan.Step(b.map, 3, 0.5f);
    }
}

// The fit figures of a 400-item map on 3 axes: a run computes them at most
// ten times a second and once at its end.
void MapFit400x3(benchmark::State& state) {
    const BenchMapData b = BenchMap(400, 3);
    for (auto _ : state) benchmark::DoNotOptimize(MeasureMapFit(b.map, b.distances, 3));
}

void Shapes(benchmark::internal::Benchmark* b) {
    for (int n : {100, 200, 400})
        for (int m : {2, 3}) b->Args({n, m});
    b->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BenchMdsStep)->Name("MdsStep")->Apply(Shapes);
BENCHMARK(BenchReferenceMdsStep)->Name("ReferenceMdsStep")->Apply(Shapes);
BENCHMARK(MdsRun20001Steps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MdsRun20001StepsDigits400x64)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MapFit400x3)->Unit(benchmark::kMillisecond);
