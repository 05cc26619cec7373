#include "session/Random.h"

#include <algorithm>
#include <ctime>

void Random::Seed(std::optional<unsigned> fixed) {
    SeedWith(fixed ? *fixed : static_cast<unsigned>(std::time(nullptr)));
}

void Random::SeedWith(unsigned seed) {
    state_ = seed * 6364136223846793005ULL + 1442695040888963407ULL;
}

int Random::Below(int a) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    const int value = static_cast<int>(state_ >> 33);  // 31 bits
    return a > 0 ? value % a : 0;
}

// The first k places of a shuffle of 1..n, sorted.
std::vector<int> Random::Sample(int n, int k) {
    std::vector<int> all(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) all[static_cast<std::size_t>(i)] = i + 1;
    k = std::clamp(k, 0, n);
    for (int i = 0; i < k; ++i)
        std::swap(all[static_cast<std::size_t>(i)], all[static_cast<std::size_t>(i + Below(n - i))]);
    all.resize(static_cast<std::size_t>(k));
    std::sort(all.begin(), all.end());
    return all;
}
