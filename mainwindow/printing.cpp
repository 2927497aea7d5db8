// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/printing.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace tarvo {

std::unique_ptr<QPrinter> defaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        throw PrintFault("There is no default printer to print on.");
    }
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

void printPicture(const QImage& picture, QPrinter& printer) {
    printer.setDocName("TARVO");
    printer.setFullPage(false);
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString name =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        throw PrintFault("The printer " + name.toStdString() + " cannot be opened.");
    }
    constexpr double screenDotsPerInch = 96.0;
    const QSizeF logical = picture.deviceIndependentSize();
    const double scale = printer.resolution() / screenDotsPerInch;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), logical * scale), picture);
    if (!painter.end()) {
        throw PrintFault("The picture could not be sent to the printer.");
    }
}

} // namespace tarvo
