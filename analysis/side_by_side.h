// SPDX-License-Identifier: GPL-3.0-or-later
// nec2c runs side by side, one on each core: threads where the machine has them; where it has one
// (WebAssembly without threads) the parts of a job run one after the other, in the same order,
// so every figure is the same.
#pragma once

#include <algorithm>
#include <cstddef>
#include <future>
#include <thread>

namespace tarvo::analysis {

inline std::size_t cores() {
    return std::max(1U, std::thread::hardware_concurrency());
}

/// A part of a job on a thread of its own where there are cores for it; else run when its
/// result is taken.
inline std::launch sideBySide() {
    return cores() > 1 ? std::launch::async : std::launch::deferred;
}

} // namespace tarvo::analysis
