// SPDX-License-Identifier: GPL-3.0-or-later
// The checks of the design arithmetic: every assignment and every shown value is checked for
// division by zero, overflow and invalid operation through the IEEE exception flags of the
// double-precision arithmetic that produced it.
#pragma once

namespace tarvo {

/// Clears the floating-point exception flags.
void clearArithmeticFlags();
/// Throws ArithmeticFault for a division by zero, an invalid operation or an overflow flagged
/// since the last clear, in that order of precedence.
void checkArithmeticFlags();

/// Evaluates `expression` in double precision, stores it into the single `target` and only then
/// checks: after a fault the variable holds the infinity or not-a-number it was given.
template <class Expression> void assign(float& target, Expression&& expression) {
    clearArithmeticFlags();
    target = static_cast<float>(expression());
    checkArithmeticFlags();
}

/// Evaluates a value to be shown and checks it before any rounding to single, so a value that
/// overflows only in that rounding shows as an infinity.
template <class Expression> double evaluate(Expression&& expression) {
    clearArithmeticFlags();
    // The volatile store keeps the arithmetic ahead of the flag test.
    const volatile double value = expression();
    checkArithmeticFlags();
    return value;
}

} // namespace tarvo
