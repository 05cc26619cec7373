#include "view/ViewFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "view/MapDrawing.h"
#include "view/MarkColours.h"
#include "view/ViewReset.h"
#include "view/ViewTransform.h"

int MarksOutside(const View& view, const MapLayout& map, int panelWidth, int panelHeight) {
    const PixelScale scale = MapPixelScale(view, map, panelWidth, panelHeight);
    const int rows = view.ProjectedPoints();
    int outside = 0;
    for (int p = 1; p <= rows; ++p) {
        const MapPixel at = PixelOf(scale, view.Projected(p)[1], view.Projected(p)[2]);
        const int y = scale.h1 - at.yUp;
        if (at.x < 0 || at.x > panelWidth - 1 || y < 0 || y > scale.h1) ++outside;
    }
    return outside;
}

namespace {

// A label's size in the map's font, reckoned without a canvas: generous,
// so that a fitted picture keeps every label whole.
constexpr double kLabelCharWidth = 0.65 * kPanelTextSize;
constexpr double kLabelHeight = 1.5 * kPanelTextSize;

// How far the drawing of a mark reaches from its centre, in pixels: its
// circle, its bar above it, its label below and to the right. A placed row
// has neither bar nor label.
struct MarkReach {
    double left, right, down, up;
};

MarkReach ReachOfMarks(const MapScene& scene, int rows) {
    MarkReach reach{kCentreRadius, kCentreRadius, kCentreRadius, kCentreRadius};
    const View& view = scene.view;
    for (int p = 1; p <= rows; ++p) {
        if (scene.Placed(p)) {
            continue;
        } else if (view.mode == kViewBars) {
            const float probability = p < static_cast<int>(scene.clusters.probability.size())
                                          ? scene.clusters.probability[static_cast<std::size_t>(p)]
                                          : 0.0f;
            const int h = TruncPixel(static_cast<double>(probability) * 10.0);
            reach.up = std::max(reach.up, TruncPixel(h * static_cast<double>(view.markScale) + 0.5) + 0.0);
        } else if (view.mode == kViewNumbers || view.mode == kViewNames) {
            const std::size_t chars =
                view.mode == kViewNames ? MapName(scene, p).size() : std::to_string(scene.Number(p)).size();
            reach.right = std::max(reach.right, kLabelCharWidth * static_cast<double>(chars) - 2);
            reach.down = std::max(reach.down, 4 + kLabelHeight);
        }
    }
    return reach;
}

// The projection is ProjCoords = (u - c) S + half per screen axis, u the map
// position seen through the view matrix, c the centre seen the same way and
// S the display scale; the pixel is about sx ProjCoords[1] across and
// sy ProjCoords[2] up (the runs' view angle is a right angle).
struct SeenMarks {
    int rows = 0;
    double pixels[2], extent[2], halves[2];
    double low[2], high[2], centre[2];
    double pad[2][2];  // the room each side of an axis needs, low then high
};

SeenMarks See(const View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin) {
    const MapLayout& map = scene.map;
    SeenMarks seen;
    seen.rows = std::min(view.ProjectedPoints(), map.n);
    if (seen.rows == 0) return seen;
    const PixelScale scale = MapPixelScale(view, map, panelWidth, panelHeight);
    seen.pixels[0] = static_cast<double>(scale.sx);
    seen.pixels[1] = static_cast<double>(scale.sy);
    seen.extent[0] = static_cast<double>(panelWidth - 1);
    seen.extent[1] = static_cast<double>(scale.h1);
    seen.halves[0] = map.size[1] / 2;
    seen.halves[1] = map.size[2] / 2;
    for (int q = 0; q < 2; ++q) {
        seen.low[q] = std::numeric_limits<double>::infinity();
        seen.high[q] = -seen.low[q];
        seen.centre[q] = 0;
        for (int r = 1; r <= 4; ++r) seen.centre[q] += view.centre[r] * view.matrix[r][q + 1];
        for (int p = 1; p <= seen.rows; ++p) {
            double u = 0;
            for (int r = 1; r <= 4; ++r) u += static_cast<double>(map.Point(p)[r]) * view.matrix[r][q + 1];
            seen.low[q] = std::min(seen.low[q], u);
            seen.high[q] = std::max(seen.high[q], u);
        }
    }
    // Every mark, with its bar or label, stays inside on both axes.
    const MarkReach reach = ReachOfMarks(scene, seen.rows);
    seen.pad[0][0] = margin + reach.left;
    seen.pad[0][1] = margin + reach.right;
    seen.pad[1][0] = margin + reach.down;
    seen.pad[1][1] = margin + reach.up;
    return seen;
}

// Takes the largest scale with the marks' spread inside the room on both
// axes, when there is one.
void Scale(View& view, const SeenMarks& seen, const double room[2], const double spread[2]) {
    double fitted = std::numeric_limits<double>::infinity();
    for (int q = 0; q < 2; ++q)
        if (spread[q] > 0 && seen.pixels[q] > 0) fitted = std::min(fitted, room[q] / (seen.pixels[q] * spread[q]));
    if (std::isfinite(fitted) && fitted > 0) view.centre[5] = fitted;
}

// Shows the view at the scale it was given.
void ShowFitted(View& view, const MapLayout& map) {
    view.zoomStep = 1.0;
    TransformView(view, map, 5);
}

// The centre, seen through the view, that puts the middle of the marks in
// the middle of the room the panel leaves them; then the map centre that
// gives it.
void CentreMarks(View& view, const SeenMarks& seen) {
    const double s = view.centre[5];
    double at[2];
    for (int q = 0; q < 2; ++q) {
        const double middle = (seen.extent[q] + seen.pad[q][0] - seen.pad[q][1]) / 2;
        at[q] = (seen.low[q] + seen.high[q]) / 2 - (middle / seen.pixels[q] - seen.halves[q]) / s;
    }
    double g[2][2] = {};
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int r = 1; r <= 4; ++r) g[a][b] += view.matrix[r][a + 1] * view.matrix[r][b + 1];
    const double det = g[0][0] * g[1][1] - g[0][1] * g[1][0];
    if (det != 0) {
        const double alpha = (g[1][1] * at[0] - g[0][1] * at[1]) / det;
        const double beta = (g[0][0] * at[1] - g[1][0] * at[0]) / det;
        for (int r = 1; r <= 4; ++r) view.centre[r] = alpha * view.matrix[r][1] + beta * view.matrix[r][2];
    }
}

}  // namespace

bool FitView(View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin) {
    const SeenMarks seen = See(view, scene, panelWidth, panelHeight, margin);
    if (seen.rows == 0) return false;
    double room[2], spread[2];
    for (int q = 0; q < 2; ++q) {
        room[q] = (seen.extent[q] - seen.pad[q][0] - seen.pad[q][1]) / 2;
        spread[q] = (seen.high[q] - seen.low[q]) / 2;
    }
    Scale(view, seen, room, spread);
    CentreMarks(view, seen);
    ShowFitted(view, scene.map);
    return true;
}

// The zoom that fits keeps the centre: the room is what the wider side
// leaves around it.
bool FitZoom(View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin) {
    const SeenMarks seen = See(view, scene, panelWidth, panelHeight, margin);
    if (seen.rows == 0) return false;
    double room[2], spread[2];
    for (int q = 0; q < 2; ++q) {
        room[q] = seen.extent[q] / 2 - std::max(seen.pad[q][0], seen.pad[q][1]);
        spread[q] = std::max(seen.high[q] - seen.centre[q], seen.centre[q] - seen.low[q]);
    }
    Scale(view, seen, room, spread);
    ShowFitted(view, scene.map);
    return true;
}
