#include "workspace/Workspace.h"

#include <algorithm>
#include <cstring>

// Lives in zero-initialised storage; the start values are set before main runs.
Workspace ws;

void Workspace::Reset() {
    std::memset(static_cast<void*>(this), 0, sizeof(Workspace));
    ItemCount = 2403;
    MapEnlargement = 10.0f;
    MapSize1 = MapSize2 = MapSize3 = MapSize4 = 100;
    FirstItem = 1;
    ZoomStep = 1.0;
    ViewZoom = 0.7f;
    ViewAngle = 1.0471975f;
    IterationLimit = 1000;

    // Derived once at start-up, before the window is shown.
    ProjectedCount = ItemCount - FirstItem + 1;
    SimilarityDist = static_cast<float>(MapSize1 / 2);
}

void Workspace::ClearItems() {
    for (int i = 1; i <= kInputRows; ++i) {
        ItemNumber[i] = i;
        std::fill(InputVectors[i], InputVectors[i] + 66, 0.0f);
    }
}

void Workspace::ClearTreeLinks() {
    for (int i = 1; i <= kMaxMapItems; ++i) std::fill(TreeLinks[i] + 1, TreeLinks[i] + kMaxMapItems + 1, 0);
}

void Workspace::ClearClusterMarks() {
    std::fill(ClusterOf, ClusterOf + kMaxMapItems + 1, 0);
    std::fill(ClusterCentres, ClusterCentres + kMaxMapItems + 1, 0);
    std::fill(ProtoProb, ProtoProb + kMaxMapItems + 1, 0.0f);
    ClusterCount = 0;
}

int Workspace::MapItems() const {
    return (ItemCount > 0 && ItemCount <= kMaxMapItems) ? ItemCount : 0;
}

namespace {
[[maybe_unused]] const bool kStarted = (ws.Reset(), true);
}
