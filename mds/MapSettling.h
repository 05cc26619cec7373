// After a run's steps of fixed length every item still jitters by about a
// step, which scrambles the neighbourhoods that lie closer than that on the
// map. Settling goes on with the same step while its length shrinks
// geometrically, so that the map comes to rest where the stress is lowest.
#pragma once

#include "mds/MdsStep.h"

struct Settling {
    int steps;
    float firstLength;  // the run's own step length
    float lastLength;

    // Step i's length, i = 1..steps: firstLength × (lastLength /
    // firstLength)^(i / steps), so the last step is lastLength long.
    float Length(int i) const;
};

// The settling of a run whose steps are stepLength long.
Settling SettlingAfter(float stepLength);

// The settling steps over plan on m axes of the map. After each step i
// (1..steps) afterStep(i) runs; when it returns false, settling ends there.
// Returns the steps made.
template <class AfterStep>
int Settle(MdsPlan& plan, MapLayout& map, int m, const Settling& settling, AfterStep&& afterStep) {
    for (int i = 1; i <= settling.steps; ++i) {
        plan.Step(map, m, settling.Length(i));
        if (!afterStep(i)) return i;
    }
    return settling.steps;
}
