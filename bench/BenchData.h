// Reproducible data for the benchmarks.
#pragma once

#include <fstream>
#include <random>
#include <string>

#include "distances/DistanceMatrix.h"
#include "mds/MapLayout.h"
#include "table/Table.h"
#include "table/TableReader.h"
#include "text/Numbers.h"

// n feature vectors of dim components in 0..1 with some group structure.
inline Table BenchVectors(int n, int dim, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> noise(0, 0.3f);
    Table items;
    items.Resize(n, dim);
    for (int i = 1; i <= n; ++i)
        for (int q = 1; q <= dim; ++q) items.Row(i)[q] = ((i % 5) == (q % 5) ? 0.7f : 0.0f) + noise(gen);
    return items;
}

// The same vectors times scale as a tab-separated input file.
inline void WriteBenchVectors(const std::string& path, int n, int dim, float scale = 1) {
    const Table items = BenchVectors(n, dim);
    std::ofstream out(path);
    for (int i = 1; i <= n; ++i)
        for (int q = 1; q <= dim; ++q)
            out << Format("%.4f", static_cast<double>(items.Row(i)[q] * scale)) << (q < dim ? '\t' : '\n');
}

// A real table shipped in samples/: the handwritten digits, 1000 or 400
// rows of 64 pixel counts (0..16).
inline std::string DigitsSample(int rows) {
    return std::string(ITEMMAP_SAMPLES_DIR) + (rows == 400 ? "/digits-400x64.txt" : "/digits-1000x64.txt");
}
inline Table DigitsTable(int rows) {
    ReadReport report;
    return ReadVectors(DigitsSample(rows).c_str(), rows, ReadOptions{}, report);
}

// A symmetric distance matrix normalised to 60 and a random map of m axes.
struct BenchMapData {
    DistanceMatrix distances;
    MapLayout map;
};

inline BenchMapData BenchMap(int n, int m, unsigned seed = 1) {
    BenchMapData b;
    b.distances.Resize(n);
    b.map.Resize(n);
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> d(1, 60), x(0, 10);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) b.distances.Row(i)[j] = b.distances.Row(j)[i] = d(gen);
        for (int a = 1; a <= m; ++a) b.map.Point(i)[a] = x(gen);
    }
    for (int a = 1; a <= 9; ++a) b.map.axisSize[a] = a <= m ? 20 : 1;
    b.distances.largest = 1;
    return b;
}
