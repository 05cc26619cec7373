#include "mds/NeighbourLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "mds/KeyedRandom.h"
#include "parallel/Chunks.h"

namespace {

constexpr int kChunkRows = 512;
// Rows pushed away for every pull.
constexpr int kPushes = 5;
// An edge is listed at both its rows, and each listing moves its own row
// alone: its pull counts twice, so that an edge draws its two rows together
// as hard as pulls that move both ends would, against the pushes.
constexpr float kPull = 2.0f;
// No single pull or push moves a row by more than this on an axis.
constexpr float kLongestMove = 4.0f;
// Two rows this close on the map push each other no harder.
constexpr float kNearest = 0.001f;
// The start scaled so that its largest extent is this: rows then begin
// some neighbourhoods apart from their far rows.
constexpr float kStartExtent = 20.0f;
// The share of the box left free at each side of the finished map: no row
// lies at the wall the map step keeps its items from.
constexpr float kMarginShare = 0.02f;

float Clipped(float v) {
    return std::clamp(v, -kLongestMove, kLongestMove);
}

// How much row i's edges to its neighbours weigh: exp(-(d - nearest) /
// sigma), sigma such that the weights sum to log2 of the neighbours; into
// weight[0..k-1] (0 for no neighbour).
void RowWeights(const NeighbourGraph& g, int i, float* weight) {
    const int* rows = g.RowsOf(i);
    const float* d = g.DistancesOf(i);
    int count = 0;
    while (count < g.k && rows[count] >= 0 && std::isfinite(d[count])) ++count;
    std::fill(weight, weight + g.k, 0.0f);
    if (count == 0) return;
    const double target = std::log2(static_cast<double>(count));
    double nearest = d[0], mean = 0;
    for (int e = 0; e < count; ++e) mean += d[e];
    mean /= count;
    for (int e = 0; e < count && nearest <= 0; ++e) nearest = d[e];  // the first that is no copy
    double lo = 0, hi = std::numeric_limits<double>::infinity(), sigma = 1;
    for (int step = 0; step < 64; ++step) {
        double sum = 0;
        for (int e = 0; e < count; ++e) sum += std::exp(-std::max(0.0, d[e] - nearest) / sigma);
        if (std::fabs(sum - target) < 1e-5) break;
        if (sum > target) {
            hi = sigma;
            sigma = (lo + hi) / 2;
        } else {
            lo = sigma;
            sigma = std::isinf(hi) ? sigma * 2 : (lo + hi) / 2;
        }
    }
    sigma = std::max(sigma, 1e-3 * mean);
    for (int e = 0; e < count; ++e) weight[e] = static_cast<float>(std::exp(-std::max(0.0, d[e] - nearest) / sigma));
}

}  // namespace

int EpochsFor(int rows) {
    return rows <= 10000 ? 300 : 200;
}

NeighbourLayout::NeighbourLayout(const NeighbourGraph& graph, const std::vector<float>& start, const LayoutRun& run,
                                 const std::function<bool()>& goOn)
    : run_(run), n_(graph.n), now_(start) {
    run_.axes = std::clamp(run_.axes, 1, 3);
    Weigh(graph, goOn);
    const int m = run_.axes;
    float extent = 0;
    for (int a = 0; a < m; ++a) {
        float lo = std::numeric_limits<float>::infinity(), hi = -lo, sum = 0;
        for (int i = 0; i < n_; ++i) {
            const float v = now_[static_cast<std::size_t>(i * m + a)];
            lo = std::min(lo, v), hi = std::max(hi, v), sum += v;
        }
        extent = std::max(extent, hi - lo);
        for (int i = 0; i < n_; ++i) now_[static_cast<std::size_t>(i * m + a)] -= sum / static_cast<float>(n_);
    }
    const float f = extent > 0 ? kStartExtent / extent : 1.0f;
    for (float& v : now_) v *= f;
    next_ = now_;
}

// The symmetric weights, w(i, j) + w(j, i) - w(i, j) w(j, i), of the edges
// either end lists, as each row's list of edges (both directions).
void NeighbourLayout::Weigh(const NeighbourGraph& g, const std::function<bool()>& goOn) {
    std::vector<float> weight(g.rows.size());
    InChunks(
        g.n, kChunkRows, run_.workers,
        [&](int from, int to, int) {
            for (int i = from; i < to; ++i) RowWeights(g, i, &weight[static_cast<std::size_t>(i) * static_cast<std::size_t>(g.k)]);
        },
        goOn);
    std::vector<int> count(static_cast<std::size_t>(n_) + 1, 0);
    for (int i = 0; i < g.n; ++i)
        for (int e = 0; e < g.k; ++e)
            if (const int j = g.RowsOf(i)[e]; j >= 0) ++count[static_cast<std::size_t>(i)], ++count[static_cast<std::size_t>(j)];
    std::vector<int> at(static_cast<std::size_t>(n_) + 1, 0);
    for (int i = 0; i < n_; ++i) at[static_cast<std::size_t>(i) + 1] = at[static_cast<std::size_t>(i)] + count[static_cast<std::size_t>(i)];
    std::vector<std::pair<int, float>> both(static_cast<std::size_t>(at[static_cast<std::size_t>(n_)]));
    std::vector<int> fill(at.begin(), at.end() - 1);
    for (int i = 0; i < g.n; ++i)
        for (int e = 0; e < g.k; ++e) {
            const int j = g.RowsOf(i)[e];
            if (j < 0) continue;
            const float w = weight[static_cast<std::size_t>(i) * static_cast<std::size_t>(g.k) + static_cast<std::size_t>(e)];
            both[static_cast<std::size_t>(fill[static_cast<std::size_t>(i)]++)] = {j, w};
            both[static_cast<std::size_t>(fill[static_cast<std::size_t>(j)]++)] = {i, w};
        }
    first_.assign(static_cast<std::size_t>(n_) + 1, 0);
    std::vector<float> weights;
    float largest = 0;
    for (int i = 0; i < n_; ++i) {
        const auto from = both.begin() + at[static_cast<std::size_t>(i)], to = both.begin() + at[static_cast<std::size_t>(i) + 1];
        std::sort(from, to);
        for (auto p = from; p != to; ++p) {
            float w = p->second;
            if (p + 1 != to && (p + 1)->first == p->first) w = w + (p + 1)->second - w * (++p)->second;
            if (!(w > 0)) continue;
            to_.push_back(p->first);
            weights.push_back(w);
            largest = std::max(largest, w);
        }
        first_[static_cast<std::size_t>(i) + 1] = static_cast<int>(to_.size());
    }
    constexpr double kWhole = 2147483648.0;  // 2^31: a weight as large as the largest pulls in every epoch
    for (const float w : weights) share_.push_back(static_cast<std::uint32_t>(std::lround(static_cast<double>(w / largest) * kWhole)));
}

