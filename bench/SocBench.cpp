// SOC training, headless (SocBenchTraining.h), for the default form (89
// vectors of 26, K = 20) and the largest (1000 of 64, K = 400). The
// reference loop uses the plain steps; for the largest it runs a tenth of the
// steps and its time is shown ten times over.
#include "RatioReporter.h"
#include "SocBenchTraining.h"
#include "reference/ReferenceSteps.h"

namespace {

constexpr int kSteps = kSocBenchSteps;

void BenchSocTraining(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), dim = static_cast<int>(state.range(1)),
              k = static_cast<int>(state.range(2));
    for (auto _ : state) {
        state.PauseTiming();
        SocBenchWorkspace(n, dim, k);
        const float m = MeanStartError(n);
        state.ResumeTiming();
        SocBenchTrain(n, dim, k, m);
    }
}

// The loop with the plain steps.
void BenchReferenceSocTraining(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), dim = static_cast<int>(state.range(1)),
              k = static_cast<int>(state.range(2));
    const int steps = k > 100 ? kSteps / 10 : kSteps;
    for (auto _ : state) {
        state.PauseTiming();
        SocBenchWorkspace(n, dim, k);
        const float m = MeanStartError(n);
        state.ResumeTiming();
        float smoothed = 0;
        ws.LearnRate = 0.05f;
        PrototypeDistances();
        SeedRandomWith(5);
        for (int t = 1, counter = 0; t <= steps; ++t) {
            const int r = 1 + RandomBelow(n);
            const float err = *MatchItem(r);  // the bench vectors are complete: always a winner
            const int w = ws.WinnerIndex;
            if ((t <= kSteps / 20 && err < m) || (t > kSteps / 20 && err < 100 * m))
                UpdatePrototype(w, r, ws.LearnRate);
            smoothed = static_cast<float>(static_cast<double>(ws.AvgKeep) * smoothed +
                                          static_cast<double>(ws.AvgGain) * err);
            ws.ItemScore[w] = SocWinScore(ws.ItemScore[w]);
            ws.LearnRate = SocLearnRate(0.05f, smoothed);
            if (++counter == 200) {
                counter = 0;
                PrototypeDistances();
                ReferenceMdsStep(k, dim, 2, 0.005f, 1.7f, 0.01f);
                ReferenceMdsStep(k, dim, 2, 0.005f, 1.7f, 0.01f);
            }
        }
        PrototypeDistances();
    }
    state.counters["scale"] = static_cast<double>(kSteps) / steps;  // the ratio table scales by it
}

}  // namespace

BENCHMARK(BenchSocTraining)
    ->Name("SocTraining")
    ->Args({89, 26, 20})
    ->Args({1000, 64, 400})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BenchReferenceSocTraining)
    ->Name("ReferenceSocTraining")
    ->Args({89, 26, 20})
    ->Args({1000, 64, 400})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
