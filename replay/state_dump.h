// SPDX-License-Identifier: GPL-3.0-or-later
// The state block a script's `dump` prints: the result boxes, the visibility of the boom controls,
// the unit captions' colours and the options, one NAME=VALUE line each, then `end`.
#pragma once

#include "design/form.h"

#include <string>

namespace tarvo {

std::string dumpState(const Form& form);

} // namespace tarvo
