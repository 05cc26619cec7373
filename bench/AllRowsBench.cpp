// Whole headless runs over every row of a large table, as the command line
// makes them (reading included), each in a process of its own so that its
// peak memory is its own: MRP-MDS over 100,000 rows of 64 components (goal:
// at most 10 s and 1 GB), and SOC with 400 prototypes on them against the
// same run on their first 1,000 (goal: at most twice its time); both runs
// over a table shaped like the letter-recognition data, 20,000 x 16.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "RunTiming.h"
#include "text/Numbers.h"

namespace {

// n rows of dim components around ten centres far apart, written at full
// precision as pandas writes floats, with a header.
void WriteGroupedRows(const std::string& path, int n, int dim) {
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> centre(-10, 10);
    std::normal_distribution<double> noise(0, 1);
    std::vector<std::vector<double>> centres(10, std::vector<double>(static_cast<std::size_t>(dim)));
    for (auto& c : centres)
        for (double& v : c) v = centre(gen);
    std::ofstream out(path);
    for (int q = 0; q < dim; ++q) out << Format("f%d", q) << (q + 1 < dim ? ',' : '\n');
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < dim; ++q)
            out << Format("%.17g", centres[static_cast<std::size_t>(i % 10)][static_cast<std::size_t>(q)] + noise(gen))
                << (q + 1 < dim ? ',' : '\n');
}

// n rows like the letter-recognition table: 16 whole features in 0..15
// around 26 centres, one a row in turn, with a header.
void WriteLetterRows(const std::string& path, int n) {
    constexpr int kFeatures = 16, kGroups = 26;
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> centre(2, 13);
    std::normal_distribution<double> noise(0, 1.5);
    std::vector<std::vector<double>> centres(kGroups, std::vector<double>(kFeatures));
    for (auto& c : centres)
        for (double& v : c) v = centre(gen);
    std::ofstream out(path);
    for (int q = 0; q < kFeatures; ++q) out << Format("f%d", q) << (q + 1 < kFeatures ? ',' : '\n');
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < kFeatures; ++q) {
            const double v = std::round(centres[static_cast<std::size_t>(i % kGroups)][static_cast<std::size_t>(q)] + noise(gen));
            out << Format("%.0f", std::clamp(v, 0.0, 15.0)) << (q + 1 < kFeatures ? ',' : '\n');
        }
}

struct ChildRun {
    double seconds;
    double peakMb;
};

// `itemmap ARGS...` in a child process: its time and its peak memory.
ChildRun InChild(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        RunItemmap(args);
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            static_cast<double>(usage.ru_maxrss) / 1024.0};
}

// In a folder of its own: the runs write their files beside it.
std::string TableFile(const char* name, int rows, void (*write)(const std::string&, int) = nullptr) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "itemmap-bench-rows";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / name).string();
    if (std::filesystem::exists(path)) return path;
    if (write)
        write(path, rows);
    else
        WriteGroupedRows(path, rows, 64);
    return path;
}

void AllRowsMrpMds(benchmark::State& state) {
    const std::string file = TableFile("itemmap-bench-100000x64.csv", 100000);
    for (auto _ : state) {
        const ChildRun run = InChild({"mrp-mds", file, "--all-rows", "--seed", "1"});
        state.SetIterationTime(run.seconds);
        state.counters["peak_mb"] = run.peakMb;  // goal: at most 1024
    }
}

void AllRowsSoc(benchmark::State& state) {
    const std::string all = TableFile("itemmap-bench-100000x64.csv", 100000),
                      first = TableFile("itemmap-bench-1000x64.csv", 1000);
    for (auto _ : state) {
        const ChildRun whole = InChild({"soc", all, "--all-rows", "--prototypes", "400", "--seed", "1"});
        const ChildRun small = InChild({"soc", first, "--prototypes", "400", "--seed", "1"});
        state.SetIterationTime(whole.seconds);
        state.counters["first_1000_ms"] = small.seconds * 1000;
        state.counters["ratio"] = whole.seconds / small.seconds;  // goal: at most 2
        state.counters["peak_mb"] = whole.peakMb;
    }
}

// Both over a table shaped like the letter-recognition data, 20,000 x 16.
void AllRowsLetters(benchmark::State& state) {
    const std::string file = TableFile("itemmap-bench-letters-20000x16.csv", 20000, WriteLetterRows);
    for (auto _ : state) {
        const ChildRun mrp = InChild({"mrp-mds", file, "--all-rows", "--seed", "1"});
        const ChildRun soc = InChild({"soc", file, "--all-rows", "--prototypes", "400", "--seed", "1"});
        state.SetIterationTime(mrp.seconds);
        state.counters["soc_ms"] = soc.seconds * 1000;
        state.counters["peak_mb"] = mrp.peakMb;
    }
}

}  // namespace

BENCHMARK(AllRowsMrpMds)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(AllRowsSoc)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(AllRowsLetters)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
