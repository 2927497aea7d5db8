// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysiswindow/analysis_window.h"

#include "analysis/geometry.h"
#include "analysis/nec_runner.h"
#include "analysiswindow/plots.h"
#include "plan/analysis.h"

#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvo {
namespace {

QDoubleSpinBox* spinBox(double low, double high, int decimals, const QString& suffix) {
    auto* box = new QDoubleSpinBox;
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

} // namespace

AnalysisWindow::AnalysisWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_wire(spinBox(0.01, 100, 3, " mm"))
    , m_rod(spinBox(0.01, 100, 3, " mm"))
    , m_sweep(spinBox(0, 20, 2, " %"))
    , m_run(new QPushButton("&Run"))
    , m_cancelButton(new QPushButton("&Cancel"))
    , m_defaults(new QPushButton("&Defaults"))
    , m_progress(new QProgressBar)
    , m_status(new QLabel)
    , m_rerun(new QLabel)
    , m_report(new QPlainTextEdit)
    , m_horizontal(new PolarPlot("Horizontal pattern"))
    , m_vertical(new PolarPlot("Vertical pattern"))
    , m_sweepPlot(new SweepPlot) {
    setObjectName("analysisWindow");
    setWindowTitle("TARVO: NEC-2 analysis");
    m_wire->setObjectName("wireMm");
    m_rod->setObjectName("rodMm");
    m_sweep->setObjectName("sweepPercent");
    m_report->setObjectName("report");
    m_status->setObjectName("status");
    m_rerun->setObjectName("rerun");
    m_cancelButton->setObjectName("cancel");
    m_run->setObjectName("run");
    m_sweep->setSingleStep(0.5);

    auto* settingsForm = new QFormLayout;
    settingsForm->addRow("Loop &wire diameter", m_wire);
    settingsForm->addRow("Director &rod diameter", m_rod);
    settingsForm->addRow("&Sweep +/-", m_sweep);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_run);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_defaults);
    buttons->addStretch();
    m_progress->setRange(0, 0); // nec2c says nothing of its progress: a busy bar
    m_progress->setVisible(false);
    m_cancelButton->setEnabled(false);
    m_rerun->setVisible(false);
    m_rerun->setText("The design was computed again: these figures are of the one before. "
                     "<a href=\"rerun\">Run again</a>");
    m_rerun->setStyleSheet("QLabel { background: #fff3c4; padding: 4px; }");
    m_report->setReadOnly(true);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_report->setMinimumWidth(460);

    auto* left = new QVBoxLayout;
    left->addLayout(settingsForm);
    left->addLayout(buttons);
    left->addWidget(m_progress);
    left->addWidget(m_status);
    left->addWidget(m_rerun);
    left->addWidget(m_report, 1);
    auto* plots = new QHBoxLayout;
    plots->addWidget(m_horizontal);
    plots->addWidget(m_vertical);
    auto* right = new QVBoxLayout;
    right->addLayout(plots);
    right->addWidget(m_sweepPlot);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);
    resize(1100, 620);

    connect(m_run, &QPushButton::clicked, this, [this] {
        if (m_newer) {
            // The newer plan's own materials: those of the design before belong to its band.
            const double sweepPercent = m_sweep->value();
            m_plan = *std::exchange(m_newer, std::nullopt);
            m_plan.analysis.sweepPercent = sweepPercent;
            showPlan();
        } else {
            m_plan = plan();
        }
        emit planEdited(m_plan);
        start();
    });
    connect(m_cancelButton, &QPushButton::clicked, this, &AnalysisWindow::cancel);
    connect(m_defaults, &QPushButton::clicked, this, [this] {
        m_plan.materials.reset();
        m_plan.analysis.sweepPercent = AnalysisOptions{}.sweepPercent;
        showPlan();
        emit planEdited(m_plan);
    });
    connect(m_rerun, &QLabel::linkActivated, this, [this] { m_run->click(); });
}

