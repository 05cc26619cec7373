// A map of every row of a table: its first `count` points are the
// landmarks that the run mapped, the others rows placed on their map; each
// point's row in the file, and the fit measured over all of them once. A
// map of the run's items alone has no landmarks.
#pragma once

#include <vector>

#include "mds/MapFit.h"

struct Landmarks {
    int count = 0;
    std::vector<int> fileRow;  // of points 1..n
    MapFit fit{};

    bool Placed(int i) const { return count > 0 && i > count; }
    // The number users know point i by: its row in the file.
    int FileRow(int i) const {
        return count > 0 && i >= 1 && i < static_cast<int>(fileRow.size()) ? fileRow[static_cast<std::size_t>(i)]
                                                                             : i;
    }
};
