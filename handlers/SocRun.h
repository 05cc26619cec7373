// The "SOC" button: trains prototypes on up to 1000 feature vectors, keeps a
// two-axis map of them fitted to their distances, and writes clusters.dat,
// soc.dat and weights.dat beside the input, also after STOP.
#pragma once

#include "workspace/Form.h"

void Button10Click(Form& form);

// Tests run shorter trainings: a positive value replaces the 2,000,000 steps.
void SetSocStepsForTests(int steps);