// The places of rows from..to - 1 after epoch t at `rate`, from the places
// before it, into next_; on M axes (a constant, so that the loops over the
// axes unroll).
template <int M>
void NeighbourLayout::Move(int from, int to, int t, float rate) {
    for (int i = from; i < to; ++i) {
        const float* p = &now_[static_cast<std::size_t>(i * M)];
        float move[M] = {};
        for (int e = first_[static_cast<std::size_t>(i)]; e < first_[static_cast<std::size_t>(i) + 1]; ++e) {
            const std::uint64_t share = share_[static_cast<std::size_t>(e)];
            if ((static_cast<std::uint64_t>(t + 1) * share) >> 31 == (static_cast<std::uint64_t>(t) * share) >> 31) continue;
            const float* q = &now_[static_cast<std::size_t>(to_[static_cast<std::size_t>(e)] * M)];
            float d2 = 0;
            for (int a = 0; a < M; ++a) d2 += (p[a] - q[a]) * (p[a] - q[a]);
            if (d2 > 0)
                for (int a = 0; a < M; ++a) move[a] += kPull * Clipped(-2.0f / (1.0f + d2) * (p[a] - q[a]));
            KeyedRandom random(run_.seed, static_cast<std::uint64_t>(t), static_cast<std::uint64_t>(e));
            for (int s = 0; s < kPushes; ++s) {
                const int j = random.Below(n_);
                if (j == i) continue;
                const float* r = &now_[static_cast<std::size_t>(j * M)];
                float r2 = 0;
                for (int a = 0; a < M; ++a) r2 += (p[a] - r[a]) * (p[a] - r[a]);
                const float push = 2.0f / ((kNearest + r2) * (1.0f + r2));
                for (int a = 0; a < M; ++a) move[a] += r2 > 0 ? Clipped(push * (p[a] - r[a])) : kLongestMove;
            }
        }
        float* out = &next_[static_cast<std::size_t>(i * M)];
        for (int a = 0; a < M; ++a) out[a] = p[a] + rate * move[a];
    }
}

bool NeighbourLayout::Epoch(int t, const std::function<bool()>& goOn) {
    const float rate = 1.0f - static_cast<float>(t) / static_cast<float>(run_.epochs);
    const int done = InChunks(
        n_, kChunkRows, run_.workers,
        [&](int from, int to, int) {
            if (run_.axes == 1) Move<1>(from, to, t, rate);
            if (run_.axes == 2) Move<2>(from, to, t, rate);
            if (run_.axes == 3) Move<3>(from, to, t, rate);
        },
        goOn);
    if (done < n_) return false;
    std::swap(now_, next_);
    return true;
}

void PlaceInBox(const std::vector<float>& positions, int axes, const std::vector<int>& rowOf, MapLayout& map) {
    const int m = std::clamp(axes, 1, 3);
    const float size = static_cast<float>(map.axisSize[1]);
    float lo[3], hi[3], extent = 0;
    for (int a = 0; a < m; ++a) {
        lo[a] = std::numeric_limits<float>::infinity(), hi[a] = -lo[a];
        for (std::size_t i = 0; i + a < positions.size(); i += static_cast<std::size_t>(m)) {
            lo[a] = std::min(lo[a], positions[i + static_cast<std::size_t>(a)]);
            hi[a] = std::max(hi[a], positions[i + static_cast<std::size_t>(a)]);
        }
        extent = std::max(extent, hi[a] - lo[a]);
    }
    const float f = extent > 0 ? size * (1 - 2 * kMarginShare) / extent : 0.0f;
    for (int p = 1; p < static_cast<int>(rowOf.size()) && p <= map.n; ++p) {
        const std::size_t row = static_cast<std::size_t>(rowOf[static_cast<std::size_t>(p)]) * static_cast<std::size_t>(m);
        for (int a = 0; a < 4; ++a) map.Point(p)[a + 1] = 0.0f;
        for (int a = 0; a < m && a < 3; ++a)
            map.Point(p)[a + 1] = size / 2 + (positions[row + static_cast<std::size_t>(a)] - (lo[a] + hi[a]) / 2) * f;
    }
}
