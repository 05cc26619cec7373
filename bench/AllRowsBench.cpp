// Whole headless runs over every row of a large table, as the command line
// makes them (reading included), each in a process of its own so that its
// peak memory is its own: MRP-MDS over 100,000 rows of 64 components (goal:
// at most 10 s and 1 GB; with the neighbours map at most 20 s and 1 GB),
// and SOC with 400 prototypes on them against the same run on their first
// 1,000 (goal: at most twice its time); both runs over a table shaped like
// the letter-recognition data, 20,000 x 16. And how well each map keeps
// the rows' neighbours, the neighbours map beside the map of the
// distances, on the real digits and on those 100,000 rows.
#include <benchmark/benchmark.h>
#include <sched.h>
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

#include "BenchData.h"
#include "RunTiming.h"
#include "distances/Distances.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/RowPlacement.h"
#include "handlers/RunControl.h"
#include "table/TableReader.h"
#include "support/NullForm.h"
#include "text/Numbers.h"

namespace {

// n rows of dim components around ten centres far apart, written at full
// precision as pandas writes floats (or with the digits asked for), with a
// header.
void WriteGroupedRows(const std::string& path, int n, int dim, const char* format = "%.17g") {
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
            out << Format(format, centres[static_cast<std::size_t>(i % 10)][static_cast<std::size_t>(q)] + noise(gen))
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
std::string InBenchFolder(const char* name) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "itemmap-bench-rows";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

std::string TableFile(const char* name, int rows, void (*write)(const std::string&, int) = nullptr) {
    const std::string path = InBenchFolder(name);
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

// 1,000,000 x 64 at four decimals (some 450 MB of text): read, mapped and
// placed, and SOC on them against its run on their first 1,000.
void WriteMillionRows(const std::string& path, int rows) { WriteGroupedRows(path, rows, 64, "%.4f"); }

void AllRowsMillion(benchmark::State& state) {
    const std::string file = TableFile("itemmap-bench-1000000x64.csv", 1000000, WriteMillionRows),
                      first = TableFile("itemmap-bench-1000x64.csv", 1000);
    for (auto _ : state) {
        const ChildRun mrp = InChild({"mrp-mds", file, "--all-rows", "--seed", "1"});
        const ChildRun soc = InChild({"soc", file, "--all-rows", "--prototypes", "400", "--seed", "1"});
        const ChildRun small = InChild({"soc", first, "--prototypes", "400", "--seed", "1"});
        state.SetIterationTime(mrp.seconds);
        state.counters["peak_mb"] = mrp.peakMb;  // goal: at most 1536, in at most 15 s
        state.counters["soc_s"] = soc.seconds;
        state.counters["soc_ratio"] = soc.seconds / small.seconds;  // goal: at most 2
        state.counters["soc_peak_mb"] = soc.peakMb;
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

void AllRowsNeighboursMap(benchmark::State& state) {
    const std::string file = TableFile("itemmap-bench-100000x64.csv", 100000);
    for (auto _ : state) {
        const ChildRun run = InChild({"mrp-mds", file, "--all-rows", "--map", "neighbours", "--seed", "1"});
        state.SetIterationTime(run.seconds);
        state.counters["peak_mb"] = run.peakMb;  // goal: at most 1024, in at most 20 s
    }
}

// An all-rows run of `dim` components in this process, with the map asked for.
class AllRowsForm : public NullForm {
public:
    AllRowsForm(std::string file, int dim, MapMethod map) : NullForm(false), file_(std::move(file)), dim_(dim), map_(map) {}
    std::string EditText(EditId edit) override { return edit == Edit13 ? std::to_string(dim_) : DefaultEditText(edit); }
    std::string ChooseFiles() override { return file_ + "\r\n"; }
    RunChoices Choices() override {
        RunChoices choices;
        choices.seed = 1;
        choices.allRows = true;
        choices.map = map_;
        return choices;
    }

private:
    std::string file_;
    int dim_;
    MapMethod map_;
};

// Over 200 rows drawn, each against every row: the share of its 10 nearest
// that are its 10 nearest on the map, and the map's trustworthiness at 10
// (1 when no row nearer on the map than its 10th is farther in the data).
std::pair<double, double> NeighboursKept(const Session& s) {
    constexpr int k = 10, drawn = 200;
    const int n = s.map.n;
    std::mt19937 random(1);
    double kept = 0, intruding = 0;
    std::vector<std::pair<float, int>> byData(static_cast<std::size_t>(n)), onMap(byData);
    std::vector<int> rank(static_cast<std::size_t>(n));
    for (int d = 0; d < drawn; ++d) {
        const int i = 1 + static_cast<int>(random() % static_cast<unsigned>(n));
        for (int j = 1; j <= n; ++j) {
            const float data = j == i ? -1 : VectorDistance(s.table.Row(i), s.table.Row(j), s.VectorDim, s.table.distanceUnit);
            const float dx = s.map.Point(i)[1] - s.map.Point(j)[1], dy = s.map.Point(i)[2] - s.map.Point(j)[2];
            byData[static_cast<std::size_t>(j - 1)] = {std::isnan(data) ? INFINITY : data, j};
            onMap[static_cast<std::size_t>(j - 1)] = {j == i ? -1 : dx * dx + dy * dy, j};
        }
        std::sort(byData.begin(), byData.end());
        std::partial_sort(onMap.begin(), onMap.begin() + k + 1, onMap.end());
        for (int r = 0; r < n; ++r) rank[static_cast<std::size_t>(byData[static_cast<std::size_t>(r)].second - 1)] = r;
        for (int e = 1; e <= k; ++e) {
            const int r = rank[static_cast<std::size_t>(onMap[static_cast<std::size_t>(e)].second - 1)];
            kept += r <= k ? 1 : 0;
            intruding += std::max(0, r - k);
        }
    }
    const double trust = 1 - 2.0 / (k * (2.0 * n - 3 * k - 1)) * intruding / drawn;
    return {kept / (k * drawn), trust};
}

// Both maps of the table's rows: the time of each run, the neighbours kept
// as the status line gives them (5 nearest) and as above (10).
void BothMaps(benchmark::State& state, const std::string& file, int dim) {
    for (auto _ : state) {
        for (const MapMethod map : {MapMethod::Distances, MapMethod::Neighbours}) {
            AllRowsForm form(file, dim, map);
            Session session;
            const double seconds = Seconds([&] { RunMrpMds(form, session); });
            const auto [kept, trust] = NeighboursKept(session);
            const std::string of = map == MapMethod::Neighbours ? "neighbours_" : "distances_";
            if (map == MapMethod::Neighbours) state.SetIterationTime(seconds);
            state.counters[of + "s"] = seconds;
            state.counters[of + "kept5"] = session.landmarks.fit.neighboursKept;
            state.counters[of + "kept10"] = kept;
            state.counters[of + "trust10"] = trust;
        }
    }
}

void NeighboursMapDigits(benchmark::State& state) {
    const std::string file = InBenchFolder("itemmap-bench-digits-1000x64.txt");
    std::filesystem::copy_file(DigitsSample(1000), file, std::filesystem::copy_options::overwrite_existing);
    BothMaps(state, file, 64);
}

void NeighboursMap100000x64(benchmark::State& state) {
    BothMaps(state, TableFile("itemmap-bench-100000x64.csv", 100000), 64);
}

// Seconds to place the table's rows on the map of its own run, on the
// cores given (the threads the placement starts keep the caller's cores).
double PlacingSeconds(const Session& mapped, const Table& rows, int cores) {
    cpu_set_t all, some;
    sched_getaffinity(0, sizeof all, &all);
    CPU_ZERO(&some);
    for (int c = 0, taken = 0; c < CPU_SETSIZE && taken < cores; ++c)
        if (CPU_ISSET(c, &all)) CPU_SET(c, &some), ++taken;
    sched_setaffinity(0, sizeof some, &some);
    NullForm form(false);
    const StopCheck stop(form, mapped);
    const double seconds = Seconds([&] { benchmark::DoNotOptimize(PlaceOnSavedMap(form, mapped.basis, rows, stop).done); });
    sched_setaffinity(0, sizeof all, &all);
    return seconds;
}

// The rows of 100,000 x 64 placed on the map of their own run, as `place`
// places a new file's: rows a second on one core and on two.
void PlacingRows100000x64(benchmark::State& state) {
    const std::string file = TableFile("itemmap-bench-100000x64.csv", 100000);
    AllRowsForm form(file, 64, MapMethod::Distances);
    Session mapped;
    RunMrpMds(form, mapped);
    ReadReport report;
    const Table rows = ReadVectors(file.c_str(), 100000, ReadOptions{}, report);
    for (auto _ : state) {
        const double one = PlacingSeconds(mapped, rows, 1), two = PlacingSeconds(mapped, rows, 2);
        state.SetIterationTime(two);
        state.counters["rows_per_s_1_core"] = rows.rows / one;
        state.counters["rows_per_s_2_cores"] = rows.rows / two;
        state.counters["cores_gain"] = one / two;
    }
}

}  // namespace

BENCHMARK(PlacingRows100000x64)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(AllRowsNeighboursMap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(NeighboursMapDigits)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(NeighboursMap100000x64)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(AllRowsMrpMds)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(AllRowsSoc)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(AllRowsMillion)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(AllRowsLetters)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
