// A view that shows the whole map: the display scale and the map centre
// chosen so that every mark lies inside the panel; the rotation is kept.
#pragma once

// Marks, by their centres, that lie outside a panel of the given size.
int MarksOutside(int panelWidth, int panelHeight);

// Sets ViewCentre[1..5] so that every mark lies at least `margin` pixels
// inside the panel, with its circle and, in the labelling mode shown, its
// bar or its label, and reprojects. With keepCentre the map's centroid stays where a run puts it
// at each redraw and only the scale changes. False when there is no map.
bool FitView(int panelWidth, int panelHeight, int margin, bool keepCentre);
