// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysiswindow/plots.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tarvo {
namespace {

constexpr double rangeDb = 30; // the polar plot's centre lies 30 dB below its outer ring

const QColor gainColor(0, 0, 200);
const QColor frontToBackColor(0, 140, 0);
const QColor swrColor(200, 0, 0);

} // namespace

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

PolarPlot::PolarPlot(QString title, QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title)) {
    setMinimumSize(220, 220);
}

void PolarPlot::setPattern(std::vector<std::pair<double, double>> pattern) {
    m_pattern = std::move(pattern);
    update();
}

void PolarPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    const QPointF centre(width() / 2.0, height() / 2.0 + 8);
    const double radius = std::min(width(), height() - 16) / 2.0 - 14;
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, 0, width(), 16), Qt::AlignCenter, m_title);
    if (m_pattern.empty()) {
        return;
    }
    double top = -1e9;
    for (const auto& [angle, gain] : m_pattern) {
        top = std::max(top, gain);
    }
    top = std::ceil(top);
    painter.setPen(QPen(QColor(190, 190, 190), 1));
    for (int ring = 0; ring <= 3; ++ring) {
        const double r = radius * (1 - ring * 10 / rangeDb);
        painter.drawEllipse(centre, r, r);
        painter.drawText(QPointF(centre.x() + 2, centre.y() - r + 12),
                         QString::number(top - ring * 10) + " dBi");
    }
    painter.drawLine(QPointF(centre.x() - radius, centre.y()),
                     QPointF(centre.x() + radius, centre.y()));
    painter.drawLine(QPointF(centre.x(), centre.y() - radius),
                     QPointF(centre.x(), centre.y() + radius));
    QPainterPath path;
    for (const auto& [angle, gain] : m_pattern) {
        const double r = radius * std::clamp(1 - (top - gain) / rangeDb, 0.0, 1.0);
        // Forward (0 degrees) points up the page.
        const double a = angle * M_PI / 180;
        const QPointF point(centre.x() - r * std::sin(a), centre.y() - r * std::cos(a));
        if (path.elementCount() == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    painter.setPen(QPen(gainColor, 1.5));
    painter.drawPath(path);
}

SweepPlot::SweepPlot(QWidget* parent)
    : QWidget(parent) {
    setMinimumSize(360, 220);
}

void SweepPlot::setSweep(std::vector<analysis::SweepPoint> sweep, double designMhz) {
    m_sweep = std::move(sweep);
    m_designMhz = designMhz;
    update();
}

void SweepPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    if (m_sweep.size() < 2) {
        painter.drawText(rect(), Qt::AlignCenter, "No sweep");
        return;
    }
    const QRectF area(48, 20, width() - 96, height() - 48);
    const double f0 = m_sweep.front().frequencyMhz;
    const double f1 = m_sweep.back().frequencyMhz;
    double dbTop = 0;
    for (const auto& p : m_sweep) {
        dbTop = std::max({dbTop, p.gainDbi, std::min(p.frontToBackDb, 60.0)});
    }
    dbTop = std::ceil(dbTop / 5) * 5;
    constexpr double swrTop = 5;
    const auto x = [&](double f) { return area.left() + (f - f0) / (f1 - f0) * area.width(); };
    const auto yDb = [&](double db) {
        return area.bottom() - std::clamp(db / dbTop, 0.0, 1.0) * area.height();
    };
    const auto ySwr = [&](double swr) {
        return area.bottom() - std::clamp((swr - 1) / (swrTop - 1), 0.0, 1.0) * area.height();
    };
    painter.setPen(QPen(QColor(150, 150, 150), 1));
    painter.drawRect(area);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, area.bottom() + 4, width(), 16), Qt::AlignCenter,
                     QString("%1 ... %2 MHz").arg(f0, 0, 'f', 2).arg(f1, 0, 'f', 2));
    painter.drawText(QPointF(4, area.top() + 4), QString::number(dbTop) + " dB");
    painter.drawText(QPointF(4, area.bottom()), "0 dB");
    painter.drawText(QPointF(area.right() + 4, area.top() + 4), "SWR 5");
    painter.drawText(QPointF(area.right() + 4, area.bottom()), "SWR 1");
    // The design frequency and the SWR 2 line.
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawLine(QPointF(x(m_designMhz), area.top()), QPointF(x(m_designMhz), area.bottom()));
    painter.setPen(QPen(swrColor, 1, Qt::DotLine));
    painter.drawLine(QPointF(area.left(), ySwr(2)), QPointF(area.right(), ySwr(2)));
    painter.drawText(QPointF(area.right() + 4, ySwr(2) + 4), "SWR 2");
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
    painter.setPen(gainColor);
    painter.drawText(QPointF(area.left() + 6, area.top() + 14), "Gain (dBi)");
    painter.setPen(frontToBackColor);
    painter.drawText(QPointF(area.left() + 86, area.top() + 14), "F/B (dB)");
    painter.setPen(swrColor);
    painter.drawText(QPointF(area.left() + 156, area.top() + 14), "SWR");
}

} // namespace tarvo
