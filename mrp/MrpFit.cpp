#include "mrp/MrpFit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "form/RunReport.h"
#include "mrp/Clustering.h"
#include "table/Capacities.h"
#include "text/Numbers.h"

namespace {

constexpr int kLeastLargeMembers = 3;
// Trials within this share of the best separation are as good: the one
// with the most clusters among them is taken.
constexpr double kNearBest = 0.1;
// "char. distance" from a fifth of the mean distance up to it, in steps of
// one twenty-third of that span's factor of 5.
constexpr double kLeastShareOfMean = 0.2;
constexpr int kCharDistanceSteps = 24;
constexpr float kNeighbourLimits[] = {0.05f, 0.1f, 0.2f};
constexpr float kNoiseLimits[] = {0.6f, 0.9f, 1.1f, 1.22f, 1.4f};

// Each item's large cluster (1..L), 0 for an item in a small one or in none:
// a large cluster holds at least the share of the items one of the most
// clusters the run takes would hold.
int LargeClustersOf(const Clusters& clusters, int maxClusters, std::vector<int>& large) {
    const int n = static_cast<int>(clusters.marks.size()) - 1;
    std::vector<int> members(static_cast<std::size_t>(clusters.count) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const int centre = clusters.marks[static_cast<std::size_t>(i)].CentreItem();
        if (centre != 0) ++members[static_cast<std::size_t>(clusters.ClusterOfCentre(centre))];
    }
    const int least = std::max(kLeastLargeMembers, (n + maxClusters - 1) / maxClusters);
    std::vector<int> number(static_cast<std::size_t>(clusters.count) + 1, 0);
    int count = 0;
    for (int k = 1; k <= clusters.count; ++k)
        if (members[static_cast<std::size_t>(k)] >= least) number[static_cast<std::size_t>(k)] = ++count;
    large.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i)
        if (const int centre = clusters.marks[static_cast<std::size_t>(i)].CentreItem(); centre != 0)
            large[static_cast<std::size_t>(i)] = number[static_cast<std::size_t>(clusters.ClusterOfCentre(centre))];
    return count;
}

// The silhouette of item i in its large cluster; sums and counts are room
// for the clusters 0..L.
double Silhouette(const DistanceMatrix& d, const std::vector<int>& large, int i, std::vector<double>& sums,
                  std::vector<int>& counts) {
    std::fill(sums.begin(), sums.end(), 0.0);
    std::fill(counts.begin(), counts.end(), 0);
    const float* row = d.Row(i);
    const int n = static_cast<int>(large.size()) - 1;
    for (int j = 1; j <= n; ++j) {
        const float v = row[j];
        if (j == i || std::isnan(v)) continue;  // a pair without a distance tells nothing
        sums[static_cast<std::size_t>(large[static_cast<std::size_t>(j)])] += v;
        ++counts[static_cast<std::size_t>(large[static_cast<std::size_t>(j)])];
    }
    const std::size_t own = static_cast<std::size_t>(large[static_cast<std::size_t>(i)]);
    if (counts[own] == 0) return 0;
    const double a = sums[own] / counts[own];
    double b = INFINITY;
    for (std::size_t c = 1; c < sums.size(); ++c)
        if (c != own && counts[c] > 0) b = std::min(b, sums[c] / counts[c]);
    const double larger = std::max(a, b);
    return std::isfinite(b) && larger > 0 ? (b - a) / larger : 0;
}

}  // namespace

ClusterJudgement JudgeClusters(const DistanceMatrix& d, const Clusters& clusters, int maxClusters) {
    ClusterJudgement judged;
    judged.items = static_cast<int>(clusters.marks.size()) - 1;
    judged.clusters = clusters.count;
    for (int i = 1; i <= judged.items; ++i)
        if (!clusters.marks[static_cast<std::size_t>(i)].InCluster()) ++judged.itemsInNone;
    std::vector<int> large;
    judged.largeClusters = LargeClustersOf(clusters, maxClusters, large);
    if (judged.largeClusters < 2) return judged;
    std::vector<double> sums(static_cast<std::size_t>(judged.largeClusters) + 1);
    std::vector<int> counts(sums.size());
    double total = 0;
    for (int i = 1; i <= judged.items; ++i)
        if (large[static_cast<std::size_t>(i)] != 0) total += Silhouette(d, large, i, sums, counts);
    judged.separation = total / judged.items;
    return judged;
}

namespace {

// Whether trial a is to be taken before b, once both are near the best.
bool Before(const ClusterJudgement& a, const ClusterJudgement& b) {
    if (a.largeClusters != b.largeClusters) return a.largeClusters > b.largeClusters;
    return a.separation > b.separation;
}

// The trial taken of those that count: the most large clusters near the
// best separation.
MrpFit Choose(const std::vector<MrpTrial>& trials) {
    MrpFit fit;
    fit.trials = static_cast<int>(trials.size());
    bool any = false;
    for (const MrpTrial& t : trials)
        if (t.judged.Counts() && (!any || t.judged.separation > fit.bestSeparation)) {
            fit.bestSeparation = t.judged.separation;
            any = true;
        }
    const double near = fit.bestSeparation - kNearBest * std::abs(fit.bestSeparation);
    bool taken = false;
    for (const MrpTrial& t : trials)
        if (t.judged.Counts() && t.judged.separation >= near && (!taken || Before(t.judged, fit.chosen.judged))) {
            fit.chosen = t;
            taken = true;
        }
    return fit;
}

// A value as stated with three digits, as read back from the statement.
float Stated(double value) {
    return static_cast<float>(ParseReal(Format("%.3g", value)));
}

}  // namespace

std::optional<MrpFit> FitMrpValues(const DistanceMatrix& d, float meanDistance, int maxClusters,
                                   const std::function<bool()>& goOn) {
    std::vector<MrpTrial> trials;
    SilentReport silent;
    float last = 0;
    for (int step = 0; step < kCharDistanceSteps; ++step) {
        const double share =
            kLeastShareOfMean * std::pow(1 / kLeastShareOfMean, step / static_cast<double>(kCharDistanceSteps - 1));
        const float dc = Stated(meanDistance * share);
        if (!(dc > 0) || dc == last) continue;
        last = dc;
        if (!goOn()) return std::nullopt;
        const LinkedItems linked(d, dc);
        for (const float neighbour : kNeighbourLimits) {
            int centres = -1;
            ClusterJudgement judged;
            for (const float noise : kNoiseLimits) {
                Clusters clusters = ChooseLinkedCentres(linked, maxClusters, noise, neighbour, silent);
                if (clusters.count != centres) {  // else the clusters of the last noise limit
                    centres = clusters.count;
                    AssignLinkedRest(linked, clusters);
                    judged = JudgeClusters(d, clusters, maxClusters);
                }
                trials.push_back({{dc, noise, neighbour}, judged});
            }
        }
    }
    const MrpFit fit = Choose(trials);
    if (!fit.chosen.judged.Counts()) return std::nullopt;
    return fit;
}
