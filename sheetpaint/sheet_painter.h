// SPDX-License-Identifier: GPL-3.0-or-later
// The one painting code of the workshop sheet: the same QPainter calls draw it on screen, on a
// printer, into a PDF and into an SVG.
#pragma once

#include "workshop/display_list.h"

#include <QByteArray>

class QPainter;

namespace tarvo::sheetpaint {

/// Draws the list with `pixelsPerMm` device pixels to the millimetre, from the device's top left.
void paintDisplayList(QPainter& painter, const workshop::DisplayList& list, double pixelsPerMm);

enum class Format { Pdf, Svg };

/// The sheet as a PDF or SVG document of the list's page size. Needs a QGuiApplication for the
/// fonts. Throws std::runtime_error when the document cannot be drawn.
QByteArray renderDocument(const workshop::DisplayList& list, Format format);

} // namespace tarvo::sheetpaint
