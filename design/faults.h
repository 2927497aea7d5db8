// SPDX-License-Identifier: GPL-3.0-or-later
// The ways a design operation fails. Each is thrown at the failing step and caught in one place
// per front, which reports it; what the operation wrote before the fault stays.
#pragma once

#include "design/controls.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarvo {

enum class FaultKind : std::uint8_t {
    Conversion,     ///< a box text that is not a number
    DivisionByZero, ///< arithmetic
    Overflow,       ///< arithmetic, or a number too long for its box
    InvalidOperation,
    OutOfRange, ///< a number the design cannot use (a frequency below 0)
};

/// The short name of a kind as the headless front prints it ("division-by-zero").
std::string_view keyOf(FaultKind kind);

class Fault : public std::runtime_error {
public:
    FaultKind kind() const { return m_kind; }

protected:
    Fault(FaultKind kind, const std::string& message)
        : std::runtime_error(message)
        , m_kind(kind) {}

private:
    FaultKind m_kind;
};

/// A box text that does not read as a number.
class ConversionFault : public Fault {
public:
    explicit ConversionFault(std::string_view text);
    ConversionFault(Control box, std::string_view text);
};

/// Division by zero, overflow or invalid operation in the design arithmetic, or a number text
/// whose magnitude does not fit its box.
class ArithmeticFault : public Fault {
public:
    explicit ArithmeticFault(FaultKind kind);
    ArithmeticFault(FaultKind kind, const std::string& message);
    /// The text of a number does not fit into the box without losing magnitude.
    static ArithmeticFault boxOverflow(Control box, std::string_view text);
};

/// A number that reads correctly but that the design cannot use.
class RangeFault : public Fault {
public:
    explicit RangeFault(const std::string& message);
};

} // namespace tarvo
