// SPDX-License-Identifier: GPL-3.0-or-later
// Design > Boom study...: does a longer boom pay? The study's table and plot as tarvo-cli
// --boom-study gives them, beside the calculator, and a way to take one of its designs into the
// plan: the table's rule with that many directors, or its trim where the trim met the limits.
#pragma once

#include "plan/boom_study.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tarvo {

class BoomStudyDialog final : public QDialog {
    Q_OBJECT

public:
    explicit BoomStudyDialog(QWidget* parent = nullptr);

    /// Shows a finished study of the plan's design; its numbers in `separator`.
    void showStudy(BoomStudy study, const std::string& separator);
    const BoomStudy& study() const { return m_study; }

signals:
    /// The builder takes the rule's design with `directors` directors.
    void ruleChosen(int directors);
    /// The builder takes the trimmed design of that row (its trim met the limits).
    void trimChosen(const BoomStudyRow& row);

private:
    void rowPicked();
    const BoomStudyRow* pickedRow() const;

    BoomStudy m_study;
    QPlainTextEdit* m_report;
    QLabel* m_plot;
    QSpinBox* m_directors;
    QPushButton* m_useRule;
    QPushButton* m_useTrimmed;
};

} // namespace tarvo
