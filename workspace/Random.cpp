#include "workspace/Random.h"

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
