// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window's plots, drawn with QPainter: a pattern cut as a polar plot, and gain,
// F/B and SWR against frequency. A few hundred points each: a charting library would add a
// dependency and a start-up cost for no more than these lines and labels.
#pragma once

#include "analysis/performance.h"

#include <QStringList>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

namespace tarvo {

/// A pattern cut seen with the forward direction to the right and directions counter-clockwise
/// from it: the horizontal cut from above (90 deg up is to the left of the boom), the vertical
/// one from the side (90 deg up is the zenith). Rings every 10 dB below the outer one, spokes
/// every 30 deg with their angle, the forward direction named.
class PolarPlot final : public QWidget {
public:
    explicit PolarPlot(QString title, std::string decimalSeparator = ".",
                       QWidget* parent = nullptr);
    /// Gains in dBi by direction in degrees, 0 forward, counter-clockwise.
    void setPattern(std::vector<std::pair<double, double>> pattern);
    QSize sizeHint() const override { return {280, 280}; }
    /// The texts drawn at the last paint: title, angles, ring labels.
    const QStringList& texts() const { return m_texts; }
    /// Without the ring labels and "forward": what the trace alone looks like (tests compare).
    void setLabelsShown(bool shown) { m_labelsShown = shown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    std::string m_separator;
    std::vector<std::pair<double, double>> m_pattern;
    QStringList m_texts;
    bool m_labelsShown{true};
};

/// Gain and F/B on the left dB axis (negative values below its 0 dB line), SWR on the right
/// axis from 1 to 5, frequency along the bottom; a grid at every tick, the design frequency and
/// the SWR 2 line marked. A curve beyond an axis leaves the plot at its edge.
class SweepPlot final : public QWidget {
public:
    explicit SweepPlot(std::string decimalSeparator = ".", QWidget* parent = nullptr);
    void setSweep(std::vector<analysis::SweepPoint> sweep, double designMhz);
    /// A builder's measured SWR (frequency in MHz, SWR) drawn over the model's, black and
    /// dashed, within the sweep; empty for none.
    void setMeasured(std::vector<std::pair<double, double>> swr);
    QSize sizeHint() const override { return {560, 280}; }
    /// The texts drawn at the last paint: tick labels, axis names, legend.
    const QStringList& texts() const { return m_texts; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string m_separator;
    std::vector<analysis::SweepPoint> m_sweep;
    std::vector<std::pair<double, double>> m_measured;
    double m_designMhz{};
    QStringList m_texts;
};

/// The horizontal cut (phi 0 ... 360) and the vertical one (elevation 0 forward, over the zenith
/// to the back), as direction and gain.
std::vector<std::pair<double, double>> horizontalCut(const analysis::DesignPoint& point);
std::vector<std::pair<double, double>> verticalCut(const analysis::DesignPoint& point);

/// A tick step of 1, 2 or 5 times a power of ten, the smallest giving at most `ticks` steps
/// over `span`.
double tickStep(double span, int ticks);

} // namespace tarvo
