// The three files a SOC run leaves beside its input: clusters.dat (which
// items each prototype took), soc.dat (the prototype vectors) and
// weights.dat (their component weights). soc.dat and weights.dat share one
// line format that the reload reads back.
#pragma once

#include <string>
#include <vector>

#include "soc/Prototypes.h"
#include "view/View.h"

// clusters.dat: one line of "%4d " item numbers per prototype 1..k that
// took items, each followed by a line holding one blank; `assigned` gives
// the prototype of items 1..N (SocAssignment::prototypeOf).
std::string SocClustersText(const std::vector<int>& assigned, int k);

// soc.dat (the vectors) and weights.dat (the weights): a line per prototype
// whose score is not negative, with its position on the panel as the view
// projects it and its score.
std::string SocFileText(const Prototypes& prototypes, int dim, const std::vector<float>& scores,
                        const View& view);
std::string WeightsFileText(const Prototypes& prototypes, int dim, const std::vector<float>& scores,
                            const View& view);
