// The web link window "web": a link that opens a web page about beam antennas in the default
// browser.
#pragma once

#include <QLabel>
#include <QWidget>
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
    explicit WebLinkWindow(QWidget* parent = nullptr);

private:
    void openAddress();
};

} // namespace tarvo
