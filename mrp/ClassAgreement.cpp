#include "mrp/ClassAgreement.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>

#include "text/Numbers.h"

namespace {

double Pairs(double n) {
    return n * (n - 1) / 2;
}

}  // namespace

double AdjustedRandIndex(const std::vector<int>& a, const std::vector<int>& b) {
    std::map<std::pair<int, int>, int> both;
    std::map<int, int> ofA, ofB;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        ++both[{a[i], b[i]}];
        ++ofA[a[i]];
        ++ofB[b[i]];
    }
    double index = 0, rowsA = 0, rowsB = 0;
    for (const auto& [key, count] : both) index += Pairs(count);
    for (const auto& [key, count] : ofA) rowsA += Pairs(count);
    for (const auto& [key, count] : ofB) rowsB += Pairs(count);
    const double expected = n > 1 ? rowsA * rowsB / Pairs(static_cast<double>(n)) : 0;
    const double most = (rowsA + rowsB) / 2;
    if (most == expected) return 1.0;  // both groupings trivial alike: nothing to tell apart
    return (index - expected) / (most - expected);
}

namespace {

// Two decimals, and never "-0.00": an index that small is 0.
std::string TwoDecimals(double v) {
    const std::string text = Format("%.2f", v);
    return text == "-0.00" ? "0.00" : text;
}

}  // namespace

std::string ClusterAgreementText(const Clusters& marks, const Table& items) {
    if (!items.HasClasses()) return {};
    const int n = static_cast<int>(marks.marks.size()) - 1;
    std::vector<int> clusters, classes;           // the items with a class
    std::vector<int> inClusters, clusterClasses;  // those of them in a cluster
    for (int i = 1; i <= n; ++i) {
        const int cls = items.ClassOf(i);
        if (cls == 0) continue;  // no class given: no pair to agree or disagree on
        const int cluster = marks.marks[static_cast<std::size_t>(i)].CentreItem();
        clusters.push_back(cluster);
        classes.push_back(cls);
        if (cluster == 0) continue;
        inClusters.push_back(cluster);
        clusterClasses.push_back(cls);
    }
    // No cluster, or one class: nothing to agree on.
    if (inClusters.empty() ||
        std::adjacent_find(classes.begin(), classes.end(), std::not_equal_to<>()) == classes.end())
        return {};
    std::string text = "clusters vs class: ARI " + TwoDecimals(AdjustedRandIndex(clusters, classes));
    // The index above takes the items in no cluster for one group.
    if (const std::size_t none = clusters.size() - inClusters.size(); none > 0)
        text += Format(" (%zu of %zu items in no cluster; ARI %s over the %zu in clusters)", none,
                       clusters.size(), TwoDecimals(AdjustedRandIndex(inClusters, clusterClasses)).c_str(),
                       inClusters.size());
    return text;
}
