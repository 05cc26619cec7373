// The random generator of the runs: the starting prototypes of the MRP
// clustering and the items a SOC run trains with.
#pragma once

#include <optional>

// Seeds the generator from the clock in seconds, or with the seed fixed
// for the process (a repeatable run from the command line).
void SeedRandom();
void FixRandomSeed(std::optional<unsigned> seed);
void SeedRandomWith(unsigned seed);  // a fixed sequence
// A pseudo-random integer in 0..a-1, or 0 when a is 0 or less.
int RandomBelow(int a);
