// SPDX-License-Identifier: GPL-3.0-or-later
// Standard output that never loses a line silently: every write is checked, the last one too.
#pragma once

#include <array>
#include <stdexcept>
#include <streambuf>
#include <string>

namespace tarvo {

/// Raised when what a front prints cannot be written; the reason is the system's.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A stream buffer on a file descriptor. A failed write leaves the stream bad and keeps the
/// system's error, so the front can say why and exit 1 rather than report success.
class CheckedOutput : public std::streambuf {
public:
    /// `closedFromStart`: the descriptor was not open when the program started; the first
    /// write fails as it would have (EBADF) instead of going to whatever took its place.
    explicit CheckedOutput(int fd, bool closedFromStart = false);
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;
    ~CheckedOutput() override;

    /// The system's words for the first failed write, or "" while nothing failed.
    std::string failure() const;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

private:
    bool drain();
    bool writeAll(const char* data, std::size_t count);

    int m_fd;
    bool m_closed;
    int m_error{};
    std::array<char, 65536> m_buffer{};
};

/// Flushes `out` and throws OutputError with the reason when anything written to it was lost.
void requireWritten(std::ostream& out, const CheckedOutput& buffer);

} // namespace tarvo
