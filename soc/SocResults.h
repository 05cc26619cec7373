// The three files a SOC run leaves beside its input: clusters.dat (which
// items each prototype took), soc.dat (the prototype vectors) and
// weights.dat (their component weights). soc.dat and weights.dat share one
// line format that the reload reads back.
#pragma once

// Each returns false when its file could not be written (the status line
// says which and why).

#include "form/Form.h"

// Assigns every item 1..n to its best-matching prototype (ItemMark; 0 for
// an item in no prototype) and writes ClustersFileName: one line of "%4d " item numbers per prototype
// that took items, each followed by a line holding one blank.
bool WriteSocClusters(Form& form, int n, int k);

// soc.dat from plane 1 of Prototypes, then weights.dat from plane 2.
bool WriteSocResults(Form& form);
