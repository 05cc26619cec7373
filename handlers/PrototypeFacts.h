// What a run that placed prototypes (SOC, reload) keeps of them for the
// map's colours, its tooltips and the coordinates file: their scores as
// the run left them (a pick rewrites ItemScore) and their classes.
#pragma once

#include "form/Form.h"
#include "soc/SocFit.h"
#include "session/Session.h"

// The scores of prototypes 1..K as they stand.
void KeepScores(Session& session);
// The scores, and each prototype's class, its share and members; the map
// redrawn with marks sized by members and, on a table with classes,
// coloured by class. Returns the fit.
SocFit ShowTrainedPrototypes(Form& form, Session& session);
