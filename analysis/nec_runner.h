// SPDX-License-Identifier: GPL-3.0-or-later
// Runs nec2c on a deck in a private temporary folder, without a shell, within bounds of time and
// size.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace tarvo::analysis {

/// The user stopped the analysis (the window's Cancel): nec2c was ended at once.
class Cancelled : public std::runtime_error {
public:
    Cancelled()
        : std::runtime_error("the analysis was cancelled") {}
};

struct NecLimits {
    std::chrono::milliseconds timeout{std::chrono::seconds(120)};
    std::size_t maxOutputBytes{std::size_t{256} << 20};
    /// Set from another thread to end the run: nec2c's group is killed within 50 ms.
    const std::atomic<bool>* cancel{};
};

/// The `nec2c` that a search of PATH finds, empty elements skipped (they would mean the current
/// folder); empty when there is none.
std::string findNec2c();

/// nec2c's output for the deck. Throws AnalysisError when nec2c is missing (naming the package
/// to install), fails, dies from a signal, outlives the timeout or writes more than allowed;
/// nec2c's whole process group is ended and the temporary folder removed on every way out.
/// Throws Interrupted when a signal arrives under an InterruptGuard, Cancelled when `cancel`
/// is set.
std::string runNec2c(const std::string& deck, const NecLimits& limits = {});

} // namespace tarvo::analysis
