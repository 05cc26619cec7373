// The "reload" button: the state a SOC run left behind, brought back from
// the soc.dat and weights.dat beside the input file (or in the folder the
// face names for the results), without training.
#pragma once

#include "form/Form.h"
#include "session/Session.h"

void ReloadSocResults(Form& form, Session& session);
