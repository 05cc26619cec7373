#include "soc/Prototypes.h"

void Prototypes::Resize(int count, int components) {
    k = count;
    width = components;
    values.assign(static_cast<std::size_t>(k + 1) * Stride(), 0.0f);
    weights.assign(values.size(), 0.0f);
}
