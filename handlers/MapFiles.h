// A map that lasts: the map on show saved to a map file, a saved map shown
// again, and the rows of another table placed on the map on show as a
// second layer, each row where a run of all rows would have placed it.
#pragma once

#include <string>

#include "form/Form.h"
#include "session/Session.h"

// Writes the map on show to `path`, whole or not at all; says what it did
// or why not on the status line. Whether it was written.
bool SaveShownMap(Form& form, const Session& session, const std::string& path);

// Shows the map saved in `path`; refuses, naming the line, a damaged or
// foreign file. Whether it is shown.
bool OpenSavedMap(Form& form, Session& session, const std::string& path);

// Places every row of the table in `path` on the map on show: its columns
// found by the map's header names (by their places when the map's file had
// none); a missing one refuses the table, an extra one is left out with a
// warning; the map's column scale applied; each row joins the cluster the
// placement's rule gives it. The rows become the map's second layer, with
// a mark of their own. Refuses a map that cannot take rows.
void PlaceRowsOnShownMap(Form& form, Session& session, const std::string& path);
