// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/desktop_window.h"

#include "analysis/band.h"
#include "analysis/nec_runner.h"
#include "analysis/number_format.h"
#include "plan/analysis.h"
#include "plan/boom_study.h"
#include "plan/long_boom.h"
#include "plan/measurement.h"
#include "plan/trim.h"
#include "plan/workshop.h"
#include "sheetpaint/sheet_painter.h"
#include "weblink/web_link_window.h"
#include "workshop/exports.h"
#include "workshop/feedline.h"
#include "workshop/sheet.h"
#include "workshop/touchstone_reader.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include <thread>

namespace tarvo {
namespace {

using enum Control;

constexpr const char* computeFirst = "Press COMPUTE first: this works on the computed design.";
constexpr const char* computeAgain = "The last COMPUTE stopped on a fault, so the boxes may show "
                                     "parts of two designs: press COMPUTE for a whole one.";

/// Runs `work` on a thread of its own while a progress dialog with Cancel shows; the window
/// stays responsive. Empty when cancelled or failed, with the reason in `failure`, its numbers
/// in `separator`. Where `say` is given, the work may call it from its thread to change the
/// dialog's line.
template <class Result>
std::optional<Result> runJob(QWidget* parent, const QString& label,
                             const std::function<Result(const std::atomic<bool>&)>& work,
                             QString& failure, const std::string& separator,
                             std::function<void(const QString&)>* say = nullptr) {
    QProgressDialog dialog(label, "Cancel", 0, 0, parent);
    if (say != nullptr) {
        *say = [&dialog](const QString& line) {
            QMetaObject::invokeMethod(
                &dialog, [&dialog, line] { dialog.setLabelText(line); }, Qt::QueuedConnection);
        };
    }
    dialog.setWindowTitle("TARVO");
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    std::atomic<bool> cancel{false};
    std::optional<Result> result;
    QObject::connect(&dialog, &QProgressDialog::canceled, [&cancel] { cancel = true; });
    std::thread worker([&] {
        try {
            result = work(cancel);
        } catch (const analysis::Cancelled&) {
            failure = "Cancelled.";
        } catch (const analysis::AnalysisError& error) {
            failure = QString::fromStdString(error.readBy(separator));
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.done(0); }, Qt::QueuedConnection);
    });
    dialog.exec();
    worker.join();
    if (cancel && !result) {
        failure = "Cancelled.";
    }
    return result;
}

QSettings settings() {
    return QSettings("TARVO", "TARVO");
}

/// Where the builder's wire and rods for a band are remembered between sessions.
QString materialKey(double bandMhz, const char* what) {
    return QString("materials/%1/%2").arg(bandMhz).arg(what);
}

/// A name per design: a longer boom's or a trimmed one's files never replace the six
/// directors' or the untrimmed ones' by accident.
QString defaultFileName(const Plan& plan, const QString& what) {
    return QString("tarvo-%1mhz-%2%3%4")
        .arg(static_cast<double>(plan.design.freq))
        .arg(plan.directors != fewestDirectors ? QString("%1dir-").arg(plan.directors) : QString())
        .arg(plan.trimmed() ? "trimmed-" : "")
        .arg(what);
}

constexpr const char* folderKey = "files/lastFolder";

/// The suggested file in the folder the dialog opens in.
QString suggested(const QString& name) {
    return QDir(DesktopWindow::startFolder()).filePath(name);
}

void rememberFolder(const QString& path) {
    settings().setValue(folderKey, QFileInfo(path).absolutePath());
}

/// ".maa" from "MMANA-GAL model (*.maa)".
QString filterExtension(const QString& filter) {
    return filter.mid(filter.lastIndexOf("*.") + 1).chopped(1);
}

} // namespace

