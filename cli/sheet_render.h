// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet drawn as PDF or SVG by the painter that tarvo-cli loads only when a sheet is asked
// for, so that a plain design does not pay Qt's start-up.
#pragma once

#include "workshop/display_list.h"

#include <string>

namespace tarvo {

/// The document's bytes. Throws analysis::AnalysisError when the painter is missing or fails.
std::string renderSheet(const workshop::DisplayList& list, bool pdf);

} // namespace tarvo
