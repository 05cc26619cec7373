#include "handlers/ViewButtons.h"

#include <algorithm>

#include "handlers/MapRecord.h"
#include "handlers/RunControl.h"
#include "view/MapDrawing.h"
#include "view/ViewFit.h"
#include "view/ViewPlane.h"
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

std::vector<std::string> SetPictureView(const PictureView& view) {
    std::vector<std::string> warnings;
    if (view.labels == kViewNames && !MapHasNames()) {
        warnings.emplace_back("warning: the map's points have no names: their numbers instead");
        ws.ViewMode = kViewNumbers;
    } else if (view.labels >= 0) {
        ws.ViewMode = view.labels;
    }
    if (view.colourByClass == 1 && ws.ClassCount == 0)
        warnings.emplace_back("warning: the table has no class column: the clusters' colours instead");
    else if (view.colourByClass >= 0)
        ws.ColourByClass = view.colourByClass;

    const MapRecord& map = ShownMap();
    const int axes = map.kind == MapKind::MrpMds ? map.axes : 2;
    if (view.axisA > 0 && std::max(view.axisA, view.axisB) <= axes)
        ViewAxes(view.axisA, view.axisB);
    else if (view.axisA > 0)
        warnings.emplace_back("warning: the map has " + std::to_string(axes) + " axes: its own view instead");
    else if (axes == 3)
        ViewPrincipalPlane(ws.MapItems(), axes);
    ws.ZoomStep = 1.0;
    TransformView(5);
    if (view.fit) FitView(kMapPanelWidth, kMapPanelHeight, 10, false);
    return warnings;
}
