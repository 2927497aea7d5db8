// SPDX-License-Identifier: GPL-3.0-or-later
#include "weblink/web_link_window.h"

#include "weblink/browser.h"
#include "weblink/window_font.h"

#include <QBitmap>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QShortcut>
#include <QUrl>

namespace tarvo {
namespace {

constexpr int twipsPerPixel = 15;
constexpr int pixels(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

QRect twips(int left, int top, int width, int height) {
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

/// The outline of a hand pointing up, its index fingertip at (13, 9).
QPainterPath handOutline() {
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);                     // the parts overlap: one solid hand
    hand.addRoundedRect(QRectF(10.5, 9.5, 6, 13), 3, 3);   // index finger
    hand.addRoundedRect(QRectF(16.5, 14.5, 4, 8), 2, 2);   // middle finger
    hand.addRoundedRect(QRectF(20.5, 15.5, 4, 8), 2, 2);   // ring finger
    hand.addRoundedRect(QRectF(24.5, 16.5, 4, 8), 2, 2);   // little finger
    hand.addRoundedRect(QRectF(10.5, 19.5, 18, 11), 4, 4); // palm
    QPainterPath thumb;
    thumb.moveTo(10.5, 26);
    thumb.lineTo(5.5, 20);
    thumb.quadTo(4, 17.5, 6.5, 17);
    thumb.lineTo(11, 21);
    hand.addPath(thumb);
    return hand.simplified();
}

} // namespace

QCursor handCursor() {
    constexpr int side = 32;
    const QPainterPath hand = handOutline();
    QBitmap mask(side, side);
    mask.fill(Qt::color0);
    {
        QPainter painter(&mask);
        painter.setPen(QPen(Qt::color1, 1));
        painter.setBrush(Qt::color1);
        painter.drawPath(hand);
    }
    QBitmap picture(side, side);
    picture.fill(Qt::color0); // white inside the mask
    {
        QPainter painter(&picture);
        painter.setPen(QPen(Qt::color1, 1)); // black outline
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(hand);
    }
    return QCursor(picture, mask, 13, 9);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

WebLinkWindow::WebLinkWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_browser(openInDefaultBrowser) {
    setObjectName("web");
    setWindowTitle("Web Page Link");
    setFixedSize(pixels(3315), pixels(1845));
    substituteWindowFont();
    QFont windowFont("MS Sans Serif");
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);

    auto* label1 = new QLabel("The link will be opened in your default browser.", this);
    label1->setObjectName("Label1");
    label1->setGeometry(twips(525, 75, 2265, 390));
    label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label1->setWordWrap(true);

    auto* label2 = new QLabel("Click Link Below to ", this);
    label2->setObjectName("Label2");
    label2->setGeometry(twips(450, 750, 2490, 345));
    label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    auto* link = new LinkLabel(
        QString::fromUtf8(webAddress.data(), static_cast<qsizetype>(webAddress.size())), this);
    link->setObjectName("lblWebPage");
    link->setGeometry(twips(525, 1335, 2205, 255));
    link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont linkFont = windowFont;
    linkFont.setUnderline(true);
    link->setFont(linkFont);
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    link->setPalette(palette);
    link->setCursor(handCursor());
    connect(link, &LinkLabel::clicked, this, &WebLinkWindow::openAddress);
    // A secondary window closes with Escape and Ctrl+W, as the analysis window does.
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* closeKey = new QShortcut(key, this);
        connect(closeKey, &QShortcut::activated, this, &QWidget::close);
    }
}

void WebLinkWindow::openAddress() {
    const QString address =
        QString::fromUtf8(webAddress.data(), static_cast<qsizetype>(webAddress.size())) + "/";
    const QPointer<WebLinkWindow> window(this);
    m_browser(address, [window, address](const QString& reason) {
        // The address can be selected and copied into a browser by hand.
        QMessageBox box(QMessageBox::Critical, "TARVO",
                        "The web page " + address + " could not be opened: " + reason + ".",
                        QMessageBox::Ok, window);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box.exec();
    });
}

QWidget* showWebLinkWindow() {
    // The window's one default instance; closing it deletes it, and the next use makes a new one.
    static QPointer<WebLinkWindow> instance;
    if (instance.isNull()) {
        instance = new WebLinkWindow();
        instance->setAttribute(Qt::WA_DeleteOnClose);
    }
    // Minimised, it comes back as it was, in front and active, as when it is merely behind.
    instance->setWindowState(instance->windowState() & ~Qt::WindowMinimized);
    instance->show();
    instance->raise();
    instance->activateWindow();
    return instance;
}

} // namespace tarvo
