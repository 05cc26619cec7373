#include "handlers/TreeButton.h"

#include "handlers/MapPanel.h"
#include "handlers/MemoLines.h"
#include "text/Numbers.h"
#include "view/MinimumTree.h"
#include "workspace/Workspace.h"

void DrawMinimumTree(Form& form) {
    const double threshold = EditReal(form, Edit7, 20);
    // The threshold is in the units of distances.dat; a SOC map's distances
    // are at its training's size.
    const double scale = ws.SocMode == 1 ? ws.table.scale : 1.0;
    MemoLines memo(form);
    MinimumTree(ws.distances, ws.map.n, static_cast<float>(threshold * scale * static_cast<double>(ws.distances.scale)),
                ws.tree, memo);
    RedrawMap(form);
    std::string summary = TreeSummary(ws.Scene());
    if (ws.landmarks.Placed(ws.map.n))
        summary += Format(" (over the %d landmarks: the rows placed on their map have no distances between them)",
                          ws.landmarks.count);
    form.StatusDone(summary);
}
