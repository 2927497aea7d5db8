// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's default browser, started through xdg-open and watched long enough to know that
// it started.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace tarvo {

/// How long xdg-open is watched: a failure after this is a browser that ran and ended, not one
/// that could not start.
inline constexpr int browserWatchMs = 30000;

/// Opens `address` in the default browser. xdg-open runs in a session of its own, so that the
/// browser outlives TARVO; when it cannot be found, or ends with a failure within the watch
/// time, `failed` gets the reason (called from the event loop, or at once).
void openInDefaultBrowser(const QString& address, std::function<void(const QString&)> failed);

} // namespace tarvo
