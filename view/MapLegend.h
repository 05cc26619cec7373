// What the map's colours, bars and mark sizes mean: a small box over the
// panel, in the corner with the fewest marks under it, or rows below the
// map in a picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/ViewTransform.h"
#include "workspace/Canvas.h"

struct LegendEntry {
    bool mark;  // a sample mark before the text; false for a line of text
    std::uint32_t fill, outline;
    int radius;
    std::string text;
};

// The legend of the map as it is drawn now: a title, then for clusters each
// cluster's centre and its items and "other" for those in none, with a
// line on the bars and mark sizes; for classes each class and its count.
std::vector<LegendEntry> LegendEntries();

// The box over a panel of the canvas's size. Returns it, for tests.
struct LegendBox {
    int x, y, width, height;
};
LegendBox DrawLegendBox(Canvas& canvas, const PixelScale& scale);

// The entries in rows across `width` pixels from (x, y); returns the height
// they take. With draw false it only measures.
int LegendRows(Canvas& canvas, int x, int y, int width, bool draw);

inline constexpr int kLegendTextSize = 9;
