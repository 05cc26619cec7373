#include "mrp/Clusters.h"

void Clusters::Clear(int n) {
    count = 0;
    marks.assign(static_cast<std::size_t>(n) + 1, ClusterMark{});
    centres.assign(1, 0);
    probability.assign(static_cast<std::size_t>(n) + 1, 0.0f);
    joinLimit = 0;
}

int Clusters::ClusterOfCentre(int item) const {
    for (int k = 1; k <= count; ++k)
        if (centres[static_cast<std::size_t>(k)] == item) return k;
    return 0;
}
