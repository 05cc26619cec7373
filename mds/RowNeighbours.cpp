#include "mds/RowNeighbours.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "distances/VectorTargets.h"
#include "parallel/Chunks.h"
#include "table/Capacities.h"

namespace {

constexpr int kLanes = 16;
constexpr int kRowsAChunk = 4096;  // rows given their group at a time
constexpr int kTestEvery = 8;  // components summed between two looks at the bound
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// A row's distance from its sum, as VectorDistance gives it; not a number
// counts as infinitely far.
[[gnu::always_inline]] inline double DistanceOf(float sum, float unit) {
    const float d = static_cast<float>(std::sqrt(static_cast<double>(sum))) * unit;
    return std::isnan(d) ? static_cast<double>(kInfinity) : static_cast<double>(d);
}

// The k nearest offered so far, offered in any order: the smallest values,
// and among equal values the lowest rows. For rows offered in order that
// is what a pass that lets a later equal value not take an earlier one's
// place keeps.
class NearestSoFar {
public:
    // Values from sums by DistanceOf in `unit`, or (unit 0) the sums themselves.
    NearestSoFar(int k, float unit) : k_(k), unit_(unit) {}

    // Sums above this one give a value beyond the k-th nearest: rows whose
    // sums only grow past it need not be finished. (For values that are
    // sums, a row offered after the k-th with the same sum is not taken.)
    [[gnu::always_inline]] float Bound() const { return bound_; }

    [[gnu::always_inline]] void Offer(int row, double value, float sum) {
        if (count_ == k_ && !Before(value, row, k_ - 1)) return;
        int at = count_ < k_ ? count_++ : k_ - 1;
        while (at > 0 && Before(value, row, at - 1)) {
            value_[at] = value_[at - 1];
            sum_[at] = sum_[at - 1];
            row_[at] = row_[at - 1];
            --at;
        }
        value_[at] = value;
        sum_[at] = sum;
        row_[at] = row;
        if (count_ == k_) bound_ = unit_ == 0 ? sum_[k_ - 1] : LastSumOf(sum_[k_ - 1], value_[k_ - 1]);
    }

    void Rows(int* nearest) const { std::copy(row_, row_ + count_, nearest); }

private:
    [[gnu::always_inline]] bool Before(double value, int row, int at) const {
        return value < value_[at] || (value == value_[at] && row < row_[at]);
    }

    // The largest sum whose value is at most the value that `sum` gives.
    float LastSumOf(float sum, double value) const {
        if (!(value < static_cast<double>(kInfinity)) || !(sum < kInfinity)) return kInfinity;
        for (;;) {
            const float next = std::nextafter(sum, kInfinity);
            if (!(DistanceOf(next, unit_) <= value)) return sum;
            sum = next;
        }
    }

