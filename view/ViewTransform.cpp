#include "view/ViewTransform.h"

#include <cmath>

#include "view/ViewReset.h"
#include "workspace/Workspace.h"

namespace {
void Rotate(const double (&r)[5][5]) {
    for (int twice = 0; twice < 2; ++twice)
        for (int p = 1; p <= 2; ++p) {
            double t[5] = {};
            for (int q = 1; q <= 4; ++q) {
                double sum = 0;
                for (int k = 1; k <= 4; ++k) sum += r[q][k] * ws.ViewMatrix[k][p];
                t[q] = sum;
            }
            for (int q = 1; q <= 4; ++q) ws.ViewMatrix[q][p] = t[q];
        }
}
}  // namespace

void TransformView(int code) {
    if (code == 1) Rotate(ws.RotStep1);
    if (code == 2) Rotate(ws.RotStep2);
    if (code == 3) Rotate(ws.RotStep3);
    if (code == 5) ws.ViewCentre[5] = ws.ZoomStep * ws.ViewCentre[5];

    const int rows = ws.ProjectedItems();
    const double scale = ws.ViewCentre[5];
    const int half1 = ws.MapSize1 / 2;
    const int half2 = ws.MapSize2 / 2;
    for (int p = 1; p <= rows; ++p)
        for (int q = 1; q <= 2; ++q) {
            double acc = 0;
            for (int r = 1; r <= 4; ++r)
                acc = acc + (static_cast<double>(ws.MapCoords[p][r]) - ws.ViewCentre[r]) *
                                ws.ViewMatrix[r][q] * scale;
            ws.ProjCoords[p][q] = acc + (q == 1 ? half1 : half2);
        }
}

PixelScale MapPixelScale(int panelWidth, int panelHeight) {
    const int w1 = panelWidth - 1;
    const int h1 = panelHeight - 1;
    PixelScale s;
    s.sx = static_cast<float>(static_cast<double>(w1) / ws.MapSize1 * static_cast<double>(ws.ViewZoom));
    s.sy = static_cast<float>(static_cast<double>(h1) / ws.MapSize2 * static_cast<double>(ws.ViewZoom));
    s.h1 = h1;
    s.cosAngle = std::cos(static_cast<double>(ws.ViewAngle));
    s.sinAngle = std::sin(static_cast<double>(ws.ViewAngle));
    return s;
}

int TruncPixel(double v) {
    constexpr double kFar = 1e8;
    if (!(v > -kFar)) return static_cast<int>(-kFar);  // not-a-number too
    if (v > kFar) return static_cast<int>(kFar);
    return static_cast<int>(v);
}

MapPixel PixelOf(const PixelScale& scale, double p1, double p2) {
    return {TruncPixel(scale.cosAngle * p2 + static_cast<double>(scale.sx) * p1 + 0.5),
            TruncPixel(scale.sinAngle * (static_cast<double>(scale.sy) * p2) + 0.5)};
}
