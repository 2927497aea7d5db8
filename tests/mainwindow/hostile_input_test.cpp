// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile typing and clicks in any order: the window keeps working, every fault shows exactly one
// message box, box texts keep their limits, and the window stays in step with the in-memory one.
#include "design/operations.h"
#include "mainwindow/main_window.h"
#include "replay/memory_window.h"
#include "replay/state_dump.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <random>

namespace tarvo {
namespace {

using enum Control;

/// Counts the message boxes that come up and closes each one as soon as it shows.
class MessageBoxes : public QObject {
public:
    int shown = 0;
    QString lastText;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                ++shown;
                lastText = box->text();
                QTimer::singleShot(0, box, [box] { box->done(0); });
            }
        }
        return false;
    }
};

const QStringList hostileTexts{
    "",
    "   ",
    "1e50",
    "-1e50",
    "-0",
    "nan",
    "inf",
    "144,5",
    QString::fromUtf8("\u0661\u0664\u0664"), // Arabic-Indic digits
    QString::fromUtf8("\uff11\uff14\uff14"), // full-width digits
    "0x90",
    "1e-45",
    "0.001",
    "-144",
    "1e30",
    "144",
    "432.1",
    "\t1296\t",
    QString(10000, '9'),
    QString(10000, '1').prepend("0."),
};

} // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

private:
    MainWindow* m_window = nullptr;
    MessageBoxes m_boxes;

    /// Types by pasting: a whole text at once, as a user may.
    void typeText(const QString& text) {
        auto* box = qobject_cast<QLineEdit*>(m_window->control(Text17));
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        if (!text.isEmpty()) {
            QApplication::clipboard()->setText(text);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        }
    }

    void checkLimits() {
        for (const ControlInfo& info : allControls()) {
            if (info.limit != 0) {
                QVERIFY2(m_window->form().text(info.control).size() <= info.limit,
                         info.name.data());
            }
        }
    }

private slots:
    void initTestCase() { qApp->installEventFilter(&m_boxes); }

    void init() {
        m_window = new MainWindow();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup() {
        delete m_window;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            widget->close();
        }
    }

    void hostileTextsGiveOneMessageEachOrAResult() {
        MemoryWindow memory;
        const int boxesAtStart = m_boxes.shown;
        for (const QString& text : hostileTexts) {
            typeText(text);
            memory.type(text.toStdString());
            QCOMPARE(m_window->form().text(Text17), text.toStdString());
            for (const Control command : {Command1, Command4}) {
                const int before = m_boxes.shown;
                QTest::mouseClick(m_window->control(command), Qt::LeftButton);
                const auto fault = memory.click(command);
                QCOMPARE(m_boxes.shown - before, fault ? 1 : 0);
                checkLimits();
                QCOMPARE(dumpState(m_window->form()), dumpState(memory.form()));
            }
        }
        qInfo("%d message boxes", m_boxes.shown - boxesAtStart);
        QVERIFY(m_boxes.shown - boxesAtStart >= 15);
    }

    void randomClicksKeepTheWindowInStep() {
        std::mt19937 random(20261208);
        MemoryWindow memory;
        const int boxesAtStart = m_boxes.shown;
        const auto pick = [&random](std::size_t count) {
            return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
        };
        const std::vector<Control> commands{Command1, Command2, Command3, Command4,
                                            Option1,  Option2,  List1,    List2};
        for (int step = 0; step < 300; ++step) {
            const int before = m_boxes.shown;
            bool expectFault = false;
            const Control control = commands[pick(commands.size() + 2) % commands.size()];
            if (pick(4) == 0) {
                const QString text = hostileTexts[static_cast<qsizetype>(
                    pick(static_cast<std::size_t>(hostileTexts.size())))];
                typeText(text);
                memory.type(text.toStdString());
            } else if (control == List1 || control == List2) {
                auto* list = qobject_cast<QListWidget*>(m_window->control(control));
                if (list->isHidden()) {
                    continue;
                }
                const auto entries = listEntries(control);
                const std::string& entry = entries[pick(entries.size())];
                auto* item = list->findItems(QString::fromStdString(entry), Qt::MatchExactly)[0];
                list->scrollToItem(item);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(item).center());
                expectFault = memory.select(control, entry).has_value();
            } else {
                QTest::mouseClick(m_window->control(control), Qt::LeftButton);
                if (control == Command3) {
                    expectFault = true; // no printer here
                } else if (control != Command2) {
                    expectFault = memory.click(control).has_value();
                }
            }
            QVERIFY2(m_boxes.shown - before == (expectFault ? 1 : 0),
                     qPrintable(QString("step %1, %2").arg(step).arg(m_boxes.lastText)));
            checkLimits();
            QCOMPARE(dumpState(m_window->form()), dumpState(memory.form()));
        }

        qInfo("%d message boxes", m_boxes.shown - boxesAtStart);
        QVERIFY2(m_boxes.shown - boxesAtStart > 30, "the walk met faults, PRINT's included");

        // Still usable: the worked example comes out as ever.
        typeText("144");
        QTest::mouseClick(m_window->control(Option1), Qt::LeftButton);
        QTest::mouseClick(m_window->control(Command1), Qt::LeftButton);
        QCOMPARE(m_window->form().text(Text9), std::string("89.35"));
        QCOMPARE(m_window->form().text(Text11), std::string("36.1405"));
    }
};

} // namespace tarvo

QTEST_MAIN(tarvo::HostileInputTest)
#include "hostile_input_test.moc"
