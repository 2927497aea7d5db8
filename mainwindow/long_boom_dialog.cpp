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
    connect(m_use, &QPushButton::clicked, this,
            [this] { emit directorsChosen(m_directors->value()); });
}

void LongBoomDialog::showPlan(const Plan& plan) {
    m_plan = plan;
    const QSignalBlocker quiet(m_directors);
    m_directors->setValue(plan.directors);
    preview();
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
}

} // namespace tarvo
