// How well the prototypes of a SOC run stand for the input vectors.
#pragma once

#include <string>

#include "workspace/Workspace.h"

struct SocFit {
    // The mean over the vectors in a prototype of their distance to it, in
    // the units of distances.dat.
    double quantisationError;
    int emptyPrototypes;       // prototypes no vector belongs to
    int members[kMaxMapItems + 1];  // the vectors that belong to each prototype 1..K
    // When the table gives classes: each prototype's class, the one most of
    // its members hold (0 for none), with their share of its members, and the
    // share of all vectors with a class whose prototype's class is theirs.
    int majority[kMaxMapItems + 1];
    float share[kMaxMapItems + 1];
    double purity;
};

// Over vectors 1..VectorCount and prototypes 1..ItemCount, each vector
// belonging to the prototype it matches best, as clusters.dat assigns it.
SocFit MeasureSocFit();

// "quantisation error 0.123, empty prototypes 3", and "; class purity 91%"
// when the table gives classes.
std::string SocFitText(const SocFit& fit);

// At the end of a run that placed prototypes (SOC, reload): their scores as
// the run left them (a pick rewrites ItemScore) and their classes for the
// map's colours kept; returns the fit.
SocFit KeepPrototypeFacts();
