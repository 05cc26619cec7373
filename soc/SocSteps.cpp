#include "soc/SocSteps.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distances/VectorTargets.h"
#include "workspace/Workspace.h"

float RawPrototypeDistance(int i, int a, int dim) {
    const float* pi = ws.Prototypes[i][1];
    const float* pa = ws.Prototypes[a][1];
    const float inverse = 1.0f / ws.DistanceUnit;
    float sum = 0.0f;
    for (int q = 1; q <= dim; ++q) {
        const float d = pi[q] * inverse - pa[q] * inverse;
        const float sq = d * d;
        sum += sq;
    }
    return static_cast<float>(std::sqrt(static_cast<double>(sum)));
}

VECTOR_TARGETS
WeightedSum WeightedError(int p, const float* x, int dim) {
    const float* proto = ws.Prototypes[p][1];
    const float* weight = ws.Prototypes[p][2];
    const float inverse = 1.0f / ws.DistanceUnit;
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

// For an item with missing components: over the components it has, the
// squared error scaled up to all of them; the weights of all count. Without
// a component there is no error to rank: not a number.
WeightedSum PartialWeightedError(int p, const float* x, int dim) {
    const float* proto = ws.Prototypes[p][1];
    const float* weight = ws.Prototypes[p][2];
    const float inverse = 1.0f / ws.DistanceUnit;
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

WeightedSum ItemError(int p, int a, int dim) {
    a = std::clamp(a, 0, kInputRows);
    return ws.ItemMissing[a] == 0 ? WeightedError(p, ws.InputVectors[a], dim)
                                  : PartialWeightedError(p, ws.InputVectors[a], dim);
}

float RankingValue(const WeightedSum& e) {
    return static_cast<float>(0.1 * std::sqrt(static_cast<double>(e.s)) / e.weightSum);
}

float MatchingError(const WeightedSum& e) {
    return static_cast<float>(std::sqrt(static_cast<double>(e.s) / e.weightSum)) * ws.DistanceUnit;
}

float SocLearnRate(float rho, float smoothedError) {
    return static_cast<float>(0.1 * rho / (1 + std::exp(-2 * (static_cast<double>(smoothedError) - 2.5))) +
                              0.0001);
}

float SocWinScore(float score) {
    return static_cast<float>(static_cast<double>(ws.AvgKeep) * score + 10 * static_cast<double>(ws.AvgGain));
}

// Any ranking value beats none, however large: the values are in the
// data's units.
std::optional<PrototypeMatch> NearestPrototype(int a) {
    const int k = MapRows(ws.ItemCount);
    const int dim = ws.Components();
    float best = 0.0f;
    int winner = 0;
    for (int p = 1; p <= k; ++p) {
        const float d = RankingValue(ItemError(p, a, dim));
        if (!std::isnan(d) && (winner == 0 || d < best)) {
            best = d;
            winner = p;
        }
    }
    if (winner == 0) return std::nullopt;
    return PrototypeMatch{winner, MatchingError(ItemError(winner, a, dim))};
}

std::optional<float> MatchItem(int a) {
    const std::optional<PrototypeMatch> match = NearestPrototype(a);
    if (!match) return std::nullopt;
    ws.WinnerIndex = match->prototype;
    return match->error;
}

// Summed in DistanceUnit, as the errors were.
float MeanStartError(int n) {
    const float inverse = 1.0f / ws.DistanceUnit;
    float sum = 0.0f;
    int matched = 0;
    for (int i = 1; i <= n; ++i)
        if (const std::optional<float> error = MatchItem(i)) {
            sum += *error * inverse;
            ++matched;
        }
    return matched > 0 ? sum / static_cast<float>(matched) * ws.DistanceUnit : 0.0f;
}

float WeightTarget(float x) {
    const float square = x * x;
    const float g = static_cast<float>(std::exp(-3.5 * static_cast<double>(square)));
    return 1.0f - g;
}

namespace {
// One component of a prototype toward x, its weight toward the target; a
// weight never falls below 0.05.
inline void PullComponent(float& proto, float& weight, float x, float target, float eta) {
    proto = std::fmaf(eta, x - proto, proto);
    weight = std::fmaf(eta, target - weight, weight);
    if (weight < 0.05f) weight = 0.05f;
}
}  // namespace

VECTOR_TARGETS
void PullPrototype(int w, const float* x, const float* targets, float eta, int dim) {
    float* proto = ws.Prototypes[w][1];
    float* weight = ws.Prototypes[w][2];
    for (int q = 1; q <= dim; ++q) PullComponent(proto[q], weight[q], x[q], targets[q], eta);
}

void UpdatePrototype(int w, int a, float eta) {
    if (w < 1 || w > kMaxMapItems) return;
    const int dim = ws.Components();
    a = std::clamp(a, 0, kInputRows);
    const float* x = ws.InputVectors[a];
    if (ws.ItemMissing[a] != 0) return PullPresentComponents(w, x, eta, dim);
    float targets[kMaxDim + 1];
    for (int q = 1; q <= dim; ++q) targets[q] = WeightTarget(x[q]);
    PullPrototype(w, x, targets, eta, dim);
}

void PullPresentComponents(int w, const float* x, float eta, int dim) {
    float* proto = ws.Prototypes[w][1];
    float* weight = ws.Prototypes[w][2];
    for (int q = 1; q <= dim; ++q)
        if (!std::isnan(x[q]))
            PullComponent(proto[q], weight[q], x[q], WeightTarget(x[q]), eta);  // else nothing known
}

void FillMissingComponents(int k, int n, int dim) {
    k = MapRows(k);
    n = std::clamp(n, 0, kInputRows);
    dim = std::clamp(dim, 0, kMaxDim);
    for (int q = 1; q <= dim; ++q) {
        double sum = 0;
        int present = 0;
        for (int i = 1; i <= n; ++i)
            if (!std::isnan(ws.InputVectors[i][q])) {
                sum += ws.InputVectors[i][q];
                ++present;
            }
        const float mean = present > 0 ? static_cast<float>(sum / present) : 0.0f;
        for (int p = 1; p <= k; ++p)
            if (std::isnan(ws.Prototypes[p][1][q])) ws.Prototypes[p][1][q] = mean;
    }
}

void PrototypeDistanceRow(int a) {
    const int dim = ws.Components();
    for (int i = 1; i < a; ++i) ws.DistMatrix[a][i] = ws.DistMatrix[i][a] = RawPrototypeDistance(i, a, dim);
    ws.DistMatrix[a][a] = 0.0f;
}

namespace {

// The largest raw[i][j] with j < i <= k, -10000 when there is none.
VECTOR_TARGETS float LargestLowerDistance(int k, const float (*raw)[kMaxMapItems + 1]) {
    float largest = -10000.0f;
    for (int i = 2; i <= k; ++i) {
        const float* r = raw[i];
#pragma omp simd reduction(max : largest)
        for (int j = 1; j < i; ++j) largest = r[j] > largest ? r[j] : largest;  // not-a-number is passed over
    }
    return largest;
}

VECTOR_TARGETS void ScaleRow(int k, const float* __restrict raw, float f, float* __restrict d) {
#pragma omp simd
    for (int j = 1; j <= k; ++j) d[j] = raw[j] * f;
}

}  // namespace

float PrototypeDistanceFactor(int k, const float (*raw)[kMaxMapItems + 1]) {
    float largest = LargestLowerDistance(k, raw) * ws.DistanceUnit;
    if (largest == 0.0f) largest = 1.0f;
    const float f = static_cast<float>(static_cast<double>(ws.AxisSize[1]) * ws.MapEnlargement / largest);
    ws.MaxDist = f * largest;
    ws.DistScale = f;
    return f * ws.DistanceUnit;
}

void ScalePrototypeDistanceRows(int k, const float (*raw)[kMaxMapItems + 1], float f, int first, int last) {
    for (int i = std::max(first, 1); i <= std::min(last, k); ++i) ScaleRow(k, raw[i], f, ws.DistMatrix[i]);
}

void NormalisePrototypeDistances(int k, const float (*raw)[kMaxMapItems + 1]) {
    ScalePrototypeDistanceRows(k, raw, PrototypeDistanceFactor(k, raw), 1, k);
}

void PrototypeDistances() {
    const int k = MapRows(ws.ItemCount);
    for (int a = 1; a <= k; ++a) PrototypeDistanceRow(a);
    NormalisePrototypeDistances(k, ws.DistMatrix);
}

float ScaleSocData(int n, int dim) {
    n = std::clamp(n, 0, kInputRows);
    dim = std::clamp(dim, 0, kMaxDim);
    float firstSum = 0.0f;
    for (int j = 1; j <= dim; ++j)
        if (!std::isnan(ws.InputVectors[1][j])) firstSum += ws.InputVectors[1][j];
    if (!(firstSum > 2.0f)) return 1.0f;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= dim; ++j) ws.InputVectors[i][j] *= 0.1f;
    return 0.1f;
}
