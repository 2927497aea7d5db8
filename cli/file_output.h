// SPDX-License-Identifier: GPL-3.0-or-later
// Files that tarvo-cli writes: whole or not at all.
#pragma once

#include <stdexcept>
#include <string>

namespace tarvo {

/// A file that could not be written; the message names it and the system's reason.
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Writes `content` to a temporary file beside `path` and renames it over `path` once every byte
/// is on disk, so a reader never sees half a file and a failure leaves the old one (or none).
/// The temporary file is removed on every failure. `what` names the file in the message.
void writeWholeFile(const std::string& path, const std::string& content, const std::string& what);

} // namespace tarvo
