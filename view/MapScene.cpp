#include "view/MapScene.h"

#include <algorithm>

int MapScene::Points() const {
    return std::min(map.n, view.ProjectedPoints());
}
