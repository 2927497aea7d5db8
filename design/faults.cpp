// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/faults.h"

#include "design/echo.h"

namespace tarvo {
namespace {

std::string plainWords(FaultKind kind) {
    switch (kind) {
    case FaultKind::Conversion:
        return "The text is not a number.";
    case FaultKind::DivisionByZero:
        return "Division by zero.";
    case FaultKind::Overflow:
        return "Overflow: the number is too large.";
    case FaultKind::InvalidOperation:
        return "Invalid operation: the result is not a number.";
    case FaultKind::OutOfRange:
        return "The number is out of range.";
    }
    return "Unknown fault.";
}

std::string conversionMessage(Control box, std::string_view text) {
    if (box == Control::Text17) {
        return "The frequency is not a number: \"" + echoOf(text) + "\".";
    }
    return "The text \"" + echoOf(text) + "\" in " + std::string(nameOf(box)) + " is not a number.";
}

} // namespace

std::string_view keyOf(FaultKind kind) {
    switch (kind) {
    case FaultKind::Conversion:
        return "conversion";
    case FaultKind::DivisionByZero:
        return "division-by-zero";
    case FaultKind::Overflow:
        return "overflow";
    case FaultKind::InvalidOperation:
        return "invalid-operation";
    case FaultKind::OutOfRange:
        return "out-of-range";
    }
    return "unknown";
}

ConversionFault::ConversionFault(std::string_view text)
    : Fault(FaultKind::Conversion, "The text \"" + echoOf(text) + "\" is not a number.") {}

ConversionFault::ConversionFault(Control box, std::string_view text)
    : Fault(FaultKind::Conversion, conversionMessage(box, text)) {}

ArithmeticFault::ArithmeticFault(FaultKind kind)
    : Fault(kind, plainWords(kind)) {}

ArithmeticFault::ArithmeticFault(FaultKind kind, const std::string& message)
    : Fault(kind, message) {}

ArithmeticFault ArithmeticFault::boxOverflow(Control box, std::string_view text) {
    return ArithmeticFault(FaultKind::Overflow, "Overflow: the number " + echoOf(text) +
                                                    " does not fit into " +
                                                    std::string(nameOf(box)) + ".");
}

RangeFault::RangeFault(const std::string& message)
    : Fault(FaultKind::OutOfRange, message) {}

} // namespace tarvo