DesktopWindow::DesktopWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_calculator(new MainWindow) {
    setObjectName("TARVO");
    setWindowTitle("TARVO");
    setCentralWidget(m_calculator);
    qApp->installEventFilter(this);
    // The calculator keeps its fixed client area; the frame grows by the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    buildMenus();
    m_warning = new QToolButton(menuBar());
    m_warning->setObjectName("boomWarning");
    m_warning->setText("Boom: see the warning");
    m_warning->setAutoRaise(true);
    m_warning->setVisible(false);
    connect(m_warning, &QToolButton::clicked, this,
            [this] { tell("TARVO: boom", m_warning->toolTip(), false); });
    menuBar()->setCornerWidget(m_warning, Qt::TopRightCorner);
    connect(m_calculator, &MainWindow::computed, this, &DesktopWindow::designComputed);
    connect(m_calculator, &MainWindow::computeFailed, this, &DesktopWindow::designFailed);
    connect(m_calculator, &MainWindow::converted, this, [this] {
        if (m_plan) {
            retable(*m_plan, m_calculator->form());
            if (m_longBoom != nullptr) {
                m_longBoom->showPlan(*m_plan);
            }
        }
    });
    m_chooseSave = [this](const QString& title, const QString& name, const QString& filters,
                          QString* chosen) {
        return QFileDialog::getSaveFileName(this, title, name, filters, chosen);
    };
    m_printSheet = [this](const workshop::DisplayList& sheet) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setFullPage(true);
        printer.setPageSize(QPageSize(QSizeF(sheet.widthMm, sheet.heightMm), QPageSize::Millimeter,
                                      QString(), QPageSize::FuzzyMatch));
        QPrintPreviewDialog preview(&printer, this);
        preview.setWindowTitle("TARVO: workshop sheet");
        // Large enough to read a dimension: most of the screen, the page as wide as it allows.
        if (const QScreen* screen = this->screen()) {
            const QRect room = screen->availableGeometry();
            preview.resize(room.width() * 9 / 10, room.height() * 9 / 10);
        }
        if (auto* page = preview.findChild<QPrintPreviewWidget*>()) {
            page->fitToWidth();
        }
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&sheet](QPrinter* p) {
            QPainter painter(p);
            sheetpaint::paintDisplayList(painter, sheet, p->resolution() / 25.4);
        });
        preview.exec();
    };
}

