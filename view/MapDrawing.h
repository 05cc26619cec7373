// The map panel: a white background, one circle per point in its cluster's
// (or class's) colour with a bar, its number or its name beside it, and,
// when edges are shown, a line between every pair of points closer than
// the edge limit, the minimum tree's links black and 2 wide.
#pragma once

#include <string>

#include "form/Canvas.h"
#include "view/MapScene.h"

// The length below which the map draws an edge (both ways): the edge factor
// last read times the largest distance of the map's points.
float EdgeLimit(const MapScene& scene);

inline constexpr int kNameChars = 16;  // of a name on the map, a cut one ending in "…"

// The label of item i in the names mode: its name cut to 16 characters, or
// its number when it has none.
std::string MapName(const MapScene& scene, int i);

// True when the map's points are named items (an MRP-MDS map of a table
// with names).
bool MapHasNames(const MapScene& scene);

// The size of the map panel, PaintBox1, and of the map's pictures.
inline constexpr int kMapPanelWidth = 641;
inline constexpr int kMapPanelHeight = 633;

// The whole map: a white background, the marks, their bars, numbers or
// names, the edges and the tree, and the legend box over it when the view
// shows it. Changes nothing but the canvas.
void DrawMap(Canvas& canvas, const MapScene& scene);
// The same without the legend box (a picture has its legend below).
void DrawMapAlone(Canvas& canvas, const MapScene& scene);
