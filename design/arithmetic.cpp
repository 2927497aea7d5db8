// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/arithmetic.h"

#include "design/faults.h"

#include <cfenv>
#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#endif

namespace tarvo {
namespace {

/// Division by zero first, then an invalid operation, then an overflow.
void throwForFlags(bool divisionByZero, bool invalid, bool overflow) {
    if (divisionByZero) {
        throw ArithmeticFault(FaultKind::DivisionByZero);
    }
    if (invalid) {
        throw ArithmeticFault(FaultKind::InvalidOperation);
    }
    if (overflow) {
        throw ArithmeticFault(FaultKind::Overflow);
    }
}

} // namespace

#if defined(__x86_64__) && defined(__SSE2__)
// On x86-64 every float and double operation of the engine runs on SSE, whose flags live in
// MXCSR alone. Reading and writing it directly takes a few cycles; the C library's
// feclearexcept also saves and reloads the whole x87 environment, a quarter of a script's time.
void clearArithmeticFlags() {
    _mm_setcsr(_mm_getcsr() & ~0x3FU);
}

void checkArithmeticFlags() {
    const unsigned raised = _mm_getcsr();
    throwForFlags((raised & 0x04U) != 0, (raised & 0x01U) != 0, (raised & 0x08U) != 0);
}
#else
void clearArithmeticFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

void checkArithmeticFlags() {
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    throwForFlags((raised & FE_DIVBYZERO) != 0, (raised & FE_INVALID) != 0,
                  (raised & FE_OVERFLOW) != 0);
}
#endif

} // namespace tarvo
