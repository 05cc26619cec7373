#include "mds/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distances/VectorTargets.h"

namespace {

constexpr int kMostSteps = 100;
constexpr double kSmallestMove = 1e-9;  // map units: Newton steps end far below what a float shows
constexpr int kNearestStarts = 3;       // descents from the nearest landmarks' places
constexpr int kGridStarts = 4;          // and from the lowest points of the grid

// Points of the grid over the box on each axis, by the map's axes: some
// 500 points in all at most.
constexpr int kGridPoints[4] = {0, 41, 21, 8};
constexpr int kGridMost = kGridPoints[3] * kGridPoints[3] * kGridPoints[3];
static_assert(kGridPoints[1] <= kGridMost && kGridPoints[2] * kGridPoints[2] <= kGridMost);

// The stress of a place u (from the box's centre) against landmarks y_j
// with targets t_j and weights w_j: S(u) = sum w (|u - y|^2 - t)^2. With
// q = |u|^2 and c = |y|^2 - t it is W q^2 - 4 q u.X + 2 q C + 4 u'Mu - 4 u.Y
// + Q, of the sums W = sum w, X = sum w y, M = sum w y y', C = sum w c,
// Y = sum w c y and Q = sum w c^2: one pass over the landmarks, and then
// each place costs a few products, whatever their number.
struct Stress {
    int m;
    double w, c, q;
    double x[3], y[3], mm[3][3];

    // Over M axes known when compiling: the grid's hundreds of places a
    // row cost a few products each.
    template <int M>
    double At(const double* u) const {
        double uu = 0, ux = 0, uy = 0, umu = 0;
        for (int k = 0; k < M; ++k) {
            uu += u[k] * u[k];
            ux += u[k] * x[k];
            uy += u[k] * y[k];
            for (int l = 0; l < M; ++l) umu += u[k] * mm[k][l] * u[l];
        }
        return w * uu * uu - 4 * uu * ux + 2 * uu * c + 4 * umu - 4 * uy + q;
    }

