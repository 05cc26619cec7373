#include "mrp/ClassAgreement.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>

#include "text/Numbers.h"
#include "workspace/Workspace.h"

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

std::string ClusterAgreementText(int n) {
    if (ws.ClassCount == 0) return {};
    n = MapRows(n);
    std::vector<int> clusters, classes;
    for (int i = 1; i <= n; ++i) {
        if (ws.ItemClass[i] == 0) continue;  // no class given: no pair to agree or disagree on
        const int mark = ws.ClusterOf[i];
        clusters.push_back(mark == -10000 ? 0 : std::abs(mark));
        classes.push_back(ws.ItemClass[i]);
    }
    return Format("clusters vs class: ARI %.2f", AdjustedRandIndex(clusters, classes));
}
