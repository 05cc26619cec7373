// The links of the minimum tree over a map's points, drawn over its edges.
#pragma once

#include <cstddef>
#include <vector>

struct TreeLinks {
    int n = 0;
    std::vector<unsigned char> linked;  // [i x (n + 1) + j]: a link is kept once, from i to j

    // No link among n points.
    void Clear(int points) {
        n = points;
        linked.assign(static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(n + 1), 0);
    }
    bool Linked(int i, int j) const {
        return i <= n && j <= n && linked[static_cast<std::size_t>(i) * static_cast<std::size_t>(n + 1) + j];
    }
    void Link(int i, int j) { linked[static_cast<std::size_t>(i) * static_cast<std::size_t>(n + 1) + j] = 1; }
};
