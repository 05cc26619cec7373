#include "view/ViewReset.h"

#include <algorithm>
#include <cmath>

#include "workspace/Workspace.h"

namespace {
void SetRows3(double (&m)[5][5], const double (&rows)[3][3]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r + 1][c + 1] = rows[r][c];
}
}  // namespace

void ResetView() {
    ws.ZoomStep = 1.0;
    ws.ViewCentre[5] = 1.0;
    // The centre of the axes a map does not use is 0, as before any run,
    // so a map looks the same whatever ran before it.
    for (int j = 1; j <= 4; ++j) ws.ViewCentre[j] = 0;
    const double c = 0.9999;
    const double s = std::sqrt(1.0 - c * c);
    SetRows3(ws.RotStep1, {{1, 0, 0}, {0, c, -s}, {0, s, c}});
    SetRows3(ws.RotStep2, {{c, s, 0}, {-s, c, 0}, {0, 0, 1}});
    SetRows3(ws.RotStep3, {{c, 0, s}, {0, 1, 0}, {-s, 0, c}});
    ws.ViewMatrix[1][1] = 1;
    ws.ViewMatrix[1][2] = 0;
    ws.ViewMatrix[2][1] = 0;
    ws.ViewMatrix[2][2] = 1;
    ws.ViewMatrix[3][1] = 0;
    ws.ViewMatrix[3][2] = 0;
    ws.ProjectedCount = ws.ItemCount - ws.FirstItem + 1;
    const int rows = ws.ProjectedItems();
    for (int i = 1; i <= rows; ++i)
        for (int q = 1; q <= 2; ++q) {
            double sum = 0;
            for (int r = 1; r <= 4; ++r) sum += ws.ViewMatrix[r][q] * static_cast<double>(ws.MapCoords[i][r]);
            ws.ProjCoords[i][q] = sum;
        }
}

void MapCentre(int n, int m) {
    n = std::min(n, kMaxMapItems);
    m = std::min(m, 4);
    if (n <= 0) return;  // no map: the centre keeps its value
    for (int j = 1; j <= m; ++j) {
        double sum = 0;
        for (int i = 1; i <= n; ++i) sum += static_cast<double>(ws.MapCoords[i][j]);
        ws.ViewCentre[j] = sum / n;
    }
}
