// The MRP clusters of a map's items: what each item is to them, the
// clusters' centres and each item's prototype probability.
#pragma once

#include <vector>

// What an item is to the clusters: in none, a cluster's centre, a member
// of the cluster around another item, or, while centres are being chosen,
// set aside.
class ClusterMark {
public:
    enum class Kind : unsigned char { None, Centre, Member, SetAside };

    constexpr ClusterMark() = default;
    static constexpr ClusterMark Centre(int item) { return {Kind::Centre, item}; }
    static constexpr ClusterMark Member(int centre) { return {Kind::Member, centre}; }
    static constexpr ClusterMark SetAside() { return {Kind::SetAside, 0}; }

    Kind Is() const { return kind_; }
    bool IsCentre() const { return kind_ == Kind::Centre; }
    bool InCluster() const { return kind_ == Kind::Centre || kind_ == Kind::Member; }
    // The item at the centre of the item's cluster (itself for a centre); 0
    // for an item in none.
    int CentreItem() const { return InCluster() ? centre_ : 0; }
    bool operator==(const ClusterMark&) const = default;

private:
    constexpr ClusterMark(Kind kind, int centre) : kind_(kind), centre_(centre) {}
    Kind kind_ = Kind::None;
    int centre_ = 0;
};

struct Clusters {
    int count = 0;
    std::vector<ClusterMark> marks;  // of items 1..n
    std::vector<int> centres;        // of clusters 1..count: the centre's item
    std::vector<float> probability;  // of items 1..n: the prototype probability
    // The chance of no link into a cluster below which the last round of
    // assignment let an item join it.
    float joinLimit = 0;

    // n items in no cluster, of probability 0.
    void Clear(int n);
    // The cluster (1..count) whose centre is `item`, 0 for none.
    int ClusterOfCentre(int item) const;
};
