// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/desktop_window.h"

#include "analysis/nec_runner.h"
#include "cli/trim_front.h"
#include "cli/workshop_front.h"
#include "design/boom_range.h"
#include "sheetpaint/sheet_painter.h"
#include "weblink/web_link_window.h"
#include "workshop/exports.h"
#include "workshop/sheet.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>
#include <QSettings>
#include <QVBoxLayout>

#include <thread>

namespace tarvo {
namespace {

using enum Control;

constexpr const char* computeFirst = "Press COMPUTE first: this works on the computed design.";

/// Runs `work` on a thread of its own while a progress dialog with Cancel shows; the window
/// stays responsive. Empty when cancelled or failed, with the reason in `failure`.
template <class Result>
std::optional<Result> runJob(QWidget* parent, const QString& label,
                             const std::function<Result(const std::atomic<bool>&)>& work,
                             QString& failure) {
    QProgressDialog dialog(label, "Cancel", 0, 0, parent);
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

ComputedDesign computedDesignOf(const MainWindow& calculator) {
    ComputedDesign design;
    design.state = calculator.state();
    const Form& form = calculator.form();
    design.metallicBoom = form.isSelected(Option2);
    if (!design.metallicBoom) {
        return design;
    }
    // The boom is the entry whose diameter the design holds: the list chosen last.
    for (const Control list : {List2, List1}) {
        const auto entry = form.selectedEntry(list);
        if (!entry) {
            continue;
        }
        const bool millimetres = list == List2;
        if (millimetres && std::abs(std::stod(*entry) * 0.0394 - design.state.b) > 1e-4) {
            continue;
        }
        if (auto warning = boomRangeWarning(list, *entry, design.state.b, design.state.freq)) {
            design.warnings.push_back(*warning);
        }
        break;
    }
    return design;
}

QString defaultFileName(const ComputedDesign& design, const QString& what) {
    return QString("tarvo-%1mhz-%2").arg(static_cast<double>(design.state.freq)).arg(what);
}

} // namespace

DesktopWindow::DesktopWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_calculator(new MainWindow) {
    setObjectName("TARVO");
    setWindowTitle("TARVO");
    setCentralWidget(m_calculator);
    // The calculator keeps its fixed client area; the frame grows by the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    buildMenus();
    connect(m_calculator, &MainWindow::computed, this, &DesktopWindow::designComputed);
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
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&sheet](QPrinter* p) {
            QPainter painter(p);
            sheetpaint::paintDisplayList(painter, sheet, p->resolution() / 25.4);
        });
        preview.exec();
    };
}

DesktopWindow::~DesktopWindow() = default;