    // Its gradient g and Hessian h at u.
    template <int M>
    void Slopes(const double* u, double* g, double h[3][3]) const {
        double uu = 0, ux = 0;
        for (int k = 0; k < M; ++k) {
            uu += u[k] * u[k];
            ux += u[k] * x[k];
        }
        const double along = 4 * w * uu + 4 * c - 8 * ux;
        for (int k = 0; k < M; ++k) {
            double mu = 0;
            for (int l = 0; l < M; ++l) mu += mm[k][l] * u[l];
            g[k] = along * u[k] - 4 * uu * x[k] + 8 * mu - 4 * y[k];
            for (int l = 0; l < M; ++l)
                h[k][l] = 8 * w * u[k] * u[l] - 8 * (u[k] * x[l] + x[k] * u[l]) + 8 * mm[k][l] + (k == l ? along : 0);
        }
    }
};

VECTOR_TARGETS Stress Sums(int n, int m, const double* const* y, const double* length2, const float* t,
                           const float* weight) {
    const double* y0 = y[0];
    const double* y1 = y[1];
    const double* y2 = y[2];
    double w = 0, c = 0, q = 0, x0 = 0, x1 = 0, x2 = 0, c0 = 0, c1 = 0, c2 = 0;
    double m00 = 0, m01 = 0, m02 = 0, m11 = 0, m12 = 0, m22 = 0;
#pragma omp simd reduction(+ : w, c, q, x0, x1, x2, c0, c1, c2, m00, m01, m02, m11, m12, m22)
    for (int j = 0; j < n; ++j) {
        const double wj = weight[j], cj = length2[j] - t[j], wc = wj * cj;
        w += wj;
        c += wc;
        q += wc * cj;
        x0 += wj * y0[j];
        x1 += wj * y1[j];
        x2 += wj * y2[j];
        c0 += wc * y0[j];
        c1 += wc * y1[j];
        c2 += wc * y2[j];
        m00 += wj * y0[j] * y0[j];
        m01 += wj * y0[j] * y1[j];
        m02 += wj * y0[j] * y2[j];
        m11 += wj * y1[j] * y1[j];
        m12 += wj * y1[j] * y2[j];
        m22 += wj * y2[j] * y2[j];
    }
    return {m, w, c, q, {x0, x1, x2}, {c0, c1, c2}, {{m00, m01, m02}, {m01, m11, m12}, {m02, m12, m22}}};
}

// Solves the f by f system a x = v (f <= 3) when a is positive definite
// (its pivots without exchanges all above 0); false otherwise.
bool SolvePositive(double a[3][3], double v[3], int f, double x[3]) {
    for (int c = 0; c < f; ++c) {
        if (!(a[c][c] > 0)) return false;
        for (int r = c + 1; r < f; ++r) {
            const double factor = a[r][c] / a[c][c];
            for (int k = c; k < f; ++k) a[r][k] -= factor * a[c][k];
            v[r] -= factor * v[c];
        }
    }
    for (int c = f - 1; c >= 0; --c) {
        double sum = v[c];
        for (int k = c + 1; k < f; ++k) sum -= a[c][k] * x[k];
        x[c] = sum / a[c][c];
    }
    return true;
}

// From u inside the box [low, high] on every axis, Newton steps that lower
// the stress until they stop moving, none does, or after kMostSteps; u ends
// at the place reached. Returns its stress.
template <int M>
double Descend(const Stress& s, double low, double high, double* u) {
    constexpr int m = M;
    double stress = s.At<M>(u), damping = 0;
    for (int steps = 0; steps < kMostSteps; ++steps) {
        double g[3], h[3][3];
        s.Slopes<M>(u, g, h);
        // The axes the descent pushes against a wall stay where they are;
        // the step is solved over the others, so that a point at the wall
        // still moves along it.
        int free[3], f = 0;
        for (int k = 0; k < m; ++k)
            if (!((u[k] <= low && g[k] > 0) || (u[k] >= high && g[k] < 0))) free[f++] = k;
        if (f == 0) break;
        double scale = 0;
        for (int k = 0; k < f; ++k) scale += std::fabs(h[free[k]][free[k]]);
        scale = scale / f + 1e-12;
        bool accepted = false;
        double moved = 0;
        while (!accepted && damping < 1e12) {
            double damped[3][3], rhs[3], solved[3] = {};
            for (int k = 0; k < f; ++k) {
                for (int l = 0; l < f; ++l) damped[k][l] = h[free[k]][free[l]];
                damped[k][k] += damping * scale;
                rhs[k] = -g[free[k]];
            }
            if (SolvePositive(damped, rhs, f, solved)) {
                double next[3] = {u[0], u[1], u[2]};
                moved = 0;
                for (int k = 0; k < f; ++k) {
                    const int axis = free[k];
                    next[axis] = std::clamp(u[axis] + solved[k], low, high);
                    moved += (next[axis] - u[axis]) * (next[axis] - u[axis]);
                }
                const double nextStress = s.At<M>(next);
                if (nextStress < stress) {
                    std::copy(next, next + 3, u);
                    stress = nextStress;
                    damping = damping > 1e-6 ? damping / 10 : 0;
                    accepted = true;
                    continue;
                }
            }
            damping = damping > 0 ? damping * 10 : 1e-6;
        }
        if (!accepted || std::sqrt(moved) < kSmallestMove) break;
    }
    return stress;
}

// The stress at each point of the grid of M axes, the first axis running
// fastest: value[i0 + points i1 + points^2 i2].
template <int M>
void GridValues(const Stress& s, const double* coordinate, int points, double* value) {
    const int outer = M == 3 ? points : 1, middle = M >= 2 ? points : 1;
    for (int i2 = 0; i2 < outer; ++i2)
        for (int i1 = 0; i1 < middle; ++i1)
            for (int i0 = 0; i0 < points; ++i0) {
                const double u[3] = {coordinate[i0], M >= 2 ? coordinate[i1] : 0, M == 3 ? coordinate[i2] : 0};
                *value++ = s.At<M>(u);
            }
}

// The lowest points of the grid over the box [low, high]^m that lie no
// higher than their neighbours on each axis, lowest first: up to `most`
// of them into starts (m coordinates each). Returns how many.
int GridStarts(const Stress& s, double low, double high, int most, double starts[][3]) {
    const int m = s.m, points = kGridPoints[m];
    int count = 1;
    for (int k = 0; k < m; ++k) count *= points;
    double value[kGridMost], coordinate[kGridPoints[1]];
    for (int p = 0; p < points; ++p) coordinate[p] = low + (high - low) * static_cast<double>(p) / (points - 1);
    const auto place = [&](int index, double* u) {
        for (int k = 0; k < m; ++k, index /= points) u[k] = coordinate[index % points];
    };
    if (m == 1)
        GridValues<1>(s, coordinate, points, value);
    else if (m == 2)
        GridValues<2>(s, coordinate, points, value);
    else
        GridValues<3>(s, coordinate, points, value);
    double lowest[kGridStarts];
    int found = 0;
    for (int i = 0; i < count; ++i) {
        bool valley = true;
        for (int k = 0, rest = i, stride = 1; k < m && valley; ++k, stride *= points, rest /= points) {
            const int at = rest % points;
            valley = !(at > 0 && value[i - stride] < value[i]) && !(at < points - 1 && value[i + stride] < value[i]);
        }
        if (!valley || (found == most && !(value[i] < lowest[most - 1]))) continue;
        int at = found < most ? found++ : most - 1;
        for (; at > 0 && value[i] < lowest[at - 1]; --at) {
            lowest[at] = lowest[at - 1];
            std::copy(starts[at - 1], starts[at - 1] + 3, starts[at]);
        }
        lowest[at] = value[i];
        starts[at][0] = starts[at][1] = starts[at][2] = 0;
        place(i, starts[at]);
    }
    return found;
}

}  // namespace

