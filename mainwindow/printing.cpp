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
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pagePlacement(picture.deviceIndependentSize(), printer.resolution()),
                      picture);
    if (!painter.end()) {
        throw PrintFault("The picture could not be sent to the printer.");
    }
}

QRectF pagePlacement(const QSizeF& logicalPixels, int dotsPerInch) {
    constexpr double screenDotsPerInch = 96.0;
    return {QPointF(0, 0), logicalPixels * (dotsPerInch / screenDotsPerInch)};
}

} // namespace tarvo
