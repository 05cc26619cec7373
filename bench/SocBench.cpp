// SOC training, headless (SocBenchTraining.h), for the default form (89
// vectors of 26, K = 20) and the largest (1000 of 64, K = 400), generated
// and on the real digits sample. The
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
        SocBench& b = SocBenchSetUp(n, dim, k);
        const float m = MeanStartError(b.prototypes, b.items, n, dim);
        state.ResumeTiming();
        SocBenchTrain(b, m);
    }
}

// The same on the real digits sample, 1000 vectors of 64, K = 400.
void BenchSocTrainingDigits(benchmark::State& state) {
    const int k = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SocBench& b = SocBenchSetUpDigits(1000, k);
        const float m = MeanStartError(b.prototypes, b.items, b.n, b.dim);
        state.ResumeTiming();
        SocBenchTrain(b, m);
    }
}

// The loop with the plain steps.
void BenchReferenceSocTraining(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), dim = static_cast<int>(state.range(1)),
              k = static_cast<int>(state.range(2));
    const int steps = k > 100 ? kSteps / 10 : kSteps;
    for (auto _ : state) {
        state.PauseTiming();
        SocBench& b = SocBenchSetUp(n, dim, k);
        const float m = MeanStartError(b.prototypes, b.items, n, dim);
        state.ResumeTiming();
        const auto distances = [&b] {
            PrototypeDistances(b.prototypes, b.dim, b.items.distanceUnit, kSocBenchMapSize, b.distances);
        };
        float smoothed = 0, rate = 0.05f;
        distances();
        Random random;
        random.SeedWith(5);
        for (int t = 1, counter = 0; t <= steps; ++t) {
            const int r = 1 + random.Below(n);
            // The bench vectors are complete: always a winner.
            const PrototypeMatch match = *NearestPrototype(b.prototypes, b.items, r, dim);
            const int w = match.prototype;
            const float err = match.error;
            if ((t <= kSteps / 20 && err < m) || (t > kSteps / 20 && err < 100 * m))
                UpdatePrototype(b.prototypes, w, b.items, r, rate, dim);
            smoothed = static_cast<float>(static_cast<double>(kAvgKeep) * smoothed +
                                          static_cast<double>(kAvgGain) * err);
            b.scores[static_cast<std::size_t>(w)] = SocWinScore(b.scores[static_cast<std::size_t>(w)]);
            rate = SocLearnRate(0.05f, smoothed);
            if (++counter == 200) {
                counter = 0;
                distances();
                ReferenceMdsStep(b.distances, b.map, dim, 2, 0.005f, 1.7f, 0.01f);
                ReferenceMdsStep(b.distances, b.map, dim, 2, 0.005f, 1.7f, 0.01f);
            }
        }
        distances();
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
BENCHMARK(BenchSocTrainingDigits)
    ->Name("SocTrainingDigits1000x64")
    ->Arg(400)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BenchReferenceSocTraining)
    ->Name("ReferenceSocTraining")
    ->Args({89, 26, 20})
    ->Args({1000, 64, 400})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