    int k_, count_ = 0;
    float unit_;
    float bound_ = kInfinity;
    double value_[kMaxRowNeighbours];
    float sum_[kMaxRowNeighbours];
    int row_[kMaxRowNeighbours];
};

// s[l] += (x - c[l])^2 over the sixteen lanes of a block's component.
[[gnu::always_inline]] inline void AddSquares(const float* __restrict c, float x, float* __restrict s) {
#pragma omp simd
    for (int l = 0; l < kLanes; ++l) {
        const float d = x - c[l];
        s[l] += d * d;
    }
}

// The squared differences of x[0..dim - 1] to the sixteen rows of a block
// summed over the components in order into s, the block given up (false)
// once every sum lies above the bound. The sums only grow, so a row given
// up has a sum above the bound.
[[gnu::always_inline]] inline bool BlockSums(const float* __restrict block, const float* __restrict x, int dim,
                                             float bound, float* __restrict s) {
    for (int l = 0; l < kLanes; ++l) s[l] = 0.0f;
    for (int q0 = 0; q0 < dim; q0 += kTestEvery) {
        const int q1 = std::min(q0 + kTestEvery, dim);
        for (int q = q0; q < q1; ++q) AddSquares(block + q * kLanes, x[q], s);
        if (bound == kInfinity || q1 == dim) continue;
        bool open = false;
#pragma omp simd reduction(| : open)
        for (int l = 0; l < kLanes; ++l) open |= !(s[l] > bound);
        if (!open) return false;
    }
    return true;
}

// The blocks first..last - 1 of the data against x, their rows offered.
VECTOR_TARGETS void ScanData(const float* data, const int* rowAt, int first, int last, int dim, float unit,
                             const float* x, int self, NearestSoFar& nearest) {
    alignas(64) float s[kLanes];
    for (int b = first; b < last; ++b) {
        if (!BlockSums(data + static_cast<std::size_t>(b) * dim * kLanes, x, dim, nearest.Bound(), s)) continue;
        for (int l = 0; l < kLanes; ++l) {
            const int j = rowAt[b * kLanes + l];
            if (j != 0 && j != self) nearest.Offer(j, DistanceOf(s[l], unit), s[l]);
        }
    }
}

// The squared map distances of point p to a block's sixteen points.
[[gnu::always_inline]] inline void BlockSquares(const float* __restrict block, const float* __restrict p, int m,
                                                float* __restrict s) {
    for (int l = 0; l < kLanes; ++l) s[l] = 0.0f;
    for (int a = 0; a < m; ++a) AddSquares(block + a * kLanes, p[a], s);
}

VECTOR_TARGETS void ScanMap(const float* map, int blocks, int n, int m, const float* p, int self,
                            NearestSoFar& nearest) {
    alignas(64) float s[kLanes];
    for (int b = 0; b < blocks; ++b) {
        BlockSquares(map + static_cast<std::size_t>(b) * m * kLanes, p, m, s);
        const float bound = nearest.Bound();
        if (bound != kInfinity) {
            bool any = false;
#pragma omp simd reduction(| : any)
            for (int l = 0; l < kLanes; ++l) any |= !(s[l] >= bound);  // not-a-number is offered too
            if (!any) continue;
        }
        for (int l = 0; l < kLanes; ++l) {
            const int j = b * kLanes + l + 1;
            if (j > n) break;
            if (j != self) nearest.Offer(j, static_cast<double>(s[l]), s[l]);
        }
    }
}

// Where component q of the row at place s (0-based) stands in a layout of
// `width` components to a row.
std::size_t At(int width, int s, int q) {
    return (static_cast<std::size_t>(s / kLanes) * width + q) * kLanes + s % kLanes;
}

// The values at place s out of such a layout.
void ValuesAt(const float* layout, int width, int s, float* out) {
    for (int q = 0; q < width; ++q) out[q] = layout[At(width, s, q)];
}

// A rough squared distance, to order the search (not a result).
float RoughSquare(const float* a, const float* b, int dim) {
    float s = 0;
#pragma omp simd reduction(+ : s)
    for (int q = 0; q < dim; ++q) s += (a[q] - b[q]) * (a[q] - b[q]);
    return s;
}

}  // namespace

RowNeighbours::RowNeighbours(const Table& rows, int n, int dim, float unit, const MapLayout& map, int m,
                             const std::function<bool()>& goOn)
    : n_(std::clamp(n, 0, std::min(rows.rows, map.n))),
      dim_(std::clamp(dim, 0, std::min(rows.width, kMaxDim))),
      m_(std::clamp(m, 1, 4)),
      pivots_(std::min(n_, kPivots)),
      unit_(unit),
      map_(static_cast<std::size_t>((n_ + kLanes - 1) / kLanes) * m_ * kLanes, kInfinity) {
    made_ = Group(rows, 1.0f / unit, goOn);
    for (int j = 0; j < n_; ++j) {
        const float* point = map.Point(j + 1);
        for (int a = 0; a < m_; ++a) map_[At(m_, j, a)] = point[a + 1];
    }
}

