// SOC training without the window, as the run makes it: n vectors of dim
// components (BenchVectors at ten times their scale, as the run trains
// them), k prototypes drawn from them with unit weights, and 2,000,000
// counted steps with the prototype distances and two steps of the
// prototype map every 200.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "BenchData.h"
#include "soc/Prototypes.h"
#include "soc/SocMatcher.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "soc/TrainingScale.h"
#include "session/Random.h"

inline constexpr int kSocBenchSteps = 2000000;
inline constexpr double kSocBenchMapSize = 25 * 3;  // the map's extent times "map enlarge."

// What the training works on.
struct SocBench {
    int n = 0, dim = 0, k = 0;
    Table items;
    Prototypes prototypes;
    DistanceMatrix distances;
    MapLayout map;
    std::vector<float> scores;
};

// The same over a table of n rows as given, trained at its own scale (as
// the run trains a table whose first row sums to more than 2).
inline SocBench& SocBenchSetUpOn(Table items, int n, int dim, int k) {
    static SocBench b;
    b = SocBench{n, dim, k, std::move(items), {}, {}, {}, {}};
    b.scores.assign(static_cast<std::size_t>(std::max(n, k)) + 1, 0.0f);
    Random random;
    random.SeedWith(3);
    b.prototypes.Resize(k, dim);
    for (int p = 1; p <= k; ++p)
        for (int q = 1; q <= dim; ++q) {
            b.prototypes.Vector(p)[q] = b.items.Row(1 + random.Below(n))[q];
            b.prototypes.Weights(p)[q] = 1;
        }
    for (int a = 1; a <= 9; ++a) b.map.axisSize[a] = a <= 2 ? 25 : 1;
    b.map.Resize(400);
    for (int i = 1; i <= 400; ++i)
        for (int a = 1; a <= 2; ++a) b.map.Point(i)[a] = static_cast<float>(random.Below(25) * 0.5);
    b.map.KeepPoints(k);
    return b;
}

inline SocBench& SocBenchSetUp(int n, int dim, int k) {
    Table items = BenchVectors(n, dim);
    items.MultiplyBy(kTenfold);
    return SocBenchSetUpOn(std::move(items), n, dim, k);
}

// The digits sample (n = 1000 or 400 rows of 64).
inline SocBench& SocBenchSetUpDigits(int n, int k) { return SocBenchSetUpOn(DigitsTable(n), n, 64, k); }

// The training of what SocBenchSetUp set up.
inline void SocBenchTrain(SocBench& b, float meanStartError) {
    static SocTraining training;
    training.Begin(b.prototypes, b.items, b.dim, b.distances, kSocBenchMapSize, b.scores, 0.05f,
                   meanStartError, kSocBenchSteps);
    Random random;
    random.SeedWith(5);
    for (int t = 1; t <= kSocBenchSteps; ++t) {
        training.Learn(t, 1 + random.Below(b.n));
        training.FitMap(b.map);
    }
    training.Distances();
}
