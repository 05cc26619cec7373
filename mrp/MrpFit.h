// MRP values fitted to a table: the "char. distance", "noise limit" and
// "neigbbour limit" whose clusters stand apart best, judged from the
// distances and the clusters alone (no class).
//
// A trial's clusters are judged by their separation: the mean silhouette
// (how much nearer an item is to its own cluster than to the nearest other)
// over all items, where only clusters of at least the share of the items
// that one of the most clusters the run takes would hold (and 3) count; the
// items of smaller clusters and those in no cluster add 0.
// A trial that leaves more than a third of the items in no cluster, or has
// fewer than two such clusters, does not count. The silhouette favours a
// split into two; so of the trials within a tenth of the best separation
// the one with the most such clusters is taken, the better separated of
// equal ones.
#pragma once

#include <functional>
#include <optional>

#include "distances/DistanceMatrix.h"
#include "mrp/Clusters.h"

struct MrpValues {
    float charDistance = 0, noiseLimit = 0, neighbourLimit = 0;
};

// How the clusters of a trial stand.
struct ClusterJudgement {
    double separation = 0;
    int clusters = 0;       // all the clustering found
    int largeClusters = 0;  // those that count for the separation
    int itemsInNone = 0;
    int items = 0;
    // Whether the trial counts at all.
    bool Counts() const { return largeClusters >= 2 && 3 * itemsInNone <= items; }
};
ClusterJudgement JudgeClusters(const DistanceMatrix& d, const Clusters& clusters, int maxClusters);

struct MrpTrial {
    MrpValues values;
    ClusterJudgement judged;
};

struct MrpFit {
    MrpTrial chosen;
    double bestSeparation = 0;  // of all trials that count
    int trials = 0;
};

// The trials: "char. distance" from a fifth of the mean raw distance to the
// mean, each at a few noise and neighbour limits (the values of three
// digits at most, as stated, so that given again they repeat the
// clusters). Nothing when no trial counts or goOn says stop (asked once
// per "char. distance").
std::optional<MrpFit> FitMrpValues(const DistanceMatrix& d, float meanDistance, int maxClusters,
                                   const std::function<bool()>& goOn);
