#include "handlers/PrototypeFacts.h"

#include <algorithm>

#include "handlers/MapPanel.h"
#include "workspace/Workspace.h"

void KeepScores() {
    const auto count = static_cast<std::size_t>(std::max(ws.prototypes.k, 0)) + 1;
    ws.MakeRoom(ws.prototypes.k);
    ws.facts.scores.assign(ws.ItemScore.begin(), ws.ItemScore.begin() + static_cast<std::ptrdiff_t>(count));
}

SocFit ShowTrainedPrototypes(Form& form) {
    KeepScores();
    const SocAssignment& assigned = ws.Assignment();
    const SocFit fit = MeasureSocFit(assigned, ws.table);
    ws.facts.classes = fit.majority;
    ws.facts.shares = fit.share;
    ws.facts.members = assigned.members;
    ws.view.colourByClass = ws.table.HasClasses();
    RedrawMap(form);
    return fit;
}
