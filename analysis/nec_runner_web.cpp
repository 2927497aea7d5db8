// SPDX-License-Identifier: GPL-3.0-or-later
// nec2c in WebAssembly: the host (nec2c_host.js, under node or in the page's worker) makes a
// fresh nec2c instance for every deck, so no state of one run reaches the next, and hands back
// its output or why it failed. It runs in this thread: the page ends a run by ending its worker.
#include "analysis/geometry.h"
#include "analysis/interrupt.h"
#include "analysis/nec_runner.h"

#include <cstdlib>
#include <emscripten.h>
#include <memory>
#include <sstream>

namespace tarvo::analysis {
namespace {

// The host's answer: 'O' and nec2c's output, 'F' and a message to quote, or 'T' when the run
// outlived the timeout; in memory the caller frees.
EM_JS(char*, hostRunNec2c, (const char* deck, double timeoutMs, double maxOutputBytes), {
    var answer = Module['tarvoNec2c'](UTF8ToString(deck), timeoutMs, maxOutputBytes);
    var size = lengthBytesUTF8(answer) + 1;
    var memory = _malloc(size);
    if (!memory) {
        return 0;
    }
    stringToUTF8(answer, memory, size);
    return memory;
});

} // namespace

std::string findNec2c() {
    return "nec2c (WebAssembly)";
}

std::string runNec2c(const std::string& deck, const NecLimits& limits) {
    throwIfInterrupted();
    if (limits.cancel != nullptr && limits.cancel->load()) {
        throw Cancelled();
    }
    const std::unique_ptr<char, decltype(&std::free)> answer(
        hostRunNec2c(deck.c_str(), static_cast<double>(limits.timeout.count()),
                     static_cast<double>(limits.maxOutputBytes)),
        &std::free);
    if (answer == nullptr) {
        throw AnalysisError("nec2c's output did not fit in memory");
    }
    const std::string text(answer.get());
    if (text.empty() || (text.front() != 'O' && text.front() != 'F' && text.front() != 'T')) {
        throw AnalysisError("nec2c's host answered nothing readable");
    }
    if (text.front() == 'T') {
        std::ostringstream seconds;
        seconds << static_cast<double>(limits.timeout.count()) / 1000.0;
        throw AnalysisError("nec2c did not finish within " + seconds.str() +
                            " s (--nec-timeout); its output was refused");
    }
    if (text.front() == 'F') {
        throw AnalysisError::quoting(text.substr(1));
    }
    return text.substr(1);
}

} // namespace tarvo::analysis
