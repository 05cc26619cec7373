#include "handlers/MinimumTree.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "workspace/Workspace.h"

namespace {

struct Link {
    float length;
    short a, b;  // a > b: the lower triangle
};

// The candidate links: every pair of 400 items at most.
std::array<Link, kMaxMapItems*(kMaxMapItems - 1) / 2> candidates;

}  // namespace

// Links are taken shortest first; of equal lengths the one met first in the
// lower triangle row by row (smallest row, then smallest column), which is
// what rescanning the triangle for the shortest free link gives.
void MinimumTree(Form& form, int n, float limit) {
    n = MapRows(n);
    std::size_t count = 0;
    for (int a = 1; a <= n; ++a) {
        std::fill(ws.TreeLinks[a] + 1, ws.TreeLinks[a] + n + 1, 0);
        for (int b = 1; b < a; ++b) {
            const float d = ws.DistMatrix[a][b];
            // A link of 1000 or more is never found by the search.
            if (d <= limit && d < 1000.0f)
                candidates[count++] = {d, static_cast<short>(a), static_cast<short>(b)};
        }
    }
    std::stable_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(count),
                     [](const Link& x, const Link& y) { return x.length < y.length; });

    int label[kMaxMapItems + 1];
    for (int k = 1; k <= n; ++k) label[k] = k;
    int joined = 0;
    for (std::size_t e = 0; e < count && joined < n - 1; ++e) {
        const int i = candidates[e].a;
        const int j = candidates[e].b;
        if (label[i] == label[j]) continue;
        ws.TreeLinks[i][j] = 1;
        const int keep = std::min(label[i], label[j]);
        const int drop = std::max(label[i], label[j]);
        form.MemoAppend(
            Format("%d %d %.3f   %d", label[i], label[j], static_cast<double>(candidates[e].length), keep));
        for (int k = 1; k <= n; ++k)
            if (label[k] == drop) label[k] = keep;
        ++joined;
    }
}

void FaClick(Form& form) {
    const double threshold = EditReal(form, Edit7, 20);
    const int n = ws.MapItems();
    // The threshold is in the units of distances.dat; a SOC map's distances are at its training's scale.
    const double scale = ws.SocMode == 1 ? ws.SocScale : 1.0;
    MinimumTree(form, n, static_cast<float>(threshold * scale * static_cast<double>(ws.DistScale)));
    PaintBox1Click(form);
    form.StatusDone(TreeSummary(n));
}

std::string TreeSummary(int n) {
    n = MapRows(n);
    const float limit = EdgeLimit();
    float largest = 0, longest = 0;
    int links = 0, shown = 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            largest = std::max(largest, ws.DistMatrix[i][j]);
            if (ws.TreeLinks[i][j] != 1) continue;
            ++links;
            longest = std::max(longest, std::max(ws.DistMatrix[i][j], ws.DistMatrix[j][i]));
            shown += ws.ShowEdges == 1 && ws.DistMatrix[i][j] < limit && ws.DistMatrix[j][i] < limit;
        }
    if (links == 0) return "Min. Tree: no link within the threshold";
    if (shown == links) return Format("Min. Tree: %d link%s, all shown", links, links == 1 ? "" : "s");
    // The least "edge lim", in hundredths, under which every link is shorter.
    const double factor = largest > 0 ? std::floor(100.0 * longest / largest) / 100 + 0.01 : 1.0;
    return Format("Min. Tree: %d link%s, %d shown: edge lim %.2f shows them all", links,
                  links == 1 ? "" : "s", shown, factor);
}
