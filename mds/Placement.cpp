#include "mds/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMostSteps = 100;
constexpr double kSmallestMove = 0.001;  // map units

// Solves the m by m system a x = v (m <= 3) by elimination with pivoting;
// false when it is singular.
bool Solve(double a[3][3], double v[3], int m, double x[3]) {
    for (int c = 0; c < m; ++c) {
        int pivot = c;
        for (int r = c + 1; r < m; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (!(std::fabs(a[pivot][c]) > 0)) return false;
        std::swap(a[c], a[pivot]);
        std::swap(v[c], v[pivot]);
        for (int r = c + 1; r < m; ++r) {
            const double f = a[r][c] / a[c][c];
            for (int k = c; k < m; ++k) a[r][k] -= f * a[c][k];
            v[r] -= f * v[c];
        }
    }
    for (int c = m - 1; c >= 0; --c) {
        double sum = v[c];
        for (int k = c + 1; k < m; ++k) sum -= a[c][k] * x[k];
        x[c] = sum / a[c][c];
    }
    return true;
}

}  // namespace

Placer::Placer(const MapLayout& landmarks, const PlacementRule& rule)
    : landmarks_(landmarks),
      rule_(rule),
      target_(static_cast<std::size_t>(landmarks.n) + 1),
      weight_(static_cast<std::size_t>(landmarks.n) + 1) {
    rule_.m = std::clamp(rule.m, 1, 3);
}

// The sum of w (s - t)^2, s the squared map distance to a landmark, t its
// squared distance / b.
double Placer::Stress(const double* place) const {
    double stress = 0;
    for (int j = 1; j <= landmarks_.n; ++j) {
        const float* y = landmarks_.Point(j);
        double s = 0;
        for (int a = 1; a <= rule_.m; ++a) s += (place[a] - y[a]) * (place[a] - y[a]);
        const double r = s - target_[static_cast<std::size_t>(j)];
        stress += weight_[static_cast<std::size_t>(j)] * r * r;
    }
    return stress;
}

int Placer::Place(const float* distances, float* position) {
    const int n = landmarks_.n, m = rule_.m;
    int nearest = 0;
    float closest = std::numeric_limits<float>::infinity();
    for (int j = 1; j <= n; ++j)
        if (distances[j] < closest) {  // not-a-number is never nearest
            closest = distances[j];
            nearest = j;
        }
    double p[4] = {};
    for (int a = 1; a <= m; ++a) p[a] = nearest > 0 ? landmarks_.Point(nearest)[a] : rule_.box / 2.0;
    const auto write = [&] {
        for (int a = 1; a <= m; ++a) position[a] = static_cast<float>(p[a]);
    };
    if (nearest == 0 || closest == 0) return write(), 0;

    for (int j = 1; j <= n; ++j) {
        const double d = distances[j];
        target_[static_cast<std::size_t>(j)] = std::isnan(d) ? 0.0 : d * d / std::max(rule_.b, 1);
        weight_[static_cast<std::size_t>(j)] = d <= rule_.radius ? 1.0 : rule_.farWeight;  // not-a-number is far
    }
    // Just inside the box, as a move of the step must stay.
    const double low = rule_.box * 1e-6, high = rule_.box * (1 - 1e-6);
    double stress = Stress(p);
    double damping = 1e-3;
    int steps = 0;
    while (steps < kMostSteps) {
        ++steps;
        // The Gauss-Newton system of the residuals sqrt(w) (s - t): J^T J and -J^T r.
        double a[3][3] = {}, v[3] = {};
        for (int j = 1; j <= n; ++j) {
            const float* y = landmarks_.Point(j);
            double d[3], s = 0;
            for (int k = 0; k < m; ++k) {
                d[k] = p[k + 1] - y[k + 1];
                s += d[k] * d[k];
            }
            const double w = weight_[static_cast<std::size_t>(j)], r = s - target_[static_cast<std::size_t>(j)];
            for (int k = 0; k < m; ++k) {
                v[k] -= 2 * w * r * d[k];
                for (int l = 0; l < m; ++l) a[k][l] += 4 * w * d[k] * d[l];
            }
        }
        bool accepted = false;
        double moved = 0;
        while (!accepted && damping < 1e12) {
            double damped[3][3], rhs[3], step[3] = {};
            for (int k = 0; k < m; ++k) {
                for (int l = 0; l < m; ++l) damped[k][l] = a[k][l];
                damped[k][k] += damping * (a[k][k] + 1e-12);
                rhs[k] = v[k];
            }
            if (!Solve(damped, rhs, m, step)) {
                damping *= 10;
                continue;
            }
            double next[4] = {};
            moved = 0;
            for (int k = 1; k <= m; ++k) {
                next[k] = std::clamp(p[k] + step[k - 1], low, high);
                moved += (next[k] - p[k]) * (next[k] - p[k]);
            }
            const double nextStress = Stress(next);
            if (nextStress < stress) {
                std::copy(next, next + 4, p);
                stress = nextStress;
                damping = std::max(damping / 10, 1e-9);
                accepted = true;
            } else {
                damping *= 10;
            }
        }
        if (!accepted || std::sqrt(moved) < kSmallestMove) break;
    }
    write();
    return steps;
}
