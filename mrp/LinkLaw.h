// How MRP links items: the chance that two items are linked falls off
// exponentially with their raw distance, to 0.01 at the "char. distance";
// an item has no link into a cluster with the chance that it links to none
// of the cluster's items, and it is most likely linked into the cluster
// where that chance is least. The clustering and the rows that join its
// clusters later both follow it.
#pragma once

#include <cmath>

#include "table/Capacities.h"

class LinkLaw {
public:
    explicit LinkLaw(float charDistance)
        : slope_(static_cast<float>(std::log(0.01) / static_cast<double>(charDistance))),
          nearCut_(0.33 * static_cast<double>(charDistance)) {}

    // Whether a pair at raw distance v takes a link: pairs within the near
    // cut-off take none, and neither do those without a distance.
    bool Links(float v) const { return static_cast<double>(v) > nearCut_; }
    // The link of a pair that takes one.
    float Link(float v) const { return static_cast<float>(std::exp(static_cast<double>(slope_ * v))); }

private:
    float slope_;
    double nearCut_;
};

struct ClusterChoice {
    int cluster;   // 1..K, 0 when there is no cluster
    float noLink;  // probability that the item has no link into it
};

// An item's chance of no link into each of clusters 1..k, multiplied up a
// link at a time in the order the links come.
class NoLinkChances {
public:
    explicit NoLinkChances(int k) : k_(k) {
        for (int c = 1; c <= k_; ++c) noLink_[c] = 1.0f;
    }
    void Add(int cluster, float link) { noLink_[cluster] = noLink_[cluster] * (1.0f - link); }
    // The cluster the item is most likely linked into: the first of equal ones.
    ClusterChoice Best() const {
        ClusterChoice best{0, 2.0f};
        for (int c = 1; c <= k_; ++c)
            if (noLink_[c] < best.noLink) best = {c, noLink_[c]};
        return best;
    }

private:
    int k_;
    float noLink_[kMaxMapItems + 1];
};

// Whether an item joins the cluster of its choice under a limit on the
// chance of no link.
inline bool Joins(const ClusterChoice& choice, float limit) {
    return choice.cluster > 0 && choice.noLink < limit;
}
