// SPDX-License-Identifier: GPL-3.0-or-later
// "TARVO: NEC-2 analysis": the figures of tarvo-cli --analyze, its warnings, both pattern cuts
// and gain, F/B and SWR against frequency, for the design of the last COMPUTE. nec2c runs on a
// thread of its own; Cancel ends it at once. Figures that no longer answer the design or the
// settings shown are marked as such until the next run. Every number the window shows carries
// the user's decimal separator, the one the calculator's boxes use.
#pragma once

#include "analysis/performance.h"
#include "analysis/refine.h"
#include "design/design_state.h"
#include "plan/measurement.h"
#include "plan/plan.h"

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

class AnalysisWindow final : public QWidget {
    Q_OBJECT

public:
    /// The decimal separator is the user's, taken once, as the calculator takes it.
    explicit AnalysisWindow(QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    /// Shows the window and analyses the plan with its materials and sweep.
    void analyse(const Plan& plan);
    /// A later COMPUTE, CONVERT TO METRIC, number of directors or accepted trim: a plan of other
    /// lengths leaves the figures shown of the plan before, and offers to run again, saying
    /// `what` happened ("The design was computed again").
    void planChanged(const Plan& plan, const QString& what);
    /// Instead of nec2c: what the window's tests replay.
    void setRunner(analysis::NecRunner runner) { m_runner = std::move(runner); }

    bool running() const { return m_worker.joinable(); }
    void cancel();
    const std::optional<analysis::Performance>& performance() const { return m_performance; }
    /// The comparison with the plan's measurement, where the plan holds one and the run
    /// succeeded.
    const std::optional<MeasurementAdvice>& advice() const { return m_advice; }
    /// The report as shown, and the status line ("Cancelled.", a failure's reason).
    QString reportText() const;
    QString statusText() const;
    /// Whether the window says that the figures shown are not of the design or settings shown
    /// (the banner above the report, with its "Run again"), and what it says.
    bool rerunOffered() const;
    QString staleText() const;
    /// The plots as drawn now: the horizontal and vertical cuts, and the sweep.
    QList<QImage> plotPictures();
    /// The plan the next run analyses: the window's, with the diameters and sweep as the boxes
    /// show them.
    Plan plan() const;

signals:
    void finished(bool succeeded);
    /// The builder chose other diameters or another sweep here: they belong to the plan.
    void planEdited(const Plan& plan);
    /// The window was closed: the measurement it compared is let go.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void start();
    void showResult(std::optional<analysis::Performance> performance,
                    std::optional<MeasurementAdvice> advice, const QString& failure);
    void showPlan();
    /// Shows or hides the banner that marks the figures as of another design or settings.
    void markStale();
    QString designName(const Plan& plan) const;
    QString number(double value) const;

    std::string m_separator; ///< first: the boxes and plots are made with it
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

    Plan m_plan;
    std::optional<Plan> m_newer;
    QString m_newerWhy;          ///< what made m_newer, for the banner
    Plan m_running;              ///< the plan of the run under way
    std::optional<Plan> m_shown; ///< the plan whose figures are shown
    analysis::NecRunner m_runner;
    std::optional<analysis::Performance> m_performance;
    std::optional<MeasurementAdvice> m_advice;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
};

} // namespace tarvo
