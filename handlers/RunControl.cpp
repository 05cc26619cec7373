#include "handlers/RunControl.h"

#include <string>

#include "workspace/Workspace.h"

void StopRun() {
    ws.StopRequested = true;
}

RunGuard::RunGuard(Form& form, const char* run) : acquired_(ws.running == nullptr) {
    if (acquired_)
        ws.running = run;
    else
        form.StatusOutcome(Outcome::Busy, std::string(ws.running) + " is running; STOP ends it");
}

RunGuard::~RunGuard() {
    if (acquired_) ws.running = nullptr;
}

bool RunGuard::RunInProgress() {
    return ws.running != nullptr;
}
