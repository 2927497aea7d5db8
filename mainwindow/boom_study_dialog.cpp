// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/boom_study_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace tarvo {

BoomStudyDialog::BoomStudyDialog(QWidget* parent)
    : QDialog(parent)
    , m_report(new QPlainTextEdit)
    , m_plot(new QLabel)
    , m_directors(new QSpinBox)
    , m_useRule(new QPushButton("Use the &rule's design"))
    , m_useTrimmed(new QPushButton("Use the &trimmed design")) {
    setObjectName("boomStudy");
    setWindowTitle("TARVO: boom study");
    m_report->setObjectName("studyReport");
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_report->setMinimumSize(560, 320);
    m_plot->setObjectName("studyPlot");
    m_directors->setObjectName("directors");
    m_useRule->setObjectName("useRule");
    m_useTrimmed->setObjectName("useTrimmed");

    auto* pick = new QFormLayout;
    auto* label = new QLabel("&Directors:");
    label->setBuddy(m_directors);
    pick->addRow(label, m_directors);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(m_useRule, QDialogButtonBox::ApplyRole);
    buttons->addButton(m_useTrimmed, QDialogButtonBox::ApplyRole);
    buttons->button(QDialogButtonBox::Close)->setText("&Close");
    auto* sideBySide = new QHBoxLayout;
    sideBySide->addWidget(m_report, 1);
    sideBySide->addWidget(m_plot);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sideBySide, 1);
    layout->addLayout(pick);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_directors, &QSpinBox::valueChanged, this, &BoomStudyDialog::rowPicked);
    connect(m_useRule, &QPushButton::clicked, this, [this] {
        if (const BoomStudyRow* row = pickedRow()) {
            emit ruleChosen(row->directors);
        }
    });
    connect(m_useTrimmed, &QPushButton::clicked, this, [this] {
        const BoomStudyRow* row = pickedRow();
        if (row != nullptr && row->trimMeetsLimits) {
            emit trimChosen(*row);
        }
    });
}

void BoomStudyDialog::showStudy(BoomStudy study, const std::string& separator) {
    m_study = std::move(study);
    m_report->setPlainText(QString::fromStdString(boomStudyReport(m_study, separator)));
    // The plot as tarvo-cli --plot writes it, drawn at its own size.
    QSvgRenderer svg(QByteArray::fromStdString(boomStudySvg(m_study)));
    QImage picture(svg.defaultSize(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    svg.render(&painter);
    painter.end();
    m_plot->setPixmap(QPixmap::fromImage(picture));
    if (!m_study.rows.empty()) {
        const QSignalBlocker quiet(m_directors);
        m_directors->setRange(m_study.rows.front().directors, m_study.rows.back().directors);
        m_directors->setValue(m_study.rows.back().directors);
    }
    rowPicked();
}

const BoomStudyRow* BoomStudyDialog::pickedRow() const {
    for (const BoomStudyRow& row : m_study.rows) {
        if (row.directors == m_directors->value()) {
            return &row;
        }
    }
    return nullptr;
}

void BoomStudyDialog::rowPicked() {
    const BoomStudyRow* row = pickedRow();
    m_useRule->setEnabled(row != nullptr);
    // A trim that missed a limit is the best found, not a trimmed design: not offered.
    m_useTrimmed->setEnabled(row != nullptr && row->trimMeetsLimits);
    m_useTrimmed->setToolTip(row != nullptr && !row->trimMeetsLimits
                                 ? "No lengths met the limits for this number of directors."
                                 : QString());
}

} // namespace tarvo
