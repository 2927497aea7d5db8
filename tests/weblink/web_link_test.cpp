// SPDX-License-Identifier: GPL-3.0-or-later
// WEBSITE and the web link window: one instance, the link handed to the browser, the hand cursor.
#include "mainwindow/main_window.h"
#include "weblink/web_link_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

/// The address the link must open, as the page is named: not read from the program.
const QString expectedAddress = "https://www.arrl.org/antennas/";

class WebLinkTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_main;
    QStringList m_opened;

    /// WEBSITE, with a stand-in browser that records every address it is asked to open.
    QWidget* clickWebsite() {
        QTest::mouseClick(m_main->control(Control::Command2), Qt::LeftButton);
        auto* web = qobject_cast<WebLinkWindow*>(webWindow());
        if (web != nullptr) {
            web->setBrowser([this](const QString& address, auto) { m_opened << address; });
        }
        return web;
    }
    /// Closes every message box as soon as it shows, keeping the last one's text.
    struct MessageCatcher {
        QString message;
        QTimer poll;
        MessageCatcher() {
            QObject::connect(&poll, &QTimer::timeout, [this] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    message = box->text();
                    box->accept();
                }
            });
            poll.start(10);
        }
        QString wait(int ms) {
            (void)QTest::qWaitFor([this] { return !message.isEmpty(); }, ms);
            return message;
        }
    };
    static QWidget* webWindow() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == "web" && widget->isVisible()) {
                return widget;
            }
        }
        return nullptr;
    }
    static int webWindowCount() {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            count += widget->objectName() == "web" ? 1 : 0;
        }
        return count;
    }

