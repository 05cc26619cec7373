// "Min. Tree" over 400 items with a threshold that admits every pair.
#include "BenchData.h"
#include "RatioReporter.h"
#include "handlers/MemoLines.h"
#include "reference/ReferenceSteps.h"
#include "support/NullForm.h"
#include "view/MinimumTree.h"

namespace {

void BenchMinimumTree(benchmark::State& state) {
    const BenchMapData b = BenchMap(400, 2);
    NullForm form;
    MemoLines lines(form);
    TreeLinks tree;
    for (auto _ : state) MinimumTree(b.distances, 400, 1000.0f, tree, lines);
}

void BenchReferenceMinimumTree(benchmark::State& state) {
    const BenchMapData b = BenchMap(400, 2);
    TreeLinks tree;
    for (auto _ : state) benchmark::DoNotOptimize(ReferenceMinimumTree(b.distances, 400, 1000.0f, tree));
}

}  // namespace

BENCHMARK(BenchMinimumTree)->Name("MinimumTree/400")->Unit(benchmark::kMillisecond);
BENCHMARK(BenchReferenceMinimumTree)
    ->Name("ReferenceMinimumTree/400")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
