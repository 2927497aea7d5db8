// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysiswindow/analysis_window.h"

#include "analysis/geometry.h"
#include "analysis/nec_runner.h"
#include "analysis/number_format.h"
#include "analysiswindow/plots.h"
#include "design/decimal_separator.h"
#include "plan/analysis.h"

#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace tarvo {
namespace {

/// A locale whose numbers carry the separator: the system's when it agrees, so that the spin
/// boxes write what the report and the calculator's boxes write.
QLocale localeWith(const std::string& separator) {
    if (QLocale::system().decimalPoint() == QString::fromStdString(separator)) {
        return QLocale::system();
    }
    if (separator == ",") {
        return QLocale(QLocale::German, QLocale::Germany);
    }
    return QLocale::c();
}

QDoubleSpinBox* spinBox(double low, double high, int decimals, const QString& suffix,
                        const QLocale& locale) {
    auto* box = new QDoubleSpinBox;
    box->setLocale(locale);
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

/// The analysis report's widest line (69 columns, its notes on the model): the figures, the
/// sweep's table and the notes never wrap; longer prose (a measurement's advice) wraps.
constexpr int reportColumns = 70;

} // namespace

AnalysisWindow::AnalysisWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_separator(userDecimalSeparator())
    , m_wire(spinBox(0.01, 100, 3, " mm", localeWith(m_separator)))
    , m_rod(spinBox(0.01, 100, 3, " mm", localeWith(m_separator)))
    , m_sweep(spinBox(0, 20, 2, " %", localeWith(m_separator)))
    , m_run(new QPushButton("&Run"))
    , m_cancelButton(new QPushButton("&Cancel"))
    , m_defaults(new QPushButton("&Defaults"))
    , m_progress(new QProgressBar)
    , m_status(new QLabel)
    , m_rerun(new QLabel)
    , m_report(new QPlainTextEdit)
    , m_horizontal(new PolarPlot("Horizontal pattern, seen from above", m_separator))
    , m_vertical(new PolarPlot("Vertical pattern, seen from the side", m_separator))
    , m_sweepPlot(new SweepPlot(m_separator)) {
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
    m_defaults->setObjectName("defaults");
    m_progress->setObjectName("busy");
    m_sweep->setSingleStep(0.5);

    // Each mnemonic once in the window: W, O, S for the boxes, R, C, D for the buttons.
    auto* settingsForm = new QFormLayout;
    settingsForm->addRow("Loop &wire diameter", m_wire);
    settingsForm->addRow("Director r&od diameter", m_rod);
    settingsForm->addRow("&Sweep +/-", m_sweep);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_run);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_defaults);
    buttons->addStretch();
    m_progress->setRange(0, 0); // nec2c says nothing of its progress: a busy bar
    // The bar keeps its place while hidden: nothing below it moves when a run starts or ends.
    QSizePolicy keepPlace = m_progress->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepPlace);
    m_progress->setVisible(false);
    m_cancelButton->setEnabled(false);
    m_rerun->setVisible(false);
    m_rerun->setWordWrap(true);
    m_rerun->setStyleSheet("QLabel { background: #fff3c4; padding: 4px; }");
    m_report->setReadOnly(true);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The box is never narrower than the analysis report's widest line, so its tables never
    // wrap; the measurement's advice and the warnings are sentences, and wrap to the
    // window's width rather than run out of sight.
    m_report->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_report->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_report->setMinimumWidth(
        m_report->fontMetrics().horizontalAdvance(QString(reportColumns, QChar('0'))) +
        2 * m_report->frameWidth() + 2 * static_cast<int>(m_report->document()->documentMargin()) +
        m_report->style()->pixelMetric(QStyle::PM_ScrollBarExtent));

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
    resize(1180, 660);

    // The keys work wherever the focus is in the window: Ctrl+R runs, as Analyze does in the
    // calculator's menu; Escape and Ctrl+W close.
    auto* runKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    connect(runKey, &QShortcut::activated, m_run, &QPushButton::click);
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* closeKey = new QShortcut(key, this);
        connect(closeKey, &QShortcut::activated, this, &QWidget::close);
    }

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
    for (QDoubleSpinBox* box : {m_wire, m_rod, m_sweep}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, &AnalysisWindow::markStale);
    }
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

void AnalysisWindow::planChanged(const Plan& plan, const QString& what) {
    if (plan.built() == m_plan.built() &&
        materialOf(plan).wireDiameterMm == materialOf(m_plan).wireDiameterMm &&
        materialOf(plan).rodDiameterMm == materialOf(m_plan).rodDiameterMm) {
        m_plan = plan;
        return;
    }
    m_newer = plan;
    m_newerWhy = what;
    markStale();
}

bool AnalysisWindow::rerunOffered() const {
    return !m_rerun->isHidden();
}

QString AnalysisWindow::staleText() const {
    return rerunOffered() ? m_rerun->text() : QString();
}

QString AnalysisWindow::designName(const Plan& plan) const {
    // Which design the figures are of, as the calculator's title names it: the frequency, the
    // number of directors and the trim.
    std::string name = analysis::formatNumber("%g", plan.design.freq) + " MHz design, " +
                       std::to_string(plan.directors) + " directors";
    if (plan.trimmed()) {
        name += ", " + trimmedForText(*plan.trim);
    }
    return QString::fromStdString(analysis::withDecimalSeparator(name, m_separator));
}

