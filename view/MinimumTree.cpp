#include "view/MinimumTree.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "table/Capacities.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"

namespace {

struct Link {
    float length;
    short a, b;  // a > b: the lower triangle
};

// A link of 1000 or more is never found by the search for the shortest.
constexpr float kLongestLink = 1000.0f;

}  // namespace

// Links are taken shortest first; of equal lengths the one met first in the
// lower triangle row by row (smallest row, then smallest column), which is
// what rescanning the triangle for the shortest free link gives.
void MinimumTree(const DistanceMatrix& distances, int n, float limit, TreeLinks& tree, RunReport& report) {
    n = std::clamp(n, 0, MapRows(distances.n));
    tree.Clear(n);
    std::vector<Link> candidates;
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b < a; ++b) {
            const float d = distances.At(a, b);
            if (d <= limit && d < kLongestLink) candidates.push_back({d, static_cast<short>(a), static_cast<short>(b)});
        }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Link& x, const Link& y) { return x.length < y.length; });

    std::vector<int> label(static_cast<std::size_t>(n) + 1);
    for (int k = 1; k <= n; ++k) label[static_cast<std::size_t>(k)] = k;
    int joined = 0;
    for (std::size_t e = 0; e < candidates.size() && joined < n - 1; ++e) {
        const int i = candidates[e].a;
        const int j = candidates[e].b;
        const int li = label[static_cast<std::size_t>(i)], lj = label[static_cast<std::size_t>(j)];
        if (li == lj) continue;
        tree.Link(i, j);
        const int keep = std::min(li, lj);
        const int drop = std::max(li, lj);
        report.Line(Format("%d %d %.3f   %d", li, lj, static_cast<double>(candidates[e].length), keep));
        for (int& l : label)
            if (l == drop) l = keep;
        ++joined;
    }
}

std::string TreeSummary(const MapScene& scene) {
    const DistanceMatrix& d = scene.distances;
    const int n = std::min(MapRows(scene.map.n), d.n);
    const float limit = EdgeLimit(scene);
    float largest = 0, longest = 0;
    int links = 0, shown = 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            largest = std::max(largest, d.At(i, j));
            if (!scene.tree.Linked(i, j)) continue;
            ++links;
            longest = std::max(longest, std::max(d.At(i, j), d.At(j, i)));
            shown += scene.view.showEdges && d.At(i, j) < limit && d.At(j, i) < limit;
        }
    if (links == 0) return "Min. Tree: no link within the threshold";
    if (shown == links) return Format("Min. Tree: %d link%s, all shown", links, links == 1 ? "" : "s");
    // The least "edge lim", in hundredths, under which every link is shorter.
    const double factor = largest > 0 ? std::floor(100.0 * longest / largest) / 100 + 0.01 : 1.0;
    return Format("Min. Tree: %d link%s, %d shown: edge lim %.2f shows them all", links,
                  links == 1 ? "" : "s", shown, factor);
}
