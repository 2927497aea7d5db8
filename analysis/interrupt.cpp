// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/interrupt.h"

#include <array>
#include <csignal>
#include <cstring>
#include <string>

namespace tarvo::analysis {
namespace {

constexpr std::array handled{SIGINT, SIGTERM, SIGHUP};

// A signal handler can only reach static storage: the one flag of the program.
volatile std::sig_atomic_t caught = 0;

extern "C" void noteSignal(int signal) {
    if (caught == 0) {
        caught = signal;
    }
}

} // namespace

const char* signalAbbreviation(int signal) {
#ifdef __GLIBC__
    return sigabbrev_np(signal);
#else
    // Elsewhere (WebAssembly) no signal reaches the program; the ones noted here keep their names.
    switch (signal) {
    case SIGINT:
        return "INT";
    case SIGTERM:
        return "TERM";
    case SIGHUP:
        return "HUP";
    default:
        return nullptr;
    }
#endif
}

Interrupted::Interrupted(int signal)
    : std::runtime_error(std::string("interrupted by SIG") +
                         (signalAbbreviation(signal) != nullptr ? signalAbbreviation(signal) : "?"))
    , m_signal(signal) {}

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal : handled) {
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        struct sigaction before {};
        sigaction(signal, nullptr, &before);
        if (before.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

InterruptGuard::~InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : handled) {
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        if (current.sa_handler == noteSignal) {
            sigaction(signal, &action, nullptr);
        }
    }
}

void throwIfInterrupted() {
    if (caught != 0) {
        throw Interrupted(caught);
    }
}

} // namespace tarvo::analysis
