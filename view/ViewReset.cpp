#include "view/ViewReset.h"

#include <algorithm>
#include <cmath>

#include "table/Capacities.h"

namespace {
void SetRows3(double (&m)[5][5], const double (&rows)[3][3]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r + 1][c + 1] = rows[r][c];
}
}  // namespace

void ResetView(View& view, const MapLayout& map) {
    view.zoomStep = 1.0;
    view.centre[5] = 1.0;
    // The centre of the axes a map does not use is 0, as before any run,
    // so a map looks the same whatever ran before it.
    for (int j = 1; j <= 4; ++j) view.centre[j] = 0;
    const double c = 0.9999;
    const double s = std::sqrt(1.0 - c * c);
    SetRows3(view.rotation[1], {{1, 0, 0}, {0, c, -s}, {0, s, c}});
    SetRows3(view.rotation[2], {{c, s, 0}, {-s, c, 0}, {0, 0, 1}});
    SetRows3(view.rotation[3], {{c, 0, s}, {0, 1, 0}, {-s, 0, c}});
    view.matrix[1][1] = 1;
    view.matrix[1][2] = 0;
    view.matrix[2][1] = 0;
    view.matrix[2][2] = 1;
    view.matrix[3][1] = 0;
    view.matrix[3][2] = 0;
    view.projected.assign(static_cast<std::size_t>(map.n + 1) * 3, 0.0);
    for (int i = 1; i <= map.n; ++i)
        for (int q = 1; q <= 2; ++q) {
            double sum = 0;
            for (int r = 1; r <= 4; ++r) sum += view.matrix[r][q] * static_cast<double>(map.Point(i)[r]);
            view.Projected(i)[q] = sum;
        }
}

void MapCentre(View& view, const MapLayout& map, int m) {
    const int n = MapRows(map.n);
    m = std::min(m, 4);
    if (n <= 0) return;  // no map: the centre keeps its value
    for (int j = 1; j <= m; ++j) {
        double sum = 0;
        for (int i = 1; i <= n; ++i) sum += static_cast<double>(map.Point(i)[j]);
        view.centre[j] = sum / n;
    }
}
