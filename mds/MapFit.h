// How well a map shows its items' distances: a global figure, Kruskal's
// Stress-1, and a local one, the share of each item's nearest neighbours by
// distance that are also its nearest on the map.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "distances/DistanceMatrix.h"
#include "mds/MapLayout.h"
#include "table/Table.h"

struct MapFit {
    double stress1;         // 0 for a perfect map; not a number when not measured
    double neighboursKept;  // 0..1
    int neighbours;         // the neighbours compared per item: 5, or n - 1 when fewer
    // Of a measurement stopped before it compared every row drawn: the rows
    // compared and those drawn; {0, 0} for one that went through.
    std::pair<int, int> rowsCompared{0, 0};
};

// The fit of the first m axes of the map's points (2 to 400 of them) to
// their distances, the mean of its two directions. Stress-1 over the pairs
// i < j: sqrt(sum (d - s delta)^2 / sum d^2), d the map distance, delta the
// distance, s the factor that fits the distances best to the map's scale
// (the map is laid out for delta / sqrt(b), so delta alone would only measure
// that factor). Allocates nothing.
MapFit MeasureMapFit(const MapLayout& map, const DistanceMatrix& distances, int m);

// The same figures for a map of many rows (points 1..n are rows 1..n of
// the table, components 1..dim, summed in `unit`), measured on seeded
// samples: Stress-1 over every pair, or over 100,000 pairs drawn when there
// are more; the neighbours kept over every row, or over 1,000 rows drawn,
// each against all rows. Spread on every core; the same whatever their
// number. `goOn` is asked about twenty times a second while the neighbours
// are compared; once it says no, the figures are those of the rows
// compared so far.
MapFit MeasureRowsFit(const MapLayout& map, const Table& rows, int dim, float unit, int m, unsigned seed,
                      const std::function<bool()>& goOn);

// The figures of a map whose fit was not measured (a stopped run).
MapFit UnmeasuredFit();

// Kruskal's 1964 verbal band: excellent, good, fair, poor, bad.
const char* StressBand(double stress1);

// "Stress-1 0.213 (bad), neighbours kept 71%".
std::string MapFitText(const MapFit& fit);
