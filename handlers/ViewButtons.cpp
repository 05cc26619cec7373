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

// Bars, numbers, and names when the map's items have them; then bars again.
void Button11Click(Form& form) {
    if (ws.ViewMode != kViewNumbers)
        ws.ViewMode = ws.ViewMode == kViewNames ? kViewBars : kViewNumbers;
    else
        ws.ViewMode = MapHasNames() ? kViewNames : kViewBars;
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

void ColourClick(Form& form) {
    if (ws.ClassCount == 0) {
        form.StatusNote("C colours the marks by class: this table has no class column");
        return;
    }
    ws.ColourByClass = ws.ColourByClass == 1 ? 0 : 1;
    PaintBox1Click(form);
}

void LegendClick(Form& form) {
    ws.ShowLegend = ws.ShowLegend == 1 ? 0 : 1;
    PaintBox1Click(form);
}
