// Item distances, their statistics and their normalisation to the map.
#pragma once

#include <optional>
#include <string>

#include "distances/DistanceMatrix.h"
#include "table/Table.h"

// The distance of two vectors over components 1..dim: Euclidean over the
// components both have (a missing one is not a number), scaled up to all of
// them, sqrt(dim / present x sum); not a number when they have none in
// common. Summed over the values divided by `unit` (DistanceUnit.h) and
// multiplied back by it.
float VectorDistance(const float* a, const float* b, int dim, float unit);

// The distances of items 1..n of the table (at most 400) over components
// 1..dim, into d; a pair with no component in common gets the largest
// distance of the others. Returns the number of such pairs.
int BuildDistanceMatrix(const Table& items, int n, int dim, DistanceMatrix& d);

// Mean of the entries below the diagonal (0 when there is no pair).
float MeanDistance(const DistanceMatrix& d);

// Scales d so that its largest entry equals `size` (the map's extent times
// "map enlarge."), setting its scale and largest. Returns the factor,
// which may be 0 (a size of 0), or nothing when every distance is 0 or not
// a number, or the factor would be infinite: then d is unchanged.
std::optional<float> NormaliseDistances(DistanceMatrix& d, double size);
// Every distance of d times f, as normalising by f makes them.
void MultiplyDistances(DistanceMatrix& d, float f);

// Both of the above for a SOC run or a reload, whose items may be more than
// a matrix of distances holds: the first 400 are kept, while the factor
// comes from all pairs.
std::optional<float> BuildItemDistances(const Table& items, int n, int dim, double size, DistanceMatrix& d);

// distances.dat: a row of "\t%8.3f" fields per point.
std::string DistanceDumpText(const DistanceMatrix& d);
