// Which prototype each input vector belongs to: made once at the end of a
// SOC run or a reload, and taken by everything that says so (clusters.dat,
// the run's figures, the marks' sizes and classes, the tooltips, the
// coordinates and the items file).
#pragma once

#include <vector>

#include "soc/Prototypes.h"
#include "table/Table.h"

struct SocAssignment {
    // Of vectors 1..N: the prototype each matches best, as training matches
    // (the lowest-numbered of equals; 0 for a vector in no prototype), and
    // its distance to it as the quantisation error measures it (the units of
    // distances.dat, from the training's size; 0 for none).
    std::vector<int> prototypeOf;
    std::vector<double> distance;
    std::vector<int> members;  // of prototypes 1..K: the vectors each holds
};

// Over the vectors of the table and the prototypes, components 1..dim.
SocAssignment AssignVectors(const Prototypes& prototypes, const Table& vectors, int dim);

// The assignment last made, made again only when the prototypes, the
// vectors or dim differ from what it was made of.
class KeptSocAssignment {
public:
    const SocAssignment& Of(const Prototypes& prototypes, const Table& vectors, int dim);

private:
    bool MadeOf(const Prototypes& prototypes, const Table& vectors, int dim) const;

    bool made_ = false;
    int dim_ = 0;
    Prototypes prototypes_;
    Table vectors_;  // their numbers alone
    SocAssignment assignment_;
};
