// SPDX-License-Identifier: GPL-3.0-or-later
// The program's top-level window: a menu bar above the calculator's 591 x 460 client area,
// which stays exactly as it is. The menus reach what tarvo-cli offers: the NEC-2 analysis, the
// trim, the workshop sheet and the exports.
#pragma once

#include "analysiswindow/analysis_window.h"
#include "mainwindow/boom_study_dialog.h"
#include "mainwindow/long_boom_dialog.h"
#include "mainwindow/main_window.h"
#include "workshop/display_list.h"
#include "workshop/feedline.h"
#include "workshop/sheet.h"

#include <QMainWindow>
#include <atomic>
#include <functional>
#include <optional>

class QAction;
class QPrinter;
class QToolButton;

namespace tarvo {

class DesktopWindow final : public QMainWindow {
    Q_OBJECT

public:
    /// Asks where to save: title, suggested name, filters; gives the path (empty: cancelled)
    /// and the filter chosen. The default is the platform's file dialog, which asks before an
    /// existing file is replaced.
    using SaveChooser = std::function<QString(const QString& title, const QString& name,
                                              const QString& filters, QString* chosenFilter)>;
    /// Shows the sheet before printing; the default is a print preview on the default printer.
    using SheetPrinter = std::function<void(const workshop::DisplayList& sheet)>;

    explicit DesktopWindow(QWidget* parent = nullptr);
    ~DesktopWindow() override;

    MainWindow& calculator() { return *m_calculator; }
    AnalysisWindow& analysisWindow();
    QAction* action(const QString& objectName) const;

    /// The builder's plan: the design of the last COMPUTE and what was chosen for it, if there
    /// was a COMPUTE.
    const std::optional<Plan>& plan() const { return m_plan; }
    /// Design > Longer boom...'s dialog, once opened.
    LongBoomDialog* longBoomDialog() const { return m_longBoom; }
    /// Design > Boom study... for 6 to `upTo` directors, with progress and Cancel; its
    /// dialog then shows the table and the plot. False when it did not finish (lastMessage()
    /// says why).
    bool studyBoom(int upTo);
    BoomStudyDialog* boomStudyDialog() const { return m_boomStudy; }

    void setSaveChooser(SaveChooser chooser) { m_chooseSave = std::move(chooser); }
    /// Asks which file to open: title and filters; gives the path (empty: cancelled). The
    /// default is the platform's file dialog.
    using OpenChooser = std::function<QString(const QString& title, const QString& filters)>;
    void setOpenChooser(OpenChooser chooser) { m_chooseOpen = std::move(chooser); }
    /// File > Compare with a measurement... with the file chosen: reads it, keeps it in the
    /// plan until the analysis window closes, and compares it there. False when the file is
    /// refused (lastMessage() says why, with its line) or there is no design yet.
    /// The feed line is the one of the last measurement, as the builder confirms or changes it
    /// (remembered between sessions; in quiet mode taken as remembered).
    bool compareWithMeasurement(const QString& path);
    void setSheetPrinter(SheetPrinter printer) { m_printSheet = std::move(printer); }
    /// Instead of nec2c, for every job the menus start: what the tests replay.
    void setRunner(analysis::NecRunner runner);
    /// What the last job said when it failed or was refused; tests read it.
    const QString& lastMessage() const { return m_lastMessage; }
    /// The last trim's lengths replace the design's in the plan, until the next COMPUTE: what
    /// the trim report's "Use trimmed lengths" does. False when there is no such trim of this
    /// design.
    bool useTrimmedLengths();
    /// Tests: messages and reports are kept in lastMessage(), not shown in boxes.
    void setQuiet(bool quiet) { m_quiet = quiet; }
    /// What the window says of its plan in its title: whether the outputs build trimmed lengths.
    QString planTitle() const;
    /// Where the next save dialog opens: the folder last saved to, else the user's documents.
    static QString startFolder();

protected:
    /// The window's shortcuts before a text box's own keys (Ctrl+E is the end of the line there).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    bool askFeedLine(std::optional<workshop::FeedLine>& line);
    void designComputed();
    void designFailed();
    /// Materials and analysis options chosen in the analysis window.
    void planEdited(const Plan& edited);
    void printSheet();
    /// A name whose extension was added here, after the file dialog asked about the name it
    /// saw, replaces an existing file only when the builder says so.
    bool mayReplace(const QString& path);
    void saveSheet();
    void exportDesign();
    void trim();
    /// Design > Longer boom...: the dialog beside the calculator, for the plan's directors.
    void longBoom();
    /// The builder chose how many directors the plan builds.
    void directorsChosen(int directors);
    void about();
    /// The sheet of the last COMPUTE: analysis and tolerances on a thread, a progress dialog
    /// with Cancel meanwhile. Empty when cancelled or failed (the reason is shown).
    std::optional<workshop::DisplayList> sheet();
    void tell(const QString& title, const QString& message, bool failure);
    /// The plan changed in what its outputs build: the title says so.
    void showPlan();

    MainWindow* m_calculator;
    QToolButton* m_warning{}; ///< the boom-range warning of the design, at the menu bar's end
    AnalysisWindow* m_analysis{};
    LongBoomDialog* m_longBoom{};
    BoomStudyDialog* m_boomStudy{};
    std::optional<Plan> m_studyPlan; ///< the plan the study shown is of
    bool studyStillHolds();
    std::optional<Plan> m_plan;
    std::optional<Plan>
        m_trimmedPlan; ///< the plan with the last trim's lengths, if they met the limits
    std::vector<QAction*> m_designActions;
    /// The sheet of one plan, computed once for preview, print and save alike.
    std::optional<std::pair<Plan, workshop::SheetContent>> m_sheet;
    /// The plan before a COMPUTE that stopped on a fault: its materials, options and directors
    /// carry over to the next COMPUTE that succeeds.
    std::optional<Plan> m_stalePlan;
    SaveChooser m_chooseSave;
    OpenChooser m_chooseOpen;
    SheetPrinter m_printSheet;
    analysis::NecRunner m_runner;
    QString m_lastMessage;
    bool m_quiet{}; ///< tests: messages are kept, not shown in boxes
};

} // namespace tarvo