// Pivots chosen one by one among every eighth row, each the one farthest
// from those before (the first row first), so that they spread over every
// part of the table; every row to the group of its nearest pivot, each group
// in whole blocks, its rows in their order, with the group's radius.
bool RowNeighbours::Group(const Table& rows, float inverse, const std::function<bool()>& goOn) {
    // A row's values in the unit, as its distances are summed.
    const auto scaled = [&](int j, float* x) {
        const float* r = rows.Row(j + 1) + 1;
        for (int q = 0; q < dim_; ++q) x[q] = r[q] * inverse;
    };
    pivot_.resize(static_cast<std::size_t>(pivots_) * dim_);
    constexpr int kEvery = 8;
    std::vector<float> least(static_cast<std::size_t>(n_), kInfinity);
    for (int g = 0, next = 0; g < pivots_; ++g) {
        float* pivot = &pivot_[static_cast<std::size_t>(g) * dim_];
        scaled(next, pivot);
        float farthest = -1, x[kMaxDim];
        for (int j = 0; j < n_; j += kEvery) {
            scaled(j, x);
            float& d = least[static_cast<std::size_t>(j)];
            d = std::min(d, RoughSquare(x, pivot, dim_));
            if (d > farthest) farthest = d, next = j;
        }
    }
    // Each row's nearest pivot on every core: the rows are independent.
    std::vector<int> groupOf(static_cast<std::size_t>(n_));
    const int grouped = InChunks(
        n_, kRowsAChunk,
        [&](int from, int to, int) {
            float x[kMaxDim];
            for (int j = from; j < to; ++j) {
                scaled(j, x);
                float& nearest = least[static_cast<std::size_t>(j)] = kInfinity;
                for (int g = 0; g < pivots_; ++g) {
                    const float d = RoughSquare(x, &pivot_[static_cast<std::size_t>(g) * dim_], dim_);
                    if (d < nearest) nearest = d, groupOf[static_cast<std::size_t>(j)] = g;
                }
            }
        },
        goOn);
    if (grouped < n_) return false;
    std::vector<int> size(static_cast<std::size_t>(pivots_), 0);
    radius_.assign(static_cast<std::size_t>(pivots_), 0.0f);
    for (int j = 0; j < n_; ++j) {
        const std::size_t g = static_cast<std::size_t>(groupOf[static_cast<std::size_t>(j)]);
        ++size[g];
        radius_[g] = std::max(radius_[g], std::sqrt(least[static_cast<std::size_t>(j)]));
    }
    firstBlock_.assign(static_cast<std::size_t>(pivots_) + 1, 0);
    for (int g = 0; g < pivots_; ++g)
        firstBlock_[static_cast<std::size_t>(g) + 1] =
            firstBlock_[static_cast<std::size_t>(g)] + (size[static_cast<std::size_t>(g)] + kLanes - 1) / kLanes;
    const int blocks = firstBlock_.back();
    rowAt_.assign(static_cast<std::size_t>(blocks) * kLanes, 0);
    placeOf_.assign(static_cast<std::size_t>(n_) + 1, 0);
    std::vector<int> next(static_cast<std::size_t>(pivots_));
    for (int g = 0; g < pivots_; ++g) next[static_cast<std::size_t>(g)] = firstBlock_[static_cast<std::size_t>(g)] * kLanes;
    for (int j = 0; j < n_; ++j) {
        const int s = next[static_cast<std::size_t>(groupOf[static_cast<std::size_t>(j)])]++;
        rowAt_[static_cast<std::size_t>(s)] = j + 1;
        placeOf_[static_cast<std::size_t>(j) + 1] = s;
    }
    // Block by block, each written whole while it is at hand.
    data_.assign(static_cast<std::size_t>(blocks) * dim_ * kLanes, kInfinity);
    return InChunks(
        blocks, kRowsAChunk / kLanes,
        [&](int from, int to, int) {
            float x[kMaxDim];
            for (int b = from; b < to; ++b)
                for (int l = 0; l < kLanes; ++l) {
                    const int j = rowAt_[static_cast<std::size_t>(b) * kLanes + l];
                    if (j == 0) continue;
                    scaled(j - 1, x);
                    for (int q = 0; q < dim_; ++q) data_[At(dim_, b * kLanes + l, q)] = x[q];
                }
        },
        goOn) == blocks;
}

// The pivots, nearest to x first, with the squared distances to them.
void RowNeighbours::PivotsByDistance(const float* x, std::pair<float, int>* by) const {
    for (int g = 0; g < pivots_; ++g) by[g] = {RoughSquare(x, &pivot_[static_cast<std::size_t>(g) * dim_], dim_), g};
    std::sort(by, by + pivots_);
}

namespace {

// Whether no row of a group whose pivot lies at squared distance `toPivot`
// from the row searched for, within `radius` of it, can have a sum within
// the bound: its distance is at least the pivot's less the radius. The
// margins outweigh the rounding of the sums many times over, so that no
// row that could be among the nearest is passed by.
bool GroupBeyond(float toPivot, float radius, float bound) {
    if (bound == kInfinity) return false;
    const float least = std::sqrt(toPivot) * (1 - 1e-4f) - radius * (1 + 1e-4f);
    return least > 0 && least * least > bound * (1 + 1e-4f);
}

}  // namespace

void RowNeighbours::ByData(int i, int k, int* nearest) const {
    if (k < 1) return;
    float x[kMaxDim];
    ValuesAt(data_.data(), dim_, placeOf_[static_cast<std::size_t>(i)], x);
    std::pair<float, int> order[kPivots];
    PivotsByDistance(x, order);
    NearestSoFar found(std::min(k, kMaxRowNeighbours), unit_);
    for (int o = 0; o < pivots_; ++o) {
        const std::size_t g = static_cast<std::size_t>(order[o].second);
        if (GroupBeyond(order[o].first, radius_[g], found.Bound())) continue;
        ScanData(data_.data(), rowAt_.data(), firstBlock_[g], firstBlock_[g + 1], dim_, unit_, x, i, found);
    }
    found.Rows(nearest);
}

void RowNeighbours::OnMap(int i, int k, int* nearest) const {
    if (k < 1) return;
    float p[4];
    ValuesAt(map_.data(), m_, i - 1, p);
    NearestSoFar found(std::min(k, kMaxRowNeighbours), 0);
    ScanMap(map_.data(), (n_ + kLanes - 1) / kLanes, n_, m_, p, i, found);
    found.Rows(nearest);
}
