// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/output.h"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <unistd.h>

namespace tarvo {

CheckedOutput::CheckedOutput(int fd, bool closedFromStart)
    : m_fd(fd)
    , m_closed(closedFromStart) {
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

CheckedOutput::~CheckedOutput() {
    drain();
}

std::string CheckedOutput::failure() const {
    return m_error == 0 ? std::string() : std::strerror(m_error);
}

bool CheckedOutput::writeAll(const char* data, std::size_t count) {
    if (m_closed && count > 0) {
        m_error = EBADF;
    }
    while (count > 0 && m_error == 0) {
        const ssize_t written = ::write(m_fd, data, count);
        if (written < 0) {
            if (errno != EINTR) {
                m_error = errno;
            }
            continue;
        }
        if (written == 0) {
            m_error = EIO;
            break;
        }
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return m_error == 0;
}

bool CheckedOutput::drain() {
    const auto pending = static_cast<std::size_t>(pptr() - pbase());
    const bool ok = pending == 0 ? m_error == 0 : writeAll(pbase(), pending);
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return ok;
}

CheckedOutput::int_type CheckedOutput::overflow(int_type c) {
    if (!drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize CheckedOutput::xsputn(const char* data, std::streamsize count) {
    const auto room = epptr() - pptr();
    if (count <= room) {
        std::memcpy(pptr(), data, static_cast<std::size_t>(count));
        pbump(static_cast<int>(count));
        return m_error == 0 ? count : 0;
    }
    if (!drain() || !writeAll(data, static_cast<std::size_t>(count))) {
        return 0;
    }
    return count;
}

int CheckedOutput::sync() {
    return drain() ? 0 : -1;
}

void requireWritten(std::ostream& out, const CheckedOutput& buffer) {
    out.flush();
    if (!out || !buffer.failure().empty()) {
        throw OutputError(buffer.failure().empty() ? std::string("the output stream failed")
                                                   : buffer.failure());
    }
}

} // namespace tarvo
