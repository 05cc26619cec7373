// The points of a map: their positions on up to four axes, the box the
// map step keeps them in, and the grid the drawing scales them by.
#pragma once

#include <cstddef>
#include <vector>

struct MapLayout {
    int n = 0;  // points 1..n
    // Point i's position on axis a (1..4) at coords[i x 5 + a]; point 0 and
    // axis 0 hold nothing.
    std::vector<float> coords;
    // The extent of each axis 1..9 in map units: the box of the map step.
    int axisSize[10] = {};
    // The extents of the drawing grid along axes 1..4: a pixel is the panel's
    // size over size[1] (x) and size[2] (y).
    int size[5] = {0, 100, 100, 100, 100};

    // n points, every one at 0 on every axis.
    void Resize(int points);
    // The first k points alone (k at most n).
    void KeepPoints(int k);
    float* Point(int i) { return coords.data() + static_cast<std::size_t>(i) * 5; }
    const float* Point(int i) const { return coords.data() + static_cast<std::size_t>(i) * 5; }
};
