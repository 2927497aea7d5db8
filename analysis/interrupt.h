// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C, SIGTERM and SIGHUP during an analysis: the signal is noted, nec2c is ended and its
// temporary folder removed on the way out, and the front exits with 128 + the signal's number.
#pragma once

#include <stdexcept>

namespace tarvo::analysis {

/// Thrown at the next check after one of the signals arrived while an InterruptGuard was alive.
class Interrupted : public std::runtime_error {
public:
    explicit Interrupted(int signal);
    int signal() const { return m_signal; }

private:
    int m_signal;
};

/// While alive, SIGINT, SIGTERM and SIGHUP are noted instead of ending the program, and they
/// break blocking system calls (no SA_RESTART) so that a wait notices them at once.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};

/// The signal's abbreviation without "SIG" ("INT"), or nullptr for one without a name.
const char* signalAbbreviation(int signal);

/// Throws Interrupted when a signal was noted.
void throwIfInterrupted();

} // namespace tarvo::analysis
