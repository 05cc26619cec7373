// The plane a map of three axes is seen in: a chosen pair of its axes, or
// the plane of its two largest spreads (its first two principal axes).
#pragma once

#include "mds/MapLayout.h"
#include "view/View.h"

// The view matrix's screen axes onto map axes a and b (1..4).
void ViewAxes(View& view, int a, int b);

// The view matrix's screen axes onto the map's first two principal axes
// over axes 1..m of its points: the directions of its largest and second
// largest spread, each turned so that its largest part is positive.
void ViewPrincipalPlane(View& view, const MapLayout& map, int m);
