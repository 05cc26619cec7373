#include "workspace/Distances.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "text/Numbers.h"
#include "workspace/DistanceUnit.h"
#include "workspace/TextFile.h"
#include "workspace/VectorTargets.h"
#include "workspace/Workspace.h"

namespace {

float ItemDistance(int i, int j, int dim) {
    return VectorDistance(ws.InputVectors[i], ws.InputVectors[j], dim);
}

// Rows of the components laid out by column: one vector step takes a
// component of many pairs, while each pair's sum still runs over its
// components in order, as VectorDistance sums them.
constexpr int kColumnStride = (kMaxMapItems + 15) / 16 * 16;
using Columns = float[kMaxDim][kColumnStride];

// The distances of item i to items 1..i-1 into out[0..i-2].
VECTOR_TARGETS void DistancesToEarlier(int i, int dim, const Columns& columns, float* __restrict out) {
    const int n = i - 1;
    for (int j = 0; j < n; ++j) out[j] = 0.0f;
    for (int k = 0; k < dim; ++k) {
        const float* __restrict c = columns[k];
        const float x = c[i - 1];
#pragma omp simd
        for (int j = 0; j < n; ++j) {
            const float d = x - c[j];
            out[j] += d * d;
        }
    }
#pragma omp simd
    for (int j = 0; j < n; ++j) out[j] = static_cast<float>(std::sqrt(static_cast<double>(out[j])));
}

// The columns hold the values in DistanceUnit.
void FillCompleteDistances(int rows, int dim) {
    alignas(64) Columns columns;
    alignas(64) float row[kColumnStride];
    const float unit = ws.DistanceUnit, inverse = 1.0f / unit;
    for (int i = 1; i <= rows; ++i)
        for (int k = 0; k < dim; ++k) columns[k][i - 1] = ws.InputVectors[i][k + 1] * inverse;
    for (int i = 1; i <= rows; ++i) {
        DistancesToEarlier(i, dim, columns, row);
        ws.DistMatrix[i][i] = 0.0f;
        for (int j = 1; j < i; ++j) ws.DistMatrix[i][j] = ws.DistMatrix[j][i] = row[j - 1] * unit;
    }
}

void FillItemDistances(int rows, int dim) {
    for (int i = 1; i <= rows; ++i) {
        ws.DistMatrix[i][i] = 0.0f;
        for (int j = 1; j < i; ++j) ws.DistMatrix[i][j] = ws.DistMatrix[j][i] = ItemDistance(i, j, dim);
    }
}

// Pairs without a component in common take the largest distance of the
// others. Returns how many there were.
int FillUnrelatedPairs(int rows) {
    float largest = 0.0f;
    int unrelated = 0;
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j < i; ++j) {
            const float d = ws.DistMatrix[i][j];
            if (std::isnan(d))
                ++unrelated;
            else
                largest = std::max(largest, d);
        }
    if (unrelated > 0)
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= rows; ++j)
                if (std::isnan(ws.DistMatrix[i][j])) ws.DistMatrix[i][j] = largest;
    return unrelated;
}

// The factor that brings the largest distance to the map's size, with
// MaxDist and DistScale set; nothing when normalisation fails. Distances
// all 0 (or not a number) fail with "gaz"; so does an infinite factor (an
// infinite "map enlarge."), which would fill the map with infinities. A
// factor of 0 (a "map enlarge." of 0, or an infinite largest distance) is
// applied and returned: the caller refuses it.
std::optional<float> Scale(Form& form, float largest) {
    const float f = static_cast<float>(static_cast<double>(ws.AxisSize[1]) *
                                       static_cast<double>(ws.MapEnlargement) / static_cast<double>(largest));
    if (largest == 0.0f || std::isnan(largest) || !std::isfinite(f)) {
        form.MemoAppend("gaz");
        return std::nullopt;
    }
    ws.MaxDist = largest * f;
    ws.DistScale = f;
    return f;
}

}  // namespace

float VectorDistance(const float* a, const float* b, int dim) {
    const float unit = ws.DistanceUnit, inverse = 1.0f / unit;
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

int BuildDistanceMatrix(int n, int dim) {
    const int rows = MapRows(n);
    dim = std::min(dim, kMaxDim);
    ChooseDistanceUnit(n, dim);
    const bool complete =
        std::all_of(ws.ItemMissing + 1, ws.ItemMissing + rows + 1, [](int m) { return m == 0; });
    if (complete) return FillCompleteDistances(rows, dim), 0;
    FillItemDistances(rows, dim);
    return FillUnrelatedPairs(rows);
}

// Summed over the distances divided by a power of two that keeps the sum
// within single precision, and multiplied back: exact in binary.
float MeanDistance(int n) {
    const int rows = MapRows(n);
    float largest = 0.0f;
    int count = 0;
    for (int j = 1; j <= rows; ++j)
        for (int k = 1; k < j; ++k) {
            largest = std::max(largest, std::abs(ws.DistMatrix[j][k]));
            ++count;
        }
    const float unit = PowerOfTwoAbove(static_cast<double>(largest) * count,
                                       std::numeric_limits<float>::max() / kSumRoom),
                inverse = 1.0f / unit;
    float sum = 0.0f;
    for (int j = 1; j <= rows; ++j)
        for (int k = 1; k < j; ++k) sum += ws.DistMatrix[j][k] * inverse;
    return count > 0 ? sum / static_cast<float>(count) * unit : sum;
}

float NormaliseDistances(Form& form, int n) {
    const int rows = MapRows(n);
    float largest = -10000.0f;
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= rows; ++j) largest = std::max(largest, ws.DistMatrix[i][j]);
    const std::optional<float> f = Scale(form, largest);
    if (!f) return 0.0f;
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= rows; ++j) ws.DistMatrix[i][j] *= *f;
    return *f;
}

float BuildItemDistances(Form& form, int n, int dim) {
    BuildDistanceMatrix(n, dim);
    if (n <= kMaxMapItems) return NormaliseDistances(form, n);
    float largest = -10000.0f;
    dim = std::min(dim, kMaxDim);
    const int items = std::min(n, kInputRows);
    for (int i = 1; i <= items; ++i)
        for (int j = 1; j < i; ++j)
            largest = std::max(largest, ItemDistance(i, j, dim));  // not-a-number never counts
    largest = std::max(largest, 0.0f);                             // the diagonal
    const std::optional<float> f = Scale(form, largest);
    if (!f) return 0.0f;
    for (int i = 1; i <= kMaxMapItems; ++i)
        for (int j = 1; j <= kMaxMapItems; ++j) ws.DistMatrix[i][j] *= *f;
    return *f;
}

std::string DistanceDumpText() {
    const int rows = MapRows(ws.ItemCount);
    std::string text;
    text.reserve(static_cast<std::size_t>(rows) * (static_cast<std::size_t>(rows) * 9 + 1));
    char field[64];
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= rows; ++j) {
            const int len =
                FormatInto(field, sizeof field, "\t%8.3f", static_cast<double>(ws.DistMatrix[i][j]));
            text.append(field,
                        static_cast<std::size_t>(std::clamp(len, 0, static_cast<int>(sizeof field) - 1)));
        }
        text += '\n';
    }
    return text;
}

bool WriteDistanceDump(Form& form, const char* path, const std::string& text) {
    TextFileWriter out(form, path);
    out.Write(text);
    return out.Commit();
}
