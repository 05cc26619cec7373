#include "handlers/RunControl.h"

#include <string>

void StopRun(Session& session) {
    session.StopRequested = true;
}

RunGuard::RunGuard(Form& form, Session& session, const char* run)
    : session_(session), acquired_(session.running == nullptr) {
    if (acquired_)
        session.running = run;
    else
        form.StatusOutcome(Outcome::Busy, std::string(session.running) + " is running; STOP ends it");
}

RunGuard::~RunGuard() {
    if (acquired_) session_.running = nullptr;
}

bool RunInProgress(const Session& session) {
    return session.running != nullptr;
}
