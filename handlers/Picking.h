// Picking a prototype on the map, and the feature-vector panel that shows it
// with its component weights and the input vectors similar to it.
#pragma once

#include "workspace/Form.h"

// Weighted distance between input vector v and prototype u.
float ItemPrototypeDistance(int v, int u);

// The map panel's mouse-up (any button): picks the point nearest to (x, y),
// lists the input vectors closer than "simil. dist" and draws the panel.
void PaintBox1MouseUp(Form& form, int x, int y);

// Draws the feature-vector panel from the current state.
void PaintBox2Click(Form& form);
