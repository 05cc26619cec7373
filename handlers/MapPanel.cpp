#include "handlers/MapPanel.h"

#include "view/MapDrawing.h"
#include "view/ViewFit.h"
#include "workspace/Workspace.h"

void RedrawMap(Form& form) {
    ws.view.edgeFactor = static_cast<float>(EditReal(form, Edit5, 19));
    Canvas& canvas = form.MapCanvas();
    if (canvas.Shown()) DrawMap(canvas, ws.Scene());
    form.StatusOutside(MarksOutside(ws.view, ws.map, canvas.Width(), canvas.Height()));
}
