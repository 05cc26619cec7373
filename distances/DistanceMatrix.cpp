#include "distances/DistanceMatrix.h"

void DistanceMatrix::Resize(int points) {
    n = points;
    values.assign(Stride() * Stride(), 0.0f);
}
