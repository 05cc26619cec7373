// Putting the view back to a known orientation, and the map centre that
// keeps the cloud of items in the middle of the panel.
#pragma once

// Rows of ProjCoords and MapCoords that the view may project: the displayed
// item count as long as a map of that many rows can exist, otherwise none
// (before the first run the count is 2403 and no map has been placed).
int ProjectableRows();

// Identity view, no zoom, the map centre at 0 until MapCentre sets the
// axes in use, the three rotation steps filled in, and a plain projection
// of the map.
void ResetView();

// ViewCentre[1..m]: the mean of MapCoords over items 1..n on each axis.
void MapCentre(int n, int m);
