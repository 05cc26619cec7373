// A new point placed on a finished map against its landmarks, which stay
// where they are: where the map step's own stress is least, the squared
// map distances to the landmarks against the squared distances / b, near
// landmarks weighted fully and far ones almost not, inside the map's box.
#pragma once

#include <vector>

#include "mds/MapLayout.h"
#include "mds/PairRule.h"

struct PlacementRule {
    int b;            // the divisor of the squared distances
    int m;            // the map's axes
    float radius;     // a landmark nearer than this (in normalised distance) weighs fully
    float farWeight;  // the weight of the others
    float box;        // every coordinate stays in (0, box)
    // The landmarks' largest distance (normalised): a row without a distance
    // to a landmark takes it, as the landmarks' own pairs without one did.
    float largest;
};

// Places points against the landmarks of one map, with working storage of
// its own (one for each thread that places).
class Placer {
public:
    Placer(const MapLayout& landmarks, const PlacementRule& rule);

    // The place of a point whose normalised distances to landmarks 1..n are
    // distances[1..n] (not-a-number where it has none): the least stress
    // inside the box. The stress is a polynomial of the place whose few sums
    // one pass over the landmarks gives; it may have several valleys, so
    // Newton steps (damped where a full one would not lower it; along a
    // wall where it falls beyond it) go down from the nearest landmarks'
    // places and from the lowest points of a grid over the box, and the
    // lowest end is kept. A point at distance 0 from a landmark takes that
    // landmark's place (which the map's centring may have left outside the
    // box). Writes position[1..m]; returns whether the place is at the
    // box's wall.
    bool Place(const float* distances, float* position);

private:
    int n_;
    PlacementRule rule_;
    PairRule pair_;
    // Of landmarks 1..n at [j - 1]: their place on each axis from the box's
    // centre and its square length, and for the point being placed, its
    // squared distance / b and its weight.
    std::vector<double> axis_[3], length2_;
    std::vector<float> target_, weight_;
};
