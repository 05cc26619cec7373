// How the file-driven runs (MRP-MDS, SOC, reload) start: Memo1 cleared and
// the file chosen before anything else changes, so that a cancelled choice
// leaves the map on show, its record, colours and figures as they were.
#pragma once

#include "workspace/Form.h"

// Clears Memo1 and shows the file dialog. On a cancelled choice Memo1 gets
// its lines (the output paths first when `pathsFirst`, the empty name,
// "invalid filename"), the status line "cancelled: no file chosen", and the
// run ends: returns false.
bool ChooseRunFile(Form& form, bool pathsFirst);

// The run takes the panels: the status line and the map's record start
// afresh (the record kept for a refusal to name), and the feature-vector
// panel shows nothing of an earlier run.
void TakePanels(Form& form);
