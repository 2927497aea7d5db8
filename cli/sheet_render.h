// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet as SVG, written from its display list, or as PDF by the painter that tarvo-cli loads
// only when a PDF is asked for, so that nothing else pays Qt's start-up.
#pragma once

#include "workshop/display_list.h"

#include <string>

namespace tarvo {

/// Loads the painter, once: a sheet's run checks it before any work. Throws
/// analysis::AnalysisError naming the painter and why it cannot be loaded.
void loadSheetPainter();

/// The document's bytes. Throws analysis::AnalysisError when the painter is missing or fails.
/// Qt's run-time folder is a folder of TARVO's own under TMPDIR, removed when the sheet is drawn:
/// nothing is left behind, and no folder that XDG_RUNTIME_DIR names is made.
std::string renderSheet(const workshop::DisplayList& list, bool pdf);

} // namespace tarvo
