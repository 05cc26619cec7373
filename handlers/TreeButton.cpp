#include "handlers/TreeButton.h"

#include "handlers/MapPanel.h"
#include "handlers/MemoLines.h"
#include "text/Numbers.h"
#include "view/MinimumTree.h"
#include "session/Session.h"

void DrawMinimumTree(Form& form, Session& session) {
    const double threshold = EditReal(form, Edit7, 20);
    // The threshold is in the units of distances.dat; a SOC map's distances
    // are at its training's size.
    const double scale = session.SocMode == 1 ? session.table.scale : 1.0;
    MemoLines memo(form);
    MinimumTree(session.distances, session.map.n, static_cast<float>(threshold * scale * static_cast<double>(session.distances.scale)),
                session.tree, memo);
    RedrawMap(form, session);
    std::string summary = TreeSummary(session.Scene());
    if (session.landmarks.Placed(session.map.n))
        summary += Format(" (over the %d landmarks: the rows placed on their map have no distances between them)",
                          session.landmarks.count);
    form.StatusDone(summary);
}
