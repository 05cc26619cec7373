#include "soc/SocSteps.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distances/VectorTargets.h"
#include "table/Capacities.h"

namespace {

float RawPrototypeDistance(const Prototypes& prototypes, int i, int a, int dim, float unit) {
    const float* pi = prototypes.Vector(i);
    const float* pa = prototypes.Vector(a);
    const float inverse = 1.0f / unit;
    float sum = 0.0f;
    for (int q = 1; q <= dim; ++q) {
        const float d = pi[q] * inverse - pa[q] * inverse;
        const float sq = d * d;
        sum += sq;
    }
    return static_cast<float>(std::sqrt(static_cast<double>(sum)));
}

// For an item with missing components: over the components it has, the
// squared error scaled up to all of them; the weights of all count. Without
// a component there is no error to rank: not a number.
WeightedSum PartialWeightedError(const Prototypes& prototypes, int p, const float* x, int dim, float unit) {
    const float* proto = prototypes.Vector(p);
    const float* weight = prototypes.Weights(p);
    const float inverse = 1.0f / unit;
    float s = 0.0f;
    float wsum = 1.0f;
    int present = 0;
    for (int q = 1; q <= dim; ++q) {
        wsum += weight[q];
        if (std::isnan(x[q])) continue;
        const float diff = proto[q] * inverse - x[q] * inverse;
        const float sq = diff * diff;
        s = std::fmaf(sq, weight[q], s);
        ++present;
    }
    if (present == 0) return {std::numeric_limits<float>::quiet_NaN(), wsum};
    if (present < dim) s = static_cast<float>(static_cast<double>(s) * dim / present);
    return {s, wsum};
}

// One component of a prototype toward x, its weight toward the target; a
// weight never falls below 0.05.
inline void PullComponent(float& proto, float& weight, float x, float target, float eta) {
    proto = std::fmaf(eta, x - proto, proto);
    weight = std::fmaf(eta, target - weight, weight);
    if (weight < 0.05f) weight = 0.05f;
}

void PullPresentComponents(Prototypes& prototypes, int w, const float* x, float eta, int dim) {
    float* proto = prototypes.Vector(w);
    float* weight = prototypes.Weights(w);
    for (int q = 1; q <= dim; ++q)
        if (!std::isnan(x[q]))
            PullComponent(proto[q], weight[q], x[q], WeightTarget(x[q]), eta);  // else nothing known
}

// The largest raw[i][j] with j < i <= k, kNoDistance when there is none.
VECTOR_TARGETS float LargestLowerDistance(int k, const float* raw, int stride) {
    float largest = kNoDistance;
    for (int i = 2; i <= k; ++i) {
        const float* r = raw + static_cast<std::size_t>(i) * stride;
#pragma omp simd reduction(max : largest)
        for (int j = 1; j < i; ++j) largest = r[j] > largest ? r[j] : largest;  // not-a-number is passed over
    }
    return largest;
}

}  // namespace

VECTOR_TARGETS
WeightedSum WeightedError(const Prototypes& prototypes, int p, const float* x, int dim, float unit) {
    const float* proto = prototypes.Vector(p);
    const float* weight = prototypes.Weights(p);
    const float inverse = 1.0f / unit;
    float s = 0.0f;
    float wsum = 1.0f;
    for (int q = 1; q <= dim; ++q) {
        const float diff = proto[q] * inverse - x[q] * inverse;
        const float sq = diff * diff;
        s = std::fmaf(sq, weight[q], s);  // the product is exact, the sum stored as a float
        wsum += weight[q];
    }
    return {s, wsum};
}

WeightedSum ItemError(const Prototypes& prototypes, int p, const Table& items, int a, int dim) {
    return items.missing[static_cast<std::size_t>(a)] == 0
               ? WeightedError(prototypes, p, items.Row(a), dim, items.distanceUnit)
               : PartialWeightedError(prototypes, p, items.Row(a), dim, items.distanceUnit);
}

float RankingValue(const WeightedSum& e) {
    return static_cast<float>(0.1 * std::sqrt(static_cast<double>(e.s)) / e.weightSum);
}

float MatchingError(const WeightedSum& e, float unit) {
    return static_cast<float>(std::sqrt(static_cast<double>(e.s) / e.weightSum)) * unit;
}

float SocLearnRate(float rho, float smoothedError) {
    return static_cast<float>(0.1 * rho / (1 + std::exp(-2 * (static_cast<double>(smoothedError) - 2.5))) +
                              0.0001);
}

float SocWinScore(float score) {
    return static_cast<float>(static_cast<double>(kAvgKeep) * score + 10 * static_cast<double>(kAvgGain));
}

