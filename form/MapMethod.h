// The maps an MRP-MDS run can end with: the map of the items' distances,
// or one that keeps each row's nearest rows near it at the cost of the
// distances between far groups (--map neighbours).
#pragma once

enum class MapMethod { Distances, Neighbours };
