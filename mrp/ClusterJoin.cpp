#include "mrp/ClusterJoin.h"

ClusterJoin::ClusterJoin(const Clusters& clusters, float charDistance)
    : clusters_(clusters),
      n_(static_cast<int>(clusters.marks.size()) - 1),
      law_(charDistance),
      clusterOf_(clusters.marks.size(), 0) {
    for (int j = 1; j <= n_; ++j)
        if (const int centre = clusters.marks[static_cast<std::size_t>(j)].CentreItem(); centre != 0)
            clusterOf_[static_cast<std::size_t>(j)] = clusters.ClusterOfCentre(centre);
}

int ClusterJoin::CentreFor(const float* distances) const {
    NoLinkChances noLink(clusters_.count);
    for (int j = 1; j <= n_; ++j) {
        const float v = distances[j];
        if (v == 0.0f) return clusters_.marks[static_cast<std::size_t>(j)].CentreItem();
        const int c = clusterOf_[static_cast<std::size_t>(j)];
        if (c != 0 && law_.Links(v)) noLink.Add(c, law_.Link(v));
    }
    const ClusterChoice choice = noLink.Best();
    return Joins(choice, clusters_.joinLimit) ? clusters_.centres[static_cast<std::size_t>(choice.cluster)] : 0;
}
