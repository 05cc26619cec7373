// Whole runs as the command line makes them. A headless MRP-MDS run of 400
// items of 64 components on 3 axes: the command line against the
// computation itself (the handler with a window that shows nothing), in one
// process, alternately, and with and without the map's settling. Whole SOC
// runs beside the training alone and that MRP-MDS run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
#include "RunTiming.h"
#include "SocBenchTraining.h"
#include "handlers/MrpMdsRun.h"
#include "support/NullForm.h"
#include "table/TableReader.h"

namespace {

// The computation: the form's fields and seed as the command line sets them.
class ComputationForm : public NullForm {
public:
    explicit ComputationForm(std::string file) : NullForm(/*shown=*/false), file_(std::move(file)) {}
    std::string EditText(EditId edit) override {
        switch (edit) {
            case Edit12:
                return "400";
            case Edit13:
                return "64";
            case Edit11:
                return "3";
            case Edit8:
                return "0.6";
            default:
                return DefaultEditText(edit);
        }
    }
    std::string ChooseFiles() override { return file_ + "\r\n"; }
    RunChoices Choices() override {
        RunChoices choices;
        choices.seed = 1;
        return choices;
    }

private:
    std::string file_;
};

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void RemoveRunFiles(const std::string& file) {
    for (const char* name : {"soc.dat", "weights.dat", "clusters.dat", "distances.dat"})
        std::filesystem::remove(std::filesystem::path(file).parent_path() / name);
    std::filesystem::remove(file);
}

void Computation(const std::string& file) {
    Session session;
    ComputationForm form(file);
    RunMrpMds(form, session);
}

void Headless(const std::string& file, bool settle = true) {
    std::vector<std::string> args = {"mrp-mds",   file, "--size",          "400", "--dim",  "64",
                                     "--map-dim", "3",  "--char-distance", "0.6", "--seed", "1"};
    if (!settle) args.push_back("--no-settle");
    RunItemmap(args);
}

// Times one run and then another, in turn: their mean times in ms as the
// counters first and second, and second / first as the ratio (goal: at most
// 1.10).
template <class First, class Second>
void InTurn(benchmark::State& state, const char* first, const First& runFirst, const char* second,
            const Second& runSecond) {
    double a = 0, b = 0;
    for (auto _ : state) {
        a += Seconds(runFirst);
        b += Seconds(runSecond);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters[first] = a / runs * 1000;
    state.counters[second] = b / runs * 1000;
    state.counters["ratio"] = b / a;
}

void HeadlessMrpMds400x64(benchmark::State& state) {
    const std::string file = TempPath("itemmap-bench-400x64.txt");
    WriteBenchVectors(file, 400, 64);
    InTurn(
        state, "computation_ms", [&] { Computation(file); }, "headless_ms", [&] { Headless(file); });
    RemoveRunFiles(file);
}

// The whole run with its 1,000 settling steps against the 20,001 steps alone.
void SettlingMrpMds400x64(benchmark::State& state) {
    const std::string file = TempPath("itemmap-bench-400x64.txt");
    WriteBenchVectors(file, 400, 64);
    InTurn(
        state, "unsettled_ms", [&] { Headless(file, false); }, "settled_ms", [&] { Headless(file); });
    RemoveRunFiles(file);
}

// A whole SOC run of n vectors of dim components with k prototypes as the
// command line makes it (set-up, 2,000,000 steps with their redraws and the
// fit of the prototype map, the three files), its time without the reading
// of the input (timed alone: read_ms), beside the training alone
// (SocTraining of itemmap_bench) and the MRP-MDS run above. The two runs
// take turns three times, and each counts at its fastest, the least
// disturbed: on a shared machine one slow run would move the ratio more
// than any change to the program.
void HeadlessSoc(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), dim = static_cast<int>(state.range(1)),
              k = static_cast<int>(state.range(2));
    const std::string file = TempPath("itemmap-bench-soc.txt"),
                      mrpFile = TempPath("itemmap-bench-400x64.txt");
    WriteBenchVectors(file, n, dim, 10);  // the run trains at the file's scale: as SocTraining
    WriteBenchVectors(mrpFile, 400, 64);
    double run = 0, reading = 0, training = 0, mrp = 0;
    for (auto _ : state) {
        double whole = 1e9, fastest = 1e9;
        for (int i = 0; i < 3; ++i) {
            whole = std::min(
                whole, Seconds([&] {
                    RunItemmap({"soc", file, "--size", std::to_string(n), "--dim", std::to_string(dim),
                                "--prototypes", std::to_string(k), "--seed", "1"});
                }));
            fastest = std::min(fastest, Seconds([&] { Headless(mrpFile); }));
        }
        const double read = Seconds([&] {
            ReadReport report;
            benchmark::DoNotOptimize(ReadVectors(file.c_str(), n, ReadOptions{}, report));
        });
        state.SetIterationTime(whole - read);
        run += whole;
        reading += read;
        SocBench& b = SocBenchSetUp(n, dim, k);
        const float m = MeanStartError(b.prototypes, b.items, n, dim);
        training += Seconds([&] { SocBenchTrain(b, m); });
        mrp += fastest;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["read_ms"] = reading / runs * 1000;
    state.counters["training_ms"] = training / runs * 1000;
    state.counters["mrp_ms"] = mrp / runs * 1000;
    state.counters["vs_mrp"] = run / mrp;  // goal for 1000 x 64, K = 400: at most 9
    RemoveRunFiles(file);
    RemoveRunFiles(mrpFile);
}

// The same comparison on the real digits sample: the SOC run of its 1000
// rows with 400 prototypes against the MRP-MDS run of its first 400 on 3
// axes, both with seed 1 and the form's other defaults (copies in the temp
// folder, so that the result files land there).
void HeadlessSocDigits(benchmark::State& state) {
    const std::string soc = TempPath("itemmap-bench-digits-1000x64.txt"),
                      mrp = TempPath("itemmap-bench-digits-400x64.txt");
    std::filesystem::copy_file(DigitsSample(1000), soc, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(DigitsSample(400), mrp, std::filesystem::copy_options::overwrite_existing);
    double run = 0, mrpRun = 0;
    for (auto _ : state) {
        double whole = 1e9, fastest = 1e9;
        for (int i = 0; i < 3; ++i) {
            whole = std::min(whole, Seconds([&] { RunItemmap({"soc", soc, "--prototypes", "400", "--seed", "1"}); }));
            fastest = std::min(fastest,
                               Seconds([&] { RunItemmap({"mrp-mds", mrp, "--map-dim", "3", "--seed", "1"}); }));
        }
        state.SetIterationTime(whole);
        run += whole;
        mrpRun += fastest;
    }
    state.counters["mrp_ms"] = mrpRun / static_cast<double>(state.iterations()) * 1000;
    state.counters["vs_mrp"] = run / mrpRun;  // goal: at most 9
    RemoveRunFiles(soc);
    RemoveRunFiles(mrp);
}

}  // namespace

BENCHMARK(HeadlessMrpMds400x64)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SettlingMrpMds400x64)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(HeadlessSoc)
    ->Args({89, 26, 20})
    ->Args({1000, 64, 100})
    ->Args({1000, 64, 400})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(HeadlessSocDigits)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK_MAIN();
