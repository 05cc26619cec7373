// Random numbers that depend on a key alone (SplitMix64 from the key): a
// draw keyed on what it is for (the seed, the epoch, the edge) is the same
// whichever thread makes it, and in whatever order.
#pragma once

#include <cstdint>

class KeyedRandom {
public:
    explicit KeyedRandom(std::uint64_t key) : state_(key * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL) {}
    // A key of three parts (each draw mixes every bit of the state).
    KeyedRandom(std::uint64_t a, std::uint64_t b, std::uint64_t c)
        : state_(a * 0x9E3779B97F4A7C15ULL + b * 0xC2B2AE3D27D4EB4FULL + c * 0x165667B19E3779F9ULL) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0..n-1 (n at least 1): the high half of a product, with no division.
    int Below(int n) { return static_cast<int>(((Next() >> 32) * static_cast<std::uint64_t>(n)) >> 32); }

private:
    std::uint64_t state_;
};
