// The minimum spanning forest of a map's points under a distance threshold
// (Kruskal's method, components named by their smallest point), and what it
// shows on the map.
#pragma once

#include <string>

#include "form/RunReport.h"
#include "view/MapScene.h"

// The forest over points 1..n of the distances, with links no longer than
// limit (in the distances' units), into `tree`; each accepted link listed
// as a line of the report.
void MinimumTree(const DistanceMatrix& distances, int n, float limit, TreeLinks& tree, RunReport& report);

// What the tree drew: "Min. Tree: 149 links, 0 shown: edge lim 0.31 shows
// them all" (a link shows only where the map draws an edge).
std::string TreeSummary(const MapScene& scene);
