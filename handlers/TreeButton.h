// "Min. Tree": the minimum spanning forest of the map's points under the
// threshold beside the button, listed in Memo1 and drawn on the map.
#pragma once

#include "form/Form.h"
#include "session/Session.h"

void DrawMinimumTree(Form& form, Session& session);
