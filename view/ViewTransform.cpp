#include "view/ViewTransform.h"

#include <cmath>

namespace {
void Rotate(View& view, const double (&r)[5][5]) {
    for (int twice = 0; twice < 2; ++twice)
        for (int p = 1; p <= 2; ++p) {
            double t[5] = {};
            for (int q = 1; q <= 4; ++q) {
                double sum = 0;
                for (int k = 1; k <= 4; ++k) sum += r[q][k] * view.matrix[k][p];
                t[q] = sum;
            }
            for (int q = 1; q <= 4; ++q) view.matrix[q][p] = t[q];
        }
}
}  // namespace

void TransformView(View& view, const MapLayout& map, int code) {
    if (code >= 1 && code <= 3) Rotate(view, view.rotation[code]);
    if (code == 5) view.centre[5] = view.zoomStep * view.centre[5];

    const int rows = view.ProjectedPoints();
    const double scale = view.centre[5];
    const int half1 = map.size[1] / 2;
    const int half2 = map.size[2] / 2;
    for (int p = 1; p <= rows && p <= map.n; ++p) {
        const float* at = map.Point(p);
        for (int q = 1; q <= 2; ++q) {
            double acc = 0;
            for (int r = 1; r <= 4; ++r)
                acc = acc + (static_cast<double>(at[r]) - view.centre[r]) * view.matrix[r][q] * scale;
            view.Projected(p)[q] = acc + (q == 1 ? half1 : half2);
        }
    }
}

PixelScale MapPixelScale(const View& view, const MapLayout& map, int panelWidth, int panelHeight) {
    const int w1 = panelWidth - 1;
    const int h1 = panelHeight - 1;
    PixelScale s;
    s.sx = static_cast<float>(static_cast<double>(w1) / map.size[1] * static_cast<double>(view.zoom));
    s.sy = static_cast<float>(static_cast<double>(h1) / map.size[2] * static_cast<double>(view.zoom));
    s.h1 = h1;
    s.cosAngle = std::cos(static_cast<double>(view.angle));
    s.sinAngle = std::sin(static_cast<double>(view.angle));
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
