// The map panel: a white background, one circle per item in its cluster's
// colour with a bar (ViewMode 0) or its number (ViewMode 4) beside it, and,
// when edges are shown, a line between every pair of items closer than the
// edge limit, the minimum tree's links black and 2 wide.
#pragma once

#include <cstdint>
#include <string>

#include "form/Form.h"

// The length below which the map draws an edge (both ways): the edge factor
// last read times the largest distance of the map's points.
float EdgeLimit();

// What "View" shows beside the marks: bars of the prototype probability,
// the items' numbers, or, when the table names the items, their names.
inline constexpr int kViewBars = 0;
inline constexpr int kViewNumbers = 4;
inline constexpr int kViewNames = 5;
inline constexpr int kNameChars = 16;  // of a name on the map, a cut one ending in "…"

// The label of map point i in the names mode: its name cut to 16
// characters, or its number when it has none.
std::string MapName(int i);

// True when the map's points are named items (an MRP-MDS map of a table
// with names).
bool MapHasNames();

// The size of the map panel, PaintBox1, and of the map's pictures.
inline constexpr int kMapPanelWidth = 641;
inline constexpr int kMapPanelHeight = 633;

// The map panel's click handler and the common redraw: the numbers shown
// for the drawn items back to their own (ItemNumber[i] = i, ItemFlag[i] =
// 0), the edge factor read from Edit5, and the whole map drawn, unless the
// map canvas is one nobody sees.
void PaintBox1Click(Form& form);

// The whole map as the Workspace holds it, with the edge factor last read:
// a white background, the marks, their bars, numbers or names, the edges and
// the tree, and, when asked for, the legend over it. Changes nothing but the
// canvas.
void DrawMap(Canvas& canvas, bool legend);
