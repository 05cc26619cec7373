// MRP-MDS over every row of a table of more than 400: 400 landmarks drawn
// by the run's random generator go through the run, and every other row is
// then placed on their finished map and joins their clusters.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "form/Form.h"
#include "mds/MapLayout.h"
#include "mds/Placement.h"
#include "table/Table.h"
#include "handlers/RunControl.h"
#include "mrp/Clusters.h"
#include "session/MapBasis.h"
#include "session/Random.h"
#include "view/Landmarks.h"

// The rows of such a run.
struct AllRows {
    Table table;                 // every row, at the column scale and the file's size
    std::vector<int> landmarks;  // the landmarks' rows, in the file's order
    int dim = 0;                 // the components used
    float unit = 1;              // the distances' unit over every row (DistanceUnit.h)
};

// 400 of rows 1..n, drawn by the run's random generator.
std::vector<int> DrawLandmarks(int n, Random& random);

// Whether the placement measures the fit of the map it makes, or leaves
// that to a map made from it.
enum class RowsFit { Measured, LeftToNextMap };

// How the rows are placed and joined: the map step's rule, the "char.
// distance" of the clusters (in the table's units), the run's seed (for
// the fit's samples), and the fit.
struct RowPlacementOptions {
    PlacementRule rule;
    float charDistance;
    unsigned seed;
    RowsFit fit = RowsFit::Measured;
};

// The landmarks' finished map the rows are placed on: their places, their
// clusters, and what turns raw distances into the map's.
struct LandmarkMap {
    const MapLayout& map;
    const Clusters& clusters;
    float scale;
};

// Where the placement ended.
enum class PlacingEnd { Done, StoppedBefore, StoppedPlacing, StoppedMeasuring };

// Rows placed on a map and joined to its clusters: of each row asked for
// (rows[s]), its place on axes 1..3, whether that is at the box's wall,
// and the landmark at the centre of its cluster (0 for none); the first
// `done` of them placed.
struct RowsOnMap {
    std::vector<int> rows;
    std::vector<float> places;  // row s at [s x 3 .. s x 3 + 2]
    std::vector<char> atWall;
    std::vector<int> centres;
    int done = 0;
};

// Rows 1..n of the table (in the map's columns, at its column scale and
// the file's size) placed on a finished map by its basis, on every core,
// as a run of all rows places them: each row's place depends on the map
// and the row alone. STOP ends it between chunks of rows.
RowsOnMap PlaceOnSavedMap(Form& form, const MapBasis& basis, const Table& rows, const StopCheck& stop);

// How the placement went: the rows placed of those that are no landmark
// (the first ones in the file's order), how many of them lie at the box's
// wall, where it ended, its time, and whether its run's files were written
// (the caller's); and the map of all rows it made: the landmarks first,
// then the rows placed in the file's order, with their clusters, the table
// in that order, each point's row in the file and the fit over them all.
struct RowsPlaced {
    int placed = 0, others = 0;
    int atWall = 0;
    PlacingEnd end = PlacingEnd::Done;
    double seconds = 0;
    bool written = true;

    MapLayout map;
    Clusters clusters;
    Table table;
    Landmarks landmarks;

    bool Stopped() const { return end != PlacingEnd::Done; }
};

// Places every row that is no landmark on the landmarks' map and joins
// each to a cluster. STOP during the placement keeps the rows placed so
// far, and leaves the fit unmeasured; STOP while the fit is measured keeps
// the figures of what was measured. A run stopped before the placement
// keeps the landmarks alone, their fit measured whole.
RowsPlaced PlaceOtherRows(Form& form, const LandmarkMap& landmarks, const AllRows& rows,
                          const RowPlacementOptions& options, const StopCheck& stop);
// The map of all rows made the one on show.
void ShowAllRows(Session& session, RowsPlaced& placed);

// What the map, clusters.dat and the coordinates hold after the placement,
// on the status line.
void ShowRowsPlaced(Form& form, const AllRows& rows, const RowsPlaced& placed);

// What a STOP after the settling ended: "placing rows, 67,216 of 99,600
// placed", "measuring the fit, every row placed", or nothing.
std::string StoppedWhile(const RowsPlaced& placed);

// How many of the rows that are no landmark would lie at the box's wall,
// placed on `map` (its points the landmarks, in order) by `rule`, their raw
// distances times `factor` the normalised ones. Nothing when STOP ended
// the count.
std::optional<int> RowsAtWall(const AllRows& rows, const MapLayout& map, const PlacementRule& rule, float factor,
                              const StopCheck& stop);
