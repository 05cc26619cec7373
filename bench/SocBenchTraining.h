// SOC training without the window, as the run makes it: n vectors of dim
// components (BenchVectors at ten times their scale, as the run trains
// them), k prototypes drawn from them with unit weights, and 2,000,000
// counted steps with the prototype distances and two steps of the
// prototype map every 200.
#pragma once

#include "BenchData.h"
#include "soc/SocSteps.h"
#include "soc/SocTrainer.h"
#include "workspace/Random.h"

inline constexpr int kSocBenchSteps = 2000000;

inline void SocBenchWorkspace(int n, int dim, int k) {
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

// The training of a workspace that SocBenchWorkspace set up.
inline void SocBenchTrain(int n, int dim, int k, float meanStartError) {
    static SocTraining training;
    training.Begin(k, dim, 0.05f, meanStartError, kSocBenchSteps);
    SeedRandomWith(5);
    for (int t = 1; t <= kSocBenchSteps; ++t) {
        training.Learn(t, 1 + RandomBelow(n));
        training.FitMap();
    }
    training.Distances();
}
