// A map of every row of a table: its first `count` points are the
// landmarks that the run mapped, the others rows placed on their map; each
// point's row in the file, and the fit measured over all of them once. A
// map of the run's items alone has no landmarks, until another table's rows
// are placed on it: then its items are.
#pragma once

#include <string>
#include <vector>

#include "mds/MapFit.h"

struct Landmarks {
    int count = 0;
    std::vector<int> fileRow;  // of points 1..n
    MapFit fit{};
    // Points from layerFrom on (0: none) are the rows of another table,
    // layerFile, placed on the finished map: its second layer; their row
    // numbers and data rows are that file's, of which it has layerDataRows.
    int layerFrom = 0;
    std::string layerFile;
    int layerDataRows = 0;

    bool Placed(int i) const { return count > 0 && i > count; }
    bool OnLayer(int i) const { return layerFrom > 0 && i >= layerFrom; }
    // The number users know point i by: its row in the file.
    int FileRow(int i) const {
        return count > 0 && i >= 1 && i < static_cast<int>(fileRow.size()) ? fileRow[static_cast<std::size_t>(i)]
                                                                             : i;
    }
};
