// Reading a table of 400 rows of 64 values and taking its distances, as an
// MRP-MDS run does before its clusters: the file's cost before the map's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "distances/Distances.h"
#include "table/TableReader.h"

namespace {

std::string WriteTable(int rows, int dim) {
    const std::string path = (std::filesystem::temp_directory_path() / "itemmap-bench-400x64.txt").string();
    std::ofstream out(path, std::ios::binary);
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> value(0, 10);
    char field[32];
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < dim; ++k) {
            std::snprintf(field, sizeof field, k ? "\t%.6f" : "%.6f", value(gen));
            out << field;
        }
        out << '\n';
    }
    return path;
}

void ReadAndDistances400x64(benchmark::State& state) {
    const std::string path = WriteTable(400, 64);
    DistanceMatrix distances;
    for (auto _ : state) {
        ReadReport report;
        const Table items = ReadVectors(path.c_str(), 400, ReadOptions{}, report);
        BuildDistanceMatrix(items, 400, items.width, distances);
        benchmark::DoNotOptimize(MeanDistance(distances));
    }
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(ReadAndDistances400x64)->Unit(benchmark::kMillisecond);
