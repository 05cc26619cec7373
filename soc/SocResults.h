// The three files a SOC run leaves beside its input: clusters.dat (which
// items each prototype took), soc.dat (the prototype vectors) and
// weights.dat (their component weights). soc.dat and weights.dat share one
// line format that the reload reads back. A file that could not be written
// is named on the status line, with why.
#pragma once

#include <vector>

#include "form/Form.h"

// Assigns every item 1..n to its best-matching prototype (ItemMark; 0 for
// an item in no prototype) and writes ClustersFileName: one line of "%4d "
// item numbers per prototype that took items, each followed by a line
// holding one blank. False when it could not be written.
bool WriteSocClusters(Form& form, int n, int k);

// soc.dat from plane 1 of Prototypes, then weights.dat from plane 2.
// Returns the paths of those written.
std::vector<const char*> WriteSocResults(Form& form);