// Any ranking value beats none, however large: the values are in the
// data's units.
std::optional<PrototypeMatch> NearestPrototype(const Prototypes& prototypes, const Table& items, int a,
                                               int dim) {
    float best = 0.0f;
    int winner = 0;
    for (int p = 1; p <= prototypes.k; ++p) {
        const float d = RankingValue(ItemError(prototypes, p, items, a, dim));
        if (!std::isnan(d) && (winner == 0 || d < best)) {
            best = d;
            winner = p;
        }
    }
    if (winner == 0) return std::nullopt;
    return PrototypeMatch{winner, MatchingError(ItemError(prototypes, winner, items, a, dim), items.distanceUnit)};
}

float WeightTarget(float x) {
    const float square = x * x;
    const float g = static_cast<float>(std::exp(-3.5 * static_cast<double>(square)));
    return 1.0f - g;
}

VECTOR_TARGETS
void PullPrototype(Prototypes& prototypes, int w, const float* x, const float* targets, float eta, int dim) {
    float* proto = prototypes.Vector(w);
    float* weight = prototypes.Weights(w);
    for (int q = 1; q <= dim; ++q) PullComponent(proto[q], weight[q], x[q], targets[q], eta);
}

void UpdatePrototype(Prototypes& prototypes, int w, const Table& items, int a, float eta, int dim) {
    if (w < 1 || w > prototypes.k) return;
    const float* x = items.Row(a);
    if (items.missing[static_cast<std::size_t>(a)] != 0) return PullPresentComponents(prototypes, w, x, eta, dim);
    float targets[kMaxDim + 1];
    for (int q = 1; q <= dim; ++q) targets[q] = WeightTarget(x[q]);
    PullPrototype(prototypes, w, x, targets, eta, dim);
}

void FillMissingComponents(Prototypes& prototypes, const Table& items, int n, int dim) {
    n = std::clamp(n, 0, items.rows);
    dim = std::clamp(dim, 0, std::min(items.width, prototypes.width));
    // Only the components some prototype misses, summed in one pass over the
    // rows (each component's sum over the rows in their order).
    std::vector<char> missed(static_cast<std::size_t>(dim) + 1, 0);
    bool any = false;
    for (int p = 1; p <= prototypes.k; ++p)
        for (int q = 1; q <= dim; ++q)
            if (std::isnan(prototypes.Vector(p)[q])) missed[static_cast<std::size_t>(q)] = 1, any = true;
    if (!any) return;
    std::vector<double> sum(static_cast<std::size_t>(dim) + 1, 0.0);
    std::vector<int> present(static_cast<std::size_t>(dim) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const float* row = items.Row(i);
        for (int q = 1; q <= dim; ++q)
            if (missed[static_cast<std::size_t>(q)] && !std::isnan(row[q])) {
                sum[static_cast<std::size_t>(q)] += row[q];
                ++present[static_cast<std::size_t>(q)];
            }
    }
    for (int q = 1; q <= dim; ++q) {
        const auto at = static_cast<std::size_t>(q);
        const float mean = present[at] > 0 ? static_cast<float>(sum[at] / present[at]) : 0.0f;
        for (int p = 1; p <= prototypes.k; ++p)
            if (std::isnan(prototypes.Vector(p)[q])) prototypes.Vector(p)[q] = mean;
    }
}

float PrototypeDistanceFactor(int k, const float* raw, int stride, float unit, double size, DistanceMatrix& d) {
    float largest = LargestLowerDistance(k, raw, stride) * unit;
    if (largest == 0.0f) largest = 1.0f;
    const float f = static_cast<float>(size / largest);
    d.largest = f * largest;
    d.scale = f;
    return f * unit;
}

VECTOR_TARGETS void ScaleRawRow(int k, const float* __restrict raw, float f, float* __restrict d) {
#pragma omp simd
    for (int j = 0; j < k; ++j) d[j] = raw[j] * f;
}

void ScalePrototypeDistanceRows(int k, const float* raw, int stride, float f, int first, int last,
                                DistanceMatrix& d) {
    for (int i = std::max(first, 1); i <= std::min(last, k); ++i)
        ScaleRawRow(k, raw + static_cast<std::size_t>(i) * stride + 1, f, d.Row(i) + 1);
}

void PrototypeDistances(const Prototypes& prototypes, int dim, float unit, double size, DistanceMatrix& d) {
    const int k = prototypes.k;
    d.Resize(k);
    for (int a = 1; a <= k; ++a)
        for (int i = 1; i < a; ++i) d.Row(a)[i] = d.Row(i)[a] = RawPrototypeDistance(prototypes, i, a, dim, unit);
    const float f = PrototypeDistanceFactor(k, d.values.data(), static_cast<int>(d.Stride()), unit, size, d);
    for (int i = 1; i <= k; ++i)
        for (int j = 1; j <= k; ++j) d.Row(i)[j] *= f;
}
