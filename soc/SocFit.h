// How well the prototypes of a SOC run stand for the input vectors.
#pragma once

#include <string>
#include <vector>

#include "soc/SocAssignment.h"
#include "table/Table.h"

struct SocFit {
    // The mean over the vectors in a prototype of their distance to it, in
    // the units of distances.dat.
    double quantisationError = 0;
    int emptyPrototypes = 0;  // prototypes no vector belongs to
    // When the table gives classes: each prototype's class, the one most of
    // its members hold (0 for none), with their share of its members, and the
    // share of all vectors with a class whose prototype's class is theirs.
    std::vector<int> majority;
    std::vector<float> share;
    double purity = 0;
    bool classed = false;  // the table gave classes
};

// Of the table's vectors as assigned to the prototypes.
SocFit MeasureSocFit(const SocAssignment& assigned, const Table& vectors);

// "quantisation error 0.123, empty prototypes 3", and "; class purity 91%"
// when the vectors have classes.
std::string SocFitText(const SocFit& fit);
