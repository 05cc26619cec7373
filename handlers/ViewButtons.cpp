#include "handlers/ViewButtons.h"

#include <algorithm>

#include "handlers/MapPanel.h"
#include "handlers/RunControl.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewFit.h"
#include "view/ViewPlane.h"
#include "view/ViewTransform.h"
#include "workspace/Workspace.h"

namespace {

constexpr int kFitMargin = 10;  // pixels

void Transform(Form& form, double zoomStep, int code) {
    ws.view.zoomStep = zoomStep;
    TransformView(ws.view, ws.map, code);
    RedrawMap(form);
}

}  // namespace

void SizeUp(Form& form) {
    Transform(form, 1.1, 5);
}
void SizeDown(Form& form) {
    Transform(form, 0.9090909090909091, 5);
}
void RotateAxes23(Form& form) {
    Transform(form, 1.0, 1);
}
void RotateAxes12(Form& form) {
    Transform(form, 1.0, 2);
}
void RotateAxes13(Form& form) {
    Transform(form, 1.0, 3);
}

// Bars, numbers, and names when the map's items have them; then bars again.
void SwitchLabels(Form& form) {
    int& mode = ws.view.mode;
    if (mode != kViewNumbers)
        mode = mode == kViewNames ? kViewBars : kViewNumbers;
    else
        mode = MapHasNames(ws.Scene()) ? kViewNames : kViewBars;
    RedrawMap(form);
}

void FitMap(Form& form) {
    Canvas& map = form.MapCanvas();
    const bool fitted = RunGuard::RunInProgress()
                            ? FitZoom(ws.view, ws.Scene(), map.Width(), map.Height(), kFitMargin)
                            : FitView(ws.view, ws.Scene(), map.Width(), map.Height(), kFitMargin);
    if (fitted) RedrawMap(form);
}

void ShowEdges(Form& form) {
    ws.view.showEdges = true;
    RedrawMap(form);
    form.MemoAppend(" ");
    if (ws.landmarks.Placed(ws.map.n))
        form.StatusDone(Format("edge lim draws the edges of the %d landmarks: the rows placed on their map have no "
                               "distances between them",
                               ws.landmarks.count));
}

void SwitchColours(Form& form) {
    if (!ws.table.HasClasses()) {
        form.StatusNote("C colours the marks by class: this table has no class column");
        return;
    }
    ws.view.colourByClass = !ws.view.colourByClass;
    RedrawMap(form);
}

void SwitchLegend(Form& form) {
    ws.view.showLegend = !ws.view.showLegend;
    RedrawMap(form);
}

std::vector<std::string> SetPictureView(const PictureView& view) {
    std::vector<std::string> warnings;
    if (view.labels == kViewNames && !MapHasNames(ws.Scene())) {
        warnings.emplace_back("warning: the map's points have no names: their numbers instead");
        ws.view.mode = kViewNumbers;
    } else if (view.labels >= 0) {
        ws.view.mode = view.labels;
    }
    if (view.colourByClass == 1 && !ws.table.HasClasses())
        warnings.emplace_back("warning: the table has no class column: the clusters' colours instead");
    else if (view.colourByClass >= 0)
        ws.view.colourByClass = view.colourByClass == 1;

    const int axes = ws.shown.kind == MapKind::MrpMds ? ws.shown.axes : 2;
    if (view.axisA > 0 && std::max(view.axisA, view.axisB) <= axes)
        ViewAxes(ws.view, view.axisA, view.axisB);
    else if (view.axisA > 0)
        warnings.emplace_back("warning: the map has " + std::to_string(axes) + " axes: its own view instead");
    else if (axes == 3)
        ViewPrincipalPlane(ws.view, ws.map, axes);
    ws.view.zoomStep = 1.0;
    TransformView(ws.view, ws.map, 5);
    if (view.fit) FitView(ws.view, ws.Scene(), kMapPanelWidth, kMapPanelHeight, kFitMargin);
    return warnings;
}
