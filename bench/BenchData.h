// Reproducible data for the benchmarks.
#pragma once

#include <fstream>
#include <random>
#include <string>

#include "text/Numbers.h"
#include "workspace/Workspace.h"

// n feature vectors of dim components in 0..1 with some group structure.
inline void BenchVectors(int n, int dim, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> noise(0, 0.3f);
    for (int i = 1; i <= n; ++i)
        for (int q = 1; q <= dim; ++q)
            ws.InputVectors[i][q] = ((i % 5) == (q % 5) ? 0.7f : 0.0f) + noise(gen);
}

// The same vectors times scale as a tab-separated input file.
inline void WriteBenchVectors(const std::string& path, int n, int dim, float scale = 1) {
    BenchVectors(n, dim);
    std::ofstream out(path);
    for (int i = 1; i <= n; ++i)
        for (int q = 1; q <= dim; ++q)
            out << Format("%.4f", static_cast<double>(ws.InputVectors[i][q] * scale))
                << (q < dim ? '\t' : '\n');
}

// A symmetric distance matrix normalised to 60 and a random map of m axes.
inline void BenchMap(int n, int m, unsigned seed = 1) {
    ws.Reset();
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> d(1, 60), x(0, 10);
    for (int i = 1; i <= n; ++i) {
        ws.DistMatrix[i][i] = 0;
        for (int j = 1; j < i; ++j) ws.DistMatrix[i][j] = ws.DistMatrix[j][i] = d(gen);
        for (int a = 1; a <= m; ++a) ws.MapCoords[i][a] = x(gen);
    }
    for (int a = 1; a <= 9; ++a) ws.AxisSize[a] = a <= m ? 20 : 1;
    ws.MaxDist = 1;
}
