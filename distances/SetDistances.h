// The distances of many vectors to one set of at most 400 (a map's
// landmarks), as VectorDistance gives them: the set laid out by component
// once, so that one vector step takes a component of many members.
#pragma once

#include <vector>

#include "table/Table.h"

class SetDistances {
public:
    // Members 1..n are rows members[0..n-1] of the table, components 1..dim,
    // summed in `unit` (DistanceUnit.h).
    SetDistances(const Table& items, const std::vector<int>& members, int dim, float unit);
    int Size() const { return n_; }
    // The distances of vector x (components 1..dim, at the table's size,
    // missing ones not a number) to members 1..n into out[1..n].
    void From(const float* x, bool complete, float* out) const;

private:
    const Table& items_;
    std::vector<int> members_;
    int n_, dim_, stride_;
    float unit_;
    bool complete_;              // no member misses a component
    std::vector<float> columns_;  // member j's component k, in the unit, at [(k - 1) x stride + j - 1]
};
