#include "handlers/MapPanel.h"

#include "view/MapDrawing.h"
#include "view/ViewFit.h"
#include "session/Session.h"

void RedrawMap(Form& form, Session& session) {
    session.view.edgeFactor = static_cast<float>(EditReal(form, Edit5, 19));
    Canvas& canvas = form.MapCanvas();
    if (canvas.Shown()) DrawMap(canvas, session.Scene());
    form.StatusOutside(MarksOutside(session.view, session.map, canvas.Width(), canvas.Height()));
}
