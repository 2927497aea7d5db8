// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/file_output.h"

#include "design/echo.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvo {

namespace {

/// Writes straight into something that is not a plain file (a device, a pipe): there is
/// nothing to rename over it.
void writeInPlace(const std::string& path, const std::string& content,
                  const std::function<void(int)>& fail) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        fail(errno);
    }
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            const int error = errno;
            ::close(fd);
            fail(error);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0) {
        fail(errno);
    }
}

} // namespace

void writeWholeFile(const std::string& requested, const std::string& content,
                    const std::string& what) {
    const auto fail = [&](int error) {
        throw FileWriteError("cannot write the " + what + " " + echoOf(requested) + ": " +
                             std::strerror(error));
    };
    // A link is followed, so that the file it names is replaced and the link stays.
    std::string path = requested;
    char resolved[PATH_MAX];
    if (::realpath(requested.c_str(), resolved) != nullptr) {
        path = resolved;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        writeInPlace(path, content, fail);
        return;
    }
    std::vector<char> name(path.begin(), path.end());
    const std::string suffix = ".tarvo-XXXXXX";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(errno);
    }
    const auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(name.data());
        fail(error);
    };
    // A new file gets the permissions any file would: mkostemp's 0600 less the umask's say.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0) {
        abandon(errno);
    }
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            abandon(errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) {
        abandon(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(name.data());
        fail(error);
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(name.data());
        fail(error);
    }
}

} // namespace tarvo