AnalysisWindow& DesktopWindow::analysisWindow() {
    if (m_analysis == nullptr) {
        m_analysis = new AnalysisWindow(this);
        m_analysis->setRunner(m_runner);
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
    file->addSeparator();
    add(file, "quit", "&Quit", QKeySequence::Quit, &QWidget::close, false);
    QMenu* design = menuBar()->addMenu("&Design");
    design->setToolTipsVisible(true);
    add(
        design, "analyze", "&Analyze with NEC-2...", QKeySequence(Qt::CTRL | Qt::Key_R),
        [this] { analysisWindow().analyse(*m_design); }, true);
    add(design, "trim", "&Trim for my materials...", QKeySequence(Qt::CTRL | Qt::Key_T),
        &DesktopWindow::trim, true);
    QMenu* help = menuBar()->addMenu("&Help");
    add(
        help, "webLink", "&Web link...", QKeySequence(), [] { showWebLinkWindow(); }, false);
    add(help, "about", "&About TARVO", QKeySequence(), &DesktopWindow::about, false);
}

void DesktopWindow::designComputed() {
    m_design = computedDesignOf(*m_calculator);
    for (QAction* action : m_designActions) {
        action->setEnabled(true);
        action->setToolTip(QString());
        action->setStatusTip(QString());
    }
    if (m_analysis != nullptr && m_analysis->isVisible()) {
        m_analysis->designComputed(*m_design);
    }
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
    const ComputedDesign design = *m_design;
    AnalysisRequest request = analysisWindow().request();
    request.runner = m_runner;
    QString failure;
    const auto content = runJob<workshop::SheetContent>(
        this, "nec2c is finding the tolerances of every length and spacing...",
        [&](const std::atomic<bool>& cancel) {
            AnalysisRequest cancellable = request;
            cancellable.cancel = &cancel;
            std::optional<analysis::Performance> performance;
            std::string necMissing;
            if (m_runner || !analysis::findNec2c().empty()) {
                performance = runAnalysis(design.state, cancellable);
            } else {
                necMissing = "nec2c needed";
            }
            return sheetContent(cancellable, design.state, design.metallicBoom, performance,
                                necMissing, design.warnings, false);
        },
        failure);
    if (!content) {
        tell("TARVO: workshop sheet", "The workshop sheet was not made. " + failure, true);
        return std::nullopt;
    }
    workshop::SheetOptions options;
    options.paper = workshop::localePaper();
    options.inches = options.paper == workshop::Paper::Letter;
    return workshop::layoutSheet(*content, options);
}

void DesktopWindow::printSheet() {
    if (const auto list = sheet()) {
        m_printSheet(*list);
    }
}

void DesktopWindow::saveSheet() {
    QString filter = "PDF (*.pdf)";
    QString path = m_chooseSave("Save workshop sheet", defaultFileName(*m_design, "sheet.pdf"),
                                "PDF (*.pdf);;SVG (*.svg)", &filter);
    if (path.isEmpty()) {
        return;
    }
    const bool svg = filter.startsWith("SVG") || path.endsWith(".svg", Qt::CaseInsensitive);
    if (!path.endsWith(svg ? ".svg" : ".pdf", Qt::CaseInsensitive)) {
        path += svg ? ".svg" : ".pdf";
    }
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
    QString path = m_chooseSave("Export for other tools", defaultFileName(*m_design, "beam"),
                                filters.join(";;"), &filter);
    if (path.isEmpty()) {
        return;
    }
    const QString extension = filter.mid(filter.lastIndexOf("*.") + 1).chopped(1);
    if (!path.endsWith(extension, Qt::CaseInsensitive)) {
        path += extension;
    }
    const bool symbolic = filter.contains("SY variables");
    const ComputedDesign design = *m_design;
    AnalysisRequest request = analysisWindow().request();
    request.runner = m_runner;
    const Form& form = m_calculator->form();
    QString failure;
    const auto text = runJob<std::string>(
        this, "Exporting...",
        [&](const std::atomic<bool>& cancel) {
            AnalysisRequest cancellable = request;
            cancellable.cancel = &cancel;
            if (symbolic) {
                analysis::Material material;
                const auto model = requestedModel(design.state, cancellable, material);
                return workshop::symbolicDeck(model, material);
            }
            std::optional<analysis::Performance> performance;
            if (path.endsWith(".s1p", Qt::CaseInsensitive)) {
                performance = runAnalysis(design.state, cancellable);
            }
            return exportText(path.toStdString(), cancellable, form, design.state, performance, "",
                              false);
        },
        failure);
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
    // The builder's wire and rods: as the analysis window has them.
    AnalysisRequest request = analysisWindow().request();
    QDialog ask(this);
    ask.setWindowTitle("TARVO: trim for my materials");
    auto* wire = new QDoubleSpinBox;
    auto* rod = new QDoubleSpinBox;
    for (QDoubleSpinBox* box : {wire, rod}) {
        box->setRange(0.01, 100);
        box->setDecimals(3);
        box->setSuffix(" mm");
    }
    const analysis::Material preset = analysis::recommendedMaterial(m_design->state.freq);
    const QSettings stored("TARVO", "TARVO");
    wire->setValue(stored.value("analysis/wireMm", preset.wireDiameterMm).toDouble());
    rod->setValue(stored.value("analysis/rodMm", preset.rodDiameterMm).toDouble());
    auto* form = new QFormLayout(&ask);
    form->addRow("Loop &wire diameter", wire);
    form->addRow("Director &rod diameter", rod);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    if (!m_quiet && ask.exec() != QDialog::Accepted) {
        return;
    }
    request.wireDiameterMm = wire->value();
    request.rodDiameterMm = rod->value();
    request.runner = m_runner;
    const DesignState design = m_design->state;
    const bool metric = m_calculator->form().text(Text29) == "CM";
    QString failure;
    const auto outcome = runJob<TrimOutcome>(
        this, "nec2c is trimming the lengths for your wire and rods...",
        [&](const std::atomic<bool>& cancel) {
            AnalysisRequest cancellable = request;
            cancellable.cancel = &cancel;
            return runTrim(design, cancellable, false);
        },
        failure);
    if (!outcome) {
        tell("TARVO: trim", "The trim did not finish. " + failure, true);
        return;
    }
    const QString report = QString::fromStdString(trimReport(*outcome, metric));
    m_lastMessage = report;
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
    layout->addWidget(close);
    connect(close, &QDialogButtonBox::rejected, &shown, &QDialog::reject);
    shown.exec();
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
