// How well the MRP clusters agree with the classes the table gives its
// items: the adjusted Rand index of the two groupings.
#pragma once

#include <string>
#include <vector>

#include "mrp/Clusters.h"
#include "table/Table.h"

// Of two labellings of the same items: 1 when they group alike, about 0 when
// they agree no more than chance would (Hubert and Arabie's adjustment).
double AdjustedRandIndex(const std::vector<int>& a, const std::vector<int>& b);

// "clusters vs class: ARI 0.73" for the items of the clusters, their cluster
// against their class in the table, over the items that have one; the items in no cluster count as one
// group, and when there are such items, the text says how many and the
// index over the others: "ARI 0.10 (94 of 150 items in no cluster; ARI 0.17
// over the 56 in clusters)". Empty when the table has no classes, when no
// item is in a cluster and when the items have one class.
std::string ClusterAgreementText(const Clusters& clusters, const Table& items);
