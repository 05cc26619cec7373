#include "workspace/Random.h"

#include <cstdint>
#include <ctime>

#include "workspace/Workspace.h"

namespace {

std::uint64_t randomState = 1;
std::optional<unsigned> fixedSeed;
[[maybe_unused]] const bool kReset = (ResetWithWorkspace([] {
                                          randomState = 1;
                                          fixedSeed.reset();
                                      }),
                                      true);

}  // namespace

void SeedRandom() {
    SeedRandomWith(fixedSeed ? *fixedSeed : static_cast<unsigned>(std::time(nullptr)));
}

void FixRandomSeed(std::optional<unsigned> seed) {
    fixedSeed = seed;
}

void SeedRandomWith(unsigned seed) {
    randomState = seed * 6364136223846793005ULL + 1442695040888963407ULL;
}

int RandomBelow(int a) {
    randomState = randomState * 6364136223846793005ULL + 1442695040888963407ULL;
    const int value = static_cast<int>(randomState >> 33);  // 31 bits
    return a > 0 ? value % a : 0;
}
