// The view buttons above and below the map: zoom, rotation in three planes,
// the labelling mode and the edges; and the keys that fit the map, switch
// its colours and hide its legend.
#pragma once

#include <string>
#include <vector>

#include "form/Form.h"
#include "session/Session.h"

void SizeUp(Form& form, Session& session);        // "Size up"
void SizeDown(Form& form, Session& session);      // "Size down"
void RotateAxes23(Form& form, Session& session);  // "Rot1": the plane of map axes 2 and 3
void RotateAxes12(Form& form, Session& session);  // "Rot2": the plane of map axes 1 and 2
void RotateAxes13(Form& form, Session& session);  // "Rot3": the plane of map axes 1 and 3
void SwitchLabels(Form& form, Session& session);  // "View": bars, numbers, or names when the items have them
void ShowEdges(Form& form, Session& session);     // "edge lim"

// "F" or Ctrl+0: the zoom and centre that show every mark 10 pixels inside
// the panel, the rotation kept; during a run only the zoom, since the run
// centres its map at each redraw. Changes no map coordinate, file or Memo1.
void FitMap(Form& form, Session& session);
// "C": the marks in their class's colours instead of their cluster's, and
// back; the status line says why not when the table has no class column.
void SwitchColours(Form& form, Session& session);
// "L": the legend over the map hidden or shown.
void SwitchLegend(Form& form, Session& session);

// The view of a picture made without the window.
struct PictureView {
    int labels = -1;           // kViewBars, kViewNumbers, kViewNames; -1: as the run left them
    int colourByClass = -1;    // 1: by class, 0: by cluster, -1: as the run left them
    int axisA = 0, axisB = 0;  // the plane of a 3-axis map; 0: the plane of its largest spreads
    bool fit = true;           // the zoom and centre that show every mark
};
// Sets the view up; returns what could not be done, as warnings.
std::vector<std::string> SetPictureView(Session& session, const PictureView& view);
