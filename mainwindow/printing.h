// SPDX-License-Identifier: GPL-3.0-or-later
// PRINT: the window's picture on the system's default printer, without a dialog.
#pragma once

#include <QImage>
#include <QRectF>
#include <memory>
#include <stdexcept>

class QPrinter;

namespace tarvo {

/// The window is drawn at this many times its screen size, so its text stays sharp on paper.
inline constexpr int printScale = 4;

/// A print that could not be done; reported like a design fault.
class PrintFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The system's default printer; throws PrintFault when there is none.
std::unique_ptr<QPrinter> defaultPrinter();

/// Prints the picture at the window's size on paper (96 pixels to the inch before scaling), at
/// the top left of the page. Throws PrintFault when the printer cannot be opened.
void printPicture(const QImage& picture, QPrinter& printer);

/// Where the picture of `logicalPixels` (at 96 to the inch) lands on a printer of `dotsPerInch`:
/// the top left of the page, at the size the window has on the screen.
QRectF pagePlacement(const QSizeF& logicalPixels, int dotsPerInch);

} // namespace tarvo
