// How the map's stress takes a pair of points at distance d: the squared
// map distance aims at d^2 / b, near pairs weighted fully and far ones
// almost not. The step over the map's items and the placement of rows
// against its landmarks both weigh their pairs so.
#pragma once

#include <algorithm>

struct PairRule {
    float radius;     // a pair nearer than this (in normalised distance) weighs fully
    float farWeight;  // the weight of the others
    float divisor;    // of the squared distances: b, at least 1

    static PairRule Of(int b, float radius, float farWeight) {
        return {radius, farWeight, static_cast<float>(std::max(b, 1))};
    }
    // Not-a-number is far.
    [[gnu::always_inline]] float Weight(float d) const { return d <= radius ? 1.0f : farWeight; }
    [[gnu::always_inline]] float Target(float d) const { return d * d / divisor; }
};
