// Clusters for the tests of joining one: two, centred on items 1 and 3, of
// n items, the others in none until a test places them.
#pragma once

#include "mrp/Clusters.h"

inline Clusters TwoClusters(int n) {
    Clusters clusters;
    clusters.Clear(n);
    clusters.count = 2;
    clusters.centres = {0, 1, 3};
    clusters.marks[1] = ClusterMark::Centre(1);
    clusters.marks[3] = ClusterMark::Centre(3);
    return clusters;
}