AnalysisWindow::~AnalysisWindow() {
    m_cancel = true;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void AnalysisWindow::showPlan() {
    const analysis::Material material = materialOf(m_plan);
    m_wire->setValue(material.wireDiameterMm);
    m_rod->setValue(material.rodDiameterMm);
    m_sweep->setValue(m_plan.analysis.sweepPercent);
}

Plan AnalysisWindow::plan() const {
    Plan plan = m_plan;
    plan.analysis.sweepPercent = m_sweep->value();
    const analysis::Material material = materialOf(m_plan);
    if (m_wire->value() != material.wireDiameterMm || m_rod->value() != material.rodDiameterMm) {
        chooseMaterials(plan, {m_wire->value(), m_rod->value()});
    }
    return plan;
}

void AnalysisWindow::analyse(const Plan& plan) {
    m_plan = plan;
    m_newer.reset();
    showPlan();
    show();
    raise();
    activateWindow();
    start();
}

void AnalysisWindow::planChanged(const Plan& plan) {
    if (plan.built() == m_plan.built() &&
        materialOf(plan).wireDiameterMm == materialOf(m_plan).wireDiameterMm &&
        materialOf(plan).rodDiameterMm == materialOf(m_plan).rodDiameterMm) {
        m_plan = plan;
        return;
    }
    m_newer = plan;
    m_rerun->setVisible(true);
}

bool AnalysisWindow::rerunOffered() const {
    return m_rerun->isVisible();
}

void AnalysisWindow::start() {
    if (running()) {
        return;
    }
    m_rerun->setVisible(false);
    m_cancel = false;
    m_run->setEnabled(false);
    m_defaults->setEnabled(false);
    m_cancelButton->setEnabled(true);
    m_progress->setVisible(true);
    m_status->setText(QString("nec2c is analysing the %1 MHz design...")
                          .arg(static_cast<double>(m_plan.design.freq)));
    const Plan plan = m_plan;
    const Job job{m_runner, &m_cancel};
    m_worker = std::thread([this, plan, job] {
        std::optional<analysis::Performance> performance;
        QString failure;
        try {
            performance = tarvo::analyse(plan, job);
        } catch (const analysis::Cancelled&) {
            failure = "Cancelled.";
        } catch (const std::exception& error) {
            failure = QString("The analysis failed: ") + QString::fromUtf8(error.what());
        }
        QMetaObject::invokeMethod(
            this, [this, performance, failure] { showResult(performance, failure); },
            Qt::QueuedConnection);
    });
}

void AnalysisWindow::cancel() {
    m_cancel = true;
}

void AnalysisWindow::showResult(std::optional<analysis::Performance> performance,
                                const QString& failure) {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_run->setEnabled(true);
    m_defaults->setEnabled(true);
    m_cancelButton->setEnabled(false);
    m_progress->setVisible(false);
    m_rerun->setVisible(m_newer.has_value());
    if (!performance) {
        m_status->setText(failure);
        emit finished(false);
        return;
    }
    m_performance = std::move(performance);
    m_status->setText(QString("NEC-2 analysis of the %1 MHz design, free space.")
                          .arg(static_cast<double>(m_plan.design.freq)));
    m_report->setPlainText(QString::fromStdString(analysis::performanceText(*m_performance)));
    m_horizontal->setPattern(horizontalCut(m_performance->design));
    m_vertical->setPattern(verticalCut(m_performance->design));
    m_sweepPlot->setSweep(m_performance->sweep, m_performance->design.frequencyMhz);
    // The figures take the focus: a keyboard user reads, selects and copies them from there.
    m_report->setFocus();
    emit finished(true);
}

QList<QImage> AnalysisWindow::plotPictures() {
    QList<QImage> pictures;
    for (QWidget* plot : {static_cast<QWidget*>(m_horizontal), static_cast<QWidget*>(m_vertical),
                          static_cast<QWidget*>(m_sweepPlot)}) {
        pictures.push_back(plot->grab().toImage());
    }
    return pictures;
}

QString AnalysisWindow::reportText() const {
    return m_report->toPlainText();
}

QString AnalysisWindow::statusText() const {
    return m_status->text();
}

void AnalysisWindow::closeEvent(QCloseEvent* event) {
    // Closing ends a run: nothing is left working for a window nobody sees.
    cancel();
    event->accept();
}

} // namespace tarvo
