// "Min. Tree" over 400 items with a threshold that admits every pair.
#include "BenchData.h"
#include "RatioReporter.h"
#include "handlers/MinimumTree.h"
#include "reference/ReferenceSteps.h"
#include "support/NullForm.h"

namespace {

void BenchMinimumTree(benchmark::State& state) {
    BenchMap(400, 2);
    NullForm form;
    for (auto _ : state) MinimumTree(form, 400, 1000.0f);
}

void BenchReferenceMinimumTree(benchmark::State& state) {
    BenchMap(400, 2);
    for (auto _ : state) benchmark::DoNotOptimize(ReferenceMinimumTree(400, 1000.0f));
}

}  // namespace

BENCHMARK(BenchMinimumTree)->Name("MinimumTree/400")->Unit(benchmark::kMillisecond);
BENCHMARK(BenchReferenceMinimumTree)
    ->Name("ReferenceMinimumTree/400")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