private slots:
    void init() {
        m_main = std::make_unique<MainWindow>();
        m_main->show();
        m_opened.clear();
    }
    void cleanup() {
        if (QWidget* web = webWindow()) {
            web->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_main.reset();
    }

    void websiteTwiceGivesOneWindow() {
        QWidget* first = clickWebsite();
        QVERIFY(first != nullptr);
        QCOMPARE(first->windowTitle(), QString("Web Page Link"));
        QCOMPARE(first->size(), QSize(221, 123));
        QVERIFY(!first->isModal());
        QCOMPARE(clickWebsite(), first);
        QCOMPARE(webWindowCount(), 1);
        QVERIFY(m_main->isVisible());
    }

    void closingAndClickingAgainGivesAFreshWindow() {
        QPointer<QWidget> first = clickWebsite();
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QWidget* second = clickWebsite();
        QVERIFY(second != nullptr);
        QCOMPARE(webWindowCount(), 1);
    }

    void escapeAndCtrlWClose_data() {
        QTest::addColumn<QKeySequence>("key");
        QTest::newRow("Escape") << QKeySequence(Qt::Key_Escape);
        QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W);
    }
    void escapeAndCtrlWClose() {
        QFETCH(QKeySequence, key);
        QPointer<QWidget> web = clickWebsite();
        QVERIFY(QTest::qWaitForWindowActive(web));
        QTest::keySequence(web, key);
        QVERIFY(!web->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(web.isNull());
        QVERIFY(m_main->isVisible());
    }

    void theLinkOpensTheAddressWithAClosingSlash() {
        QWidget* web = clickWebsite();
        auto* link = web->findChild<QLabel*>("lblWebPage");
        QCOMPARE(link->text() + "/", expectedAddress);
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(m_opened, QStringList({expectedAddress, expectedAddress}));
        QVERIFY(web->isVisible());
        // A press on the link released outside it opens nothing.
        QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(5, link->height() + 20));
        QCOMPARE(m_opened.size(), 2);
    }

    void websiteBringsAMinimisedLinkWindowBack() {
        QWidget* web = clickWebsite();
        web->showMinimized();
        QVERIFY(web->isMinimized());
        QCOMPARE(clickWebsite(), web);
        QVERIFY(!web->isMinimized());
        QVERIFY(web->isVisible());
    }

    void clicksElsewhereDoNothing() {
        QWidget* web = clickWebsite();
        QTest::mouseClick(web->findChild<QLabel*>("Label1"), Qt::LeftButton);
        QTest::mouseClick(web->findChild<QLabel*>("Label2"), Qt::LeftButton);
        QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(5, 118));
        QTest::mouseClick(web->findChild<QLabel*>("lblWebPage"), Qt::RightButton);
        QVERIFY(m_opened.isEmpty());
    }

    void theLabelsFitTheirBoxes() {
        QWidget* web = clickWebsite();
        for (const char* name : {"Label1", "Label2", "lblWebPage"}) {
            auto* label = web->findChild<QLabel*>(name);
            QVERIFY2(label->heightForWidth(label->width()) <= label->height() ||
                         label->sizeHint().height() <= label->height(),
                     name);
            if (!label->wordWrap()) {
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                         name);
            }
        }
        QVERIFY(web->findChild<QLabel*>("Label1")->wordWrap());
        QVERIFY(web->findChild<QLabel*>("lblWebPage")->font().underline());
    }

    void theHandCursorPointsWithItsFingertip() {
        QWidget* web = clickWebsite();
        const QCursor cursor = web->findChild<QLabel*>("lblWebPage")->cursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(13, 9));
        QCOMPARE(cursor.bitmap().size(), QSize(32, 32));
        const QImage mask = cursor.mask().toImage();
        const QImage picture = cursor.bitmap().toImage();
        // The fingertip is drawn: the hot spot lies on the hand, and the finger rises above
        // the palm while the corners stay clear.
        QCOMPARE(mask.pixelIndex(13, 9), 1);
        QCOMPARE(mask.pixelIndex(13, 5), 0);
        QCOMPARE(mask.pixelIndex(0, 0), 0);
        QCOMPARE(mask.pixelIndex(31, 31), 0);
        QCOMPARE(picture.pixelIndex(13, 9), 1);  // black outline at the tip
        QCOMPARE(picture.pixelIndex(13, 14), 0); // white inside the finger
    }

    // The default browser through stand-ins for xdg-open first on PATH: missing, failing at
    // once, or starting a browser that keeps running.
    void aBrowserThatCannotStartIsReportedWithTheAddress() {
        const QString bin = QDir::tempPath() + "/tarvo-web-" + QString::number(getpid());
        QDir().mkpath(bin);
        const QByteArray oldPath = qgetenv("PATH");
        struct Case {
            const char* script; // nullptr: no xdg-open at all
            const char* words;  // nullptr: no message
        };
        const Case cases[] = {
            {nullptr, "no program to open web addresses was found"},
            {"exit 3", "xdg-open ended with status 3"},
            {"exit 0", nullptr},
        };
        for (const Case& c : cases) {
            const QString program = bin + "/xdg-open";
            QFile::remove(program);
            if (c.script != nullptr) {
                std::ofstream(program.toStdString()) << "#!/bin/sh\n" << c.script << "\n";
                ::chmod(program.toLocal8Bit().constData(), 0755);
            }
            qputenv("PATH", bin.toLocal8Bit());
            QTest::mouseClick(m_main->control(Control::Command2), Qt::LeftButton);
            QWidget* web = webWindow();
            MessageCatcher catcher;
            QTest::mouseClick(web->findChild<QLabel*>("lblWebPage"), Qt::LeftButton);
            const QString message = catcher.wait(c.words != nullptr ? 5000 : 500);
            qputenv("PATH", oldPath);
            if (c.words == nullptr) {
                QVERIFY2(message.isEmpty(), qPrintable(message));
                continue;
            }
            QVERIFY2(message.contains(c.words), qPrintable(message));
            QVERIFY2(message.contains(expectedAddress), qPrintable(message));
            QVERIFY(web->isVisible());
        }
        QDir(bin).removeRecursively();
    }

    // Last: it runs the application's event loop to its end.
    void theProgramRunsOnWhileTheLinkWindowIsOpen() {
        QWidget* web = clickWebsite();
        bool runningAfterMainClosed = false;
        bool timedOut = false;
        QTimer::singleShot(0, [this] { m_main->close(); });
        QTimer::singleShot(100, [&] {
            runningAfterMainClosed = web->isVisible();
            web->close();
        });
        QTimer::singleShot(5000, [&] {
            timedOut = true;
            QCoreApplication::quit();
        });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(runningAfterMainClosed);
        QVERIFY2(!timedOut, "the program did not end when its last window closed");
    }
};

} // namespace tarvo

QTEST_MAIN(tarvo::WebLinkTest)
#include "web_link_test.moc"
