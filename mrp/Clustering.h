// MRP prototype clustering: a link probability per pair of items that falls
// off exponentially with their raw distance, a prototype probability per
// item (the chance of at least one link), greedy choice of cluster centres
// by that probability, and attachment of the remaining items to the cluster
// they are most likely linked to.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "distances/DistanceMatrix.h"
#include "form/RunReport.h"
#include "mrp/Clusters.h"
#include "mrp/LinkLaw.h"

// The link probabilities of the pairs of n items, 0 where none was taken.
class LinkProbabilities {
public:
    explicit LinkProbabilities(int n);
    float At(int a, int b) const { return p_[Index(a, b)]; }
    void Set(int a, int b, float link) { p_[Index(a, b)] = p_[Index(b, a)] = link; }
    const float* Row(int a) const { return p_.data() + Index(a, 0); }

private:
    std::size_t Index(int a, int b) const {
        return static_cast<std::size_t>(a) * static_cast<std::size_t>(n_ + 1) + static_cast<std::size_t>(b);
    }
    int n_;
    std::vector<float> p_;
};

// The prototype probability of item b, with the raw distance x at which a
// link probability falls to 0.01; takes the links of b to the items beyond
// the near cut-off.
float PrototypeProbability(const DistanceMatrix& d, LinkProbabilities& links, int b, float x);

// The cluster (1..count) of each item that is a centre, 0 for the others:
// made once for the rounds of an assignment, which keep the centres.
std::vector<int> ClusterOfEachCentre(const Clusters& clusters);

// The cluster that item a is most strongly attached to; clusterOf is
// ClusterOfEachCentre of the clusters.
ClusterChoice BestCluster(const Clusters& clusters, const LinkProbabilities& links, const std::vector<int>& clusterOf,
                          int a);

// What the clustering takes from the distances at one "char. distance":
// the links, each item's prototype probability, their mean and the largest
// link. The noise and neighbour limits only choose among them, so a search
// over those two computes this once.
struct LinkedItems {
    LinkedItems(const DistanceMatrix& d, float charDistance);
    LinkProbabilities links;
    std::vector<float> probability;  // of items 1..n
    float meanProbability = 0;
    float largestLink = 0;
};

// The clusters of linked items under the two limits; lists the candidates
// in the report, and "No. of clusters". In two steps: the centres with the
// items they take, then the rest. A larger noise limit only ends the
// choice of centres sooner, so equal counts of centres under two noise
// limits give equal clusters.
Clusters ChooseLinkedCentres(const LinkedItems& linked, int maxClusters, float noiseLimit, float neighbourLimit,
                             RunReport& report);
void AssignLinkedRest(const LinkedItems& linked, Clusters& clusters);
Clusters ClusterLinked(const LinkedItems& linked, int maxClusters, float noiseLimit, float neighbourLimit,
                       RunReport& report);

// Clusters the items of the distances (at most 400) into at most
// maxClusters clusters, as ClusterLinked.
Clusters ClusterPrototypes(const DistanceMatrix& d, int maxClusters, float charDistance, float noiseLimit,
                           float neighbourLimit, RunReport& report);

// The "char. distance" that "auto" takes, from the raw mean distance: a
// fifth of it, or, when the items form no cluster there, the nearest value
// in steps of a factor of sqrt 2 (down first) at which they form one;
// nothing when none up to 16 times it either way does.
std::optional<float> AutomaticCharDistance(const DistanceMatrix& d, float meanDistance, int maxClusters,
                                           float noiseLimit, float neighbourLimit);

// clusters.dat: a block per cluster, the centre's number, then its
// members' (the centre among them), and a line holding one blank.
// `written` counts the member entries. Items are written as numbers[item]
// when given (each item's row in the file), in that order.
std::string ClustersFileText(const Clusters& clusters, int& written, const std::vector<int>& numbers = {});
