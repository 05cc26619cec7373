#include "mds/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distances/VectorTargets.h"

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

// Over landmarks 0..n-1 (places on m axes by axis, targets t, weights w),
// at the point p: the stress sum w (s - t)^2, s the squared map distance,
// and, when asked, the Gauss-Newton system of the residuals sqrt(w) (s - t):
// J^T J into a and -J^T r into v.
struct Landmark {
    const float* const* axis;
    const float* t;
    const float* w;
    int n, m;
};

VECTOR_TARGETS double StressAt(const Landmark& l, const double* p) {
    const float p0 = static_cast<float>(p[1]), p1 = static_cast<float>(p[2]), p2 = static_cast<float>(p[3]);
    const float* x0 = l.axis[0];
    const float* x1 = l.axis[1];
    const float* x2 = l.axis[2];
    float stress = 0;
    if (l.m == 1) {
#pragma omp simd reduction(+ : stress)
        for (int j = 0; j < l.n; ++j) {
            const float d0 = p0 - x0[j], r = d0 * d0 - l.t[j];
            stress += l.w[j] * r * r;
        }
    } else if (l.m == 2) {
#pragma omp simd reduction(+ : stress)
        for (int j = 0; j < l.n; ++j) {
            const float d0 = p0 - x0[j], d1 = p1 - x1[j], r = d0 * d0 + d1 * d1 - l.t[j];
            stress += l.w[j] * r * r;
        }
    } else {
#pragma omp simd reduction(+ : stress)
        for (int j = 0; j < l.n; ++j) {
            const float d0 = p0 - x0[j], d1 = p1 - x1[j], d2 = p2 - x2[j], r = d0 * d0 + d1 * d1 + d2 * d2 - l.t[j];
            stress += l.w[j] * r * r;
        }
    }
    return stress;
}

VECTOR_TARGETS void System(const Landmark& l, const double* p, double a[3][3], double v[3]) {
    const float p0 = static_cast<float>(p[1]), p1 = static_cast<float>(p[2]), p2 = static_cast<float>(p[3]);
    const float* x0 = l.axis[0];
    const float* x1 = l.axis[1];
    const float* x2 = l.axis[2];
    const bool has1 = l.m >= 2, has2 = l.m >= 3;
    float v0 = 0, v1 = 0, v2 = 0, a00 = 0, a01 = 0, a02 = 0, a11 = 0, a12 = 0, a22 = 0;
#pragma omp simd reduction(+ : v0, v1, v2, a00, a01, a02, a11, a12, a22)
    for (int j = 0; j < l.n; ++j) {
        const float d0 = p0 - x0[j], d1 = has1 ? p1 - x1[j] : 0.0f, d2 = has2 ? p2 - x2[j] : 0.0f;
        const float w = l.w[j], r = d0 * d0 + d1 * d1 + d2 * d2 - l.t[j];
        const float g = 2 * w * r, h = 4 * w;
        v0 -= g * d0;
        v1 -= g * d1;
        v2 -= g * d2;
        a00 += h * d0 * d0;
        a01 += h * d0 * d1;
        a02 += h * d0 * d2;
        a11 += h * d1 * d1;
        a12 += h * d1 * d2;
        a22 += h * d2 * d2;
    }
    const double sums[3][3] = {{a00, a01, a02}, {a01, a11, a12}, {a02, a12, a22}};
    const double rhs[3] = {v0, v1, v2};
    for (int k = 0; k < 3; ++k) {
        v[k] = rhs[k];
        for (int c = 0; c < 3; ++c) a[k][c] = sums[k][c];
    }
}

}  // namespace

Placer::Placer(const MapLayout& landmarks, const PlacementRule& rule)
    : n_(landmarks.n),
      rule_(rule),
      target_(static_cast<std::size_t>(landmarks.n)),
      weight_(static_cast<std::size_t>(landmarks.n)) {
    rule_.m = std::clamp(rule.m, 1, 3);
    for (int a = 0; a < 3; ++a) {
        axis_[a].assign(static_cast<std::size_t>(n_), 0.0f);
        if (a < rule_.m)
            for (int j = 1; j <= n_; ++j) axis_[a][static_cast<std::size_t>(j - 1)] = landmarks.Point(j)[a + 1];
    }
}

int Placer::Place(const float* distances, float* position) {
    const int n = n_, m = rule_.m;
    int nearest = 0;
    float closest = std::numeric_limits<float>::infinity();
    for (int j = 1; j <= n; ++j)
        if (distances[j] < closest) {  // not-a-number is never nearest
            closest = distances[j];
            nearest = j;
        }
    double p[4] = {};
    for (int a = 1; a <= m; ++a)
        p[a] = nearest > 0 ? axis_[a - 1][static_cast<std::size_t>(nearest - 1)] : rule_.box / 2.0;
    const auto write = [&] {
        for (int a = 1; a <= m; ++a) position[a] = static_cast<float>(p[a]);
    };
    if (nearest == 0 || closest == 0) return write(), 0;

    for (int j = 1; j <= n; ++j) {
        const float d = distances[j];
        target_[static_cast<std::size_t>(j - 1)] = std::isnan(d) ? 0.0f : d * d / static_cast<float>(std::max(rule_.b, 1));
        weight_[static_cast<std::size_t>(j - 1)] = d <= rule_.radius ? 1.0f : rule_.farWeight;  // not-a-number is far
    }
    const float* axes[3] = {axis_[0].data(), axis_[1].data(), axis_[2].data()};
    const Landmark landmarks{axes, target_.data(), weight_.data(), n, m};
    // Just inside the box, as a move of the step must stay.
    const double low = rule_.box * 1e-6, high = rule_.box * (1 - 1e-6);
    double stress = StressAt(landmarks, p);
    double damping = 1e-3;
    int steps = 0;
    while (steps < kMostSteps) {
        ++steps;
        double a[3][3], v[3];
        System(landmarks, p, a, v);
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
            const double nextStress = StressAt(landmarks, next);
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
