// How well the prototypes of a SOC run stand for the input vectors.
#pragma once

#include <string>
#include <vector>

#include "soc/Prototypes.h"
#include "table/Table.h"

struct SocFit {
    // The mean over the vectors in a prototype of their distance to it, in
    // the units of distances.dat.
    double quantisationError = 0;
    int emptyPrototypes = 0;   // prototypes no vector belongs to
    std::vector<int> members;  // of prototypes 1..K: the vectors that belong to each
    // When the table gives classes: each prototype's class, the one most of
    // its members hold (0 for none), with their share of its members, and the
    // share of all vectors with a class whose prototype's class is theirs.
    std::vector<int> majority;
    std::vector<float> share;
    double purity = 0;
    // Of vectors 1..N: the prototype each belongs to (0 for none), and its
    // distance to it as the quantisation error measures it.
    std::vector<int> prototypeOf;
    std::vector<double> distance;
};

// Over the vectors of the table (at the training's size) and the
// prototypes, components 1..dim, each vector belonging to the prototype it
// matches best, as clusters.dat assigns it.
SocFit MeasureSocFit(const Prototypes& prototypes, const Table& vectors, int dim);

// "quantisation error 0.123, empty prototypes 3", and "; class purity 91%"
// when the vectors have classes.
std::string SocFitText(const SocFit& fit, bool classes);
