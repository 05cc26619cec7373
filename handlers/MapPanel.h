// The map panel's redraw, which every action that changes the map or the
// view ends with, and a click on the panel asks for.
#pragma once

#include "form/Form.h"
#include "session/Session.h"

// The edge factor read from "edge lim"'s field, the whole map drawn (unless
// the map canvas is one nobody sees), and the marks outside the panel
// counted for the status line.
void RedrawMap(Form& form, Session& session);
