#include "handlers/RunControl.h"

#include <string>

#include "workspace/Workspace.h"

namespace {
const char* running = nullptr;
}

void Button3Click() {
    ws.StopRequested = 1;
}

RunGuard::RunGuard(Form& form, const char* run) : acquired_(running == nullptr) {
    if (acquired_)
        running = run;
    else
        form.StatusOutcome(Outcome::Busy, std::string(running) + " is running; STOP ends it");
}

RunGuard::~RunGuard() {
    if (acquired_) running = nullptr;
}

bool RunGuard::RunInProgress() {
    return running != nullptr;
}
