// How the map is looked at: the projection of its axes onto the panel, the
// rotation steps, the centre and zoom, what is drawn beside the marks, and
// every point's projected position.
#pragma once

#include <cstddef>
#include <vector>

// What "View" shows beside the marks: bars of the prototype probability,
// the items' numbers, or, when the table names the items, their names.
inline constexpr int kViewBars = 0;
inline constexpr int kViewNumbers = 4;
inline constexpr int kViewNames = 5;

struct View {
    double matrix[5][5] = {};       // map axis r (rows 1..4) onto screen axis q (columns 1, 2)
    double rotation[4][5][5] = {};  // the small rotations of Rot1, Rot2 and Rot3 (1..3)
    double centre[6] = {};          // [1..4] the map's centre on each axis, [5] the display scale
    double zoomStep = 1.0;          // applied once by the next transform
    float zoom = 0.7f;              // the pixel scale's factor
    float angle = 1.0471975f;       // of the pixel mapping, in radians
    int mode = kViewBars;
    bool showEdges = false;
    float edgeFactor = 0;  // of the edge limit, as "edge lim" last gave it
    float markScale = 0;   // of a bar's height
    bool colourByClass = false;
    bool showLegend = true;
    // Each point's projected x and y (1 and 2) in map units, [i x 3 + q].
    std::vector<double> projected;

    int ProjectedPoints() const { return projected.empty() ? 0 : static_cast<int>(projected.size() / 3) - 1; }
    double* Projected(int i) { return projected.data() + static_cast<std::size_t>(i) * 3; }
    const double* Projected(int i) const { return projected.data() + static_cast<std::size_t>(i) * 3; }
};
