#include "workspace/Workspace.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

// Lives in zero-initialised storage; the start values are set before main runs.
Workspace ws;

namespace {
std::vector<void (*)()>& Resets() {
    static std::vector<void (*)()> resets;
    return resets;
}
}  // namespace

void ResetWithWorkspace(void (*reset)()) {
    Resets().push_back(reset);
}

void Workspace::Reset() {
    std::memset(static_cast<void*>(this), 0, sizeof(Workspace));
    ItemCount = 2403;
    MapEnlargement = 10.0f;
    DistanceUnit = 1.0f;
    MapSize1 = MapSize2 = MapSize3 = MapSize4 = 100;
    FirstItem = 1;
    ZoomStep = 1.0;
    ViewZoom = 0.7f;
    ViewAngle = 1.0471975f;
    IterationLimit = 1000;
    ShowLegend = 1;
    SocScale = 1.0f;
    ClearTable();

    // Derived once at start-up, before the window is shown.
    ProjectedCount = ItemCount - FirstItem + 1;
    SimilarityDist = static_cast<float>(MapSize1 / 2);
    for (void (*reset)() : Resets()) reset();
}

void Workspace::ClearItems() {
    for (int i = 1; i <= kInputRows; ++i) {
        ItemNumber[i] = i;
        std::fill(InputVectors[i], InputVectors[i] + 66, 0.0f);
    }
    ClearTable();
}

void Workspace::ClearTable() {
    std::memset(ItemName, 0, sizeof ItemName);
    std::fill(std::begin(ItemClass), std::end(ItemClass), 0);
    std::fill(std::begin(ItemMissing), std::end(ItemMissing), 0);
    std::memset(ClassName, 0, sizeof ClassName);
    ClassCount = 0;
    std::memset(ClassHeader, 0, sizeof ClassHeader);
    std::memset(FeatureName, 0, sizeof FeatureName);
    std::fill(std::begin(FeatureOffset), std::end(FeatureOffset), 0.0f);
    std::fill(std::begin(FeatureFactor), std::end(FeatureFactor), 1.0f);
}

float Workspace::InFileUnits(int q, float v) const {
    const float factor = q >= 1 && q <= kMaxDim ? FeatureFactor[q] : 1.0f;
    const float offset = q >= 1 && q <= kMaxDim ? FeatureOffset[q] : 0.0f;
    const float read = v / SocScale;
    return factor != 0 ? read / factor + offset : offset;
}

bool Workspace::HasNames() const {
    for (int i = 1; i <= kInputRows; ++i)
        if (ItemName[i][0] != '\0') return true;
    return false;
}

void Workspace::ClearTreeLinks() {
    for (int i = 1; i <= kMaxMapItems; ++i) std::fill(TreeLinks[i] + 1, TreeLinks[i] + kMaxMapItems + 1, 0);
}

void Workspace::ClearClusterMarks() {
    std::fill(ClusterOf, ClusterOf + kMaxMapItems + 1, 0);
    std::fill(ClusterCentres, ClusterCentres + kMaxMapItems + 1, 0);
    std::fill(ProtoProb, ProtoProb + kMaxMapItems + 1, 0.0f);
    ClusterCount = 0;
    std::fill(std::begin(PrototypeClass), std::end(PrototypeClass), 0);
    std::fill(std::begin(PrototypeShare), std::end(PrototypeShare), 0.0f);
    std::fill(std::begin(PrototypeScore), std::end(PrototypeScore), 0.0f);
}

namespace {
int Placed(int count) {
    return (count > 0 && count <= kMaxMapItems) ? count : 0;
}
}  // namespace

int Workspace::MapItems() const {
    return Placed(ItemCount);
}

int Workspace::ProjectedItems() const {
    return Placed(ProjectedCount);
}

int Workspace::Components() const {
    return std::clamp(VectorDim, 0, kMaxDim);
}

namespace {
[[maybe_unused]] const bool kStarted = (ws.Reset(), true);
}
