// SPDX-License-Identifier: GPL-3.0-or-later
#include "weblink/browser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvo {
namespace {

/// Waits for one xdg-open without blocking the window: woken by its pidfd, or by a short timer
/// where the kernel has none. It reaps the process however late it ends, so none is left as a
/// zombie, but reports a failure only within the watch time.
class BrowserWatch final : public QObject {
public:
    BrowserWatch(pid_t pid, std::function<void(const QString&)> failed)
        : QObject(QCoreApplication::instance())
        , m_pid(pid)
        , m_failed(std::move(failed)) {
        m_started.start();
        m_pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        if (m_pidfd >= 0) {
            m_notifier = new QSocketNotifier(m_pidfd, QSocketNotifier::Read, this);
            connect(m_notifier, &QSocketNotifier::activated, this, [this] { check(); });
        } else {
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this] { check(); });
            timer->start(100);
        }
    }
    ~BrowserWatch() override {
        delete m_notifier; // before the descriptor it watches is closed
        if (m_pidfd >= 0) {
            ::close(m_pidfd);
        }
    }
    BrowserWatch(const BrowserWatch&) = delete;
    BrowserWatch& operator=(const BrowserWatch&) = delete;

private:
    void check() {
        if (m_done) {
            return;
        }
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == 0 || (done < 0 && errno == EINTR)) {
            return;
        }
        const bool inTime = m_started.elapsed() < browserWatchMs;
        m_done = true;
        deleteLater();
        if (!inTime || done < 0) {
            return;
        }
        // The report may show a message box; this watch has done its part before it does.
        const auto failed = std::move(m_failed);
        if (WIFSIGNALED(status)) {
            failed(QString("xdg-open was ended by signal %1").arg(WTERMSIG(status)));
        } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
            failed(QString("the default browser did not start (xdg-open ended with status %1)")
                       .arg(WEXITSTATUS(status)));
        }
    }

    pid_t m_pid;
    int m_pidfd{-1};
    QSocketNotifier* m_notifier{};
    bool m_done{};
    QElapsedTimer m_started;
    std::function<void(const QString&)> m_failed;
};

} // namespace

void openInDefaultBrowser(const QString& address, std::function<void(const QString&)> failed) {
    // findExecutable skips empty PATH elements: never a program from the current folder.
    const QString program = QStandardPaths::findExecutable("xdg-open");
    if (program.isEmpty()) {
        failed("no program to open web addresses was found (xdg-open)");
        return;
    }
    QByteArray path = program.toLocal8Bit();
    QByteArray url = address.toUtf8();
    char* arguments[] = {path.data(), url.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, path.constData(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        failed(QString("xdg-open could not be started: %1").arg(std::strerror(spawned)));
        return;
    }
    new BrowserWatch(pid, std::move(failed));
}

} // namespace tarvo
