#include "mds/MdsStep.h"

#include <algorithm>
#include <cmath>

#include "distances/VectorTargets.h"
#include "mds/MdsKernel.h"
#include "mds/PairRule.h"

namespace {

// Whether the distances of points 1..n equal their transpose (not-a-number
// equal to itself), compared in tiles so that the column side stays in cache.
bool DistancesSymmetric(const DistanceMatrix& d, int n) {
    constexpr int kTile = 16;
    for (int qt = 1; qt <= n; qt += kTile)
        for (int lt = 1; lt <= qt; lt += kTile)
            for (int q = qt; q < std::min(qt + kTile, n + 1); ++q)
                for (int l = lt; l < std::min(lt + kTile, q); ++l) {
                    const float a = d.At(q, l), b = d.At(l, q);
                    if (a != b && !(std::isnan(a) && std::isnan(b))) return false;
                }
    return true;
}

// Each item's move: the step length against its gradient.
template <int M>
[[gnu::always_inline]] inline void MoveLengthsOf(int n, float stepLength, const float* g, double* move) {
    constexpr int stride = MdsPlan::kStride;
#pragma omp simd
    for (int q = 0; q < n; ++q) {
        float length2 = 0;
        for (int s = 0; s < M; ++s) length2 += g[s * stride + q] * g[s * stride + q];
        const float length = std::sqrt(length2);
        const float h = length > 0 ? 1.0f / length * stepLength : 0.0f;  // a zero gradient: no move
        for (int s = 0; s < M; ++s) move[s * stride + q] = -static_cast<double>(h * g[s * stride + q]);
    }
}

VECTOR_TARGETS void MoveLengths(int m, int n, float stepLength, const float* g, double* move) {
    switch (m) {
        case 1:
            return MoveLengthsOf<1>(n, stepLength, g, move);
        case 2:
            return MoveLengthsOf<2>(n, stepLength, g, move);
        case 3:
            return MoveLengthsOf<3>(n, stepLength, g, move);
        default:
            return MoveLengthsOf<4>(n, stepLength, g, move);
    }
}

// Four running sums, so that the additions need not wait for each other.
double CoordinateSum(int n, const float* x) {
    double part[4] = {};
    int q = 0;
    for (; q + 3 < n; q += 4)
        for (int k = 0; k < 4; ++k) part[k] += x[q + k];
    for (; q < n; ++q) part[0] += x[q];
    return (part[0] + part[1]) + (part[2] + part[3]);
}

// One pair of the symmetric pair tables from its distance d: 2 w into a,
// w (d^2 / b + d^2 / b) into t.
[[gnu::always_inline]] inline void Pair(float d, const PairRule& rule, float& a, float& t) {
    const float w = rule.Weight(d);
    const float half = rule.Target(d);
    a = 2.0f * w;
    t = w * (half + half);
}

// Row q of the symmetric pair tables: the pairs (q, l) with l > q from
// the distances' row q (0-based), and with zeros the rest of the row.
VECTOR_TARGETS void PairRow(int q, int n, const float* __restrict row, const PairRule rule, bool zeros,
                            float* __restrict a, float* __restrict t) {
    if (zeros) {
        std::fill(a, a + q + 1, 0.0f);
        std::fill(t, t + q + 1, 0.0f);
        std::fill(a + n, a + MdsPlan::kStride, 0.0f);
        std::fill(t + n, t + MdsPlan::kStride, 0.0f);
    }
#pragma omp simd
    for (int l = q + 1; l < n; ++l) Pair(row[l], rule, a[l], t[l]);
}

// The pairs (q, j) with q < j from row j (0-based) of symmetric
// distances, into a[q] and t[q].
VECTOR_TARGETS void PairColumn(int j, const float* __restrict row, const PairRule rule, float* __restrict a,
                               float* __restrict t) {
#pragma omp simd
    for (int q = 0; q < j; ++q) Pair(row[q], rule, a[q], t[q]);
}

}  // namespace

void MdsPlan::ForgetRefusals() {
    steps_ = 0;
    std::fill(lastRefused_, lastRefused_ + kStride, 0L);
}

int MdsPlan::PressedItems(int steps) const {
    return static_cast<int>(std::count_if(lastRefused_, lastRefused_ + n_,
                                          [&](long step) { return step > 0 && step > steps_ - steps; }));
}

void MdsPlan::Prepare(const DistanceMatrix& d, int b, float radiusFactor, float farWeight) {
    ForgetRefusals();
    n_ = MapRows(d.n);
    if (DistancesSymmetric(d, n_)) return PrepareSymmetric(d, b, radiusFactor, farWeight);
    symmetric_ = false;
    zeroed_ = 0;
    const PairRule rule = PairRule::Of(b, d.largest * radiusFactor, farWeight);
    for (int q = 0; q < n_; ++q) {
        for (int l = 0; l < n_; ++l) {
            const float dql = d.At(q + 1, l + 1);
            const float dlq = d.At(l + 1, q + 1);
            const float w = rule.Weight(dql);
            const float target = rule.Target(dlq) + rule.Target(dql);
            twiceWeight_[q][l] = 2.0f * w;
            weightedTarget_[q][l] = w * target;
        }
        std::fill(twiceWeight_[q] + n_, twiceWeight_[q] + kStride, 0.0f);
        std::fill(weightedTarget_[q] + n_, weightedTarget_[q] + kStride, 0.0f);
    }
}

