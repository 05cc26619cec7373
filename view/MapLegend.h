// What the map's colours, bars and mark sizes mean: a small box over the
// panel, in the corner with the fewest marks under it, or rows below the
// map in a picture.
#pragma once

#include <cstdint>

#include "form/Canvas.h"
#include "view/ViewTransform.h"
#include "table/Capacities.h"
#include "view/MapScene.h"

inline constexpr int kLegendNameBytes = 63;  // of a name in the legend; a longer one is cut, ending in "…"

struct LegendEntry {
    bool mark;  // a sample mark before the text; false for a line of text
    std::uint32_t fill, outline;
    int radius;
    char text[kLegendNameBytes + 33];  // a name and what follows it: " (most members)", ": 1500"
};

// The legend of the map as it is drawn now: a title, then for clusters each
// cluster's centre and its items and "other" for those in none, with a
// line on the bars and mark sizes; for classes each class and its count.
// Fixed storage: a map is drawn many times a second during a run.
struct Legend {
    static constexpr int kCapacity = kMaxMapItems + 4;  // a title, clusters, "other" and a line
    LegendEntry entries[kCapacity];
    int count = 0;
    const LegendEntry* begin() const { return entries; }
    const LegendEntry* end() const { return entries + count; }
};
void LegendEntries(const MapScene& scene, Legend& legend);

// The box over a panel of the canvas's size. Returns it, for tests.
struct LegendBox {
    int x, y, width, height;
};
LegendBox DrawLegendBox(Canvas& canvas, const MapScene& scene, const PixelScale& scale);

// The entries in rows across `width` pixels from (x, y), and the height
// they take.
void DrawLegendRows(Canvas& canvas, const MapScene& scene, int x, int y, int width);
int LegendRowsHeight(Canvas& canvas, const MapScene& scene, int width);

inline constexpr int kLegendTextSize = 9;
