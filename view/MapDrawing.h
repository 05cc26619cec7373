// The map panel: a white background, one circle per item in its cluster's
// colour with a bar (ViewMode 0) or its number (ViewMode 4) beside it, and,
// when edges are shown, a line between every pair of items closer than the
// edge limit, the minimum tree's links black and 2 wide.
#pragma once

#include <cstdint>

#include "workspace/Form.h"

// The colour of item i by its MRP cluster, as 0x00BBGGRR.
std::uint32_t ClusterColour(int i);

// Draws the whole map; the map panel's click handler and the common redraw.
void PaintBox1Click(Form& form);
