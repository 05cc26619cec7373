// Putting the view back to a known orientation, and the map centre that
// keeps the cloud of items in the middle of the panel.
#pragma once

// Identity view, no zoom, the map centre at 0 until MapCentre sets the
// axes in use, the three rotation steps filled in, and a plain projection
// of the map.
void ResetView();

// ViewCentre[1..m]: the mean of MapCoords over items 1..n on each axis.
void MapCentre(int n, int m);
