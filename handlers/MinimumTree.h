// "Min. Tree": the minimum spanning forest of the mapped items under a
// distance threshold (Kruskal's method, components named by their smallest
// item), listed in Memo1 and drawn on the map.
#pragma once

#include <string>

#include "form/Form.h"

// Builds the forest over items 1..n with links no longer than limit (in
// DistMatrix units) into TreeLinks and lists each accepted link.
void MinimumTree(Form& form, int n, float limit);

void FaClick(Form& form);

// What the tree drew: "Min. Tree: 149 links, 0 shown: edge lim 0.31 shows
// them all" (a link shows only where the map draws an edge).
std::string TreeSummary(int n);
