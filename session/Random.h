// The random generator of the runs: the map's first positions, the
// prototypes drawn from the items and the items a SOC run trains with.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class Random {
public:
    // From the clock in seconds, or from the seed given (a repeatable run).
    void Seed(std::optional<unsigned> fixed);
    void SeedWith(unsigned seed);
    // A pseudo-random integer in 0..a-1, or 0 when a is 0 or less.
    int Below(int a);
    // k different numbers of 1..n (all of them when k >= n), every set as
    // likely, in increasing order.
    std::vector<int> Sample(int n, int k);

private:
    std::uint64_t state_ = 1;
};