Placer::Placer(const MapLayout& landmarks, const PlacementRule& rule)
    : n_(landmarks.n),
      rule_(rule),
      pair_(PairRule::Of(rule.b, rule.radius, rule.farWeight)),
      length2_(static_cast<std::size_t>(landmarks.n), 0.0),
      target_(static_cast<std::size_t>(landmarks.n)),
      weight_(static_cast<std::size_t>(landmarks.n)) {
    rule_.m = std::clamp(rule.m, 1, 3);
    const double centre = rule_.box / 2.0;
    for (int a = 0; a < 3; ++a) {
        axis_[a].assign(static_cast<std::size_t>(n_), 0.0);
        if (a < rule_.m)
            for (int j = 1; j <= n_; ++j) {
                const double y = landmarks.Point(j)[a + 1] - centre;
                axis_[a][static_cast<std::size_t>(j - 1)] = y;
                length2_[static_cast<std::size_t>(j - 1)] += y * y;
            }
    }
}

bool Placer::Place(const float* distances, float* position) {
    const int n = n_, m = rule_.m;
    const double centre = rule_.box / 2.0;
    // The nearest landmarks, nearest first; not-a-number is never near.
    int nearest[kNearestStarts] = {};
    float closest[kNearestStarts];
    std::fill(closest, closest + kNearestStarts, std::numeric_limits<float>::infinity());
    for (int j = 1; j <= n; ++j) {
        const float d = distances[j];
        if (!(d < closest[kNearestStarts - 1])) continue;
        int at = kNearestStarts - 1;
        for (; at > 0 && d < closest[at - 1]; --at) {
            closest[at] = closest[at - 1];
            nearest[at] = nearest[at - 1];
        }
        closest[at] = d;
        nearest[at] = j;
    }
    double best[3] = {};
    const auto landmark = [&](int j, double* u) {
        for (int k = 0; k < m; ++k) u[k] = axis_[k][static_cast<std::size_t>(j - 1)];
    };
    const auto write = [&] {
        for (int k = 0; k < m; ++k) position[k + 1] = static_cast<float>(best[k] + centre);
    };
    if (nearest[0] == 0) return write(), false;  // no distance to any landmark: the box's centre
    if (closest[0] == 0) return landmark(nearest[0], best), write(), false;

    float* __restrict target = target_.data();
    float* __restrict weight = weight_.data();
    const float* __restrict from = distances + 1;
    const float largest = rule_.largest;
    const PairRule pair = pair_;
#pragma omp simd
    for (int j = 0; j < n; ++j) {
        const float d = std::isnan(from[j]) ? largest : from[j];
        target[j] = pair.Target(d);
        weight[j] = pair.Weight(d);
    }
    const double* axes[3] = {axis_[0].data(), axis_[1].data(), axis_[2].data()};
    const Stress stress = Sums(n, m, axes, length2_.data(), target_.data(), weight_.data());
    // Just inside the box, as a move of the step must stay. The map's
    // centring may have left a landmark outside it: a descent from there
    // starts at the nearest place inside, since no step from outside could
    // be taken.
    const double low = rule_.box * 1e-6 - centre, high = rule_.box * (1 - 1e-6) - centre;
    double starts[kNearestStarts + kGridStarts][3] = {};
    int count = 0;
    for (; count < kNearestStarts && nearest[count] > 0; ++count) {
        landmark(nearest[count], starts[count]);
        for (int k = 0; k < m; ++k) starts[count][k] = std::clamp(starts[count][k], low, high);
    }
    count += GridStarts(stress, low, high, kGridStarts, starts + count);
    double least = std::numeric_limits<double>::infinity();
    for (int s = 0; s < count; ++s) {
        const double reached = m == 1   ? Descend<1>(stress, low, high, starts[s])
                               : m == 2 ? Descend<2>(stress, low, high, starts[s])
                                        : Descend<3>(stress, low, high, starts[s]);
        if (reached < least) {
            least = reached;
            std::copy(starts[s], starts[s] + 3, best);
        }
    }
    write();
    bool atWall = false;
    for (int k = 0; k < m; ++k) atWall = atWall || best[k] <= low || best[k] >= high;
    return atWall;
}
