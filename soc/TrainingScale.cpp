#include "soc/TrainingScale.h"

#include <algorithm>
#include <cmath>

float ShrinkLargeData(Table& items, int dim) {
    dim = std::clamp(dim, 0, items.width);
    if (items.rows < 1) return 1.0f;
    float firstSum = 0.0f;
    for (int j = 1; j <= dim; ++j)
        if (!std::isnan(items.Row(1)[j])) firstSum += items.Row(1)[j];
    if (!(firstSum > 2.0f)) return 1.0f;
    items.MultiplyBy(0.1f);
    return 0.1f;
}
