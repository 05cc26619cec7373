// STOP, the one stop check a run hands to its long loops, and the rule that
// a run button pressed while a run lets window events through is ignored
// (no run inside a run); the status line then says what is running.
#pragma once

#include <functional>

#include "form/Form.h"
#include "session/Session.h"

void StopRun(Session& session);  // "STOP": sets StopRequested

// Whether a run goes on: asked between pieces of work (the map's steps,
// the settling, the placement, the fit figures, the quick checks of "map
// enlarge."), it lets window events through, STOP among them, and says
// whether STOP was pressed. Long loops below the handlers take it as a
// `goOn` function.
class StopCheck {
public:
    StopCheck(Form& form, const Session& session) : form_(form), session_(session) {}
    bool operator()() const {
        form_.ProcessEvents();
        return !session_.StopRequested;
    }
    // Whether STOP was pressed, without letting events through.
    bool Stopped() const { return session_.StopRequested; }
    std::function<bool()> GoOn() const {
        return [this] { return (*this)(); };
    }

private:
    Form& form_;
    const Session& session_;
};

// Held by the three file-driven runs (MRP-MDS, SOC, reload) for their
// whole length.
class RunGuard {
public:
    RunGuard(Form& form, Session& session, const char* run);
    ~RunGuard();
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

    // False when another run was already going on: the caller returns at once.
    bool Acquired() const { return acquired_; }

private:
    Session& session_;
    bool acquired_;
};

bool RunInProgress(const Session& session);
