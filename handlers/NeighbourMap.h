// The neighbours map of an MRP-MDS run (`--map neighbours`): the map on
// show, the run's items or with all rows the landmarks and every row
// placed on their map, rearranged so that each row's nearest rows stay
// near it. The finished map gives the arrangement it starts from; rows
// equal to each other are one row of the search and the layout, and land
// together. The result fills the map's box, so that drawing, picking, the
// coordinates and the legend take it as they take the other map.
#pragma once

#include <string>

#include "form/Form.h"
#include "handlers/RunControl.h"
#include "session/Session.h"

struct NeighboursArranged {
    int rows = 0;       // the different rows arranged
    int epochs = 0, of = 0;
    double seconds = 0;
    std::string stoppedWhile;  // what STOP ended: "" when it went through
};

// Rearranges the map on show on its first m axes, with the run's seed;
// with all rows, measures the fit over them again. STOP leaves the map as
// the last whole epoch left it, its fit unmeasured.
NeighboursArranged ArrangeNeighbours(Form& form, Session& session, int m, unsigned seed, const StopCheck& stop);

// What the neighbours map took, on the status line.
void ShowNeighboursArranged(Form& form, const NeighboursArranged& arranged);
