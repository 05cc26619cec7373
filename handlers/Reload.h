// "reload": restores a finished SOC run from the soc.dat and weights.dat
// beside the chosen vector file, without training again.
#pragma once

#include "form/Form.h"

void Button9Click(Form& form);
