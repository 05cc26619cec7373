#include "distances/DistanceMatrix.h"

#include <cstring>

void DistanceMatrix::Resize(int points) {
    n = points;
    values.assign(Stride() * Stride(), 0.0f);
}

// Eight running maxima in two 4-lane vectors keep the scan short; a
// comparison with not-a-number is false.
float LargestDistance(const DistanceMatrix& d, int n) {
    typedef float Lanes __attribute__((vector_size(16)));
    Lanes low = {kNoDistance, kNoDistance, kNoDistance, kNoDistance}, high = low;
    float tail = kNoDistance;
    for (int i = 1; i <= n; ++i) {
        const float* row = d.Row(i) + 1;
        int j = 0;
        for (; j + 8 <= n; j += 8) {
            Lanes a, b;
            std::memcpy(&a, row + j, sizeof a);
            std::memcpy(&b, row + j + 4, sizeof b);
            low = a > low ? a : low;
            high = b > high ? b : high;
        }
        for (; j < n; ++j) tail = row[j] > tail ? row[j] : tail;
    }
    for (int k = 0; k < 4; ++k) {
        tail = low[k] > tail ? low[k] : tail;
        tail = high[k] > tail ? high[k] : tail;
    }
    return tail;
}
