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

    // The points drawn: those placed and projected.
    int Points() const;
};
