// The "SOC" button: trains prototypes on up to 1000 feature vectors, keeps a
// two-axis map of them fitted to their distances, and writes clusters.dat,
// soc.dat and weights.dat beside the input, also after STOP.
#pragma once

#include "form/Form.h"
#include "session/Session.h"

inline constexpr int kSocSteps = 2000000;

// `steps` items are drawn in all: 2,000,000 for a user's run, fewer for a
// short one.
void RunSoc(Form& form, Session& session, int steps = kSocSteps);
