#include "distances/Distances.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "distances/ColumnDistances.h"
#include "distances/DistanceUnit.h"
#include "distances/VectorTargets.h"
#include "table/Capacities.h"
#include "text/Numbers.h"

namespace {

// Rows of the components laid out by column: one vector step takes a
// component of many pairs, while each pair's sum still runs over its
// components in order, as VectorDistance sums them.
constexpr int kColumnStride = (kMaxMapItems + 15) / 16 * 16;
using Columns = float[kMaxDim][kColumnStride];

}  // namespace

// A block of members at a time, so that their sums stay in the nearest
// cache while every component passes.
VECTOR_TARGETS void ColumnDistances(const float* x, int n, int dim, const float* columns, int stride,
                                    float* __restrict out) {
    constexpr int kBlock = 512;
    for (int j = 0; j < n; ++j) out[j] = 0.0f;
    for (int from = 0; from < n; from += kBlock) {
        const int to = std::min(n, from + kBlock);
        for (int k = 0; k < dim; ++k) {
            const float* __restrict c = columns + static_cast<std::size_t>(k) * static_cast<std::size_t>(stride);
            const float xk = x[k];
#pragma omp simd
            for (int j = from; j < to; ++j) {
                const float d = xk - c[j];
                out[j] += d * d;
            }
        }
    }
#pragma omp simd
    for (int j = 0; j < n; ++j) out[j] = static_cast<float>(std::sqrt(static_cast<double>(out[j])));
}

namespace {

// The columns hold the values in the distance unit.
void FillCompleteDistances(const Table& items, int rows, int dim, float unit, DistanceMatrix& d) {
    alignas(64) Columns columns;
    alignas(64) float row[kColumnStride];
    const float inverse = 1.0f / unit;
    for (int i = 1; i <= rows; ++i)
        for (int k = 0; k < dim; ++k) columns[k][i - 1] = items.Row(i)[k + 1] * inverse;
    float x[kMaxDim];
    for (int i = 1; i <= rows; ++i) {
        for (int k = 0; k < dim; ++k) x[k] = columns[k][i - 1];
        ColumnDistances(x, i - 1, dim, &columns[0][0], kColumnStride, row);
        d.Row(i)[i] = 0.0f;
        for (int j = 1; j < i; ++j) d.Row(i)[j] = d.Row(j)[i] = row[j - 1] * unit;
    }
}

void FillItemDistances(const Table& items, int rows, int dim, float unit, DistanceMatrix& d) {
    for (int i = 1; i <= rows; ++i) {
        d.Row(i)[i] = 0.0f;
        for (int j = 1; j < i; ++j) d.Row(i)[j] = d.Row(j)[i] = VectorDistance(items.Row(i), items.Row(j), dim, unit);
    }
}

// Pairs without a component in common take the largest distance of the
// others. Returns how many there were.
int FillUnrelatedPairs(DistanceMatrix& d) {
    const int rows = d.n;
    float largest = 0.0f;
    int unrelated = 0;
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j < i; ++j) {
            const float v = d.At(i, j);
            if (std::isnan(v))
                ++unrelated;
            else
                largest = std::max(largest, v);
        }
    if (unrelated > 0)
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= rows; ++j)
                if (std::isnan(d.At(i, j))) d.Row(i)[j] = largest;
    return unrelated;
}

// The factor that brings the largest distance to the map's size, with the
// matrix's scale and largest set; nothing when normalisation fails:
// distances all 0 (or not a number), or an infinite factor (an infinite
// "map enlarge."), which would fill the map with infinities. A factor of 0
// (a "map enlarge." of 0, or an infinite largest distance) is applied and
// returned: the caller refuses it.
std::optional<float> Scale(DistanceMatrix& d, double size, float largest) {
    const float f = static_cast<float>(size / static_cast<double>(largest));
    if (largest == 0.0f || std::isnan(largest) || !std::isfinite(f)) return std::nullopt;
    d.largest = largest * f;
    d.scale = f;
    return f;
}

}  // namespace

