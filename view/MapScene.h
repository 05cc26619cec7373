// What the map panel shows: the map's points as they are looked at, and
// what they stand for (items with their clusters, names and classes, or
// prototypes with the class most of their vectors hold), with the
// distances its edges follow and the minimum tree's links.
#pragma once

#include <vector>

#include "distances/DistanceMatrix.h"
#include "mds/MapLayout.h"
#include "mrp/Clusters.h"
#include "table/Table.h"
#include "view/Landmarks.h"
#include "view/TreeLinks.h"
#include "view/View.h"

struct MapScene {
    const MapLayout& map;
    const View& view;
    const DistanceMatrix& distances;
    const Clusters& clusters;
    const TreeLinks& tree;
    const Table& table;                          // the items' names and classes
    const std::vector<int>& prototypeClasses;    // of prototypes 1..K, when the points are prototypes
    const std::vector<int>& prototypeMembers;    // and the vectors each holds; empty while they train
    bool prototypes;                             // the points are SOC's prototypes, not items
    const Landmarks* landmarks = nullptr;        // of a map of all rows, which points were placed

    // The points drawn: those placed and projected.
    int Points() const;
    // Whether point i is a row placed against the landmarks: a smaller mark
    // without bar or label.
    bool Placed(int i) const;
    // The number point i is shown by: its row in the file.
    int Number(int i) const;
};
