// What colour a mark of the map takes: its MRP cluster's, or, when the
// marks show classes, its class's from a fixed palette that stays
// distinguishable for the common colour-vision deficiencies.
#pragma once

#include <cstdint>

#include "view/MapScene.h"

// The colour of MRP cluster k (1..; 0 for none: black), as 0x00BBGGRR, and
// that of map point i by its cluster.
std::uint32_t ClusterColour(int k);
std::uint32_t PointColour(const Clusters& clusters, int i);

// The colour of class k (1..20) in the order the table shows the classes,
// as 0x00BBGGRR; k = 0 (no class) is a pale grey.
std::uint32_t ClassColour(int k);

// True when the marks show classes: asked for, and the table has them.
bool MarksShowClasses(const MapScene& scene);

// The class of map point i: an item's own, or the class most members of a
// prototype hold (0 for none).
int MarkClass(const MapScene& scene, int i);

// A mark's radius in pixels: a cluster's centre is drawn larger than the
// others.
inline constexpr int kCentreRadius = 4;
inline constexpr int kMarkRadius = 3;
inline constexpr int kPlacedRadius = 1;  // a row placed against a map's landmarks

// A prototype's radius once trained: its area grows with the vectors it
// holds, from kEmptyRadius for none to kFullestRadius for the most any holds.
inline constexpr int kEmptyRadius = 2;
inline constexpr int kFullestRadius = 9;
int MembersRadius(int members, int most);

// The fill and the outline of map point i as it is drawn now.
struct MarkLook {
    std::uint32_t fill, outline;
    int radius;
};
MarkLook LookOf(const MapScene& scene, int i);
// The outline that keeps a mark of this fill visible on white.
std::uint32_t OutlineFor(std::uint32_t fill);
