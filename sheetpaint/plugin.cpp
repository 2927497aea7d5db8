// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet painter as tarvo-cli loads it, only when a sheet is asked for: the Qt libraries it
// needs would otherwise add several milliseconds to every start of tarvo-cli. Plain C across the
// boundary, since tarvo-cli carries its own C++ run-time.
#include "sheetpaint/sheet_painter.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

extern "C" {

/// Draws the serialized list as PDF (format 0) or SVG (1) into a buffer that the caller frees
/// with tarvo_sheet_free. Returns 0, or 1 with the reason in `error`.
__attribute__((visibility("default"))) int
tarvo_sheet_render(const char* list, std::size_t listSize, int format, char** document,
                   std::size_t* documentSize, char* error, std::size_t errorSize) {
    try {
        // Fonts need an application; no display is needed, and none is used. Its arguments
        // outlive it: they are declared first.
        char name[] = "tarvo-cli";
        char platformOption[] = "-platform";
        char platform[] = "offscreen";
        char* arguments[] = {name, platformOption, platform, nullptr};
        int count = 3;
        std::optional<QGuiApplication> application;
        if (QCoreApplication::instance() == nullptr) {
            // Qt's notes about the desktop session (no runtime folder, say) are not the
            // user's concern when only a file is drawn; its errors still reach standard error.
            qInstallMessageHandler(
                [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                    if (type == QtCriticalMsg || type == QtFatalMsg) {
                        std::fprintf(stderr, "tarvo-cli: %s\n", qPrintable(text));
                    }
                });
            application.emplace(count, arguments);
        }
        const auto parsed = tarvo::workshop::parseDisplayList(std::string_view(list, listSize));
        const QByteArray bytes = tarvo::sheetpaint::renderDocument(
            parsed, format == 0 ? tarvo::sheetpaint::Format::Pdf : tarvo::sheetpaint::Format::Svg);
        *document = static_cast<char*>(std::malloc(static_cast<std::size_t>(bytes.size())));
        if (*document == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(*document, bytes.constData(), static_cast<std::size_t>(bytes.size()));
        *documentSize = static_cast<std::size_t>(bytes.size());
        return 0;
    } catch (const std::exception& failure) {
        std::strncpy(error, failure.what(), errorSize - 1);
        error[errorSize - 1] = '\0';
        return 1;
    }
}

__attribute__((visibility("default"))) void tarvo_sheet_free(char* document) {
    std::free(document);
}
}
