// A map whose distances do not fit its box: moves past the box's walls are
// refused, items pile up against them and the map no longer shows the
// distances. Nothing else says so, since "map enlarge." is meant for the
// display alone.
#pragma once

#include <string>

#include "distances/DistanceMatrix.h"
#include "mds/MapLayout.h"

// Whether so many of n items are pressed against the box's wall (more than
// 2%) that the map is cut by it.
bool MapCutByBox(int pressed, int n);

// The largest "map enlarge." (two significant digits, rounded down) at
// which every point of the map fits its box, the distances normalised at
// `enlargement`: the map is laid
// out for the distances / sqrt(b) around the box's centre, and a map
// reproducing them puts no item farther from its centre than the item's
// distance from the centre of all items, which the distances alone give.
double FittingEnlargement(const DistanceMatrix& distances, const MapLayout& map, double enlargement, int b);

// A "map enlarge." that fits, and whether a run at it was seen to fit.
struct FittingValue {
    double value;
    bool checked;
};

// "31 items pressed against the map's border: "map enlarge." 10 is too
// large for these data; 3.5 or less fits", and " (not checked)" when no run
// was seen to fit at it.
std::string BorderWarningText(int pressed, double enlargement, const FittingValue& fits);
