// How well the MRP clusters agree with the classes the table gives its
// items: the adjusted Rand index of the two groupings.
#pragma once

#include <string>
#include <vector>

// Of two labellings of the same items: 1 when they group alike, about 0 when
// they agree no more than chance would (Hubert and Arabie's adjustment).
double AdjustedRandIndex(const std::vector<int>& a, const std::vector<int>& b);

// "clusters vs class: ARI 0.73" for items 1..n, their cluster (0 for none)
// against their class, over the items that have one; empty when the table
// has no classes.
std::string ClusterAgreementText(int n);