void MultiplyDistances(DistanceMatrix& d, float f) {
    for (float& v : d.values) v *= f;
}

float VectorDistance(const float* a, const float* b, int dim, float unit) {
    const float inverse = 1.0f / unit;
    float sum = 0.0f;
    int present = 0;
    for (int k = 1; k <= dim; ++k) {
        const float d = a[k] * inverse - b[k] * inverse;
        if (std::isnan(d)) continue;
        sum += d * d;
        ++present;
    }
    if (present == 0) return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(std::sqrt(static_cast<double>(sum) * dim / present)) * unit;
}

int BuildDistanceMatrix(const Table& items, int n, int dim, DistanceMatrix& d) {
    n = std::clamp(n, 0, items.rows);
    const int rows = MapRows(n);
    dim = std::clamp(dim, 0, std::min(items.width, kMaxDim));
    const float unit = ChooseDistanceUnit(items, n, dim);
    d.Resize(rows);
    const bool complete = std::all_of(items.missing.begin() + 1, items.missing.begin() + rows + 1,
                                      [](int m) { return m == 0; });
    if (complete) return FillCompleteDistances(items, rows, dim, unit, d), 0;
    FillItemDistances(items, rows, dim, unit, d);
    return FillUnrelatedPairs(d);
}

// Summed over the distances divided by a power of two that keeps the sum
// within single precision, and multiplied back: exact in binary.
float MeanDistance(const DistanceMatrix& d) {
    float largest = 0.0f;
    int count = 0;
    for (int j = 1; j <= d.n; ++j)
        for (int k = 1; k < j; ++k) {
            largest = std::max(largest, std::abs(d.At(j, k)));
            ++count;
        }
    const float unit = PowerOfTwoAbove(static_cast<double>(largest) * count,
                                       std::numeric_limits<float>::max() / kSumRoom),
                inverse = 1.0f / unit;
    float sum = 0.0f;
    for (int j = 1; j <= d.n; ++j)
        for (int k = 1; k < j; ++k) sum += d.At(j, k) * inverse;
    return count > 0 ? sum / static_cast<float>(count) * unit : sum;
}

std::optional<float> NormaliseDistances(DistanceMatrix& d, double size) {
    const std::optional<float> f = Scale(d, size, LargestDistance(d, d.n));
    if (f) MultiplyDistances(d, *f);
    return f;
}

std::optional<float> BuildItemDistances(const Table& items, int n, int dim, double size, DistanceMatrix& d) {
    n = std::clamp(n, 0, items.rows);
    BuildDistanceMatrix(items, n, dim, d);
    if (n <= kMaxMapItems) return NormaliseDistances(d, size);
    dim = std::clamp(dim, 0, std::min(items.width, kMaxDim));
    const float unit = ChooseDistanceUnit(items, n, dim);
    float largest = kNoDistance;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j < i; ++j)  // not-a-number never counts
            largest = std::max(largest, VectorDistance(items.Row(i), items.Row(j), dim, unit));
    largest = std::max(largest, 0.0f);  // the diagonal
    const std::optional<float> f = Scale(d, size, largest);
    if (f) MultiplyDistances(d, *f);
    return f;
}

std::string DistanceDumpText(const DistanceMatrix& d) {
    std::string text;
    text.reserve(static_cast<std::size_t>(d.n) * (static_cast<std::size_t>(d.n) * 9 + 1));
    char field[64];
    for (int i = 1; i <= d.n; ++i) {
        for (int j = 1; j <= d.n; ++j) {
            const int len = FormatInto(field, sizeof field, "\t%8.3f", static_cast<double>(d.At(i, j)));
            text.append(field,
                        static_cast<std::size_t>(std::clamp(len, 0, static_cast<int>(sizeof field) - 1)));
        }
        text += '\n';
    }
    return text;
}
