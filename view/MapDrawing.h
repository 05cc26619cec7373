// The map panel: a white background, one circle per item in its cluster's
// colour with a bar (ViewMode 0) or its number (ViewMode 4) beside it, and,
// when edges are shown, a line between every pair of items closer than the
// edge limit, the minimum tree's links black and 2 wide.
#pragma once

#include <cstdint>

#include "workspace/Form.h"

// The colour of item i by its MRP cluster, as 0x00BBGGRR.
std::uint32_t ClusterColour(int i);

// The size of the map panel, PaintBox1, and of the map's pictures.
inline constexpr int kMapPanelWidth = 641;
inline constexpr int kMapPanelHeight = 633;

// The map panel's click handler and the common redraw: the numbers shown
// for the drawn items back to their own (ItemNumber[i] = i, ItemFlag[i] =
// 0), the edge factor read from Edit5, and the whole map drawn, unless the
// map canvas is one nobody sees.
void PaintBox1Click(Form& form);

// The whole map as the Workspace holds it, with the edge factor last read:
// a white background, the marks, their bars or numbers, the edges and the
// tree. Changes nothing but the canvas.
void DrawMap(Canvas& canvas);
