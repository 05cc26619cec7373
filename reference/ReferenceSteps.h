// Straightforward versions of the tool's hot steps, written only for
// comparison: the benchmarks time them beside the fast ones and the tests
// use them as oracles.
#pragma once

#include <string>
#include <vector>

#include "distances/DistanceMatrix.h"
#include "mds/MapLayout.h"
#include "view/TreeLinks.h"

// One MDS step the plain way: float working storage, the full bracket
// for every ordered pair, and a re-centring pass after every single move.
void ReferenceMdsStep(const DistanceMatrix& d, MapLayout& map, int b, int m, float stepLength,
                      float radiusFactor, float farWeight);

// The minimum forest over points 1..n by rescanning the lower triangle for
// the shortest free link at every one of its E steps. Returns the lines it
// would list.
std::vector<std::string> ReferenceMinimumTree(const DistanceMatrix& d, int n, float limit, TreeLinks& tree);
