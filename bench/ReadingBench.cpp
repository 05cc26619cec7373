// Reading a table of 400 rows of 64 values and taking its distances, as an
// MRP-MDS run does before its clusters: the file's cost before the map's.
// Reading a table of 20,000 rows packed by gzip, xz (in one block, as
// pandas and R write it, and in eight, as `xz -T0` cuts a large file) and
// zstd against reading it plain (goal: at most 1.5 times).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "text/Numbers.h"

#include <chrono>
#include <utility>

#include "distances/Distances.h"
#include "support/Packed.h"
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

// Seconds to read the table in `path` whole.
double ReadSeconds(const std::string& path, int rows) {
    const auto start = std::chrono::steady_clock::now();
    ReadReport report;
    benchmark::DoNotOptimize(ReadVectors(path.c_str(), rows, ReadOptions{}, report).rows);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// 20,000 x 64 values at full precision, as pandas writes floats, plain
// and packed; each iteration reads each once, so that the ratios are of
// one run.
void ReadPacked20000x64(benchmark::State& state) {
    constexpr int kRows = 20000;
    std::mt19937 gen(5);
    std::normal_distribution<double> value(0, 3);
    std::string text;
    for (int r = 0; r < kRows; ++r)
        for (int k = 0; k < 64; ++k) text += Format("%.17g", value(gen)) + (k < 63 ? "," : "\n");
    const auto path = [](const char* name) { return (std::filesystem::temp_directory_path() / name).string(); };
    struct PackedFile {
        Packing packing;
        int members;  // gzip members, xz blocks
        std::string name, counter;
    };
    const PackedFile files[] = {{Packing::None, 1, path("itemmap-bench-plain.csv"), ""},
                                {Packing::Gzip, 1, path("itemmap-bench.csv.gz"), "gzip_vs_plain"},
                                {Packing::Xz, 1, path("itemmap-bench.csv.xz"), "xz_vs_plain"},
                                {Packing::Xz, 8, path("itemmap-bench-blocks.csv.xz"), "xz_blocks_vs_plain"},
                                {Packing::Zstd, 1, path("itemmap-bench.csv.zst"), "zstd_vs_plain"}};
    constexpr int kFiles = std::size(files);
    for (const PackedFile& file : files)
        std::ofstream(file.name, std::ios::binary)
            << (file.packing == Packing::None ? text : Packed(file.packing, text, file.members));
    double seconds[kFiles] = {};
    for (auto _ : state) {
        for (int f = 0; f < kFiles; ++f) seconds[f] += ReadSeconds(files[f].name, kRows);
        state.SetIterationTime(seconds[0]);
    }
    for (int f = 1; f < kFiles; ++f) state.counters[files[f].counter] = seconds[f] / seconds[0];
    for (const PackedFile& file : files) std::filesystem::remove(file.name);
}

}  // namespace

BENCHMARK(ReadAndDistances400x64)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadPacked20000x64)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