// With a symmetric matrix the weights are symmetric too, and the symmetric
// kernel takes only the pairs (q, l) with l > q: the rest of a row is 0.
void MdsPlan::PrepareSymmetric(const DistanceMatrix& d, int b, float radiusFactor, float farWeight) {
    PrepareSymmetricRows(d, b, radiusFactor, farWeight, 0, d.n);
}

void MdsPlan::PrepareSymmetricRows(const DistanceMatrix& d, int b, float radiusFactor, float farWeight,
                                   int first, int last) {
    if (first <= 0) ForgetRefusals();
    n_ = MapRows(d.n);
    symmetric_ = true;
    if (zeroedFor_ != n_) {
        zeroed_ = 0;
        zeroedFor_ = n_;
    }
    const PairRule rule = PairRule::Of(b, d.largest * radiusFactor, farWeight);
    for (int q = std::max(first, 0); q < std::min(last, n_); ++q) {
        PairRow(q, n_, d.Row(q + 1) + 1, rule, q >= zeroed_, twiceWeight_[q], weightedTarget_[q]);
        if (q == zeroed_) ++zeroed_;
    }
}

void MdsPlan::PrepareSymmetricPairsOf(const float* rows, int rowStride, float largest, int b,
                                      float radiusFactor, float farWeight, const int* items, int count) {
    ForgetRefusals();
    const PairRule rule = PairRule::Of(b, largest * radiusFactor, farWeight);
    alignas(64) float a[kStride], t[kStride];
    for (int c = 0; c < count; ++c) {
        const int j = items[c];
        const float* row = rows + static_cast<std::size_t>(c) * static_cast<std::size_t>(rowStride);
        PairRow(j, n_, row, rule, false, twiceWeight_[j], weightedTarget_[j]);
        // Its pairs (q, j) with q < j lie in the other rows' column j: formed
        // from row j, which equals that column, and then stored down it.
        PairColumn(j, row, rule, a, t);
        for (int q = 0; q < j; ++q) {
            twiceWeight_[q][j] = a[q];
            weightedTarget_[q][j] = t[q];
        }
    }
}

void MdsPlan::Gradients(int m) {
    if (symmetric_)
        MdsGradientsSymmetric(n_, m, kStride, &twiceWeight_[0][0], &weightedTarget_[0][0], &x_[0][0],
                              &g_[0][0]);
    else
        MdsGradientsGeneral(n_, m, kStride, &twiceWeight_[0][0], &weightedTarget_[0][0], &x_[0][0],
                            &g_[0][0]);
}

void MdsPlan::Step(MapLayout& map, int m, float stepLength) {
    m = std::clamp(m, 1, 4);
    const int n = std::min(n_, map.n);
    if (n == 0) return;
    ++steps_;
    for (int s = 0; s < m; ++s) {
        for (int q = 0; q < n; ++q) x_[s][q] = map.Point(q + 1)[s + 1];
        std::fill(x_[s] + n, x_[s] + kStride, 0.0f);
    }
    Gradients(m);

    switch (m) {
        case 1:
            return Moves<1>(map, n, stepLength);
        case 2:
            return Moves<2>(map, n, stepLength);
        case 3:
            return Moves<3>(map, n, stepLength);
        default:
            return Moves<4>(map, n, stepLength);
    }
}

// Moves in item order, each seeing the moves before it. Re-centring after
// every move shifts every item by the same amount: after move q the total
// shift is (sum of the start coordinates + sum of the moves so far) / n -
// half the extent, so one running sum of the moves gives the true
// coordinate (stored - shift) for the box test, and the shift is applied
// once at the end. The box test is made per axis, so the axes are
// independent; each runs on the assumption that every move stays inside
// the box (the running sum is then a plain sum) until one does not.
template <int M>
void MdsPlan::Moves(MapLayout& map, int n, float stepLength) {
    const double box = map.axisSize[1];
    const double perItem = 1.0 / n;
    MoveLengths(M, n, stepLength, &g_[0][0], &move_[0][0]);
    for (int s = 0; s < M; ++s) {
        const double base = CoordinateSum(n, x_[s]) * perItem - map.axisSize[s + 1] * 0.5;
        float* x = x_[s];
        const double* move = move_[s];
        double moved = 0;
        int q = 0;
        for (; q < n; ++q) {
            const double shift = q == 0 ? 0.0 : base + moved * perItem;
            const double proposed = x[q] - shift + move[q];
            if (!(proposed > 0 && proposed < box)) break;  // a move onto the edge is refused
            x[q] = move[q] != 0 ? static_cast<float>(proposed + shift) : x[q];
            moved += move[q];
        }
        for (; q < n; ++q) {
            const double shift = q == 0 ? 0.0 : base + moved * perItem;
            const double proposed = x[q] - shift + move[q];
            if (move[q] == 0) continue;
            if (!(proposed > 0 && proposed < box)) {
                lastRefused_[q] = steps_;
                continue;
            }
            x[q] = static_cast<float>(proposed + shift);
            moved += move[q];
        }
        const double shift = base + moved * perItem;
        for (int i = 0; i < n; ++i) map.Point(i + 1)[s + 1] = static_cast<float>(x[i] - shift);
    }
}
