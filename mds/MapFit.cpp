#include "mds/MapFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "distances/Distances.h"
#include "distances/SetDistances.h"
#include "mds/RowNeighbours.h"
#include "parallel/Chunks.h"
#include "text/Numbers.h"
#include "text/Words.h"
#include "table/Capacities.h"

namespace {

constexpr int kNeighbours = kMaxRowNeighbours;

// The k smallest values of row[1..n] without `self`, as item numbers in
// nearest[0..k-1]; ties go to the lower number.
template <class Value>
void Nearest(const Value* row, int n, int self, int k, int* nearest) {
    double value[kNeighbours];
    int count = 0;
    for (int j = 1; j <= n; ++j) {
        if (j == self) continue;
        const double v = static_cast<double>(row[j]);
        if (count == k && !(v < value[k - 1])) continue;
        int at = count < k ? count++ : k - 1;
        while (at > 0 && v < value[at - 1]) {
            value[at] = value[at - 1];
            nearest[at] = nearest[at - 1];
            --at;
        }
        value[at] = v;
        nearest[at] = j;
    }
}

// Stress-1 over the pairs given, map distance d against distance delta.
struct StressSums {
    double d2 = 0, dDelta = 0, delta2 = 0;
    void Add(double d, double delta) {
        d2 += d * d;
        dDelta += d * delta;
        delta2 += delta * delta;
    }
    // min over s of sum (d - s delta)^2 = sum d^2 - (sum d delta)^2 / sum delta^2
    double Stress1() const {
        const double residual = delta2 > 0 ? d2 - dDelta * dDelta / delta2 : d2;
        return d2 > 0 ? std::sqrt(std::max(residual, 0.0) / d2) : 0.0;
    }
};

}  // namespace

MapFit MeasureMapFit(const MapLayout& map, const DistanceMatrix& distances, int m) {
    const int n = MapRows(std::min(map.n, distances.n));
    m = std::clamp(m, 1, 4);
    MapFit fit{0, 1, std::min(kNeighbours, n - 1)};
    if (n < 2) return fit;

    StressSums sums;
    int kept = 0;
    double mapRow[kMaxMapItems + 1], distanceRow[kMaxMapItems + 1];
    int nearOnMap[kNeighbours], nearByDistance[kNeighbours];
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            double d2 = 0;
            for (int a = 1; a <= m; ++a) {
                const double diff = static_cast<double>(map.Point(i)[a]) - map.Point(j)[a];
                d2 += diff * diff;
            }
            const double d = std::sqrt(d2);
            const double delta = 0.5 * (static_cast<double>(distances.At(i, j)) + distances.At(j, i));
            mapRow[j] = d;
            distanceRow[j] = delta;
            if (j < i) {  // d2 itself, not d squared again: the same bits as ever
                sums.d2 += d2;
                sums.dDelta += d * delta;
                sums.delta2 += delta * delta;
            }
        }
        Nearest(mapRow, n, i, fit.neighbours, nearOnMap);
        Nearest(distanceRow, n, i, fit.neighbours, nearByDistance);
        for (int a = 0; a < fit.neighbours; ++a)
            kept += static_cast<int>(std::count(nearOnMap, nearOnMap + fit.neighbours, nearByDistance[a]));
    }
    fit.stress1 = sums.Stress1();
    fit.neighboursKept = static_cast<double>(kept) / (static_cast<double>(n) * fit.neighbours);
    return fit;
}

namespace {

constexpr long kFitPairs = 100000;
constexpr int kFitRows = 1000;

double MapDistance(const MapLayout& map, int i, int j, int m) {
    double d2 = 0;
    for (int a = 1; a <= m; ++a) {
        const double diff = static_cast<double>(map.Point(i)[a]) - map.Point(j)[a];
        d2 += diff * diff;
    }
    return std::sqrt(d2);
}

// Point i's squared distances on the map to points 1..n, into out[1..n]:
// they rank the points as the distances do.
void SquaredMapDistances(const MapLayout& map, int i, int m, float* out) {
    const float* p = map.Point(i);
    for (int j = 1; j <= map.n; ++j) {
        const float* q = map.Point(j);
        float s = 0;
        for (int a = 1; a <= m; ++a) s += (p[a] - q[a]) * (p[a] - q[a]);
        out[j] = s;
    }
}

// How many of the neighbours on the map are among those by distance.
int Common(const int* nearOnMap, const int* nearByDistance, int k) {
    int common = 0;
    for (int a = 0; a < k; ++a) common += static_cast<int>(std::count(nearOnMap, nearOnMap + k, nearByDistance[a]));
    return common;
}

bool RowsComplete(const Table& rows, int n) {
    for (int i = 1; i <= n; ++i)
        if (rows.missing[static_cast<std::size_t>(i)] != 0) return false;
    return true;
}

// A row drawn is compared with every row: against 100,000 rows a chunk of
// four is short enough for STOP to be heeded at once.
constexpr int kRowsAChunk = 4;

// The neighbours kept of rows sample[0..kept.size() - 1] against rows
// 1..n, into kept: the rows compared (as InChunks counts them).
int KeptOfCompleteRows(const MapLayout& map, const Table& rows, int n, int dim, float unit, int m,
                       const std::vector<int>& sample, int k, std::vector<int>& kept,
                       const std::function<bool()>& goOn) {
    const RowNeighbours neighbours(rows, n, dim, unit, map, m, goOn);
    if (!neighbours.Made()) return 0;
    return InChunks(
        static_cast<int>(kept.size()), kRowsAChunk,
        [&](int from, int to, int) {
            int nearOnMap[kNeighbours], nearByDistance[kNeighbours];
            for (int s = from; s < to; ++s) {
                const int i = sample[static_cast<std::size_t>(s)];
                neighbours.OnMap(i, k, nearOnMap);
                neighbours.ByData(i, k, nearByDistance);
                kept[static_cast<std::size_t>(s)] = Common(nearOnMap, nearByDistance, k);
            }
        },
        goOn);
}

// The same for rows that miss values, against rows everyRow.
int KeptOfRows(const MapLayout& map, const Table& rows, const std::vector<int>& everyRow, int dim, float unit,
               int m, const std::vector<int>& sample, int k, std::vector<int>& kept,
               const std::function<bool()>& goOn) {
    const int n = static_cast<int>(everyRow.size());
    const SetDistances distances(rows, everyRow, dim, unit);
    // Each thread's rows of distances, by the data and on the map.
    const std::vector<float> row(static_cast<std::size_t>(n) + 1);
    std::vector<std::vector<float>> delta(static_cast<std::size_t>(ChunkWorkers()), row), onMap = delta;
    return InChunks(
        static_cast<int>(kept.size()), kRowsAChunk,
        [&](int from, int to, int worker) {
            std::vector<float>& byData = delta[static_cast<std::size_t>(worker)];
            std::vector<float>& byMap = onMap[static_cast<std::size_t>(worker)];
            int nearOnMap[kNeighbours], nearByDistance[kNeighbours];
            for (int s = from; s < to; ++s) {
                const int i = sample[static_cast<std::size_t>(s)];
                distances.From(rows.Row(i), rows.missing[static_cast<std::size_t>(i)] == 0, byData.data());
                SquaredMapDistances(map, i, m, byMap.data());
                for (int j = 1; j <= n; ++j)
                    if (std::isnan(byData[static_cast<std::size_t>(j)]))
                        byData[static_cast<std::size_t>(j)] = std::numeric_limits<float>::infinity();
                Nearest(byMap.data(), n, i, k, nearOnMap);
                Nearest(byData.data(), n, i, k, nearByDistance);
                kept[static_cast<std::size_t>(s)] = Common(nearOnMap, nearByDistance, k);
            }
        },
        goOn);
}

}  // namespace

