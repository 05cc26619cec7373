#include "handlers/PrototypeFacts.h"

#include <algorithm>

#include "handlers/MapPanel.h"
#include "session/Session.h"

void KeepScores(Session& session) {
    const auto count = static_cast<std::size_t>(std::max(session.prototypes.k, 0)) + 1;
    session.MakeRoom(session.prototypes.k);
    session.facts.scores.assign(session.ItemScore.begin(), session.ItemScore.begin() + static_cast<std::ptrdiff_t>(count));
}

SocFit ShowTrainedPrototypes(Form& form, Session& session) {
    KeepScores(session);
    const SocAssignment& assigned = session.Assignment();
    const SocFit fit = MeasureSocFit(assigned, session.table);
    session.facts.classes = fit.majority;
    session.facts.shares = fit.share;
    session.facts.members = assigned.members;
    session.view.colourByClass = session.table.HasClasses();
    RedrawMap(form, session);
    return fit;
}
