// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/arithmetic.h"

#include "design/faults.h"

#if TARVO_HAS_ARITHMETIC_FLAGS && defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#endif

namespace tarvo {

void throwForFaults(unsigned faults) {
    if ((faults & arithmetic_fault::divisionByZero) != 0) {
        throw ArithmeticFault(FaultKind::DivisionByZero);
    }
    if ((faults & arithmetic_fault::invalid) != 0) {
        throw ArithmeticFault(FaultKind::InvalidOperation);
    }
    if ((faults & arithmetic_fault::overflow) != 0) {
        throw ArithmeticFault(FaultKind::Overflow);
    }
}

#if TARVO_HAS_ARITHMETIC_FLAGS
#if defined(__x86_64__) && defined(__SSE2__)
// On x86-64 every float and double operation of the engine runs on SSE, whose flags live in
// MXCSR alone. Reading and writing it directly takes a few cycles; the C library's
// feclearexcept also saves and reloads the whole x87 environment, a quarter of a script's time.
void clearArithmeticFlags() {
    _mm_setcsr(_mm_getcsr() & ~0x3FU);
}

unsigned flaggedFaults() {
    const unsigned raised = _mm_getcsr();
    return ((raised & 0x04U) != 0 ? arithmetic_fault::divisionByZero : 0U) |
           ((raised & 0x01U) != 0 ? arithmetic_fault::invalid : 0U) |
           ((raised & 0x08U) != 0 ? arithmetic_fault::overflow : 0U);
}
#else
void clearArithmeticFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

unsigned flaggedFaults() {
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    return ((raised & FE_DIVBYZERO) != 0 ? arithmetic_fault::divisionByZero : 0U) |
           ((raised & FE_INVALID) != 0 ? arithmetic_fault::invalid : 0U) |
           ((raised & FE_OVERFLOW) != 0 ? arithmetic_fault::overflow : 0U);
}
#endif
#endif

} // namespace tarvo
