// The size the runs keep the vectors at. Once their distances are taken,
// every run multiplies the vectors by ten (the feature-vector panel draws
// them so, SOC trains them so); SOC first takes a tenth of them when item
// 1's components sum to more than 2, so that it trains such data at the
// file's own size.
#pragma once

#include "table/Table.h"

inline constexpr float kTenfold = 10;

// SOC's first step: every component 1..dim of every item times 0.1 when
// item 1's components (those it has) sum to more than 2. Returns the
// factor applied, 0.1 or 1.
float ShrinkLargeData(Table& items, int dim);

// The items after the first whose own components would have chosen the
// other size: where there are any, the size follows which row comes first.
int RowsSizedOtherwise(const Table& items, int dim);
