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
bool Fit(View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin, bool keepCentre) {
    const MapLayout& map = scene.map;
    const int rows = std::min(view.ProjectedPoints(), map.n);
    if (rows == 0) return false;
    const PixelScale scale = MapPixelScale(view, map, panelWidth, panelHeight);
    const double pixels[2] = {static_cast<double>(scale.sx), static_cast<double>(scale.sy)};
    const double extent[2] = {static_cast<double>(panelWidth - 1), static_cast<double>(scale.h1)};
    const int halves[2] = {map.size[1] / 2, map.size[2] / 2};

    double low[2], high[2], centre[2];
    for (int q = 0; q < 2; ++q) {
        low[q] = std::numeric_limits<double>::infinity();
        high[q] = -low[q];
        centre[q] = 0;
        for (int r = 1; r <= 4; ++r) centre[q] += view.centre[r] * view.matrix[r][q + 1];
        for (int p = 1; p <= rows; ++p) {
            double u = 0;
            for (int r = 1; r <= 4; ++r) u += static_cast<double>(map.Point(p)[r]) * view.matrix[r][q + 1];
            low[q] = std::min(low[q], u);
            high[q] = std::max(high[q], u);
        }
    }

    // The largest scale that keeps every mark, with its bar or label,
    // inside on both axes: the room on each side of an axis, low then high.
    const MarkReach reach = ReachOfMarks(scene, rows);
    const double pad[2][2] = {{margin + reach.left, margin + reach.right},
                              {margin + reach.down, margin + reach.up}};
    double fitted = std::numeric_limits<double>::infinity();
    for (int q = 0; q < 2; ++q) {
        const double room = keepCentre ? extent[q] / 2 - std::max(pad[q][0], pad[q][1])
                                       : (extent[q] - pad[q][0] - pad[q][1]) / 2;
        const double spread =
            keepCentre ? std::max(high[q] - centre[q], centre[q] - low[q]) : (high[q] - low[q]) / 2;
        if (spread > 0 && pixels[q] > 0) fitted = std::min(fitted, room / (pixels[q] * spread));
    }
    if (std::isfinite(fitted) && fitted > 0) view.centre[5] = fitted;
    const double s = view.centre[5];

    if (!keepCentre) {
        // The centre, seen through the view, that puts the middle of the
        // marks in the middle of the room the panel leaves them; then the map
        // centre that gives it.
        double seen[2];
        for (int q = 0; q < 2; ++q) {
            const double middle = (extent[q] + pad[q][0] - pad[q][1]) / 2;
            seen[q] = (low[q] + high[q]) / 2 - (middle / pixels[q] - halves[q]) / s;
        }
        double g[2][2] = {};
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                for (int r = 1; r <= 4; ++r) g[a][b] += view.matrix[r][a + 1] * view.matrix[r][b + 1];
        const double det = g[0][0] * g[1][1] - g[0][1] * g[1][0];
        if (det != 0) {
            const double alpha = (g[1][1] * seen[0] - g[0][1] * seen[1]) / det;
            const double beta = (g[0][0] * seen[1] - g[1][0] * seen[0]) / det;
            for (int r = 1; r <= 4; ++r)
                view.centre[r] = alpha * view.matrix[r][1] + beta * view.matrix[r][2];
        }
    }
    view.zoomStep = 1.0;
    TransformView(view, map, 5);
    return true;
}

}  // namespace

bool FitView(View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin) {
    return Fit(view, scene, panelWidth, panelHeight, margin, false);
}

bool FitZoom(View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin) {
    return Fit(view, scene, panelWidth, panelHeight, margin, true);
}
