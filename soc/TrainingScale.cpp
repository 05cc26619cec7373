#include "soc/TrainingScale.h"

#include <algorithm>
#include <cmath>

namespace {

// Whether the components 1..dim of a row (those it has) sum to more than 2.
bool SumsPastTwo(const float* row, int dim) {
    float sum = 0.0f;
    for (int j = 1; j <= dim; ++j)
        if (!std::isnan(row[j])) sum += row[j];
    return sum > 2.0f;
}

}  // namespace

float ShrinkLargeData(Table& items, int dim) {
    dim = std::clamp(dim, 0, items.width);
    if (items.rows < 1 || !SumsPastTwo(items.Row(1), dim)) return 1.0f;
    items.MultiplyBy(0.1f);
    return 0.1f;
}

int RowsSizedOtherwise(const Table& items, int dim) {
    dim = std::clamp(dim, 0, items.width);
    if (items.rows < 1) return 0;
    const bool first = SumsPastTwo(items.Row(1), dim);
    int otherwise = 0;
    for (int i = 2; i <= items.rows; ++i) otherwise += SumsPastTwo(items.Row(i), dim) != first;
    return otherwise;
}
