// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/box_text.h"

#include "design/faults.h"
#include "design/number_text.h"

namespace tarvo {

std::optional<std::string> cutNumberText(std::string_view text, std::size_t limit,
                                         std::string_view separator) {
    if (limit == 0 || text.size() <= limit) {
        return std::string(text);
    }
    const auto point = separator.empty() ? std::string_view::npos : text.find(separator);
    const bool hasExponent = text.find_first_of("Ee") != std::string_view::npos;
    if (point == std::string_view::npos || hasExponent || point > limit) {
        return std::nullopt;
    }
    // A cut inside a separator of several bytes drops the whole separator.
    const std::size_t keep = limit < point + separator.size() ? point : limit;
    return std::string(text.substr(0, keep));
}

void showNumberText(Form& form, Control box, std::string_view text) {
    const auto cut = cutNumberText(text, limitOf(box), form.decimalSeparator());
    if (!cut) {
        throw ArithmeticFault::boxOverflow(box, text);
    }
    form.setText(box, *cut);
}

void showSingle(Form& form, Control box, float value) {
    showNumberText(form, box, singleToText(value, form.decimalSeparator()));
}

void showDouble(Form& form, Control box, double value) {
    showNumberText(form, box, doubleToText(value, form.decimalSeparator()));
}

namespace {

/// A box's number; a ConversionFault names the box and its text.
template <class Parse> auto readNumber(const Form& form, Control box, Parse parse) {
    const std::string text = form.text(box);
    try {
        return parse(text, form.decimalSeparator());
    } catch (const ConversionFault&) {
        throw ConversionFault(box, text);
    }
}

} // namespace

float readSingle(const Form& form, Control box) {
    return readNumber(form, box, textToSingle);
}

double readDouble(const Form& form, Control box) {
    return readNumber(form, box, textToDouble);
}

} // namespace tarvo
