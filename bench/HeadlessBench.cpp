// A headless MRP-MDS run of 400 items of 64 components on 3 axes: the
// command line against the computation itself (the handler with a window
// that shows nothing), in one process, alternately; and the same run with
// and without the map's settling.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchData.h"
#include "cli/CommandLine.h"
#include "handlers/MrpMdsRun.h"
#include "support/NullForm.h"
#include "workspace/Distances.h"
#include "workspace/Numbers.h"

namespace {

// The computation: the form's fields as the command line sets them.
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
    std::string ChooseFiles(const std::string&) override { return file_ + "\r\n"; }

private:
    std::string file_;
};

double Seconds(void (*run)(const std::string&), const std::string& file) {
    const auto start = std::chrono::steady_clock::now();
    run(file);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Computation(const std::string& file) {
    ws.Reset();
    FixRandomSeed(1);
    ComputationForm form(file);
    Button2Click(form);
    FixRandomSeed(std::nullopt);
}

void Run(const std::string& file, bool settle) {
    std::string args[] = {"itemmap", "mrp-mds", file,        "--size",     "400",
                          "--dim",   "64",      "--map-dim", "3",          "--char-distance",
                          "0.6",     "--seed",  "1",         "--no-settle"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    if (settle) argv.pop_back();
    std::FILE* null = std::fopen("/dev/null", "w");
    ws.Reset();
    RunCommandLine(static_cast<int>(argv.size()), argv.data(), null, null);
    std::fclose(null);
}

void Headless(const std::string& file) {
    Run(file, true);
}

void Unsettled(const std::string& file) {
    Run(file, false);
}

// The input file, written from the bench's vectors.
std::string InputFile() {
    const std::string file = (std::filesystem::temp_directory_path() / "itemmap-bench-400x64.txt").string();
    BenchVectors(400, 64);
    std::ofstream out(file);
    for (int i = 1; i <= 400; ++i)
        for (int q = 1; q <= 64; ++q)
            out << Format("%.4f", static_cast<double>(ws.InputVectors[i][q])) << (q < 64 ? '\t' : '\n');
    return file;
}

void RemoveFiles(const std::string& file) {
    for (const char* name : {"soc.dat", "weights.dat", "clusters.dat", "distances.dat"})
        std::filesystem::remove(std::filesystem::path(file).parent_path() / name);
    std::filesystem::remove(file);
}

void HeadlessMrpMds400x64(benchmark::State& state) {
    const std::string file = InputFile();
    double computation = 0, headless = 0;
    for (auto _ : state) {
        computation += Seconds(Computation, file);
        headless += Seconds(Headless, file);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["computation_ms"] = computation / runs * 1000;
    state.counters["headless_ms"] = headless / runs * 1000;
    state.counters["ratio"] = headless / computation;  // goal: at most 1.10
    RemoveFiles(file);
}

// The whole run with its 1,000 settling steps against the 20,001 steps alone.
void SettlingMrpMds400x64(benchmark::State& state) {
    const std::string file = InputFile();
    double settled = 0, unsettled = 0;
    for (auto _ : state) {
        unsettled += Seconds(Unsettled, file);
        settled += Seconds(Headless, file);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["settled_ms"] = settled / runs * 1000;
    state.counters["unsettled_ms"] = unsettled / runs * 1000;
    state.counters["ratio"] = settled / unsettled;  // goal: at most 1.10
    RemoveFiles(file);
}

}  // namespace

BENCHMARK(HeadlessMrpMds400x64)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SettlingMrpMds400x64)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
