// STOP, and the rule that a run button pressed while a run lets window
// events through is ignored (no run inside a run); the status line then
// says what is running.
#pragma once

#include "form/Form.h"

void StopRun();  // "STOP": sets StopRequested

// Held by the three file-driven runs (MRP-MDS, SOC, reload) for their
// whole length.
class RunGuard {
public:
    RunGuard(Form& form, const char* run);
    ~RunGuard();
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

    // False when another run was already going on: the caller returns at once.
    bool Acquired() const { return acquired_; }

    static bool RunInProgress();

private:
    bool acquired_;
};
