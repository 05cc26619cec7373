#include "handlers/PrototypeFacts.h"

#include <algorithm>

#include "workspace/Workspace.h"

void KeepScores() {
    const auto count = static_cast<std::size_t>(std::max(ws.prototypes.k, 0)) + 1;
    ws.MakeRoom(ws.prototypes.k);
    ws.facts.scores.assign(ws.ItemScore.begin(), ws.ItemScore.begin() + static_cast<std::ptrdiff_t>(count));
}

SocFit KeepPrototypeFacts() {
    KeepScores();
    const SocFit fit = MeasureSocFit(ws.prototypes, ws.table, ws.VectorDim);
    ws.facts.classes = fit.majority;
    ws.facts.shares = fit.share;
    return fit;
}
