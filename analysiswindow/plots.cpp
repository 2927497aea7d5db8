// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysiswindow/plots.h"

#include "analysis/number_format.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace tarvo {
namespace {

constexpr double rangeDb = 30; // the polar plot's centre lies 30 dB below its outer ring
constexpr double ringStepDb = 10;

const QColor gainColor(0, 0, 200);
const QColor frontToBackColor(0, 140, 0);
const QColor swrColor(200, 0, 0);
const QColor gridColor(200, 200, 200);
const QColor frameColor(150, 150, 150);
const QColor labelColor(60, 60, 60);

/// A number as the user writes it: `decimals` places and the user's separator; never "-0".
QString numberText(double value, int decimals, const std::string& separator) {
    const double scale = std::pow(10.0, decimals);
    if (std::round(value * scale) == 0) {
        value = 0;
    }
    return QString::fromStdString(analysis::withDecimalSeparator(
        analysis::formatNumber(("%." + std::to_string(decimals) + "f").c_str(), value), separator));
}

/// The decimals a tick step needs: 2 MHz none, 0.5 MHz one, 0.25 MHz two.
int decimalsOf(double step) {
    int decimals = 0;
    while (decimals < 4 && std::fabs(step * std::pow(10.0, decimals) -
                                     std::round(step * std::pow(10.0, decimals))) > 1e-6) {
        ++decimals;
    }
    return decimals;
}

/// Text centred on a point, on a white ground so that a curve under it does not hide it.
void labelOnGround(QPainter& painter, const QPointF& at, const QString& text) {
    const QFontMetricsF metrics(painter.font());
    const QRectF box(at.x() - metrics.horizontalAdvance(text) / 2 - 2,
                     at.y() - metrics.height() / 2, metrics.horizontalAdvance(text) + 4,
                     metrics.height());
    painter.fillRect(box, QColor(255, 255, 255, 200));
    painter.drawText(box, Qt::AlignCenter, text);
}

} // namespace

double tickStep(double span, int ticks) {
    const double rough = span / std::max(ticks, 1);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= rough * (1 - 1e-9)) {
            return factor * power;
        }
    }
    return 10 * power;
}

std::vector<std::pair<double, double>> horizontalCut(const analysis::DesignPoint& point) {
    std::vector<std::pair<double, double>> cut;
    for (const analysis::PatternPoint& p : point.azimuth) {
        cut.emplace_back(p.phi, p.totalGain);
    }
    return cut;
}

std::vector<std::pair<double, double>> verticalCut(const analysis::DesignPoint& point) {
    std::vector<std::pair<double, double>> cut;
    for (const analysis::PatternPoint& p : point.elevation) {
        const bool back = std::fabs(p.phi - 180) < 0.5;
        cut.emplace_back(back ? 90 + p.theta : 90 - p.theta, p.totalGain);
    }
    std::sort(cut.begin(), cut.end());
    return cut;
}

PolarPlot::PolarPlot(QString title, std::string decimalSeparator, QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title))
    , m_separator(std::move(decimalSeparator)) {
    setMinimumSize(240, 240);
}

void PolarPlot::setPattern(std::vector<std::pair<double, double>> pattern) {
    m_pattern = std::move(pattern);
    update();
}

