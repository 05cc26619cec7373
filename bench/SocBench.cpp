// SOC training, headless: 2,000,000 counted steps with the prototype
// distances and two steps of the prototype map every 200, for the default
// form (89 vectors of 26, K = 20) and the largest (1000 of 64, K = 400).
// The literal loop uses the plain steps; for the largest it runs a tenth of
// the steps and its time is shown ten times over.
#include "BenchData.h"
#include "RatioReporter.h"
#include "literal/LiteralSteps.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "workspace/Distances.h"

namespace {

constexpr int kSteps = 2000000;

void SetUp(int n, int dim, int k) {
    ws.Reset();
    ws.VectorCount = n;
    ws.VectorDim = dim;
    ws.ItemCount = k;
    ws.AxisSize[1] = ws.AxisSize[2] = 25;
    ws.MapEnlargement = 3;
    ws.AvgKeep = 0.999f;
    ws.AvgGain = 0.001f;
    BenchVectors(n, dim);
    for (int i = 1; i <= n; ++i)
        for (int q = 1; q <= dim; ++q) ws.InputVectors[i][q] *= 10;
    SeedRandomWith(3);
    for (int p = 1; p <= k; ++p)
        for (int q = 1; q <= dim; ++q) {
            ws.Prototypes[p][1][q] = ws.InputVectors[1 + RandomBelow(n)][q];
            ws.Prototypes[p][2][q] = 1;
        }
    for (int i = 1; i <= 400; ++i)
        for (int a = 1; a <= 2; ++a) ws.MapCoords[i][a] = static_cast<float>(RandomBelow(25) * 0.5);
}

float MeanStartError(int n) {
    float sum = 0;
    for (int i = 1; i <= n; ++i) sum += MatchItem(i);
    return sum / static_cast<float>(n);
}

void BenchSocTraining(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), dim = static_cast<int>(state.range(1)),
              k = static_cast<int>(state.range(2));
    for (auto _ : state) {
        state.PauseTiming();
        SetUp(n, dim, k);
        const float m = MeanStartError(n);
        static SocTraining training;
        state.ResumeTiming();
        training.Begin(k, dim, 0.05f, m, kSteps);
        SeedRandomWith(5);
        for (int t = 1; t <= kSteps; ++t) {
            training.Learn(t, 1 + RandomBelow(n));
            training.FitMap();
        }
        training.Distances();
    }
}

// The loop with the plain steps, as written down.
void BenchLiteralSocTraining(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), dim = static_cast<int>(state.range(1)),
              k = static_cast<int>(state.range(2));
    const int steps = k > 100 ? kSteps / 10 : kSteps;
    for (auto _ : state) {
        state.PauseTiming();
        SetUp(n, dim, k);
        const float m = MeanStartError(n);
        state.ResumeTiming();
        float smoothed = 0;
        ws.LearnRate = 0.05f;
        PrototypeDistances();
        SeedRandomWith(5);
        for (int t = 1, counter = 0; t <= steps; ++t) {
            const int r = 1 + RandomBelow(n);
            const float err = MatchItem(r);
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
                LiteralMdsStep(k, dim, 2, 0.005f, 1.7f, 0.01f);
                LiteralMdsStep(k, dim, 2, 0.005f, 1.7f, 0.01f);
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
BENCHMARK(BenchLiteralSocTraining)
    ->Name("LiteralSocTraining")
    ->Args({89, 26, 20})
    ->Args({1000, 64, 400})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
