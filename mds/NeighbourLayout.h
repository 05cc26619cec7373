// A map on which each row's nearest rows stay near it. Each row is pulled
// towards the rows of its neighbour graph, the more the nearer each is
// among the row's own neighbours (a row's first neighbour counts fully, the
// others by how much farther they are, at a scale of its own), and pushed
// away from rows drawn at random: far rows need only be apart, not at their
// distance, which is what the map gives up for its neighbourhoods. Each
// epoch moves every row by what the positions of the epoch before give,
// its draws keyed on the seed, the epoch and the edge, so that the map
// does not depend on how many cores share an epoch.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "mds/MapLayout.h"
#include "mds/NeighbourGraph.h"

struct LayoutRun {
    int axes;      // 1..3
    int epochs;    // EpochsFor(rows)
    unsigned seed;
    int workers;
};

// Small tables get more epochs: each costs little, and the rows settle better.
int EpochsFor(int rows);

class NeighbourLayout {
public:
    // Rows 0..n-1 of the graph, starting at start[i x axes + a] (their
    // arrangement, at any scale). Asks `goOn` while it weighs the edges.
    NeighbourLayout(const NeighbourGraph& graph, const std::vector<float>& start, const LayoutRun& run,
                    const std::function<bool()>& goOn);
    int Epochs() const { return run_.epochs; }
    // Epoch t (0..Epochs() - 1). When goOn stops it before every row
    // moved, returns false and the positions are the epoch before's.
    bool Epoch(int t, const std::function<bool()>& goOn);
    // Row i's place on axis a at [i x axes + a].
    const std::vector<float>& Positions() const { return now_; }

private:
    void Weigh(const NeighbourGraph& graph, const std::function<bool()>& goOn);
    template <int M>
    void Move(int from, int to, int t, float rate);

    LayoutRun run_;
    int n_;
    std::vector<int> first_;      // row i's edges: first_[i] .. first_[i + 1] - 1
    std::vector<int> to_;         // the row an edge pulls towards
    // Of each edge its weight over the largest, the share of the epochs it
    // pulls in, in 2^-31: it pulls in epoch t when t x share and (t + 1) x
    // share lie on either side of a whole one.
    std::vector<std::uint32_t> share_;
    std::vector<float> now_;
    std::vector<float> next_;  // each row's place written by the one thread that moves it
};

// The map points 1..rowOf.size() - 1 at the places of their rows
// (rowOf[p], 0-based) scaled alike on every axis to fill the box of axis 1
// but a margin, centred in it: the axes beyond `axes` at 0.
void PlaceInBox(const std::vector<float>& positions, int axes, const std::vector<int>& rowOf, MapLayout& map);
