// SPDX-License-Identifier: GPL-3.0-or-later
// Files that tarvo-cli writes: whole or not at all.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo {

/// A file that could not be written; the message names it and the system's reason.
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Where a write to `path` lands: every link followed, a dangling one too (to the file it
/// names), made absolute and normal. Two outputs that land on one file would overwrite each other.
std::string landingPath(const std::string& path);

/// The files of one run, all or nothing. Each is reserved before any work: a temporary file is
/// made beside where it lands, so a missing or read-only folder is found at once. Each is filled
/// when its content stands; commit() puts them all in place once the whole run has succeeded.
/// Whatever ends the run before (an exception, a noted signal), every temporary file is removed
/// and no existing file has changed. A target that is not a plain file (a device, a pipe) is
/// written in place at commit, before the renames, so its failure too changes nothing else.
class StagedFiles {
public:
    StagedFiles() = default;
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    /// Reserves `path`; `what` names it in messages. Throws FileWriteError.
    std::size_t reserve(const std::string& path, const std::string& what);
    /// Writes the reserved file's whole content (to its temporary file). Throws FileWriteError.
    void fill(std::size_t index, const std::string& content);
    /// Puts every filled file in place. Throws FileWriteError, or analysis::Interrupted when a
    /// signal breaks the write into a pipe.
    void commit();

private:
    struct File {
        std::string requested;
        std::string landing;
        std::string what;
        std::string temporary; ///< empty for a target written in place
        std::string content;   ///< of a target written in place (or deferred), until commit
        bool filled{};
        bool deferred{}; ///< its temporary file is made at commit (under node)
        unsigned mode{}; ///< the permissions it lands with
    };
    [[noreturn]] static void fail(const File& file, int error);
    static void writeTemporary(const File& file, const std::string& content);
    std::vector<File> m_files;
};

} // namespace tarvo
