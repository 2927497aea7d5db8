// SPDX-License-Identifier: GPL-3.0-or-later
// The streaming script reader fed in random piece sizes: it must hand on the same lines and stop
// at the same line as when the whole script arrives at once, and no line may exceed its limit.
#include "replay/script.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Outcome {
    std::vector<std::string> lines;
    std::size_t errorLine{};
    bool failed{};
};

/// Splits `script`; piece sizes come from `sizes`, one byte each (1 ... 256), cycling.
Outcome split(std::string_view script, std::string_view sizes) {
    Outcome outcome;
    tarvo::ScriptLines lines([&outcome](std::string_view line, std::size_t number) {
        require(number == outcome.lines.size() + 1);
        require(line.size() <= tarvo::ScriptLines::maxLineBytes);
        outcome.lines.emplace_back(line);
    });
    try {
        std::size_t next = 0;
        for (std::size_t at = 0; at < script.size();) {
            const std::size_t piece =
                sizes.empty() ? script.size()
                              : static_cast<unsigned char>(sizes[next++ % sizes.size()]) + 1U;
            lines.feed(script.substr(at, piece));
            at += piece;
        }
        lines.finish();
    } catch (const tarvo::ScriptError& error) {
        outcome.failed = true;
        outcome.errorLine = error.line();
    }
    return outcome;
}

} // namespace

// The first byte says how many of the following bytes are piece sizes; the rest is the script.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t count = std::min<std::size_t>(data[0] % 16, all.size());
    const std::string_view sizes = all.substr(0, count);
    const std::string_view script = all.substr(count);
    const Outcome whole = split(script, {});
    const Outcome pieces = split(script, sizes.empty() ? std::string_view("\x00", 1) : sizes);
    require(whole.lines == pieces.lines);
    require(whole.failed == pieces.failed);
    require(whole.errorLine == pieces.errorLine);
    return 0;
}
