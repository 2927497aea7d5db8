// SPDX-License-Identifier: GPL-3.0-or-later
// The checks of the design arithmetic: every assignment and every shown value is checked for
// division by zero, overflow and invalid operation once its arithmetic is done.
//
// Two ways tell the same faults at the same steps, chosen when the engine is built:
// - the IEEE exception flags of the double-precision arithmetic that produced the value, where
//   the target has them (the fast way);
// - checked operations: each operation of an expression looks at its operands and its result and
//   notes the fault the flag would have recorded. This works on every target, WebAssembly
//   included, which has no exception flags. TARVO_CHECKED_ARITHMETIC=1 chooses it; a target
//   without the flags gets it always.
#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <type_traits>

#if defined(FE_DIVBYZERO) && defined(FE_INVALID) && defined(FE_OVERFLOW) && !defined(__EMSCRIPTEN__)
#define TARVO_HAS_ARITHMETIC_FLAGS 1
#else
#define TARVO_HAS_ARITHMETIC_FLAGS 0
#endif

#if !defined(TARVO_CHECKED_ARITHMETIC) || !TARVO_HAS_ARITHMETIC_FLAGS
#undef TARVO_CHECKED_ARITHMETIC
#define TARVO_CHECKED_ARITHMETIC (!TARVO_HAS_ARITHMETIC_FLAGS)
#endif

namespace tarvo {

/// The faults an expression has met, as bits.
namespace arithmetic_fault {
inline constexpr unsigned divisionByZero = 1;
inline constexpr unsigned invalid = 2;
inline constexpr unsigned overflow = 4;
} // namespace arithmetic_fault

/// Throws ArithmeticFault for a division by zero, an invalid operation or an overflow among
/// `faults`, in that order of precedence; returns when there is none.
void throwForFaults(unsigned faults);

#if TARVO_HAS_ARITHMETIC_FLAGS
/// Clears the floating-point exception flags.
void clearArithmeticFlags();
/// The faults flagged since the last clear.
unsigned flaggedFaults();
#endif

/// A double that carries the faults met in computing it. Each operation is the IEEE operation
/// itself; what it notes is what its exception flag would record: an invalid operation where a
/// result is not a number while no operand is one (0 / 0, inf - inf, 0 x inf), a division by
/// zero where a finite non-zero number is divided by zero, an overflow where finite operands give
/// an infinite result. An operand that is already infinite or not a number is no new fault, as
/// with the flags.
class CheckedDouble {
public:
    // Implicit, so that constants and singles join an expression as they do as doubles.
    constexpr CheckedDouble(double value) // NOLINT(google-explicit-constructor)
        : m_value(value) {}

    constexpr double value() const { return m_value; }
    constexpr unsigned faults() const { return m_faults; }

    friend CheckedDouble operator+(CheckedDouble a, CheckedDouble b) {
        return result(a, b, a.m_value + b.m_value, 0);
    }
    friend CheckedDouble operator-(CheckedDouble a, CheckedDouble b) {
        return result(a, b, a.m_value - b.m_value, 0);
    }
    friend CheckedDouble operator*(CheckedDouble a, CheckedDouble b) {
        return result(a, b, a.m_value * b.m_value, 0);
    }
    friend CheckedDouble operator/(CheckedDouble a, CheckedDouble b) {
        const bool byZero = b.m_value == 0 && a.m_value != 0 && std::isfinite(a.m_value);
        return result(a, b, a.m_value / b.m_value, byZero ? arithmetic_fault::divisionByZero : 0);
    }
    CheckedDouble& operator+=(CheckedDouble b) { return *this = *this + b; }

    /// The value rounded to single as a store rounds it, with the faults so far and an overflow
    /// where a finite double is too large for a single.
    struct Single {
        float value;
        unsigned faults;
    };
    Single toSingle() const {
        const auto single = static_cast<float>(m_value);
        const bool overflow = std::isinf(single) && std::isfinite(m_value);
        return {single, m_faults | (overflow ? arithmetic_fault::overflow : 0U)};
    }

private:
    static CheckedDouble result(CheckedDouble a, CheckedDouble b, double value, unsigned fault) {
        CheckedDouble r(value);
        r.m_faults = a.m_faults | b.m_faults | fault;
        if (!std::isnan(a.m_value) && !std::isnan(b.m_value)) {
            if (std::isnan(value)) {
                r.m_faults |= arithmetic_fault::invalid;
            } else if (std::isinf(value) && std::isfinite(a.m_value) && std::isfinite(b.m_value) &&
                       fault == 0) {
                r.m_faults |= arithmetic_fault::overflow;
            }
        }
        return r;
    }

    double m_value;
    unsigned m_faults{};
};

/// The double of the design arithmetic as this build checks it: every expression of a step is
/// written in it, starting from a Real operand, so that each of its operations is checked.
#if TARVO_CHECKED_ARITHMETIC
using Real = CheckedDouble;
#else
using Real = double;
#endif

/// Evaluates `expression` in double precision, stores it into the single `target` and only then
/// checks: after a fault the variable holds the infinity or not-a-number it was given.
template <class Expression> void assign(float& target, Expression&& expression) {
    static_assert(std::is_same_v<decltype(expression()), Real>,
                  "a design expression is written in Real, so each operation is checked");
#if TARVO_CHECKED_ARITHMETIC
    const CheckedDouble::Single stored = expression().toSingle();
    target = stored.value;
    throwForFaults(stored.faults);
#else
    clearArithmeticFlags();
    target = static_cast<float>(expression());
    throwForFaults(flaggedFaults());
#endif
}

/// Evaluates a value to be shown and checks it before any rounding to single, so a value that
/// overflows only in that rounding shows as an infinity.
template <class Expression> double evaluate(Expression&& expression) {
    static_assert(std::is_same_v<decltype(expression()), Real>,
                  "a design expression is written in Real, so each operation is checked");
#if TARVO_CHECKED_ARITHMETIC
    const CheckedDouble value = expression();
    throwForFaults(value.faults());
    return value.value();
#else
    clearArithmeticFlags();
    // The volatile store keeps the arithmetic ahead of the flag test.
    const volatile double value = expression();
    throwForFaults(flaggedFaults());
    return value;
#endif
}

} // namespace tarvo
