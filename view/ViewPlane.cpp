#include "view/ViewPlane.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "table/Capacities.h"

namespace {

using Matrix = std::array<std::array<double, 4>, 4>;

// The eigenvectors of a symmetric matrix of size m by Jacobi's rotations:
// the columns of `vectors`, their eigenvalues on the diagonal of `a`.
void Eigen(Matrix& a, Matrix& vectors, int m) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) vectors[i][j] = i == j;
    for (int sweep = 0; sweep < 50; ++sweep) {
        double off = 0;
        for (int p = 0; p < m; ++p)
            for (int q = p + 1; q < m; ++q) off += a[p][q] * a[p][q];
        if (off < 1e-30) return;
        for (int p = 0; p < m; ++p)
            for (int q = p + 1; q < m; ++q) {
                if (a[p][q] == 0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < m; ++k) {  // a = J^T a J
                    const double kp = a[k][p], kq = a[k][q];
                    a[k][p] = c * kp - s * kq;
                    a[k][q] = s * kp + c * kq;
                }
                for (int k = 0; k < m; ++k) {
                    const double pk = a[p][k], qk = a[q][k];
                    a[p][k] = c * pk - s * qk;
                    a[q][k] = s * pk + c * qk;
                }
                for (int k = 0; k < m; ++k) {
                    const double kp = vectors[k][p], kq = vectors[k][q];
                    vectors[k][p] = c * kp - s * kq;
                    vectors[k][q] = s * kp + c * kq;
                }
            }
    }
}

void SetScreenAxis(View& view, int q, const double* direction) {
    for (int r = 1; r <= 4; ++r) view.matrix[r][q] = direction[r - 1];
}

}  // namespace

void ViewAxes(View& view, int a, int b) {
    double first[4] = {}, second[4] = {};
    first[std::clamp(a, 1, 4) - 1] = 1;
    second[std::clamp(b, 1, 4) - 1] = 1;
    SetScreenAxis(view, 1, first);
    SetScreenAxis(view, 2, second);
}

void ViewPrincipalPlane(View& view, const MapLayout& map, int m) {
    const int n = MapRows(map.n);
    m = std::clamp(m, 1, 4);
    if (n < 2 || m < 2) return ViewAxes(view, 1, 2);
    double mean[4] = {};
    for (int i = 1; i <= n; ++i)
        for (int r = 0; r < m; ++r) mean[r] += map.Point(i)[r + 1] / static_cast<double>(n);
    Matrix spread{};
    for (int i = 1; i <= n; ++i)
        for (int r = 0; r < m; ++r)
            for (int s = 0; s < m; ++s)
                spread[r][s] += (map.Point(i)[r + 1] - mean[r]) * (map.Point(i)[s + 1] - mean[s]);
    Matrix vectors{};
    Eigen(spread, vectors, m);
    // The axes of the two largest spreads, the first of equals first.
    int order[2] = {0, 0};
    for (int k = 1; k < m; ++k)
        if (spread[k][k] > spread[order[0]][order[0]]) order[0] = k;
    order[1] = order[0] == 0 ? 1 : 0;
    for (int k = 0; k < m; ++k)
        if (k != order[0] && spread[k][k] > spread[order[1]][order[1]]) order[1] = k;
    for (int q = 1; q <= 2; ++q) {
        double direction[4] = {};
        int largest = 0;
        for (int r = 0; r < m; ++r) {
            direction[r] = vectors[r][order[q - 1]];
            if (std::fabs(direction[r]) > std::fabs(direction[largest])) largest = r;
        }
        if (direction[largest] < 0)
            for (double& d : direction) d = -d;
        SetScreenAxis(view, q, direction);
    }
}
