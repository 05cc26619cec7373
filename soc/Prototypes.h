// The prototypes of SOC: each one's vector and its components' weights.
#pragma once

#include <cstddef>
#include <vector>

struct Prototypes {
    int k = 0;      // prototypes 1..k
    int width = 0;  // components 1..width of each
    // Prototype p's component q at [p x (width + 1) + q].
    std::vector<float> values, weights;

    // k prototypes of `width` components, every one 0.
    void Resize(int count, int components);
    float* Vector(int p) { return values.data() + static_cast<std::size_t>(p) * Stride(); }
    const float* Vector(int p) const { return values.data() + static_cast<std::size_t>(p) * Stride(); }
    float* Weights(int p) { return weights.data() + static_cast<std::size_t>(p) * Stride(); }
    const float* Weights(int p) const { return weights.data() + static_cast<std::size_t>(p) * Stride(); }
    std::size_t Stride() const { return static_cast<std::size_t>(width) + 1; }
};
