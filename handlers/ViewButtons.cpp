#include "handlers/ViewButtons.h"

#include "handlers/RunControl.h"
#include "view/MapDrawing.h"
#include "view/ViewFit.h"
#include "view/ViewTransform.h"
#include "workspace/Workspace.h"

namespace {
void Transform(Form& form, double zoomStep, int code) {
    ws.ZoomStep = zoomStep;
    TransformView(code);
    PaintBox1Click(form);
}
}  // namespace

void Button4Click(Form& form) {
    Transform(form, 1.1, 5);
}
void Button5Click(Form& form) {
    Transform(form, 0.9090909090909091, 5);
}
void Button6Click(Form& form) {
    Transform(form, 1.0, 1);
}
void Button7Click(Form& form) {
    Transform(form, 1.0, 2);
}
void Button8Click(Form& form) {
    Transform(form, 1.0, 3);
}

void Button11Click(Form& form) {
    ws.ViewMode = ws.ViewMode == 4 ? 0 : 4;
    PaintBox1Click(form);
}

void FitMapClick(Form& form) {
    Canvas& map = form.MapCanvas();
    if (FitView(map.Width(), map.Height(), 10, RunGuard::RunInProgress())) PaintBox1Click(form);
}

void Button1Click(Form& form) {
    ws.ShowEdges = 1;
    PaintBox1Click(form);
    form.MemoAppend(" ");
}