QString AnalysisWindow::number(double value) const {
    return QString::fromStdString(
        analysis::withDecimalSeparator(analysis::formatNumber("%g", value), m_separator));
}

void AnalysisWindow::markStale() {
    QString why;
    if (m_shown && m_performance) {
        const analysis::Material shown = materialOf(*m_shown);
        const Plan asked = plan();
        const analysis::Material boxes = materialOf(asked);
        if (m_newer) {
            why = m_newerWhy + ": these figures are of the design before.";
        } else if (shown.wireDiameterMm != boxes.wireDiameterMm ||
                   shown.rodDiameterMm != boxes.rodDiameterMm ||
                   m_shown->analysis.sweepPercent != asked.analysis.sweepPercent) {
            why = "These figures are of " + number(shown.wireDiameterMm) + " mm wire, " +
                  number(shown.rodDiameterMm) + " mm rods and a sweep of +/-" +
                  number(m_shown->analysis.sweepPercent) + " %, not of the settings above.";
            // The trim holds for its own wire and rods only: say that running ends it before
            // the builder loses it by a click.
            if (asked.trimmed() != m_plan.trimmed() && m_plan.trimmed()) {
                why += " Run again ends the trim (lengths " +
                       QString::fromStdString(analysis::withDecimalSeparator(
                           trimmedForText(*m_plan.trim), m_separator)) +
                       ").";
            }
        }
    }
    if (why.isEmpty()) {
        m_rerun->setVisible(false);
        m_report->setStyleSheet(QString());
        return;
    }
    m_rerun->setText("<b>" + why.toHtmlEscaped() + "</b> <a href=\"rerun\">Run again</a>");
    m_rerun->setVisible(true);
    // Greyed: still there to compare with, but plainly not the answer to what is asked now.
    m_report->setStyleSheet("QPlainTextEdit { color: #808080; }");
}

void AnalysisWindow::start() {
    if (running()) {
        return;
    }
    m_cancel = false;
    m_running = m_plan;
    m_run->setEnabled(false);
    m_defaults->setEnabled(false);
    m_cancelButton->setEnabled(true);
    m_progress->setVisible(true);
    m_status->setText("nec2c is analysing the " + designName(m_plan) + "...");
    const Plan plan = m_plan;
    const Job job{m_runner, &m_cancel};
    m_worker = std::thread([this, plan, job] {
        std::optional<analysis::Performance> performance;
        std::optional<MeasurementAdvice> advice;
        QString failure;
        try {
            if (plan.measurement) {
                // The comparison analyses the plan too: its figures are the design's.
                advice = adviseFromMeasurement(plan, plan.measurement->measurement,
                                               plan.measurement->line, job);
                performance = advice->expected;
            } else {
                performance = tarvo::analyse(plan, job);
            }
            // The verdict over the builder's band, as tarvo-cli --analyze reports it.
            performance->band = bandVerdict(plan, job);
        } catch (const analysis::Cancelled&) {
            failure = "Cancelled.";
        } catch (const analysis::AnalysisError& error) {
            failure = QString("The analysis failed: ") +
                      QString::fromStdString(error.readBy(plan.separator));
        } catch (const std::exception& error) {
            failure = QString("The analysis failed: ") + QString::fromUtf8(error.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, performance, advice, failure] { showResult(performance, advice, failure); },
            Qt::QueuedConnection);
    });
}

void AnalysisWindow::cancel() {
    m_cancel = true;
}

void AnalysisWindow::showResult(std::optional<analysis::Performance> performance,
                                std::optional<MeasurementAdvice> advice, const QString& failure) {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_run->setEnabled(true);
    m_defaults->setEnabled(true);
    m_cancelButton->setEnabled(false);
    m_progress->setVisible(false);
    if (!performance) {
        // The figures before stay, marked when they are not of what the boxes ask.
        m_status->setText(failure);
        markStale();
        emit finished(false);
        return;
    }
    m_performance = std::move(performance);
    m_advice = std::move(advice);
    m_shown = m_running;
    markStale();
    QString status = "NEC-2 analysis of the " + designName(m_running) + ", free space";
    std::string report = analysis::performanceText(*m_performance, m_separator);
    std::vector<std::pair<double, double>> measuredSwr;
    if (m_advice) {
        status += ", compared with " +
                  QFileInfo(QString::fromStdString(m_running.measurement->path)).fileName();
        // The advice first: it is what the builder opened the measurement for.
        report =
            measurementReport(*m_advice, m_running.table.metric(), m_separator) + "\n" + report;
        for (const analysis::ImpedanceSample& s : m_advice->atFeed) {
            measuredSwr.emplace_back(s.frequencyMhz, analysis::standingWaveRatio(s.impedance));
        }
    }
    m_status->setText(status + ".");
    m_report->setPlainText(QString::fromStdString(report));
    m_horizontal->setPattern(horizontalCut(m_performance->design));
    m_vertical->setPattern(verticalCut(m_performance->design));
    m_sweepPlot->setSweep(m_performance->sweep, m_performance->design.frequencyMhz);
    m_sweepPlot->setMeasured(std::move(measuredSwr));
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
    emit closed();
}

} // namespace tarvo
