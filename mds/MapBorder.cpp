#include "mds/MapBorder.h"

#include <algorithm>
#include <cmath>

#include "text/Numbers.h"
#include "table/Capacities.h"

namespace {

// Rounded down to two significant digits, so that the value shown fits too.
double TwoDigitsDown(double v) {
    if (!(v > 0) || !std::isfinite(v)) return 0;
    const double unit = std::pow(10.0, std::floor(std::log10(v)) - 1);
    return std::floor(v / unit * (1 + 1e-9)) * unit;
}

}  // namespace

bool MapCutByBox(int pressed, int n) {
    return pressed > 0.02 * n;
}

// An item's squared distance from the centre of all items, from the
// squared distances alone: r_i^2 = mean_j d_ij^2 - mean_jk d_jk^2 / 2.
double FittingEnlargement(const DistanceMatrix& distances, const MapLayout& map, double enlargement, int b) {
    const int n = MapRows(distances.n);
    if (n < 2) return 0;
    const double divisor = std::max(b, 1) * 2.0;
    double rowMean[kMaxMapItems + 1] = {};
    double all = 0;
    for (int i = 1; i <= n; ++i) {
        double sum = 0;
        for (int j = 1; j <= n; ++j) {
            const double dij = distances.At(i, j), dji = distances.At(j, i);
            const double d2 = (dij * dij + dji * dji) / divisor;  // in map units, as the step aims for
            if (std::isfinite(d2)) sum += d2;
        }
        rowMean[i] = sum / n;
        all += rowMean[i];
    }
    double farthest2 = 0;
    for (int i = 1; i <= n; ++i) farthest2 = std::max(farthest2, rowMean[i] - all / n / 2);
    const double halfBox = map.axisSize[1] * 0.5;
    if (!(farthest2 > 0)) return 0;
    return TwoDigitsDown(std::abs(enlargement) * halfBox / std::sqrt(farthest2));
}

std::string BorderWarningText(int pressed, double enlargement, const FittingValue& fits) {
    return Format(
        "warning: %d item%s pressed against the map's border: \"map enlarge.\" %g is too large for "
        "these data; %g or less fits%s",
        pressed, pressed == 1 ? "" : "s", enlargement, fits.value, fits.checked ? "" : " (not checked)");
}
