#include "mrp/ClusterJoin.h"

#include <cmath>

ClusterJoin::ClusterJoin(const Clusters& clusters, float charDistance)
    : clusters_(clusters),
      n_(static_cast<int>(clusters.marks.size()) - 1),
      slope_(static_cast<float>(std::log(0.01) / static_cast<double>(charDistance))),
      nearCut_(0.33 * static_cast<double>(charDistance)),
      clusterOf_(clusters.marks.size(), 0) {
    for (int j = 1; j <= n_; ++j)
        if (const int centre = clusters.marks[static_cast<std::size_t>(j)].CentreItem(); centre != 0)
            clusterOf_[static_cast<std::size_t>(j)] = clusters.ClusterOfCentre(centre);
}

int ClusterJoin::CentreFor(const float* distances) const {
    constexpr int kMostClusters = 400;
    float noLink[kMostClusters + 1];
    const int k = clusters_.count;
    for (int c = 1; c <= k; ++c) noLink[c] = 1.0f;
    for (int j = 1; j <= n_; ++j) {
        const float v = distances[j];
        if (v == 0.0f) return clusters_.marks[static_cast<std::size_t>(j)].CentreItem();
        const int c = clusterOf_[static_cast<std::size_t>(j)];
        // Pairs within the near cut-off, and those without a distance, take no link.
        if (c == 0 || !(static_cast<double>(v) > nearCut_)) continue;
        const float link = static_cast<float>(std::exp(static_cast<double>(slope_ * v)));
        noLink[c] = noLink[c] * (1.0f - link);
    }
    int best = 0;
    float least = 2.0f;
    for (int c = 1; c <= k; ++c)
        if (noLink[c] < least) {
            best = c;
            least = noLink[c];
        }
    return best > 0 && least < clusters_.joinLimit ? clusters_.centres[static_cast<std::size_t>(best)] : 0;
}
