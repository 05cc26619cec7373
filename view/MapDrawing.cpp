#include "view/MapDrawing.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "table/Capacities.h"
#include "text/Words.h"
#include "view/MapLegend.h"
#include "view/MarkColours.h"
#include "view/ViewFit.h"
#include "view/ViewTransform.h"

namespace {

void DrawEdges(Canvas& canvas, const MapScene& scene, const PixelScale& scale, int n, float limit);
// Draws the marks and the edges inside a drawing scope the caller holds;
// returns the pixel scale they were drawn at.
PixelScale DrawMarksAndEdges(Canvas& canvas, const MapScene& scene);

}  // namespace

float EdgeLimit(const MapScene& scene) {
    return scene.view.edgeFactor * LargestDistance(scene.distances, std::min(scene.map.n, scene.distances.n));
}

std::string MapName(const MapScene& scene, int i) {
    const std::string name = OneLine(scene.table.Name(i));
    if (name.empty()) return std::to_string(scene.Number(i));
    // The byte after the first `chars` characters (a first byte and the
    // continuation bytes after it each).
    const auto after = [&name](int chars) {
        std::size_t end = 0;
        for (int c = 0; end < name.size() && c < chars; ++c) do
                ++end;
            while (end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80);
        return end;
    };
    if (after(kNameChars) == name.size()) return name;
    return name.substr(0, after(kNameChars - 1)) + "\u2026";  // a longer name says it is cut
}

bool MapHasNames(const MapScene& scene) {
    return !scene.prototypes && scene.table.HasNames();
}

void DrawMap(Canvas& canvas, const MapScene& scene) {
    const DrawingScope drawing(canvas);
    const PixelScale scale = DrawMarksAndEdges(canvas, scene);
    if (scene.view.showLegend && scene.Points() > 0) DrawLegendBox(canvas, scene, scale);
}

void DrawMapAlone(Canvas& canvas, const MapScene& scene) {
    const DrawingScope drawing(canvas);
    DrawMarksAndEdges(canvas, scene);
}

namespace {

PixelScale DrawMarksAndEdges(Canvas& canvas, const MapScene& scene) {
    canvas.SetTextSize(kPanelTextSize);
    const View& view = scene.view;
    const PixelScale scale = MapPixelScale(view, scene.map, canvas.Width(), canvas.Height());
    const int h1 = scale.h1;
    canvas.SetCrossCursor();
    canvas.Clear();  // marks beyond the frame must not stay from an earlier map
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, 0, canvas.Width() - 1, h1);

    const int n = scene.Points();
    for (int i = 1; i <= n; ++i) {
        const double* p = view.Projected(i);
        const MapPixel at = PixelOf(scale, p[1], p[2]);
        const float probability = i < static_cast<int>(scene.clusters.probability.size())
                                      ? scene.clusters.probability[static_cast<std::size_t>(i)]
                                      : 0.0f;
        const bool placed = scene.Placed(i);
        const int h = placed ? 0 : TruncPixel(static_cast<double>(probability) * 10.0);
        const int barTop = at.yUp + TruncPixel(h * static_cast<double>(view.markScale) + 0.5);
        const MarkLook look = LookOf(scene, i);
        const int r = look.radius;
        canvas.SetBrushColor(look.fill);
        canvas.SetPenColor(look.outline);
        const int y = h1 - at.yUp;
        if (view.mode == kViewBars && !placed) canvas.Rectangle(at.x - 2, y, at.x + 2, h1 - barTop);
        canvas.Ellipse(at.x + r, y - r, at.x - r, y + r);
        canvas.SetBrushColor(kWhite);
        if (view.mode == kViewNumbers && !placed) canvas.TextOut(at.x - 2, y + 4, std::to_string(scene.Number(i)));
        if (view.mode == kViewNames && !placed) canvas.TextOut(at.x - 2, y + 4, MapName(scene, i));
        canvas.SetPenColor(kBlack);
    }

    const float limit = EdgeLimit(scene);
    if (view.showEdges) DrawEdges(canvas, scene, scale, std::min(n, scene.distances.n), limit);
    return scale;
}

void DrawEdges(Canvas& canvas, const MapScene& scene, const PixelScale& scale, int n, float limit) {
    const int h1 = scale.h1;
    canvas.SetPenColor(kGrey);
    MapPixel ends[kMaxMapItems + 1];
    n = std::min(n, kMaxMapItems);
    for (int i = 1; i <= n; ++i) {
        const double* p = scene.view.Projected(i);
        ends[i] = PixelOf(scale, static_cast<float>(p[1]), static_cast<float>(p[2]));
    }
    const DistanceMatrix& d = scene.distances;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            if (!(d.At(i, j) < limit)) continue;  // the row first: most pairs end here
            if (!(d.At(j, i) < limit)) continue;
            const bool tree = scene.tree.Linked(i, j);
            canvas.SetPenWidth(tree ? 2 : 1);
            canvas.SetPenColor(tree ? kBlack : kGrey);
            canvas.MoveTo(ends[i].x, h1 - ends[i].yUp);
            canvas.LineTo(ends[j].x, h1 - ends[j].yUp);
        }
    canvas.SetPenColor(kBlack);
}

}  // namespace
