// MRP prototype clustering: a link probability per pair of items that falls
// off exponentially with their raw distance, a prototype probability per
// item (the chance of at least one link), greedy choice of cluster centres
// by that probability, and attachment of the remaining items to the cluster
// they are most likely linked to.
#pragma once

#include "form/Form.h"

// The prototype probability of item b over items 1..n, with the raw distance
// x at which a link probability falls to 0.01; writes the LinkProb entries of
// b towards the flagged items beyond the near cut-off.
float PrototypeProbability(int n, int b, float x);

struct ClusterChoice {
    int cluster;   // 1..K, 0 when there is no cluster
    float noLink;  // probability that the item has no link into it
};
// The cluster that item a is most strongly attached to.
ClusterChoice BestCluster(int n, int k, int a);

// Clusters items 1..n (at most 400), lists the candidates in Memo1, writes
// ClustersFileName and copies the centre vectors into Prototypes. Returns the
// number of clusters. Without a cluster the file is left as it was unless
// writeWhenEmpty, when it is written empty.
int ClusterPrototypes(Form& form, int n, int maxClusters, int minMembers, float charDistance,
                      float noiseLimit, float neighbourLimit, bool writeWhenEmpty = true);
