// What placing a row on a finished MRP-MDS map takes, kept from the run
// that made it: the columns it read and their scale, the map's landmarks
// (its items, when it has no more than 400) with their values, places and
// clusters, what turns raw distances into the map's, and the rule that
// places a row. A map of a distance matrix, or of prototypes, has none.
#pragma once

#include <string>
#include <vector>

#include "mds/MapLayout.h"
#include "mds/Placement.h"
#include "mrp/Clusters.h"
#include "table/Table.h"

struct MapColumn {
    int position = 0;    // in the file the map was made from, from 1
    std::string header;  // its name there, "" without a header
    double offset = 0, factor = 1;  // the column scale: a value v becomes (v - offset) x factor
};

struct MapBasis {
    std::vector<MapColumn> columns;  // of components 1..dim, from [0]
    ColumnScale scale = ColumnScale::None;
    Table landmarks;   // their values at the column scale and the file's size
    MapLayout map;     // their places
    Clusters clusters;  // theirs
    float distanceFactor = 0;  // a raw distance times it is the map's
    float unit = 1;            // the distances' unit (DistanceUnit.h)
    PlacementRule rule{};
    float charDistance = 0;  // the clusters', in the table's units

    bool CanPlace() const { return landmarks.rows > 0 && !columns.empty(); }
    int Dim() const { return static_cast<int>(columns.size()); }
};
