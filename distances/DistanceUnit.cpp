#include "distances/DistanceUnit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "table/ColumnScale.h"
#include "table/Capacities.h"

namespace {

constexpr double kLargestFloat = std::numeric_limits<float>::max();
constexpr double kTiniestDistance = 0x1p-50;  // its square, 8e-31, is a float of full precision

// The largest distance components 1..dim of items 1..n could make: the
// largest spread of a component times the square root of the components.
double LargestDistance(const Table& items, int n, int dim) {
    double spread = 0;
    const std::vector<ColumnSpread> spreads = SpreadsOf(items, n, dim);
    for (int k = 1; k <= dim; ++k) {
        const ColumnSpread& s = spreads[static_cast<std::size_t>(k)];
        spread = std::max(spread, s.high - s.low);
    }
    return spread * std::sqrt(static_cast<double>(dim));
}

}  // namespace

float PowerOfTwoAbove(double size, double limit) {
    int k = 0;
    while (k < 127 && size > std::ldexp(limit, k)) ++k;
    return std::ldexp(1.0f, k);
}

float ChooseDistanceUnit(const Table& items, int n, int dim) {
    n = std::clamp(n, 0, items.rows);
    dim = std::clamp(dim, 0, items.width);
    const double largest = LargestDistance(items, n, dim);
    // Values so small that their squares would fall below what a float
    // holds in full (1e-30 and less) are brought up to 1 instead.
    if (largest > 0 && largest < kTiniestDistance) return std::ldexp(1.0f, std::ilogb(largest));
    return PowerOfTwoAbove(largest, std::sqrt(kLargestFloat / kSumRoom));
}

OversizedValues FindOversizedValues(const Table& items, int n, int dim) {
    n = std::clamp(n, 0, items.rows);
    dim = std::clamp(dim, 0, items.width);
    constexpr double kRunsScale = 10;
    OversizedValues found;
    double furthest = kLargestFloat;
    const std::vector<ColumnSpread> spreads = SpreadsOf(items, n, dim);
    for (int k = 1; k <= dim; ++k) {
        const ColumnSpread& s = spreads[static_cast<std::size_t>(k)];
        const double reach = kRunsScale * std::max({(s.high - s.low) * std::sqrt(static_cast<double>(dim)),
                                                    std::abs(s.low), std::abs(s.high)});
        if (reach > furthest) {
            furthest = reach;
            found = {k, s.low, s.high};
        }
    }
    return found;
}
