#include "view/MapScene.h"

#include <algorithm>

bool MapScene::Placed(int i) const {
    return landmarks && landmarks->Placed(i);
}

int MapScene::Number(int i) const {
    return landmarks ? landmarks->FileRow(i) : i;
}

int MapScene::Points() const {
    return std::min(map.n, view.ProjectedPoints());
}
