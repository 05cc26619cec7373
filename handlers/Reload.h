// The "reload" button: the state a SOC run left behind, brought back from
// the soc.dat and weights.dat beside the input file (or in the folder the
// face names for the results), without training. And the rows of any
// table assigned to the prototypes of such files, wherever they lie.
#pragma once

#include <string>

#include "form/Form.h"
#include "session/Session.h"

void ReloadSocResults(Form& form, Session& session);

// A SOC run's prototypes and weights (as soc.dat and weights.dat hold
// them), and a table whose rows are to be assigned to them.
struct SocFiles {
    std::string soc, weights, table;
};

// Every row of the table (up to the rows a run of all rows takes) given the
// prototype a reload of these files would give it, and its distance to it:
// the table's features, in order, are the prototypes' components (a table
// of another number is refused), with no column scale, at the size the SOC
// run trained at. The map is the reload's; nothing is written.
void AssignToSocPrototypes(Form& form, Session& session, const SocFiles& files);
