#include "handlers/RunControl.h"

#include "workspace/Workspace.h"

namespace {
bool running = false;
}

void Button3Click() {
    ws.StopRequested = 1;
}

RunGuard::RunGuard() : acquired_(!running) {
    running = true;
}

RunGuard::~RunGuard() {
    if (acquired_) running = false;
}

bool RunGuard::RunInProgress() {
    return running;
}
