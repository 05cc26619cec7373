// The "MRP-MDS" button: from the input file to the evolving map.
#pragma once

#include "form/Form.h"
#include "session/Session.h"

void RunMrpMds(Form& form, Session& session);
