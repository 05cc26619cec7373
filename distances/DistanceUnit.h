// Distances in single precision over values of any size. Before their
// differences are squared and summed, the values are divided by a power of
// two, the table's distance unit, and the distance is multiplied back by
// it: both exact in binary, so that values whose sums fit as they are (the
// unit 1) give the very distances they always gave, while larger ones no
// longer overflow and tiny ones no longer vanish.
#pragma once

#include "table/Table.h"

// The least power of two 2^k, k >= 0, that brings `size` down to `limit`.
float PowerOfTwoAbove(double size, double limit);

// The room a sum of squares keeps below the largest float: the rounding of
// the sums and a weight above 1 never reach it.
inline constexpr double kSumRoom = 16;

// The unit for components 1..dim of items 1..n as they stand: the least
// power of two that keeps any sum of squared differences (the largest
// spread of a component, squared, times the components) that much below the
// largest float; for a largest distance below 2^-50, the power of two that
// brings it to 1..2.
float ChooseDistanceUnit(const Table& items, int n, int dim);

// The runs keep the vectors at ten times the values read (and SOC trains
// them there). A component whose values at that size, or the distances
// they could make, would exceed single precision even so: the one that
// goes furthest beyond it, with its lowest and highest value. Component 0
// when every value fits.
struct OversizedValues {
    int component = 0;
    double low = 0, high = 0;
};
OversizedValues FindOversizedValues(const Table& items, int n, int dim);
