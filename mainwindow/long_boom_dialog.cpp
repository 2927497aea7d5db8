// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/long_boom_dialog.h"

#include "plan/long_boom.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include <iomanip>
#include <sstream>

namespace tarvo {
namespace {

/// The rows as tarvo-cli prints them, in the table's columns.
QString rowsText(const Plan& plan) {
    std::ostringstream out;
    out << "LENGTHS IN " << plan.table.unit << "\n\n";
    out << std::left << std::setw(12) << "ELEMENT" << std::setw(10) << "LENGTH" << std::setw(10)
        << "SPACING"
        << "BOOM POSITION\n";
    const auto write = [&](const TableTexts::Row& row) {
        out << std::setw(12) << row.element << std::setw(10) << row.length << std::setw(10)
            << row.spacing.value_or("") << row.position << '\n';
    };
    write(plan.table.rows.back());
    for (const TableTexts::Row& row : plan.table.added) {
        write(row);
    }
    out << "\nREDUCE EACH ADDITIONAL DIRECTOR BY  " << plan.table.reduceDirector << '\n';
    out << "REDUCE EACH ADDITIONAL SPACE BY     " << plan.table.reduceSpace << '\n';
    return QString::fromStdString(out.str());
}

} // namespace

LongBoomDialog::LongBoomDialog(QWidget* parent)
    : QDialog(parent)
    , m_directors(new QSpinBox)
    , m_table(new QPlainTextEdit)
    , m_message(new QLabel)
    , m_use(new QPushButton("&Use these directors")) {
    setObjectName("longBoom");
    setWindowTitle("TARVO: longer boom");
    m_directors->setObjectName("directors");
    m_directors->setRange(fewestDirectors, mostDirectors);
    m_table->setObjectName("table");
    m_table->setReadOnly(true);
    m_table->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_table->setMinimumSize(360, 300);
    m_message->setObjectName("message");
    m_message->setWordWrap(true);
    m_use->setObjectName("use");

    auto* form = new QFormLayout;
    auto* label = new QLabel("&Directors:");
    label->setBuddy(m_directors);
    form->addRow(label, m_directors);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(m_use, QDialogButtonBox::ApplyRole);
    // Enter after typing a number uses it; closing takes Escape or Alt+C.
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText("&Close");
    close->setAutoDefault(false);
    close->setDefault(false);
    m_use->setDefault(true);
    auto* note = new QLabel("DIR 7 on by the table's rule, from the texts it shows: each director "
                            "and each spacing shorter by the REDUCE EACH ADDITIONAL values. The "
                            "analysis, the sheet and the exports then build all of them.");
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_table);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_directors, &QSpinBox::valueChanged, this, &LongBoomDialog::preview);
    connect(m_use, &QPushButton::clicked, this, [this] {
        m_picked.reset();
        emit directorsChosen(m_directors->value());
    });
    connect(m_directors, &QSpinBox::valueChanged, this, [this](int directors) {
        if (directors != m_plan.directors) {
            m_picked = directors;
        } else {
            m_picked.reset();
        }
    });
}

void LongBoomDialog::showPlan(const Plan& plan) {
    m_plan = plan;
    // The box offers only what this design can hold; the note says why no more.
    std::string why;
    const int most = mostDirectorsOf(plan, &why);
    m_limit = most < mostDirectors ? QString("At most %1: ").arg(most) + QString::fromStdString(why)
                                   : QString();
    const QSignalBlocker quiet(m_directors);
    m_directors->setRange(fewestDirectors, std::max(most, plan.directors));
    // A number picked but not yet used stays picked through CONVERT TO METRIC and COMPUTE.
    m_directors->setValue(m_picked ? std::min(*m_picked, m_directors->maximum()) : plan.directors);
    preview();
}

void LongBoomDialog::hideEvent(QHideEvent* event) {
    m_picked.reset(); // closed without Use: the next opening shows what the plan builds
    QDialog::hideEvent(event);
}

void LongBoomDialog::preview() {
    Plan extended = m_plan;
    try {
        setDirectors(extended, m_directors->value());
    } catch (const LongBoomError& error) {
        // A refused number shows no rows: none of them could be built.
        m_table->clear();
        m_message->setText(QString("Refused: ") + error.what());
        m_use->setEnabled(false);
        return;
    }
    m_table->setPlainText(rowsText(extended));
    const bool building = m_directors->value() == m_plan.directors;
    m_message->setText(building ? QString("The plan builds %1 directors.").arg(m_plan.directors)
                                : QString("The plan builds %1 directors: Use to build %2.")
                                      .arg(m_plan.directors)
                                      .arg(m_directors->value()));
    m_use->setEnabled(!building);
    if (!m_limit.isEmpty()) {
        m_message->setText(m_message->text() + '\n' + m_limit);
    }
}

} // namespace tarvo