void PolarPlot::paintEvent(QPaintEvent*) {
    m_texts.clear();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    const int titleHeight = 18;
    painter.drawText(QRectF(0, 0, width(), titleHeight), Qt::AlignCenter, m_title);
    m_texts << m_title;
    // Room around the outer ring for the angles, and for "forward" to the right.
    const int radius =
        std::max(20, std::min(width() - 2 * 56, height() - titleHeight - 2 * 20) / 2);
    const QPoint centre(width() / 2, titleHeight + (height() - titleHeight) / 2);
    if (m_pattern.empty()) {
        return;
    }
    double top = -1e9;
    for (const auto& [angle, gain] : m_pattern) {
        top = std::max(top, gain);
    }
    top = std::ceil(top);
    const auto at = [&centre](double angleDeg, double r) {
        const double a = angleDeg * std::numbers::pi / 180;
        return QPointF(centre.x() + r * std::cos(a), centre.y() - r * std::sin(a));
    };

    // The grid on whole pixels: rings every 10 dB, spokes every 30 deg.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(gridColor, 1));
    for (int ring = 0; ring < static_cast<int>(rangeDb / ringStepDb); ++ring) {
        const int r = static_cast<int>(std::lround(radius * (1 - ring * ringStepDb / rangeDb)));
        painter.drawEllipse(centre, r, r);
    }
    for (int angle = 0; angle < 360; angle += 30) {
        painter.drawLine(centre, at(angle, radius).toPoint());
    }
    painter.setPen(labelColor);
    for (int angle = 0; angle < 360; angle += 30) {
        const QString text = QString::number(angle) + QChar(0x00B0);
        const QPointF where = at(angle, radius + 14);
        painter.drawText(QRectF(where.x() - 20, where.y() - 9, 40, 18), Qt::AlignCenter, text);
        m_texts << text;
    }
    // The forward direction, arrowed beyond the 0 deg label and named below the arrow, outside
    // the outer ring, where no trace reaches.
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    const QPointF tip = at(0, radius + 34);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawPolygon(QPolygonF{tip, tip + QPointF(-7, -4), tip + QPointF(-7, 4)});
    painter.setBrush(Qt::NoBrush);
    if (m_labelsShown) {
        const double left = centre.x() + radius + 2;
        painter.drawText(QRectF(left, tip.y() + 6, std::max(0.0, width() - left), 16),
                         Qt::AlignLeft | Qt::AlignTop, "forward");
        m_texts << "forward";
    }

    QPainterPath path;
    for (const auto& [angle, gain] : m_pattern) {
        const double r = radius * std::clamp(1 - (top - gain) / rangeDb, 0.0, 1.0);
        const QPointF point = at(angle, r);
        if (path.elementCount() == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    if (m_labelsShown) {
        // The ring labels on a ground of their own, each where the trace does not pass: at the
        // first angle from just left of the top round the back where its box stays clear of
        // the trace's line, else left of the top without a ground. The trace is drawn last, so
        // a label never hides a lobe.
        QPainterPathStroker stroker;
        stroker.setWidth(4);
        const QPainterPath trace = stroker.createStroke(path);
        const QFontMetricsF metrics(painter.font());
        painter.setPen(labelColor);
        for (int ring = 0; ring < static_cast<int>(rangeDb / ringStepDb); ++ring) {
            const double r = radius * (1 - ring * ringStepDb / rangeDb);
            const QString text = numberText(top - ring * ringStepDb, 0, m_separator) + " dBi";
            std::optional<QPointF> clear;
            for (int angle = 97; angle <= 263 && !clear; angle += 4) {
                const QPointF centreOfBox = at(angle, r);
                const QRectF box(centreOfBox.x() - metrics.horizontalAdvance(text) / 2 - 2,
                                 centreOfBox.y() - metrics.height() / 2,
                                 metrics.horizontalAdvance(text) + 4, metrics.height());
                if (!trace.intersects(box)) {
                    clear = centreOfBox;
                }
            }
            if (clear) {
                labelOnGround(painter, *clear, text);
            } else {
                const QPointF under = at(97, r);
                painter.drawText(QRectF(under.x() - 40, under.y() - 9, 80, 18), Qt::AlignCenter,
                                 text);
            }
            m_texts << text;
        }
    }
    painter.setPen(QPen(gainColor, 1.5));
    painter.drawPath(path);
}

SweepPlot::SweepPlot(std::string decimalSeparator, QWidget* parent)
    : QWidget(parent)
    , m_separator(std::move(decimalSeparator)) {
    setMinimumSize(380, 240);
}

void SweepPlot::setSweep(std::vector<analysis::SweepPoint> sweep, double designMhz) {
    m_sweep = std::move(sweep);
    m_designMhz = designMhz;
    update();
}

void SweepPlot::setMeasured(std::vector<std::pair<double, double>> swr) {
    m_measured = std::move(swr);
    update();
}

void SweepPlot::paintEvent(QPaintEvent*) {
    m_texts.clear();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_sweep.size() < 2) {
        painter.drawText(rect(), Qt::AlignCenter, "No sweep");
        m_texts << "No sweep";
        return;
    }
    const QRect area(56, 26, std::max(40, width() - 56 - 48), std::max(40, height() - 26 - 40));
    const double f0 = m_sweep.front().frequencyMhz;
    const double f1 = m_sweep.back().frequencyMhz;
    // The dB axis holds 0 dB and every gain and F/B (an F/B above 60 dB leaves at the top).
    double dbLow = 0;
    double dbHigh = 0;
    for (const auto& p : m_sweep) {
        dbLow = std::min({dbLow, p.gainDbi, p.frontToBackDb});
        dbHigh = std::max({dbHigh, p.gainDbi, std::min(p.frontToBackDb, 60.0)});
    }
    const double dbStep = tickStep(std::max(dbHigh - dbLow, 1.0), 6);
    // Ticks bound the axis, with room beyond a curve that would run along the frame; 0 dB may
    // bound it.
    const double low = dbLow;
    const double high = dbHigh;
    dbLow = std::floor(low / dbStep) * dbStep;
    if (low < 0 && low - dbLow < 0.2 * dbStep) {
        dbLow -= dbStep;
    }
    dbHigh = std::ceil(high / dbStep) * dbStep;
    if ((high > 0 || low == 0) && dbHigh - high < 0.2 * dbStep) {
        dbHigh += dbStep;
    }
    constexpr double swrLow = 1;
    constexpr double swrHigh = 5;
    const double fStep = tickStep(f1 - f0, 6);
    const int fDecimals = decimalsOf(fStep);

    const auto x = [&](double f) { return area.left() + (f - f0) / (f1 - f0) * area.width(); };
    const auto yDb = [&](double db) {
        return area.bottom() - (db - dbLow) / (dbHigh - dbLow) * area.height();
    };
    const auto ySwr = [&](double swr) {
        return area.bottom() - (swr - swrLow) / (swrHigh - swrLow) * area.height();
    };
    const auto text = [&](const QRectF& box, int flags, const QString& words) {
        painter.drawText(box, flags, words);
        m_texts << words;
    };

    // Grid and ticks on whole pixels.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int dbTicks = static_cast<int>(std::lround((dbHigh - dbLow) / dbStep));
    for (int i = 0; i <= dbTicks; ++i) {
        const double db = dbLow + i * dbStep;
        const int y = static_cast<int>(std::lround(yDb(db)));
        painter.setPen(QPen(gridColor, 1));
        painter.drawLine(area.left(), y, area.right(), y);
        painter.setPen(labelColor);
        painter.drawLine(area.left() - 4, y, area.left(), y);
        text(QRectF(0, y - 9, area.left() - 7, 18), Qt::AlignRight | Qt::AlignVCenter,
             numberText(db, decimalsOf(dbStep), m_separator));
    }
    for (int swr = 1; swr <= 5; ++swr) {
        const int y = static_cast<int>(std::lround(ySwr(swr)));
        painter.setPen(labelColor);
        painter.drawLine(area.right(), y, area.right() + 4, y);
        text(QRectF(area.right() + 7, y - 9, 40, 18), Qt::AlignLeft | Qt::AlignVCenter,
             QString::number(swr));
    }
    const double firstTick = std::ceil(f0 / fStep - 1e-9) * fStep;
    for (double f = firstTick; f <= f1 + fStep * 1e-6; f += fStep) {
        const int px = static_cast<int>(std::lround(x(f)));
        painter.setPen(QPen(gridColor, 1));
        painter.drawLine(px, area.top(), px, area.bottom());
        painter.setPen(labelColor);
        painter.drawLine(px, area.bottom(), px, area.bottom() + 4);
        text(QRectF(px - 40, area.bottom() + 5, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
             numberText(f, fDecimals, m_separator));
    }
    painter.setPen(QPen(frameColor, 1));
    painter.drawRect(area);
    // 0 dB: a negative gain or F/B lies below this line.
    painter.setPen(QPen(Qt::black, 1));
    const int zero = static_cast<int>(std::lround(yDb(0)));
    painter.drawLine(area.left(), zero, area.right(), zero);
    painter.setPen(Qt::black);
    text(QRectF(area.left(), area.bottom() + 20, area.width(), 16), Qt::AlignHCenter | Qt::AlignTop,
         "MHz");
    text(QRectF(0, 4, area.left() - 7, 16), Qt::AlignRight | Qt::AlignTop, "dB");
    text(QRectF(area.right() + 7, 4, 44, 16), Qt::AlignLeft | Qt::AlignTop, "SWR");

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.save();
    painter.setClipRect(area.adjusted(0, 0, 1, 1));
    // The design frequency and the SWR 2 line.
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawLine(QPointF(x(m_designMhz), area.top()), QPointF(x(m_designMhz), area.bottom()));
    painter.setPen(QPen(swrColor, 1, Qt::DotLine));
    painter.drawLine(QPointF(area.left(), ySwr(2)), QPointF(area.right(), ySwr(2)));
    const auto curve = [&](const QColor& color, auto y) {
        QPainterPath path;
        for (const auto& p : m_sweep) {
            const QPointF point(x(p.frequencyMhz), y(p));
            if (path.elementCount() == 0) {
                path.moveTo(point);
            } else {
                path.lineTo(point);
            }
        }
        painter.setPen(QPen(color, 1.5));
        painter.drawPath(path);
    };
    curve(gainColor, [&](const analysis::SweepPoint& p) { return yDb(p.gainDbi); });
    curve(frontToBackColor, [&](const analysis::SweepPoint& p) { return yDb(p.frontToBackDb); });
    curve(swrColor, [&](const analysis::SweepPoint& p) { return ySwr(p.swr); });
    QPainterPath measured;
    for (const auto& [f, swr] : m_measured) {
        if (f < f0 || f > f1 || !std::isfinite(swr)) {
            continue;
        }
        // A point beyond the axis leaves the plot at its edge, as the model's curve does.
        const QPointF point(x(f), ySwr(std::min(swr, swrHigh + 1)));
        if (measured.elementCount() == 0) {
            measured.moveTo(point);
        } else {
            measured.lineTo(point);
        }
    }
    painter.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
    painter.drawPath(measured);
    painter.restore();

    // The legend above the plot.
    double legendX = area.left();
    for (const auto& [color, words] :
         {std::pair{gainColor, QString("Gain dBi")}, std::pair{frontToBackColor, QString("F/B dB")},
          std::pair{swrColor, QString("SWR")}}) {
        painter.setPen(QPen(color, 2));
        painter.drawLine(QPointF(legendX, 12), QPointF(legendX + 16, 12));
        painter.setPen(color);
        text(QRectF(legendX + 20, 3, 60, 18), Qt::AlignLeft | Qt::AlignVCenter, words);
        legendX += 84;
    }
    if (!m_measured.empty()) {
        painter.setPen(QPen(Qt::black, 2, Qt::DashLine));
        painter.drawLine(QPointF(legendX, 12), QPointF(legendX + 16, 12));
        painter.setPen(Qt::black);
        text(QRectF(legendX + 20, 3, 100, 18), Qt::AlignLeft | Qt::AlignVCenter, "Measured SWR");
    }
}

} // namespace tarvo
