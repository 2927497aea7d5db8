// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet under node: SVG only (the --sheet option refuses FILE.pdf here; a browser prints the
// SVG to PDF), so there is no painter to load.
#include "cli/sheet_render.h"

#include "analysis/geometry.h"
#include "workshop/sheet_svg.h"

namespace tarvo {

void loadSheetPainter() {}

std::string renderSheet(const workshop::DisplayList& list, bool pdf) {
    if (pdf) {
        throw analysis::AnalysisError("this tarvo-cli writes the sheet as SVG only");
    }
    return workshop::svgDocument(list);
}

} // namespace tarvo
