// SPDX-License-Identifier: GPL-3.0-or-later
// The same event scripts on the real window and on the in-memory window give the same dumps.
#include "mainwindow/main_window.h"
#include "replay/memory_window.h"
#include "replay/script.h"
#include "window_target.h"

#include <QApplication>
#include <QTest>
#include <sstream>

namespace tarvo {

class CrossCheckTest : public QObject {
    Q_OBJECT

private slots:
    void sameDumps_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("worked example and metric")
            << "type 144\nclick Option2\nselect List1 1\nclick Command1\ndump\n"
               "click Command4\ndump\n";
        QTest::newRow("start-up faults") << "click Command1\ndump\ntype abc\nclick Command1\n"
                                            "type -5\nclick Command1\ndump\n";
        QTest::newRow("millimetres then inches again")
            << "type 145\nclick Option2\nselect List2 25\nclick Command1\ndump\n"
               "select List2 51\nselect List1 2\nclick Command1\ndump\n";
        QTest::newRow("non-metallic after a diameter")
            << "click Option2\nselect List1 1 3/4\nclick Option1\ntype 432\nclick Command1\n"
               "dump\nclick Command1\ndump\nclick Option2\nclick Command1\ndump\n";
        QTest::newRow("metric before compute")
            << "click Command4\ndump\nclick Option1\nclick Command4\ndump\n";
        QTest::newRow("odd numbers") << "type  1.2963E3 \nclick Command1\ndump\ntype 0.001\n"
                                        "click Command1\ndump\ntype 1e-36\nclick Command1\n"
                                        "dump\ntype 144.\nclick Command1\ndump\n";
    }

    void sameDumps() {
        QFETCH(QString, script);
        const auto events = parseScript(script.toStdString());

        MemoryWindow memory;
        std::ostringstream expected;
        runScript(events, memory, expected);

        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        test::WindowTarget target(window);
        std::ostringstream actual;
        runScript(events, target, actual);

        const QStringList want = QString::fromStdString(expected.str()).split('\n');
        const QStringList got = QString::fromStdString(actual.str()).split('\n');
        QCOMPARE(got.size(), want.size());
        for (qsizetype i = 0; i < want.size(); ++i) {
            QCOMPARE(got[i], want[i]);
        }
    }
};

} // namespace tarvo

QTEST_MAIN(tarvo::CrossCheckTest)
#include "cross_check_test.moc"
