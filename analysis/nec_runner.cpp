// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/nec_runner.h"

#include "analysis/geometry.h"
#include "analysis/interrupt.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tarvo::analysis {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string systemError(int error) {
    return std::strerror(error);
}

/// The folder for temporary files, as TMPDIR names it, or a message saying why it cannot be used.
fs::path temporaryRoot() {
    const char* named = std::getenv("TMPDIR");
    std::error_code error;
    const fs::path root = fs::temp_directory_path(error);
    if (error) {
        throw AnalysisError::quoting("cannot use the temporary folder " +
                                     std::string(named != nullptr ? named : "/tmp") +
                                     " (TMPDIR): " + error.message());
    }
    return root;
}

/// nec2c does not check its writes: in a full temporary folder its output just stops, and would
/// read as a truncated report. A folder with less than `needed` bytes free says what really
/// happens: before nec2c starts, room for a report (a megabyte); after it, any room at all.
void requireRoomLeft(const fs::path& folder, std::uintmax_t needed) {
    struct statvfs room {};
    if (::statvfs(folder.c_str(), &room) != 0) {
        return;
    }
    const std::uintmax_t free = std::uintmax_t{room.f_bavail} * room.f_frsize;
    if (free < needed) {
        throw AnalysisError::quoting(
            "the temporary folder " + folder.parent_path().string() +
            " (TMPDIR) is full: " + std::to_string(free >> 10) +
            " kB free, too little for nec2c's output; free some space there or "
            "name another folder in TMPDIR");
    }
}

/// A folder of our own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder() {
        const fs::path root = temporaryRoot();
        std::string pattern = root / "tarvo-nec-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            throw AnalysisError::quoting("cannot make a temporary folder in " + root.string() +
                                         ": " + systemError(errno));
        }
        m_path = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

/// A descriptor closed on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd;
};

/// nec2c in a process group of its own; unless it was reaped, the whole group is killed and
/// reaped when this goes, so no nec2c outlives an error, a timeout or a signal.
class ChildGroup {
public:
    explicit ChildGroup(pid_t pid)
        : m_pid(pid) {}
    ~ChildGroup() {
        if (m_pid > 0) {
            ::kill(-m_pid, SIGKILL);
            int status = 0;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    ChildGroup(const ChildGroup&) = delete;
    ChildGroup& operator=(const ChildGroup&) = delete;
    pid_t pid() const { return m_pid; }
    /// The exit status once the child ended, without waiting.
    bool reaped(int& status) {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            // Anything it left running in its group goes with it.
            ::kill(-m_pid, SIGKILL);
            m_pid = 0;
            return true;
        }
        return false;
    }

private:
    pid_t m_pid;
};

/// What nec2c said on its terminal streams: only the last few kilobytes are kept.
class Tail {
public:
    void append(const char* data, std::size_t count) {
        m_text.append(data, count);
        if (m_text.size() > 2 * keep) {
            m_text.erase(0, m_text.size() - keep);
        }
    }
    /// The last lines, at most 400 characters, starting at a line's beginning where one fits.
    std::string lastLines() const {
        std::string said = m_text;
        while (!said.empty() && (said.back() == '\n' || said.back() == ' ')) {
            said.pop_back();
        }
        if (said.size() > 400) {
            said = said.substr(said.size() - 400);
            const auto line = said.find('\n');
            if (line != std::string::npos && line + 1 < said.size()) {
                said = said.substr(line + 1);
            }
        }
        return said;
    }

private:
    static constexpr std::size_t keep = 4096;
    std::string m_text;
};

void drain(int fd, Tail& tail) {
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            tail.append(buffer.data(), static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return; // end of stream, or nothing more for now
    }
}

std::uintmax_t sizeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uintmax_t>(info.st_size) : 0;
}

std::string readFile(const fs::path& path, std::size_t limit) {
    if (sizeOf(path) > limit) {
        throw AnalysisError("nec2c's output is over " + std::to_string(limit >> 20) +
                            " MB; it was refused");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw AnalysisError("nec2c left no output");
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        throw AnalysisError("cannot read nec2c's output");
    }
    return content.str();
}

std::string signalName(int signal) {
    const char* abbreviation = signalAbbreviation(signal);
    const char* description = strsignal(signal);
    return std::string("SIG") + (abbreviation != nullptr ? abbreviation : "?") +
           (description != nullptr ? std::string(" (") + description + ")" : std::string());
}

