// Each row's nearest rows, for a map that keeps them near each other. A
// small table compares every pair; a large one starts from the leaves of a
// few trees of random splits (rows in one leaf are likely near) and then
// lets each row meet its neighbours' neighbours for a few rounds, each
// round reading the graph the one before left, so that the graph depends
// on the seed alone, not on the cores that share the work.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "distances/DistanceMatrix.h"

// The rows a search reads: rows 0..n-1 of dim components, in the distance
// unit, a missing component not a number. Their distances rank as
// VectorDistance's: over the components both rows have, scaled up to all.
struct RowValues {
    int n = 0, dim = 0;
    std::vector<float> values;  // row i's component q at [i x dim + q]
    const float* Row(int i) const { return values.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(dim); }
};

// Each row's k nearest other rows, nearest first (ties to the lower row),
// with their distances; a row that has fewer ends its list with -1.
struct NeighbourGraph {
    int n = 0, k = 0;
    std::vector<int> rows;         // row i's j-th nearest at [i x k + j]
    std::vector<float> distances;  // its distance
    const int* RowsOf(int i) const { return rows.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(k); }
    const float* DistancesOf(int i) const {
        return distances.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(k);
    }
};

inline constexpr int kMostNeighbours = 32;

// How a search goes: the neighbours a row gets (1..kMostNeighbours), the
// seed of its random splits, and the threads it works on.
struct NeighbourSearch {
    int k;
    unsigned seed;
    int workers;
};

// The graph of the rows: every pair compared while that takes no longer
// than the rounds would, else the trees and rounds. `goOn` is asked about
// twenty times a second; nothing when it said no.
std::optional<NeighbourGraph> NearestRows(const RowValues& rows, const NeighbourSearch& search,
                                          const std::function<bool()>& goOn);

// The graph of a map's items by their matrix of distances: item i (0-based)
// is point items[i] of d.
NeighbourGraph NearestItems(const DistanceMatrix& d, const std::vector<int>& items, int k);
