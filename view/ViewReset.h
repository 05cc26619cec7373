// Putting the view back to a known orientation, and the map centre that
// keeps the cloud of points in the middle of the panel.
#pragma once

#include "mds/MapLayout.h"
#include "view/View.h"

// Identity view, no zoom, the map centre at 0 until MapCentre sets the
// axes in use, the three rotation steps filled in, and a plain projection
// of the map's points.
void ResetView(View& view, const MapLayout& map);

// The centre on axes 1..m: the mean of the map's points on each.
void MapCentre(View& view, const MapLayout& map, int m);
