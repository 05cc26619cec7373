// A view that shows the whole map: the display scale and the map centre
// chosen so that every mark lies inside the panel; the rotation is kept.
#pragma once

#include "view/MapScene.h"

// Marks, by their centres, that lie outside a panel of the given size.
int MarksOutside(const View& view, const MapLayout& map, int panelWidth, int panelHeight);

// Sets the view's centre and display scale so that every mark lies at
// least `margin` pixels inside the panel, with its circle and, in the
// labelling mode shown, its bar or its label, and projects anew. False when
// there is no map. `scene` shows the map through `view`.
bool FitView(View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin);
// The same with the display scale alone, the centre where a run puts it at
// each redraw: a fit during a run.
bool FitZoom(View& view, const MapScene& scene, int panelWidth, int panelHeight, int margin);
