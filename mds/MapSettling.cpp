#include "mds/MapSettling.h"

#include <cmath>


namespace {

// Measured on the samples: 1,000 steps down to a thousandth of the step
// bring the map to rest (a further step of the last length moves no item
// by more than that length) at about 5% of an MRP-MDS run's time.
constexpr int kSettlingSteps = 1000;
constexpr float kLastShare = 0.001f;

}  // namespace

float Settling::Length(int i) const {
    const double share = static_cast<double>(i) / steps;
    return static_cast<float>(firstLength * std::pow(static_cast<double>(lastLength) / firstLength, share));
}

Settling SettlingAfter(float stepLength) {
    return {kSettlingSteps, stepLength, stepLength * kLastShare};
}