MapFit MeasureRowsFit(const MapLayout& map, const Table& rows, int dim, float unit, int m, unsigned seed,
                      const std::function<bool()>& goOn) {
    const int n = std::min(map.n, rows.rows);
    m = std::clamp(m, 1, 4);
    MapFit fit{0, 1, std::min(kNeighbours, n - 1)};
    if (n < 2) return fit;
    std::mt19937 random(seed);
    const auto below = [&](int a) { return static_cast<int>(random() % static_cast<unsigned>(a)); };

    StressSums sums;
    const long pairs = static_cast<long>(n) * (n - 1) / 2;
    const auto add = [&](int i, int j) {
        const float delta = VectorDistance(rows.Row(i), rows.Row(j), dim, unit);
        if (!std::isnan(delta)) sums.Add(MapDistance(map, i, j, m), delta);
    };
    if (pairs <= kFitPairs) {
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j < i; ++j) add(i, j);
    } else {
        for (long p = 0; p < kFitPairs; ++p) {
            const int i = 1 + below(n);
            int j = 1 + below(n - 1);
            if (j >= i) ++j;
            add(i, j);
        }
    }
    fit.stress1 = sums.Stress1();

    std::vector<int> everyRow(static_cast<std::size_t>(n));
    std::iota(everyRow.begin(), everyRow.end(), 1);
    std::vector<int> sample = everyRow;
    const int sampled = std::min(n, kFitRows);
    for (int i = 0; i < sampled; ++i)
        std::swap(sample[static_cast<std::size_t>(i)], sample[static_cast<std::size_t>(i + below(n - i))]);
    std::vector<int> kept(static_cast<std::size_t>(sampled), 0);
    const bool searched = RowsComplete(rows, n) && unit > 0 && std::isfinite(unit);  // sums rank as distances
    const int compared = searched
                             ? KeptOfCompleteRows(map, rows, n, dim, unit, m, sample, fit.neighbours, kept, goOn)
                             : KeptOfRows(map, rows, everyRow, dim, unit, m, sample, fit.neighbours, kept, goOn);
    // A stopped measurement gives the rows compared so far: the first of
    // those drawn, themselves drawn at random.
    long total = 0;
    for (int s = 0; s < compared; ++s) total += kept[static_cast<std::size_t>(s)];
    fit.neighboursKept = compared > 0 ? static_cast<double>(total) / (static_cast<double>(compared) * fit.neighbours)
                                      : std::numeric_limits<double>::quiet_NaN();
    if (compared < sampled) fit.rowsCompared = {compared, sampled};
    return fit;
}

const char* StressBand(double stress1) {
    if (stress1 <= 0.025) return "excellent";
    if (stress1 <= 0.05) return "good";
    if (stress1 <= 0.10) return "fair";
    if (stress1 <= 0.20) return "poor";
    return "bad";
}

MapFit UnmeasuredFit() {
    const double none = std::numeric_limits<double>::quiet_NaN();
    return {none, none, 0};
}

std::string MapFitText(const MapFit& fit) {
    if (std::isnan(fit.stress1)) return "fit not measured: stopped";
    const double shown = std::round(fit.stress1 * 1000) / 1000;  // the band of the figure as written
    const std::string stress = Format("Stress-1 %.3f (%s), ", shown, StressBand(shown));
    const auto [compared, drawn] = fit.rowsCompared;
    if (compared == 0 && drawn > 0) return stress + "neighbours kept not measured: stopped";
    std::string text = stress + Format("neighbours kept %.0f%%", fit.neighboursKept * 100);
    if (compared < drawn)
        text += Format(" over %s of the %s rows drawn: stopped", GroupedCount(compared).c_str(),
                       GroupedCount(drawn).c_str());
    return text;
}
