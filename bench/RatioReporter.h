// Console output of Google Benchmark plus, at the end, the ratio of every
// "Reference..." benchmark to the fast one of the same name and arguments.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) {
                // A reference run over a part of the work says by how much to scale it.
                const auto scale = r.counters.find("scale");
                times_[r.benchmark_name()] =
                    r.GetAdjustedRealTime() * (scale == r.counters.end() ? 1.0 : scale->second.value);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-36s %14s %14s %9s   (times in each benchmark's unit)\n", "benchmark", "reference",
                    "fast", "ratio");
        const std::string prefix = "Reference";
        for (const auto& [name, reference] : times_) {
            if (name.rfind(prefix, 0) != 0) continue;
            const auto fast = times_.find(name.substr(prefix.size()));
            if (fast == times_.end()) continue;
            std::printf("%-36s %14.1f %14.1f %8.1fx\n", fast->first.c_str(), reference, fast->second,
                        reference / fast->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

#define RATIO_BENCHMARK_MAIN()                        \
    int main(int argc, char** argv) {                 \
        benchmark::Initialize(&argc, argv);           \
        RatioReporter reporter;                       \
        benchmark::RunSpecifiedBenchmarks(&reporter); \
        benchmark::Shutdown();                        \
        return 0;                                     \
    }
