// SPDX-License-Identifier: GPL-3.0-or-later
// The workshop sheet as an SVG document, written straight from its display list: the same bytes
// from the desktop, tarvo-cli, node and the page, in millimetres, its texts placed by the
// viewer's own font metrics (Liberation Sans, as the sheet is drawn on screen and in the PDF).
#pragma once

#include "workshop/display_list.h"

#include <string>

namespace tarvo::workshop {

std::string svgDocument(const DisplayList& list);

} // namespace tarvo::workshop
