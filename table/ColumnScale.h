// The features brought to one scale before any distance is taken, and a
// warning when, left as they are, one column's spread decides the distances.
#pragma once

#include <string>
#include <vector>

#include "table/ColumnRoles.h"
#include "table/ReadOptions.h"
#include "table/Table.h"

// Component k of items 1..n, over the values present: how many, their
// mean, standard deviation (n - 1), lowest and highest.
struct ColumnSpread {
    int present = 0;
    double mean = 0, deviation = 0, low = 0, high = 0;
};
// The spreads of components 1..dim (index 0 unused).
std::vector<ColumnSpread> SpreadsOf(const Table& items, int n, int dim);

// The scale "--scale auto" takes for components 1..dim of items 1..n: z
// when one column varies ten times as much as another, or when values are
// missing and two columns' spreads differ threefold; none otherwise.
ColumnScale AutomaticScale(const Table& items, int n, int dim);

// Scales components 1..dim of items 1..n in place (missing values stay
// missing and take no part in a column's mean, deviation, minimum or
// maximum) and keeps each column's offset and factor in the table, so
// that what a user reads can be given back in the file's units. Returns
// the status line's notes: the constant columns a scale makes 0, or,
// without a scale, the column whose spread decides the distances and, when
// values are missing, the spreads that make such items look close to
// everything.
// `columns` names the features by their column in the file.
std::vector<std::string> ScaleColumns(Table& items, int n, int dim, ColumnScale scale,
                                      const ColumnPlan& columns);

// A value at a column's scale: (v - offset) x factor, missing staying missing.
float ScaledValue(float v, double offset, double factor);
