// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/sheet_render.h"

#include "analysis/geometry.h"
#include "workshop/sheet_svg.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <limits.h>
#include <optional>
#include <unistd.h>

namespace tarvo {
namespace {

namespace fs = std::filesystem;

/// The folder tarvo-cli was started from.
std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string folder(path, static_cast<std::size_t>(length));
    return folder.substr(0, folder.rfind('/'));
}

/// The painter, loaded at most once: Qt's threads and handlers may outlive a call.
void* painterHandle() {
    static void* painter = nullptr;
    if (painter != nullptr) {
        return painter;
    }
    const std::string folder = programFolder();
    std::string missing;
    for (const std::string& candidate :
         {folder + "/libtarvo-sheet.so", folder + "/" TARVO_PLUGIN_FROM_BIN "/libtarvo-sheet.so"}) {
        painter = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (painter != nullptr) {
            return painter;
        }
        const std::string why = ::dlerror();
        if (::access(candidate.c_str(), F_OK) == 0) {
            // There, but not loadable: its own reason, not that of a place it is not.
            throw analysis::AnalysisError::quoting("the sheet painter " + candidate +
                                                   " cannot be loaded: " + why);
        }
        missing = why;
    }
    throw analysis::AnalysisError::quoting(
        "the sheet painter libtarvo-sheet.so is not installed with "
        "tarvo-cli (" +
        missing + ")");
}

/// Qt's run-time folder for one drawing: a 0700 folder of our own under TMPDIR, named in
/// XDG_RUNTIME_DIR while it stands, removed with whatever Qt put there; the variable is put back.
class RuntimeFolder {
public:
    RuntimeFolder() {
        const char* before = std::getenv("XDG_RUNTIME_DIR");
        if (before != nullptr) {
            m_before = before;
        }
        std::error_code error;
        const fs::path root = fs::temp_directory_path(error);
        if (error) {
            const char* named = std::getenv("TMPDIR");
            throw analysis::AnalysisError::quoting("cannot use the temporary folder " +
                                                   std::string(named != nullptr ? named : "/tmp") +
                                                   " (TMPDIR): " + error.message());
        }
        std::string pattern = root / "tarvo-sheet-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw analysis::AnalysisError::quoting("cannot make a temporary folder in " +
                                                   root.string() +
                                                   " (TMPDIR): " + std::strerror(errno));
        }
        m_path = pattern;
        ::setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1);
    }
    ~RuntimeFolder() {
        if (m_before) {
            ::setenv("XDG_RUNTIME_DIR", m_before->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

private:
    std::optional<std::string> m_before;
    std::string m_path;
};

} // namespace

void loadSheetPainter() {
    painterHandle();
}

std::string renderSheet(const workshop::DisplayList& list, bool pdf) {
    if (!pdf) {
        return workshop::svgDocument(list);
    }
    void* painter = painterHandle();
    using Render = int (*)(const char*, std::size_t, int, char**, std::size_t*, char*, std::size_t);
    using Free = void (*)(char*);
    const auto render = reinterpret_cast<Render>(::dlsym(painter, "tarvo_sheet_render"));
    const auto release = reinterpret_cast<Free>(::dlsym(painter, "tarvo_sheet_free"));
    if (render == nullptr || release == nullptr) {
        throw analysis::AnalysisError::quoting(
            "the sheet painter libtarvo-sheet.so is of another version");
    }
    const RuntimeFolder runtime;
    const std::string serialized = workshop::serialize(list);
    char* document = nullptr;
    std::size_t size = 0;
    char error[512] = {};
    if (render(serialized.data(), serialized.size(), 0, &document, &size, error, sizeof error) !=
        0) {
        throw analysis::AnalysisError::quoting(std::string("the sheet could not be drawn: ") +
                                               error);
    }
    std::string bytes(document, size);
    release(document);
    return bytes;
}

} // namespace tarvo