DesktopWindow::~DesktopWindow() {
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

QString DesktopWindow::startFolder() {
    const QString last = settings().value(folderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        return last;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

bool DesktopWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QKeySequence pressed(key->keyCombination());
            for (const QAction* action : findChildren<QAction*>()) {
                if (action->isEnabled() && !action->shortcut().isEmpty() &&
                    action->shortcut().matches(pressed) == QKeySequence::ExactMatch) {
                    // Left unaccepted, the key goes to the window's shortcut, not the text box.
                    event->ignore();
                    return true;
                }
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QString DesktopWindow::planTitle() const {
    if (!m_plan) {
        return "TARVO";
    }
    // Which design every menu works on: its frequency, directors and trim, in the user's
    // separator as every number the window shows.
    std::string title = "TARVO - " + analysis::formatNumber("%g", m_plan->design.freq) + " MHz, " +
                        std::to_string(m_plan->directors) + " directors";
    if (m_plan->trimmed()) {
        title += ", " + trimmedForText(*m_plan->trim);
    }
    return QString::fromStdString(analysis::withDecimalSeparator(title, m_plan->separator));
}

void DesktopWindow::showPlan() {
    setWindowTitle(planTitle());
    // A boom beyond its correction's range is said at COMPUTE, as tarvo-cli says it, at the
    // menu bar's right end: the calculator's boxes stay as they are.
    QStringList warnings;
    if (m_plan) {
        for (const std::string& warning : m_plan->warnings) {
            warnings << QString::fromStdString(
                analysis::withDecimalSeparator(warning, m_plan->separator));
        }
    }
    m_warning->setVisible(!warnings.isEmpty());
    m_warning->setToolTip(warnings.join("\n\n"));
    m_warning->setStatusTip(warnings.join(" "));
}

AnalysisWindow& DesktopWindow::analysisWindow() {
    if (m_analysis == nullptr) {
        m_analysis = new AnalysisWindow(this);
        m_analysis->setRunner(m_runner);
        connect(m_analysis, &AnalysisWindow::planEdited, this, &DesktopWindow::planEdited);
        // The measurement belongs to the comparison the window shows: closed, it is let go.
        connect(m_analysis, &AnalysisWindow::closed, this, [this] {
            if (m_plan) {
                m_plan->measurement.reset();
            }
        });
    }
    return *m_analysis;
}

void DesktopWindow::setRunner(analysis::NecRunner runner) {
    m_runner = std::move(runner);
    if (m_analysis != nullptr) {
        m_analysis->setRunner(m_runner);
    }
}

QAction* DesktopWindow::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void DesktopWindow::buildMenus() {
    const auto add = [this](QMenu* menu, const char* name, const QString& text,
                            const QKeySequence& shortcut, auto slot, bool needsDesign) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
        if (needsDesign) {
            action->setEnabled(false);
            action->setToolTip(computeFirst);
            action->setStatusTip(computeFirst);
            m_designActions.push_back(action);
        }
        return action;
    };
    QMenu* file = menuBar()->addMenu("&File");
    file->setToolTipsVisible(true);
    add(file, "printSheet", "&Print workshop sheet...", QKeySequence::Print,
        &DesktopWindow::printSheet, true);
    add(file, "saveSheet", "&Save workshop sheet as PDF...", QKeySequence(Qt::CTRL | Qt::Key_S),
        &DesktopWindow::saveSheet, true);
    add(file, "export", "&Export for other tools...", QKeySequence(Qt::CTRL | Qt::Key_E),
        &DesktopWindow::exportDesign, true);
    add(
        file, "compare", "&Compare with a measurement...", QKeySequence(),
        [this] {
            const QString title = "Compare with a measurement";
            const QString filters = "Touchstone one-port (*.s1p *.S1P *.ts);;All files (*)";
            const QString path =
                m_chooseOpen ? m_chooseOpen(title, filters)
                             : QFileDialog::getOpenFileName(this, title, startFolder(), filters);
            if (!path.isEmpty()) {
                compareWithMeasurement(path);
            }
        },
        true);
    file->addSeparator();
    add(file, "quit", "&Quit", QKeySequence::Quit, &QWidget::close, false);
    QMenu* design = menuBar()->addMenu("&Design");
    design->setToolTipsVisible(true);
    add(
        design, "analyze", "&Analyze with NEC-2...", QKeySequence(Qt::CTRL | Qt::Key_R),
        [this] { analysisWindow().analyse(*m_plan); }, true);
    add(design, "trim", "&Trim for my materials...", QKeySequence(Qt::CTRL | Qt::Key_T),
        &DesktopWindow::trim, true);
    add(design, "longBoom", "&Longer boom...", QKeySequence(), &DesktopWindow::longBoom, true);
    add(
        design, "boomStudy", "&Boom study...", QKeySequence(),
        [this] {
            // Each number of directors is a trim of its own: a study up to 16 takes minutes.
            std::string why;
            const int most = mostDirectorsOf(*m_plan, &why);
            if (most <= fewestDirectors) {
                // Nothing to compare six directors with: the table's rule allows no seventh.
                tell(
                    "TARVO: boom study",
                    QString::fromStdString(analysis::withDecimalSeparator(
                        "This design holds no more than six directors: " + why, m_plan->separator)),
                    true);
                return;
            }
            bool asked = false;
            const int upTo = QInputDialog::getInt(
                this, "TARVO: boom study",
                QString("Study 6 to how many directors? (at most %1)").arg(most),
                std::min(boomStudyDefaultDirectors, most), fewestDirectors + 1, most, 1, &asked);
            if (asked) {
                studyBoom(upTo);
            }
        },
        true);
    QMenu* help = menuBar()->addMenu("&Help");
    add(
        help, "webLink", "&Web link...", QKeySequence(), [] { showWebLinkWindow(); }, false);
    add(help, "about", "&About TARVO", QKeySequence(), &DesktopWindow::about, false);
}

void DesktopWindow::designComputed() {
    // After a COMPUTE that stopped, the builder's choices come from the plan before it.
    m_plan = nextPlan(m_calculator->form(), m_calculator->state(), m_plan ? m_plan : m_stalePlan);
    m_stalePlan.reset();
    m_trimmedPlan.reset(); // a trim is of the lengths before this COMPUTE
    if (!m_plan->materials) {
        // The builder's wire and rods for this band, chosen in an earlier session.
        const QSettings stored = settings();
        const double band = bandOf(m_plan->design.freq);
        const QVariant wire = stored.value(materialKey(band, "wireMm"));
        const QVariant rod = stored.value(materialKey(band, "rodMm"));
        if (wire.isValid() && rod.isValid()) {
            chooseMaterials(*m_plan, {wire.toDouble(), rod.toDouble()});
        }
    }
    for (QAction* action : m_designActions) {
        action->setEnabled(true);
        action->setToolTip(QString());
        action->setStatusTip(QString());
    }
    if (m_analysis != nullptr && m_analysis->isVisible()) {
        m_analysis->planChanged(*m_plan, "The design was computed again");
    }
    if (m_longBoom != nullptr) {
        m_longBoom->showPlan(*m_plan);
    }
    showPlan();
}

void DesktopWindow::designFailed() {
    if (!m_plan) {
        return;
    }
    // The sheet, the exports and the analysis would be of the design before while the boxes
    // may already show parts of the new one: none is offered until a COMPUTE succeeds. The
    // builder's choices wait for it.
    m_stalePlan = std::move(m_plan);
    m_plan.reset();
    m_trimmedPlan.reset();
    m_sheet.reset();
    for (QAction* action : m_designActions) {
        action->setEnabled(false);
        action->setToolTip(computeAgain);
        action->setStatusTip(computeAgain);
    }
    if (m_longBoom != nullptr) {
        m_longBoom->close();
    }
    setWindowTitle("TARVO - no design: the last COMPUTE stopped on a fault");
    m_warning->setVisible(false);
}

void DesktopWindow::longBoom() {
    if (m_longBoom == nullptr) {
        m_longBoom = new LongBoomDialog(this);
        connect(m_longBoom, &LongBoomDialog::directorsChosen, this,
                &DesktopWindow::directorsChosen);
        // The menus' keys (Ctrl+S, Ctrl+E, Ctrl+R ...) work while the dialog has the focus too:
        // it stands beside the calculator as part of the same work.
        for (QAction* action : findChildren<QAction*>()) {
            if (!action->shortcut().isEmpty()) {
                m_longBoom->addAction(action);
            }
        }
    }
    m_longBoom->showPlan(*m_plan);
    m_longBoom->show();
    // Beside the calculator, whose own boxes stay as they are.
    m_longBoom->move(frameGeometry().topRight() + QPoint(8, 0));
    m_longBoom->raise();
    m_longBoom->activateWindow();
}

bool DesktopWindow::studyBoom(int upTo) {
    if (!m_plan) {
        return false;
    }
    const Plan plan = *m_plan;
    const analysis::NecRunner runner = m_runner;
    std::function<void(const QString&)> say;
    QString failure;
    const std::string separator = plan.separator;
    const auto study = runJob<BoomStudy>(
        this, "nec2c is studying the longer booms...",
        [&](const std::atomic<bool>& cancel) {
            return runBoomStudy(
                plan, boomStudyCounts(upTo), Job{runner, &cancel}, [&](const BoomStudyProgress& p) {
                    if (say) {
                        say(QString::fromStdString(analysis::withDecimalSeparator(
                            "nec2c is trimming " + std::to_string(p.directors) + " directors (" +
                                std::to_string(p.done + 1) + " of " + std::to_string(p.total) +
                                "): evaluation " + std::to_string(p.trim.evaluation) + ", gain " +
                                analysis::formatNumber("%.2f", p.trim.gainDbi) + " dBi, F/B " +
                                analysis::formatNumber("%.1f", p.trim.frontToBackDb) + " dB, SWR " +
                                analysis::formatNumber("%.2f", p.trim.swr),
                            separator)));
                    }
                });
        },
        failure, separator, &say);
    if (!study) {
        tell("TARVO: boom study", "The boom study did not finish. " + failure, true);
        return false;
    }
    m_studyPlan = plan;
    if (m_boomStudy == nullptr) {
        m_boomStudy = new BoomStudyDialog(this);
        connect(m_boomStudy, &BoomStudyDialog::ruleChosen, this, [this](int directors) {
            if (studyStillHolds()) {
                directorsChosen(directors);
            }
        });
        connect(m_boomStudy, &BoomStudyDialog::trimChosen, this, [this](const BoomStudyRow& row) {
            if (!studyStillHolds()) {
                return;
            }
            directorsChosen(row.directors);
            acceptTrim(*m_plan, row.trim);
            if (m_analysis != nullptr && m_analysis->isVisible()) {
                m_analysis->planChanged(*m_plan, "The study's trimmed design was taken");
            }
            showPlan();
        });
        for (QAction* action : findChildren<QAction*>()) {
            if (!action->shortcut().isEmpty()) {
                m_boomStudy->addAction(action);
            }
        }
    }
    m_boomStudy->showStudy(*study, separator);
    m_boomStudy->show();
    m_boomStudy->raise();
    m_boomStudy->activateWindow();
    return true;
}

bool DesktopWindow::studyStillHolds() {
    // The study's designs are of the design it studied, with the materials it used.
    if (m_plan && m_studyPlan && m_plan->design == m_studyPlan->design &&
        materialOf(*m_plan) == materialOf(*m_studyPlan)) {
        return true;
    }
    tell("TARVO: boom study",
         "The study is of another design or other materials than the plan's now: run it again.",
         true);
    return false;
}

void DesktopWindow::directorsChosen(int directors) {
    if (!m_plan) {
        return;
    }
    const std::optional<AcceptedTrim> trimBefore = m_plan->trim;
    const int directorsBefore = m_plan->directors;
    try {
        setDirectors(*m_plan, directors);
    } catch (const LongBoomError& error) {
        tell("Longer boom", error.what(), true);
        return;
    }
    // The trim's lengths were found for the directors before: the builder is told it ended,
    // beside the number that ended it, not only by the title losing it.
    QString notice;
    if (trimBefore && !m_plan->trimmed()) {
        notice = QString::fromStdString(analysis::withDecimalSeparator(
            "The trim ended: lengths " + trimmedForText(*trimBefore) + " were found for " +
                std::to_string(directorsBefore) +
                " directors. Design > Trim for my materials finds them for " +
                std::to_string(directors) + ".",
            m_plan->separator));
    }
    // A trim found for another number of directors does not hold for these.
    if (m_trimmedPlan && m_trimmedPlan->directors != directors) {
        m_trimmedPlan.reset();
    }
    if (m_analysis != nullptr && m_analysis->isVisible()) {
        m_analysis->planChanged(*m_plan,
                                QString("The plan now builds %1 directors").arg(directors));
    }
    if (m_longBoom != nullptr) {
        m_longBoom->showPlan(*m_plan, notice);
    }
    showPlan();
}

void DesktopWindow::planEdited(const Plan& edited) {
    if (!m_plan || !(edited.design == m_plan->design)) {
        return; // a plan of a design before: its choices do not belong to this one
    }
    m_plan->analysis = edited.analysis;
    m_plan->materials = edited.materials;
    if (edited.materials) {
        chooseMaterials(*m_plan, edited.materials->material, edited.materials->everyBand);
    }
    showPlan(); // other materials end a trim found for the ones before
    // Only what differs from the band's recommendation is remembered, for this band alone.
    QSettings stored = settings();
    const double band = bandOf(m_plan->design.freq);
    if (m_plan->materials) {
        stored.setValue(materialKey(band, "wireMm"), m_plan->materials->material.wireDiameterMm);
        stored.setValue(materialKey(band, "rodMm"), m_plan->materials->material.rodDiameterMm);
    } else {
        stored.remove(materialKey(band, "wireMm"));
        stored.remove(materialKey(band, "rodMm"));
    }
}

namespace {

/// The feed line of the last measurement, for the next: a builder measures through the same
/// coax each time. None when none was used or what is stored is not a line.
std::optional<workshop::FeedLine> rememberedFeedLine() {
    const QSettings stored = settings();
    if (!stored.value("feedLine/used").toBool()) {
        return std::nullopt;
    }
    workshop::FeedLine line;
    line.lengthM = stored.value("feedLine/lengthM").toDouble();
    line.velocityFactor = stored.value("feedLine/velocityFactor").toDouble();
    line.z0Ohms = stored.value("feedLine/z0Ohms", 50).toDouble();
    line.lossDbPer100m = stored.value("feedLine/lossDbPer100m").toDouble();
    line.lossAtMhz = stored.value("feedLine/lossAtMhz").toDouble();
    const bool sound = line.lengthM > 0 && line.lengthM <= 1000 && line.velocityFactor > 0 &&
                       line.velocityFactor <= 1 && line.z0Ohms >= 1 && line.z0Ohms <= 1000 &&
                       line.lossDbPer100m >= 0 && line.lossDbPer100m <= 1000 &&
                       (!line.lossy() || (line.lossAtMhz > 0 && line.lossAtMhz <= 1e6));
    return sound ? std::optional(line) : std::nullopt;
}

} // namespace

/// Asks through which feed line the sweep was taken, starting from the one remembered; false
/// when the builder cancels.
bool DesktopWindow::askFeedLine(std::optional<workshop::FeedLine>& line) {
    QDialog ask(this);
    ask.setObjectName("feedLineDialog");
    ask.setWindowTitle("TARVO: the feed line of the measurement");
    auto* through = new QCheckBox("The analyser was at the &far end of a feed line");
    through->setObjectName("throughLine");
    auto* length = new QDoubleSpinBox;
    auto* velocity = new QDoubleSpinBox;
    auto* z0 = new QDoubleSpinBox;
    auto* loss = new QDoubleSpinBox;
    auto* lossAt = new QDoubleSpinBox;
    const struct {
        QDoubleSpinBox* box;
        const char* name;
        double lowest, highest, start;
        int decimals;
        const char* suffix;
    } boxes[] = {{length, "lengthM", 0.01, 1000, 5, 3, " m"},
                 {velocity, "velocityFactor", 0.01, 1, 0.66, 3, ""},
                 {z0, "z0Ohms", 1, 1000, 50, 1, " ohm"},
                 {loss, "lossDbPer100m", 0, 1000, 0, 2, " dB"},
                 {lossAt, "lossAtMhz", 0.001, 1e6, 100, 3, " MHz"}};
    for (const auto& b : boxes) {
        b.box->setObjectName(b.name);
        b.box->setRange(b.lowest, b.highest);
        b.box->setDecimals(b.decimals);
        b.box->setSuffix(b.suffix);
        b.box->setValue(b.start);
    }
    loss->setSpecialValueText("lossless");
    if (line) {
        through->setChecked(true);
        length->setValue(line->lengthM);
        velocity->setValue(line->velocityFactor);
        z0->setValue(line->z0Ohms);
        loss->setValue(line->lossDbPer100m);
        if (line->lossy()) {
            lossAt->setValue(line->lossAtMhz);
        }
    }
    auto* form = new QFormLayout(&ask);
    form->addRow(through);
    form->addRow("&Length", length);
    form->addRow("&Velocity factor", velocity);
    form->addRow("&Impedance", z0);
    form->addRow("L&oss per 100 m", loss);
    form->addRow("Loss given &at", lossAt);
    const auto enable = [=] {
        for (QDoubleSpinBox* box : {length, velocity, z0, loss}) {
            box->setEnabled(through->isChecked());
        }
        lossAt->setEnabled(through->isChecked() && loss->value() > 0);
    };
    connect(through, &QCheckBox::toggled, &ask, enable);
    connect(loss, &QDoubleSpinBox::valueChanged, &ask, enable);
    enable();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    if (ask.exec() != QDialog::Accepted) {
        return false;
    }
    line.reset();
    if (through->isChecked()) {
        line = workshop::FeedLine{length->value(), velocity->value(), z0->value(), loss->value(),
                                  loss->value() > 0 ? lossAt->value() : 0};
    }
    return true;
}

bool DesktopWindow::compareWithMeasurement(const QString& path) {
    if (!m_plan) {
        return false;
    }
    // The sweep is most often taken at the shack end of the coax: the line moves it to the
    // feed point before the fit, as tarvo-cli's --feedline-m does.
    std::optional<workshop::FeedLine> line = rememberedFeedLine();
    if (!m_quiet && !askFeedLine(line)) {
        return false;
    }
    QSettings stored = settings();
    stored.setValue("feedLine/used", line.has_value());
    if (line) {
        stored.setValue("feedLine/lengthM", line->lengthM);
        stored.setValue("feedLine/velocityFactor", line->velocityFactor);
        stored.setValue("feedLine/z0Ohms", line->z0Ohms);
        stored.setValue("feedLine/lossDbPer100m", line->lossDbPer100m);
        stored.setValue("feedLine/lossAtMhz", line->lossAtMhz);
    }
    const std::string file = QFile::encodeName(path).toStdString();
    try {
        workshop::Measurement measurement = workshop::readTouchstoneFile(file);
        if (line) {
            workshop::requirePassiveThroughLine(measurement, *line, "as given");
        }
        m_plan->measurement = MeasuredSweep{file, std::move(measurement), line};
    } catch (const workshop::TouchstoneError& error) {
        tell("TARVO", QFileInfo(path).fileName() + ": " + QString::fromUtf8(error.what()), true);
        return false;
    }
    analysisWindow().analyse(*m_plan);
    return true;
}

void DesktopWindow::tell(const QString& title, const QString& message, bool failure) {
    m_lastMessage = message;
    if (m_quiet) {
        return;
    }
    if (failure) {
        QMessageBox::critical(this, title, message);
    } else {
        QMessageBox::information(this, title, message);
    }
}

std::optional<workshop::DisplayList> DesktopWindow::sheet() {
    if (static_cast<std::size_t>(m_plan->directors) > workshop::mostSheetDirectors) {
        tell("TARVO: workshop sheet",
             QString("The workshop sheet holds at most %1 directors on its page, not %2.")
                 .arg(workshop::mostSheetDirectors)
                 .arg(m_plan->directors),
             true);
        return std::nullopt;
    }
    workshop::SheetOptions options;
    options.paper = workshop::localePaper();
    options.inches = options.paper == workshop::Paper::Letter;
    options.decimalSeparator = m_calculator->form().decimalSeparator();
    if (m_sheet && m_sheet->first == *m_plan) {
        return workshop::layoutSheet(m_sheet->second, options);
    }
    const Plan plan = *m_plan;
    const analysis::NecRunner runner = m_runner;
    QString failure;
    const auto content = runJob<workshop::SheetContent>(
        this, "nec2c is finding the tolerances of every length and spacing...",
        [&](const std::atomic<bool>& cancel) {
            const Job job{runner, &cancel};
            std::optional<analysis::Performance> performance;
            std::string necMissing;
            if (runner || !analysis::findNec2c().empty()) {
                performance = analyse(plan, job);
            } else {
                necMissing = "nec2c needed";
            }
            return sheetContent(plan, performance, necMissing, job);
        },
        failure, plan.separator);
    if (!content) {
        tell("TARVO: workshop sheet", "The workshop sheet was not made. " + failure, true);
        return std::nullopt;
    }
    m_sheet.emplace(plan, *content);
    return workshop::layoutSheet(*content, options);
}

void DesktopWindow::printSheet() {
    if (const auto list = sheet()) {
        m_printSheet(*list);
    }
}

bool DesktopWindow::mayReplace(const QString& path) {
    if (m_quiet || !QFileInfo::exists(path)) {
        return true;
    }
    return QMessageBox::question(this, "TARVO",
                                 QFileInfo(path).fileName() +
                                     " already exists.\nDo you want to replace it?") ==
           QMessageBox::Yes;
}

void DesktopWindow::saveSheet() {
    QString filter = "PDF (*.pdf)";
    QString path =
        m_chooseSave("Save workshop sheet", suggested(defaultFileName(*m_plan, "sheet.pdf")),
                     "PDF (*.pdf);;SVG (*.svg)", &filter);
    if (path.isEmpty()) {
        return;
    }
    // The name's own extension decides; the filter's is added only to a name without one.
    auto format = sheetFormatOf(path.toStdString());
    if (!format) {
        format = filter.startsWith("SVG") ? SheetFormat::Svg : SheetFormat::Pdf;
        path += format == SheetFormat::Svg ? ".svg" : ".pdf";
        if (!mayReplace(path)) {
            return;
        }
    }
    const bool svg = format == SheetFormat::Svg;
    rememberFolder(path);
    const auto list = sheet();
    if (!list) {
        return;
    }
    QSaveFile file(path);
    try {
        const QByteArray document = sheetpaint::renderDocument(
            *list, svg ? sheetpaint::Format::Svg : sheetpaint::Format::Pdf);
        if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() ||
            !file.commit()) {
            throw std::runtime_error(file.errorString().toStdString());
        }
    } catch (const std::exception& error) {
        tell("TARVO: workshop sheet",
             "The sheet could not be written to " + path + ": " + QString::fromUtf8(error.what()),
             true);
        return;
    }
    tell("TARVO: workshop sheet", "The workshop sheet was saved as " + path + ".", false);
}

void DesktopWindow::exportDesign() {
    const QStringList filters{"MMANA-GAL model (*.maa)", "NEC-2 deck (*.nec)",
                              "NEC-2 deck with SY variables (*.nec)", "Design table (*.csv)",
                              "Touchstone S11 over the sweep (*.s1p)"};
    QString filter = filters.front();
    QString path =
        m_chooseSave("Export for other tools", suggested(defaultFileName(*m_plan, "beam.maa")),
                     filters.join(";;"), &filter);
    if (path.isEmpty()) {
        return;
    }
    // The name's own extension decides the format ("x.nec" is a deck whatever the filter); the
    // filter's extension is added only to a name without one of the exports'.
    const QString extension = filterExtension(filter);
    if (!exportFormatOf(path.toStdString())) {
        path += extension;
        if (!mayReplace(path)) {
            return;
        }
    }
    ExportFormat format = *exportFormatOf(path.toStdString());
    if (format == ExportFormat::Nec && filter.contains("SY variables")) {
        format = ExportFormat::SymbolicNec;
    }
    rememberFolder(path);
    const Plan plan = *m_plan;
    const analysis::NecRunner runner = m_runner;
    QString failure;
    const auto text = runJob<std::string>(
        this, "Exporting...",
        [&](const std::atomic<bool>& cancel) {
            std::optional<analysis::Performance> performance;
            if (needsPerformance(format)) {
                performance = analyse(plan, Job{runner, &cancel});
            }
            return exportText(plan, format, performance);
        },
        failure, plan.separator);
    if (!text) {
        tell("TARVO: export", "Nothing was exported. " + failure, true);
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text->data(), static_cast<qint64>(text->size())) !=
            static_cast<qint64>(text->size()) ||
        !file.commit()) {
        tell("TARVO: export",
             "The export could not be written to " + path + ": " + file.errorString(), true);
        return;
    }
    tell("TARVO: export", "Exported to " + path + ".", false);
}

void DesktopWindow::trim() {
    // The builder's wire and rods: the plan's until changed here.
    const analysis::Material chosen = materialOf(*m_plan);
    QDialog ask(this);
    ask.setWindowTitle("TARVO: trim for my materials");
    auto* wire = new QDoubleSpinBox;
    auto* rod = new QDoubleSpinBox;
    for (QDoubleSpinBox* box : {wire, rod}) {
        box->setRange(0.01, 100);
        box->setDecimals(3);
        box->setSuffix(" mm");
    }
    wire->setValue(chosen.wireDiameterMm);
    rod->setValue(chosen.rodDiameterMm);
    // The band F/B and SWR must hold over, LOW-HIGH in MHz in the user's separator: the plan's,
    // by default the design frequency +-0.25 %.
    const analysis::Band shownBand = bandOf(*m_plan);
    auto* band = new QLineEdit(QString::fromStdString(analysis::withDecimalSeparator(
        analysis::mhzText(shownBand.lowMhz) + "-" + analysis::mhzText(shownBand.highMhz),
        m_plan->separator)));
    band->setObjectName("band");
    band->setToolTip("F/B >= 20 dB and SWR <= 1.5 must hold at every frequency of this band, "
                     "LOW-HIGH in MHz");
    auto* form = new QFormLayout(&ask);
    form->addRow("Loop &wire diameter", wire);
    form->addRow("Director r&od diameter", rod);
    form->addRow("&Band (MHz)", band);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    if (!m_quiet && ask.exec() != QDialog::Accepted) {
        return;
    }
    Plan plan = *m_plan;
    plan.trim.reset();
    if (wire->value() != chosen.wireDiameterMm || rod->value() != chosen.rodDiameterMm) {
        chooseMaterials(plan, {wire->value(), rod->value()});
    }
    try {
        const analysis::Band asked = analysis::readBand(band->text().toStdString(), plan.separator);
        analysis::requireBandFor(asked, plan.design.freq, plan.separator);
        plan.analysis.band = asked;
    } catch (const analysis::BandError& error) {
        tell("TARVO: trim", "Nothing was trimmed. The band " + QString::fromUtf8(error.what()),
             true);
        return;
    }
    const analysis::NecRunner runner = m_runner;
    QString failure;
    const auto outcome = runJob<TrimOutcome>(
        this, "nec2c is trimming the lengths for your wire and rods...",
        [&](const std::atomic<bool>& cancel) {
            return runTrim(plan, Job{runner, &cancel});
        },
        failure, plan.separator);
    if (!outcome) {
        tell("TARVO: trim", "The trim did not finish. " + failure, true);
        return;
    }
    const QString report =
        QString::fromStdString(trimReport(*outcome, plan.table.metric(), plan.separator));
    m_lastMessage = report;
    m_trimmedPlan.reset();
    if (outcome->meetsLimits()) {
        m_trimmedPlan = plan;
        acceptTrim(*m_trimmedPlan, *outcome);
    }
    if (m_quiet) {
        return;
    }
    QDialog shown(this);
    shown.setWindowTitle("TARVO: trim for my materials");
    auto* text = new QPlainTextEdit(report);
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setMinimumSize(620, 560);
    auto* layout = new QVBoxLayout(&shown);
    layout->addWidget(text);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    if (outcome->meetsLimits()) {
        QPushButton* use = close->addButton("&Use trimmed lengths", QDialogButtonBox::AcceptRole);
        use->setObjectName("useTrimmed");
        connect(use, &QPushButton::clicked, this, &DesktopWindow::useTrimmedLengths);
    }
    layout->addWidget(close);
    connect(close, &QDialogButtonBox::accepted, &shown, &QDialog::accept);
    connect(close, &QDialogButtonBox::rejected, &shown, &QDialog::reject);
    shown.exec();
}

bool DesktopWindow::useTrimmedLengths() {
    if (!m_trimmedPlan || !m_plan || !(m_trimmedPlan->design == m_plan->design)) {
        return false; // a trim of a design before
    }
    m_plan->materials = m_trimmedPlan->materials;
    m_plan->trim = m_trimmedPlan->trim;
    // The sheet judges the trimmed lengths over the band they were trimmed for.
    m_plan->analysis.band = m_trimmedPlan->analysis.band;
    if (m_analysis != nullptr && m_analysis->isVisible()) {
        m_analysis->planChanged(*m_plan, "The trimmed lengths were taken");
    }
    showPlan();
    return true;
}

void DesktopWindow::about() {
    const QString text =
        QString("<b>TARVO %1</b><p>Designs a VHF/UHF beam antenna: a wire-loop reflector, a "
                "wire-loop driven element and six rod directors.</p><p>Licence: GNU General "
                "Public License, version 3 or later (GPL-3.0-or-later). TARVO comes with no "
                "warranty.</p>")
            .arg(TARVO_VERSION);
    m_lastMessage = text;
    if (!m_quiet) {
        QMessageBox::about(this, "About TARVO", text);
    }
}

} // namespace tarvo
