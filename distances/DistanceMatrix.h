// The distances between the points of a map (its items, or the prototypes
// of SOC), normalised so that the largest fills the map: as the runs leave
// them for the map's step, its drawing, the minimum tree and the fit.
#pragma once

#include <cstddef>
#include <vector>

// The start of a search for the largest distance: where there is no pair
// (one point, or none) it stays the largest, normalising by it gives a
// negative factor, and an edge limit from it draws no edge.
inline constexpr float kNoDistance = -10000.0f;

struct DistanceMatrix {
    int n = 0;  // points 1..n
    // Row i's distance to j at values[i x (n + 1) + j]; row and column 0
    // hold nothing.
    std::vector<float> values;
    float scale = 0;    // what normalisation multiplied the raw distances by
    float largest = 0;  // the unit of the map step's neighbour radius

    // n points, every distance 0.
    void Resize(int points);
    float* Row(int i) { return values.data() + static_cast<std::size_t>(i) * Stride(); }
    const float* Row(int i) const { return values.data() + static_cast<std::size_t>(i) * Stride(); }
    float At(int i, int j) const { return Row(i)[j]; }
    std::size_t Stride() const { return static_cast<std::size_t>(n) + 1; }
};

// The largest distance between points 1..n (n at most d.n), from
// kNoDistance; not-a-number never counts.
float LargestDistance(const DistanceMatrix& d, int n);
