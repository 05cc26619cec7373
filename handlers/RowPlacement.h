// MRP-MDS over every row of a table of more than 400: 400 landmarks drawn
// by the run's random generator go through the run, and every other row is
// then placed on their finished map and joins their clusters.
#pragma once

#include <string>
#include <vector>

#include "form/Form.h"
#include "mds/Placement.h"
#include "table/Table.h"

// The rows of such a run.
struct AllRows {
    Table table;                 // every row, at the column scale and the file's size
    std::vector<int> landmarks;  // the landmarks' rows, in the file's order
    int dim = 0;                 // the components used
};

// 400 of rows 1..n, drawn by the run's random generator from the seed.
std::vector<int> DrawLandmarks(int n, unsigned seed);

// How the rows are placed and joined: the map step's rule, the "char.
// distance" of the clusters (in the table's units), and the run's seed (for
// the fit's samples).
struct RowPlacementOptions {
    PlacementRule rule;
    float charDistance;
    unsigned seed;
};

// Places every row that is no landmark on the landmarks' map on show,
// joins each to a cluster, and makes the map of all rows the one on show:
// the landmarks first, then the other rows in the file's order, each with
// its row in the file (ws.landmarks), the fit measured over them all. STOP
// during the placement keeps the rows placed so far; a run stopped before it
// keeps the landmarks alone. The status line says which.
void PlaceOtherRows(Form& form, const AllRows& rows, const RowPlacementOptions& options, bool stoppedBefore);
