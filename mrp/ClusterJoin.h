// A new item joins the clusters of a finished MRP run (of the map's
// landmarks) as the run's last round of assignment would have let it: its
// links to the clustered items fall off with its raw distance to each as
// theirs do, and it joins the cluster it is most likely linked into when
// the chance of no link is below the round's limit. An item equal to a
// clustered one joins that one's cluster.
#pragma once

#include <vector>

#include "mrp/Clusters.h"
#include "mrp/LinkLaw.h"

class ClusterJoin {
public:
    ClusterJoin(const Clusters& clusters, float charDistance);
    // The centre item of the cluster an item joins, from its raw distances
    // to items 1..n in distances[1..n] (not-a-number for none); 0 for none.
    int CentreFor(const float* distances) const;

private:
    const Clusters& clusters_;
    int n_;
    LinkLaw law_;
    std::vector<int> clusterOf_;  // of items 1..n: the cluster (1..K) they are in, 0 for none
};
