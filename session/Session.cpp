#include "session/Session.h"

#include <algorithm>

void Session::ClearMap() {
    map.Resize(0);
    view.projected.clear();
    distances.Resize(0);
    clusters.Clear(0);
    prototypes.Resize(0, 0);
    landmarks = Landmarks{};
    basis = MapBasis{};
    VectorDim = 0;  // and no vector for the feature-vector panel to draw
    PickEnabled = false;
}

void Session::MakeRoom(int n) {
    const auto size = static_cast<std::size_t>(std::max(n, 0)) + 1;
    if (ItemMark.size() < size) ItemMark.resize(size, 0);
    if (ItemScore.size() < size) ItemScore.resize(size, 0.0f);
}

const SocAssignment& Session::Assignment() const {
    return assignment.Of(prototypes, table, std::clamp(VectorDim, 0, prototypes.width));
}
