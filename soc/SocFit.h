// How well the prototypes of a SOC run stand for the input vectors.
#pragma once

#include <string>

#include "workspace/Workspace.h"

struct SocFit {
    double quantisationError;       // the mean over the vectors of the error to the prototype each belongs to
    int emptyPrototypes;            // prototypes no vector belongs to
    int members[kMaxMapItems + 1];  // the vectors that belong to each prototype 1..K
};

// Over vectors 1..VectorCount and prototypes 1..ItemCount, each vector
// belonging to the prototype it matches best, as clusters.dat assigns it.
SocFit MeasureSocFit();

// "quantisation error 0.123, empty prototypes 3".
std::string SocFitText(const SocFit& fit);
