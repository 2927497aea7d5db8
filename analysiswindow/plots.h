// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window's plots, drawn with QPainter: a pattern cut as a polar plot, and gain,
// F/B and SWR against frequency. A few hundred points each: a charting library would add a
// dependency and a start-up cost for no more than these lines and labels.
#pragma once

#include "analysis/performance.h"

#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

namespace tarvo {

class PolarPlot final : public QWidget {
public:
    explicit PolarPlot(QString title, QWidget* parent = nullptr);
    /// Gains in dBi by direction in degrees, 0 forward, counter-clockwise.
    void setPattern(std::vector<std::pair<double, double>> pattern);
    QSize sizeHint() const override { return {260, 260}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    std::vector<std::pair<double, double>> m_pattern;
};

class SweepPlot final : public QWidget {
public:
    explicit SweepPlot(QWidget* parent = nullptr);
    void setSweep(std::vector<analysis::SweepPoint> sweep, double designMhz);
    QSize sizeHint() const override { return {520, 260}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<analysis::SweepPoint> m_sweep;
    double m_designMhz{};
};

/// The horizontal cut (phi 0 ... 360) and the vertical one (elevation 0 forward, over the zenith
/// to the back), as direction and gain.
std::vector<std::pair<double, double>> horizontalCut(const analysis::DesignPoint& point);
std::vector<std::pair<double, double>> verticalCut(const analysis::DesignPoint& point);

} // namespace tarvo