std::string seconds(std::chrono::milliseconds duration) {
    std::ostringstream text;
    text << static_cast<double>(duration.count()) / 1000.0;
    return text.str();
}

pid_t spawnNec2c(const std::string& program, const fs::path& input, const fs::path& output,
                 int messagesFd) {
    std::string name = "nec2c";
    std::string inputArgument = "-i" + input.string();
    std::string outputArgument = "-o" + output.string();
    std::vector<char*> arguments{name.data(), inputArgument.data(), outputArgument.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, messagesFd, 1);
    posix_spawn_file_actions_adddup2(&actions, messagesFd, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that ending it ends whatever it started; the signals we note or
    // ignore are its defaults again.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        sigaddset(&defaults, signal);
    }
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETSIGMASK);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        throw AnalysisError::quoting("cannot start " + program + ": " + systemError(spawned));
    }
    return child;
}

} // namespace

std::string findNec2c() {
    const char* path = std::getenv("PATH");
    const std::string search = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= search.size()) {
        const auto end = std::min(search.find(':', start), search.size());
        const std::string folder = search.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) {
            continue;
        }
        const std::string candidate = folder + "/nec2c";
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::string runNec2c(const std::string& deck, const NecLimits& limits) {
    throwIfInterrupted();
    const auto throwIfCancelled = [&limits] {
        if (limits.cancel != nullptr && limits.cancel->load()) {
            throw Cancelled();
        }
    };
    throwIfCancelled();
    const std::string program = findNec2c();
    if (program.empty()) {
        throw AnalysisError("nec2c is not installed: install the Debian package nec2c "
                            "(apt install nec2c)");
    }
    const TemporaryFolder folder;
    requireRoomLeft(folder.path(), std::uintmax_t{1} << 20);
    const auto input = folder.path() / "design.nec";
    const auto output = folder.path() / "design.out";
    {
        std::ofstream file(input, std::ios::binary);
        file << deck;
        file.close();
        if (!file) {
            throw AnalysisError::quoting("cannot write the NEC deck into " +
                                         folder.path().string());
        }
    }

    std::array<int, 2> pipeEnds{};
    if (::pipe2(pipeEnds.data(), O_CLOEXEC) != 0) {
        throw AnalysisError("cannot make a pipe for nec2c: " + systemError(errno));
    }
    Descriptor reading(pipeEnds[0]);
    Descriptor writing(pipeEnds[1]);
    ::fcntl(reading.get(), F_SETFL, O_NONBLOCK);
    ChildGroup child(spawnNec2c(program, input, output, writing.get()));
    writing.reset();
    // Woken at once when nec2c ends; without pidfd (older kernels, other systems) the short poll
    // finds it.
#ifdef SYS_pidfd_open
    Descriptor exited(static_cast<int>(::syscall(SYS_pidfd_open, child.pid(), 0)));
#else
    Descriptor exited(-1);
#endif

    const auto deadline = Clock::now() + limits.timeout;
    Tail said;
    int status = 0;
    while (!child.reaped(status)) {
        throwIfInterrupted();
        throwIfCancelled();
        if (Clock::now() >= deadline) {
            throw AnalysisError("nec2c did not finish within " + seconds(limits.timeout) +
                                " s (--nec-timeout); it was stopped");
        }
        if (sizeOf(output) > limits.maxOutputBytes) {
            throw AnalysisError("nec2c's output is over " +
                                std::to_string(limits.maxOutputBytes >> 20) +
                                " MB; it was refused and nec2c stopped");
        }
        std::array<pollfd, 2> watched{{{reading.get(), POLLIN, 0}, {exited.get(), POLLIN, 0}}};
        ::poll(watched.data(), exited.get() >= 0 ? 2 : 1, exited.get() >= 0 ? 50 : 5);
        drain(reading.get(), said);
    }
    drain(reading.get(), said);
    requireRoomLeft(folder.path(), 1);
    const std::string lastLines = said.lastLines();
    const std::string tail = lastLines.empty() ? std::string(".") : ": " + lastLines;
    if (WIFSIGNALED(status)) {
        throw AnalysisError::quoting("nec2c was ended by signal " + signalName(WTERMSIG(status)) +
                                     tail);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw AnalysisError::quoting("nec2c failed (exit status " +
                                     std::to_string(WEXITSTATUS(status)) + ")" + tail);
    }
    throwIfInterrupted();
    return readFile(output, limits.maxOutputBytes);
}

} // namespace tarvo::analysis
