// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/file_output.h"

#include "analysis/interrupt.h"
#include "design/echo.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace tarvo {

namespace fs = std::filesystem;

namespace {

/// Writes all of `content` to `fd`; gives 0 or the system's error. A signal the interrupt guard
/// notes breaks the write; any other is retried.
int writeAll(int fd, const std::string& content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                analysis::throwIfInterrupted();
                continue;
            }
            return errno;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return 0;
}

/// The permissions a new file gets from the umask, as any program's would.
#ifdef __EMSCRIPTEN__
// emscripten's umask is its own (all bits set), not the process's: node's is the user's.
EM_JS(int, nodeUmask, (), { return process.umask(); });
#endif

mode_t newFileMode() {
#ifdef __EMSCRIPTEN__
    const mode_t mask = static_cast<mode_t>(nodeUmask());
#else
    const mode_t mask = ::umask(0);
    ::umask(mask);
#endif
    return 0666 & ~mask;
}

} // namespace

std::string landingPath(const std::string& requested) {
    std::error_code error;
    fs::path path = fs::absolute(requested, error);
    if (error) {
        return requested;
    }
    // Links are followed as the kernel would on open, 40 at most, a dangling one to the file it
    // names: writing through it creates that file.
    for (int hop = 0; hop < 40; ++hop) {
        fs::path folder = fs::weakly_canonical(path.parent_path(), error);
        if (error) {
            folder = path.parent_path();
        }
        path = folder / path.filename();
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            break;
        }
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            break;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.lexically_normal().string();
}

void StagedFiles::fail(const File& file, int error) {
    throw FileWriteError("cannot write the " + file.what + " " + echoOf(file.requested) + ": " +
                         std::strerror(error));
}

StagedFiles::~StagedFiles() {
    for (const File& file : m_files) {
        if (!file.temporary.empty()) {
            ::unlink(file.temporary.c_str());
        }
    }
}

std::size_t StagedFiles::reserve(const std::string& path, const std::string& what) {
    File file{path, landingPath(path), what, {}, {}, false};
    struct stat status {};
    const bool exists = ::stat(file.landing.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) {
        fail(file, EISDIR);
    }
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or a pipe: nothing can be renamed over it; it is written at commit.
        if (::access(file.landing.c_str(), W_OK) != 0) {
            fail(file, errno);
        }
        m_files.push_back(std::move(file));
        return m_files.size() - 1;
    }
    std::string name = file.landing + ".tarvo-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(file, errno);
    }
    file.temporary = name;
    // A replaced file keeps its permissions; a new one gets what the umask leaves of 0666.
    file.mode = exists ? (status.st_mode & 07777) : newFileMode();
    const int error = ::fchmod(fd, file.mode) != 0 ? errno : 0;
    // Closed until filled: a run of thousands of exports stays within the descriptor limit.
    ::close(fd);
#ifdef __EMSCRIPTEN__
    // Under node a signal ends the program at once, with no chance to clean up: the folder is
    // only tried here, and the temporary file made again at commit, so that a run ended by
    // Ctrl-C leaves nothing behind.
    ::unlink(name.c_str());
    file.temporary.clear();
    file.deferred = true;
#endif
    m_files.push_back(file);
    if (error != 0) {
        fail(file, error);
    }
    return m_files.size() - 1;
}

void StagedFiles::fill(std::size_t index, const std::string& content) {
    File& file = m_files.at(index);
    file.filled = true;
    if (file.temporary.empty()) {
        file.content = content;
        return;
    }
    writeTemporary(file, content);
}

void StagedFiles::writeTemporary(const File& file, const std::string& content) {
    const int fd = ::open(file.temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        fail(file, errno);
    }
    int error = writeAll(fd, content);
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        fail(file, error);
    }
}

void StagedFiles::commit() {
    for (const File& file : m_files) {
        if (!file.filled) {
            throw FileWriteError("the " + file.what + " " + echoOf(file.requested) +
                                 " was never written");
        }
    }
    // Files whose temporary waited for the end (under node) are made and written now.
    for (File& file : m_files) {
        if (!file.deferred) {
            continue;
        }
        std::string name = file.landing + ".tarvo-XXXXXX";
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            fail(file, errno);
        }
        file.temporary = name;
        file.deferred = false;
        const int error = ::fchmod(fd, file.mode) != 0 ? errno : 0;
        ::close(fd);
        if (error != 0) {
            fail(file, error);
        }
        writeTemporary(file, file.content);
        file.content.clear();
    }
    // Targets written in place first: the ones that can still fail (a full device, a pipe
    // nobody reads), before any file is replaced.
    for (const File& file : m_files) {
        if (!file.temporary.empty()) {
            continue;
        }
        int fd = -1;
        while ((fd = ::open(file.landing.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC)) < 0 &&
               errno == EINTR) {
            analysis::throwIfInterrupted();
        }
        if (fd < 0) {
            fail(file, errno);
        }
        int error = 0;
        try {
            error = writeAll(fd, file.content);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (::close(fd) != 0 && error == 0) {
            error = errno;
        }
        if (error != 0) {
            fail(file, error);
        }
    }
    for (File& file : m_files) {
        if (file.temporary.empty()) {
            continue;
        }
        if (::rename(file.temporary.c_str(), file.landing.c_str()) != 0) {
            fail(file, errno);
        }
        file.temporary.clear();
    }
}

} // namespace tarvo
