#include "mds/MapLayout.h"

void MapLayout::Resize(int points) {
    n = points;
    coords.assign(static_cast<std::size_t>(n + 1) * 5, 0.0f);
}

void MapLayout::KeepPoints(int k) {
    n = k;
    coords.resize(static_cast<std::size_t>(n + 1) * 5);
}
