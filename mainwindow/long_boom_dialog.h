// SPDX-License-Identifier: GPL-3.0-or-later
// Design > Longer boom...: the builder picks how many directors, sees DIR 7 ... DIR N as the
// table's rule gives them, beside the calculator (whose own boxes stay as they are), and lets the
// plan build them.
#pragma once

#include "plan/plan.h"

#include <QDialog>
#include <functional>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tarvo {

class LongBoomDialog final : public QDialog {
    Q_OBJECT

public:
    explicit LongBoomDialog(QWidget* parent = nullptr);

    /// The plan whose table is extended; the number shown becomes its number of directors.
    void showPlan(const Plan& plan);

signals:
    /// The builder asks the plan to build `directors` directors (the rule has allowed them).
    void directorsChosen(int directors);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void preview();

    Plan m_plan;
    QSpinBox* m_directors;
    QPlainTextEdit* m_table;
    QLabel* m_message;
    QPushButton* m_use;
    std::optional<int> m_picked; ///< a number picked and not yet used
    QString m_limit;             ///< why the box offers no more, when the design limits it
};

} // namespace tarvo
