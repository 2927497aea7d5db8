// SPDX-License-Identifier: GPL-3.0-or-later
// The plan as JSON text, for handing it between two programs that share no memory (the page and
// its worker). Every number is written with the digits that read back to the same value, so a
// plan read from its text is equal to the plan written.
#pragma once

#include "plan/plan.h"

#include <stdexcept>
#include <string>

namespace tarvo {

class PlanTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The whole plan, every field, as one JSON object.
std::string planToJson(const Plan& plan);

/// The plan planToJson wrote. Throws PlanTextError for text that is not such a plan.
Plan planFromJson(const std::string& text);

} // namespace tarvo
