// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/sheet_render.h"

#include "analysis/geometry.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace tarvo {
namespace {

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

} // namespace

std::string renderSheet(const workshop::DisplayList& list, bool pdf) {
    const std::string folder = programFolder();
    void* painter = nullptr;
    std::string tried;
    for (const std::string& candidate :
         {folder + "/libtarvo-sheet.so", folder + "/" TARVO_PLUGIN_FROM_BIN "/libtarvo-sheet.so"}) {
        painter = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (painter != nullptr) {
            break;
        }
        tried = ::dlerror();
    }
    if (painter == nullptr) {
        throw analysis::AnalysisError("the sheet painter libtarvo-sheet.so is not installed "
                                      "with tarvo-cli (" +
                                      tried + ")");
    }
    using Render = int (*)(const char*, std::size_t, int, char**, std::size_t*, char*, std::size_t);
    using Free = void (*)(char*);
    const auto render = reinterpret_cast<Render>(::dlsym(painter, "tarvo_sheet_render"));
    const auto release = reinterpret_cast<Free>(::dlsym(painter, "tarvo_sheet_free"));
    if (render == nullptr || release == nullptr) {
        throw analysis::AnalysisError("the sheet painter libtarvo-sheet.so is of another version");
    }
    const std::string serialized = workshop::serialize(list);
    char* document = nullptr;
    std::size_t size = 0;
    char error[512] = {};
    if (render(serialized.data(), serialized.size(), pdf ? 0 : 1, &document, &size, error,
               sizeof error) != 0) {
        throw analysis::AnalysisError(std::string("the sheet could not be drawn: ") + error);
    }
    std::string bytes(document, size);
    release(document);
    // The painter stays loaded: Qt's threads and handlers may outlive the call.
    return bytes;
}

} // namespace tarvo
