#include "mds/MapFit.h"

#include <algorithm>
#include <cmath>

#include "text/Numbers.h"
#include "table/Capacities.h"

namespace {

constexpr int kNeighbours = 5;

// The k smallest values of row[1..n] without `self`, as item numbers in
// nearest[0..k-1]; ties go to the lower number.
void Nearest(const double* row, int n, int self, int k, int* nearest) {
    double value[kNeighbours];
    int count = 0;
    for (int j = 1; j <= n; ++j) {
        if (j == self) continue;
        const double v = row[j];
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

}  // namespace

MapFit MeasureMapFit(const MapLayout& map, const DistanceMatrix& distances, int m) {
    const int n = MapRows(std::min(map.n, distances.n));
    m = std::clamp(m, 1, 4);
    MapFit fit{0, 1, std::min(kNeighbours, n - 1)};
    if (n < 2) return fit;

    double sumD2 = 0, sumDDelta = 0, sumDelta2 = 0;
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
            if (j < i) {
                sumD2 += d2;
                sumDDelta += d * delta;
                sumDelta2 += delta * delta;
            }
        }
        Nearest(mapRow, n, i, fit.neighbours, nearOnMap);
        Nearest(distanceRow, n, i, fit.neighbours, nearByDistance);
        for (int a = 0; a < fit.neighbours; ++a)
            kept += static_cast<int>(std::count(nearOnMap, nearOnMap + fit.neighbours, nearByDistance[a]));
    }
    // min over s of sum (d - s delta)^2 = sum d^2 - (sum d delta)^2 / sum delta^2
    const double residual = sumDelta2 > 0 ? sumD2 - sumDDelta * sumDDelta / sumDelta2 : sumD2;
    fit.stress1 = sumD2 > 0 ? std::sqrt(std::max(residual, 0.0) / sumD2) : 0.0;
    fit.neighboursKept = static_cast<double>(kept) / (static_cast<double>(n) * fit.neighbours);
    return fit;
}

const char* StressBand(double stress1) {
    if (stress1 <= 0.025) return "excellent";
    if (stress1 <= 0.05) return "good";
    if (stress1 <= 0.10) return "fair";
    if (stress1 <= 0.20) return "poor";
    return "bad";
}

std::string MapFitText(const MapFit& fit) {
    const double shown = std::round(fit.stress1 * 1000) / 1000;  // the band of the figure as written
    return Format("Stress-1 %.3f (%s), neighbours kept %.0f%%", shown, StressBand(shown),
                  fit.neighboursKept * 100);
}
