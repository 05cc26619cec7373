// Picking a prototype on the map, and the feature-vector panel that shows it
// with its component weights and the input vectors similar to it.
#pragma once

#include <string>

#include "form/Form.h"
#include "session/Session.h"

// The weighted distance between input vector v and prototype u, the error
// that matching computes, at the training's size; not a number for a
// vector with none of the components, which is similar to no prototype.
float ItemPrototypeDistance(const Session& session, int v, int u);

// The map panel's mouse-up (any button): picks the point nearest to (x, y),
// lists the input vectors closer than "simil. dist" and draws the panel.
void PickPrototype(Form& form, Session& session, int x, int y);

// The map point whose mark is nearest to pixel (x, y) of the map panel and
// closer than `reach` pixels; of equals the lowest-numbered. 0 for none.
int NearestMark(const Session& session, const Canvas& map, int x, int y, float reach);

// What a tooltip says of the mark within 6 pixels of (x, y) on the map
// panel: the item, its cluster and probability after MRP-MDS; the
// prototype, its members and score after SOC or reload. Empty when no mark
// is that near.
std::string MarkDescription(Form& form, Session& session, int x, int y);

// Draws the feature-vector panel from the current state: the prototype
// picked (or, after MRP-MDS, the item), its weights, and the vectors the
// last pick marked.
void DrawFeaturePanel(Form& form, Session& session);

// The feature-vector panel with nothing in it but its frame.
void DrawEmptyPanel(Canvas& canvas);
