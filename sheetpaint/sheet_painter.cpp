// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheetpaint/sheet_painter.h"

#include "workshop/sheet_svg.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QHashFunctions>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <stdexcept>

namespace tarvo::sheetpaint {
namespace {

// Fine enough that the thinnest line (0.1 mm) is several device pixels wide.
constexpr int pdfDotsPerInch = 1200;
constexpr double millimetresPerInch = 25.4;

} // namespace

void paintDisplayList(QPainter& painter, const workshop::DisplayList& list, double pixelsPerMm) {
    using Kind = workshop::DrawItem::Kind;
    painter.setRenderHint(QPainter::Antialiasing);
    const double k = pixelsPerMm;
    for (const workshop::DrawItem& item : list.items) {
        QPen pen(Qt::black, std::max(item.width * k, 0.5));
        pen.setCapStyle(Qt::FlatCap);
        if (item.dashed) {
            pen.setStyle(Qt::DashLine);
        }
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        switch (item.kind) {
        case Kind::Line:
            painter.drawLine(QPointF(item.x1 * k, item.y1 * k), QPointF(item.x2 * k, item.y2 * k));
            break;
        case Kind::Rect:
            if (item.width == 0) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(Qt::black);
            }
            painter.drawRect(QRectF(item.x1 * k, item.y1 * k, item.x2 * k, item.y2 * k));
            break;
        case Kind::Circle:
            if (item.width == 0) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(Qt::black);
            }
            painter.drawEllipse(QPointF(item.x1 * k, item.y1 * k), item.x2 * k, item.x2 * k);
            break;
        case Kind::Text: {
            QFont font(QStringLiteral("Liberation Sans"));
            font.setPointSizeF(item.sizePt);
            font.setBold(item.bold);
            painter.setFont(font);
            const QString text = QString::fromStdString(item.text);
            const double width = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
            const double dx = item.align == 'c' ? -width / 2 : item.align == 'r' ? -width : 0;
            painter.save();
            painter.translate(item.x1 * k, item.y1 * k);
            painter.rotate(-item.rotation);
            painter.drawText(QPointF(dx, 0), text);
            painter.restore();
            break;
        }
        }
    }
}

QByteArray renderDocument(const workshop::DisplayList& list, Format format) {
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    if (format == Format::Pdf) {
        // The PDF engine writes its fonts in the order of a hash table: with its hashing fixed
        // the same sheet is the same bytes (apart from its date) from the window and tarvo-cli.
        QHashSeed::setDeterministicGlobalSeed();
        const struct RandomAgain {
            ~RandomAgain() { QHashSeed::resetRandomGlobalSeed(); }
        } randomAgain;
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("TARVO"));
        writer.setTitle(QStringLiteral("TARVO workshop sheet"));
        writer.setResolution(pdfDotsPerInch);
        writer.setPageLayout(
            QPageLayout(QPageSize(QSizeF(list.widthMm, list.heightMm), QPageSize::Millimeter),
                        QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&writer)) {
            throw std::runtime_error("the PDF could not be started");
        }
        paintDisplayList(painter, list, pdfDotsPerInch / millimetresPerInch);
        if (!painter.end()) {
            throw std::runtime_error("the PDF could not be finished");
        }
    } else {
        // Written from the list itself, so the desktop, tarvo-cli and the page give the same
        // bytes.
        const std::string svg = workshop::svgDocument(list);
        document = QByteArray(svg.data(), static_cast<qsizetype>(svg.size()));
    }
    if (document.isEmpty()) {
        throw std::runtime_error("nothing was drawn");
    }
    return document;
}

} // namespace tarvo::sheetpaint
