#include "handlers/ViewButtons.h"

#include <algorithm>

#include "handlers/MapPanel.h"
#include "handlers/RunControl.h"
#include "text/Numbers.h"
#include "view/MapDrawing.h"
#include "view/ViewFit.h"
#include "view/ViewPlane.h"
#include "view/ViewTransform.h"
#include "session/Session.h"

namespace {

constexpr int kFitMargin = 10;  // pixels

void Transform(Form& form, Session& session, double zoomStep, int code) {
    session.view.zoomStep = zoomStep;
    TransformView(session.view, session.map, code);
    RedrawMap(form, session);
}

}  // namespace

void SizeUp(Form& form, Session& session) {
    Transform(form, session, 1.1, 5);
}
void SizeDown(Form& form, Session& session) {
    Transform(form, session, 0.9090909090909091, 5);
}
void RotateAxes23(Form& form, Session& session) {
    Transform(form, session, 1.0, 1);
}
void RotateAxes12(Form& form, Session& session) {
    Transform(form, session, 1.0, 2);
}
void RotateAxes13(Form& form, Session& session) {
    Transform(form, session, 1.0, 3);
}

// Bars, numbers, and names when the map's items have them; then bars again.
void SwitchLabels(Form& form, Session& session) {
    int& mode = session.view.mode;
    if (mode != kViewNumbers)
        mode = mode == kViewNames ? kViewBars : kViewNumbers;
    else
        mode = MapHasNames(session.Scene()) ? kViewNames : kViewBars;
    RedrawMap(form, session);
}

void FitMap(Form& form, Session& session) {
    Canvas& map = form.MapCanvas();
    const bool fitted = RunInProgress(session)
                            ? FitZoom(session.view, session.Scene(), map.Width(), map.Height(), kFitMargin)
                            : FitView(session.view, session.Scene(), map.Width(), map.Height(), kFitMargin);
    if (fitted) RedrawMap(form, session);
}

void ShowEdges(Form& form, Session& session) {
    session.view.showEdges = true;
    RedrawMap(form, session);
    form.MemoAppend(" ");
    if (session.landmarks.Placed(session.map.n))
        form.StatusDone(Format("edge lim draws the edges of the %d landmarks: the rows placed on their map have no "
                               "distances between them",
                               session.landmarks.count));
}

void SwitchColours(Form& form, Session& session) {
    if (!session.table.HasClasses()) {
        form.StatusNote("C colours the marks by class: this table has no class column");
        return;
    }
    session.view.colourByClass = !session.view.colourByClass;
    RedrawMap(form, session);
}

void SwitchLegend(Form& form, Session& session) {
    session.view.showLegend = !session.view.showLegend;
    RedrawMap(form, session);
}

std::vector<std::string> SetPictureView(Session& session, const PictureView& view) {
    std::vector<std::string> warnings;
    if (view.labels == kViewNames && !MapHasNames(session.Scene())) {
        warnings.emplace_back("warning: the map's points have no names: their numbers instead");
        session.view.mode = kViewNumbers;
    } else if (view.labels >= 0) {
        session.view.mode = view.labels;
    }
    if (view.colourByClass == 1 && !session.table.HasClasses())
        warnings.emplace_back("warning: the table has no class column: the clusters' colours instead");
    else if (view.colourByClass >= 0)
        session.view.colourByClass = view.colourByClass == 1;

    const int axes = session.shown.kind == MapKind::MrpMds ? session.shown.axes : 2;
    if (view.axisA > 0 && std::max(view.axisA, view.axisB) <= axes)
        ViewAxes(session.view, view.axisA, view.axisB);
    else if (view.axisA > 0)
        warnings.emplace_back("warning: the map has " + std::to_string(axes) + " axes: its own view instead");
    else if (axes == 3)
        ViewPrincipalPlane(session.view, session.map, axes);
    session.view.zoomStep = 1.0;
    TransformView(session.view, session.map, 5);
    if (view.fit) FitView(session.view, session.Scene(), kMapPanelWidth, kMapPanelHeight, kFitMargin);
    return warnings;
}
