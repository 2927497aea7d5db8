// SPDX-License-Identifier: GPL-3.0-or-later
// The web link window "web": a link that opens a web page about beam antennas in the default
// browser.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>
#include <string_view>

namespace tarvo {

/// The page the window shows and opens, written without a closing "/".
inline constexpr std::string_view webAddress = "https://www.arrl.org/antennas";

/// The web link window's one instance: created on first use or after it was closed, shown
/// without modality, brought to the front when already open.
QWidget* showWebLinkWindow();

/// The pointing-hand cursor of the link: 32 x 32, two colours, hot spot on the fingertip.
QCursor handCursor();

/// A label that reports a left-button click on itself.
class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class WebLinkWindow final : public QWidget {
    Q_OBJECT

public:
    /// Opens an address and calls the second argument with the reason when that failed.
    using Browser = std::function<void(const QString&, std::function<void(const QString&)>)>;

    explicit WebLinkWindow(QWidget* parent = nullptr);
    /// The default browser, unless a test puts a stand-in in its place.
    void setBrowser(Browser browser) { m_browser = std::move(browser); }

private:
    void openAddress();

    Browser m_browser;
};

} // namespace tarvo
