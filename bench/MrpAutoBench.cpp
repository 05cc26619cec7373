// "--mrp auto" on tables whose classes are known: the time the choice of
// the three MRP values takes, and beside it how well the clusters of the
// chosen values recover the classes (the adjusted Rand index, the items in
// no cluster as one group) and the share of the items they leave out. The
// classes take no part in the choice.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "distances/Distances.h"
#include "form/RunReport.h"
#include "mrp/ClassAgreement.h"
#include "mrp/Clustering.h"
#include "mrp/MrpFit.h"
#include "table/ColumnScale.h"
#include "table/TableReader.h"

namespace {

constexpr int kMaxClusters = 30;  // as an MRP-MDS run takes

struct KnownTable {
    DistanceMatrix d;
    std::vector<int> classes;  // of items 1..n
};

KnownTable DistancesOf(Table& items, const ColumnPlan& columns) {
    ScaleColumns(items, items.rows, items.width, ColumnScale::Z, columns);
    KnownTable t;
    BuildDistanceMatrix(items, items.rows, items.width, t.d);
    t.d.scale = 1;
    for (int i = 1; i <= items.rows; ++i) t.classes.push_back(items.ClassOf(i));
    return t;
}

KnownTable Sample(const char* file) {
    ReadReport report;
    Table items = ReadVectors((std::string(ITEMMAP_SAMPLES_DIR) + "/" + file).c_str(), 400, {}, report);
    return DistancesOf(items, report.columns);
}

// Five groups of 60 in 8 dimensions, each normal about a corner of its own,
// the corners 4 standard deviations apart, and 60 rows of noise over them.
KnownTable Generated() {
    constexpr int kGroups = 5, kSize = 60, kNoise = 60, kDim = 8;
    std::mt19937 random(3);
    std::normal_distribution<float> normal;
    std::uniform_real_distribution<float> across(-2, 6);
    Table items;
    items.Resize(kGroups * kSize + kNoise, kDim);
    KnownTable t;
    for (int i = 1; i <= items.rows; ++i) {
        const int group = i <= kGroups * kSize ? (i - 1) / kSize + 1 : 0;
        for (int q = 1; q <= kDim; ++q)
            items.Row(i)[q] = group == 0 ? across(random) : (q == group ? 4.0f : 0.0f) + normal(random);
        t.classes.push_back(group);
    }
    BuildDistanceMatrix(items, items.rows, kDim, t.d);
    t.d.scale = 1;
    return t;
}

void FittedMrp(benchmark::State& state, const KnownTable& t) {
    std::optional<MrpFit> fit;
    for (auto _ : state) fit = FitMrpValues(t.d, MeanDistance(t.d), kMaxClusters, [] { return true; });
    if (!fit) {
        state.SkipWithError("no MRP values fit");
        return;
    }
    const MrpValues& v = fit->chosen.values;
    SilentReport silent;
    const Clusters clusters =
        ClusterPrototypes(t.d, kMaxClusters, v.charDistance, v.noiseLimit, v.neighbourLimit, silent);
    std::vector<int> found;
    for (std::size_t i = 1; i < clusters.marks.size(); ++i) found.push_back(clusters.marks[i].CentreItem());
    const int n = static_cast<int>(found.size());
    state.counters["ARI"] = AdjustedRandIndex(found, t.classes);
    state.counters["in_none"] = static_cast<double>(fit->chosen.judged.itemsInNone) / n;
    state.counters["clusters"] = clusters.count;
    state.counters["items"] = n;
}

void Register(const char* name, KnownTable (*make)()) {
    benchmark::RegisterBenchmark(name, [make](benchmark::State& state) { FittedMrp(state, make()); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

const bool registered = [] {
    Register("MrpAuto/iris", [] { return Sample("iris-table.txt"); });
    Register("MrpAuto/wine", [] { return Sample("wine-178x13.csv"); });
    Register("MrpAuto/generated-5x60+60", Generated);
    return true;
}();

}  // namespace
