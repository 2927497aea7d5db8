// SPDX-License-Identifier: GPL-3.0-or-later
// "TARVO: NEC-2 analysis": the figures of tarvo-cli --analyze, its warnings, both pattern cuts
// and gain, F/B and SWR against frequency, for the design of the last COMPUTE. nec2c runs on a
// thread of its own; Cancel ends it at once.
#pragma once

#include "analysis/performance.h"
#include "analysis/refine.h"
#include "cli/analysis_front.h"
#include "design/design_state.h"

#include <QImage>
#include <QList>
#include <QWidget>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tarvo {

class PolarPlot;
class SweepPlot;

/// The design as the last COMPUTE left it, with what the window knows beside it.
struct ComputedDesign {
    DesignState state;
    bool metallicBoom{};
    std::vector<std::string> warnings; ///< the boom-range warning, when the boom is beyond it
};

class AnalysisWindow final : public QWidget {
    Q_OBJECT

public:
    explicit AnalysisWindow(QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    /// Shows the window and analyses `design` with the diameters and sweep shown.
    void analyse(const ComputedDesign& design);
    /// A later COMPUTE: the figures shown are of the design before; offers to run again.
    void designComputed(const ComputedDesign& design);
    /// Instead of nec2c: what the window's tests replay.
    void setRunner(analysis::NecRunner runner) { m_runner = std::move(runner); }

    bool running() const { return m_worker.joinable(); }
    void cancel();
    const std::optional<analysis::Performance>& performance() const { return m_performance; }
    /// The report as shown, and the status line ("Cancelled.", a failure's reason).
    QString reportText() const;
    QString statusText() const;
    bool rerunOffered() const;
    /// The plots as drawn now: the horizontal and vertical cuts, and the sweep.
    QList<QImage> plotPictures();
    /// The request the next run makes: diameters and sweep as the boxes show them.
    AnalysisRequest request() const;

signals:
    void finished(bool succeeded);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void start();
    void showResult(std::optional<analysis::Performance> performance, const QString& failure);
    void showDefaults(double frequencyMhz, bool fromSettings);
    void remember() const;

    QDoubleSpinBox* m_wire;
    QDoubleSpinBox* m_rod;
    QDoubleSpinBox* m_sweep;
    QPushButton* m_run;
    QPushButton* m_cancelButton;
    QPushButton* m_defaults;
    QProgressBar* m_progress;
    QLabel* m_status;
    QLabel* m_rerun;
    QPlainTextEdit* m_report;
    PolarPlot* m_horizontal;
    PolarPlot* m_vertical;
    SweepPlot* m_sweepPlot;

    ComputedDesign m_design;
    std::optional<ComputedDesign> m_newer;
    analysis::NecRunner m_runner;
    std::optional<analysis::Performance> m_performance;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
};

} // namespace tarvo
