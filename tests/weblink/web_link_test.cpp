// WEBSITE and the web link window: one instance, the link handed to the browser, the hand cursor.
#include "mainwindow/main_window.h"
#include "weblink/web_link_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace tarvo {

/// Stands in for the desktop's browser: records every address it is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QStringList opened;

public slots:
    void open(const QUrl& url) { opened << url.toString(); }
};

class WebLinkTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_main;
    UrlRecorder m_browser;

    QWidget* clickWebsite() {
        QTest::mouseClick(m_main->control(Control::Command2), Qt::LeftButton);
        return QApplication::topLevelWidgets().isEmpty() ? nullptr : webWindow();
    }
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
        m_browser.opened.clear();
        QDesktopServices::setUrlHandler("https", &m_browser, "open");
    }
    void cleanup() {
        QDesktopServices::unsetUrlHandler("https");
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

    void theLinkOpensTheAddressWithAClosingSlash() {
        QWidget* web = clickWebsite();
        auto* link = web->findChild<QLabel*>("lblWebPage");
        QCOMPARE(link->text().toStdString(), std::string(webAddress));
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseClick(link, Qt::LeftButton);
        const QString expected = QString::fromUtf8(webAddress.data()) + "/";
        QCOMPARE(m_browser.opened, QStringList({expected, expected}));
        QVERIFY(web->isVisible());
    }

    void clicksElsewhereDoNothing() {
        QWidget* web = clickWebsite();
        QTest::mouseClick(web->findChild<QLabel*>("Label1"), Qt::LeftButton);
        QTest::mouseClick(web->findChild<QLabel*>("Label2"), Qt::LeftButton);
        QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(5, 118));
        QTest::mouseClick(web->findChild<QLabel*>("lblWebPage"), Qt::RightButton);
        QVERIFY(m_browser.opened.isEmpty());
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

    void aLinkNothingCanOpenIsReported() {
        QDesktopServices::unsetUrlHandler("https");
        QWidget* web = clickWebsite();
        QString message;
        QTimer::singleShot(0, [&message] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
            }
        });
        QTest::mouseClick(web->findChild<QLabel*>("lblWebPage"), Qt::LeftButton);
        QVERIFY2(message.contains("could not be opened"), qPrintable(message));
        QVERIFY(web->isVisible());
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
