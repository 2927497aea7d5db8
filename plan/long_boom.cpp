// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/long_boom.h"

#include "analysis/number_format.h"
#include "design/box_text.h"
#include "design/number_text.h"
#include "plan/trim.h"

#include <cmath>

namespace tarvo {
namespace {

constexpr std::size_t boxLimit = 7; // the length, spacing and position boxes
constexpr std::size_t dir6 = 7;     // DIR 6's row in the table

std::string name(int director) {
    return "DIR " + std::to_string(director);
}

std::string inches(double value) {
    return analysis::formatNumber("%.4g", value);
}

} // namespace

double designWavelengthInches(double frequencyMhz) {
    return 983.6 / frequencyMhz * 12;
}

std::vector<TableTexts::Row> addedRows(const TableTexts& table, int directors,
                                       std::string_view separator) {
    if (directors < fewestDirectors || directors > mostDirectors) {
        throw LongBoomError("the directors must number " + std::to_string(fewestDirectors) +
                            " to " + std::to_string(mostDirectors) + ", not " +
                            std::to_string(directors));
    }
    std::vector<TableTexts::Row> rows;
    if (directors == fewestDirectors) {
        return rows;
    }
    const TableTexts::Row& last = table.rows[dir6];
    double lastLength{};
    double reduceDirector{};
    double lastSpacing{};
    double reduceSpace{};
    double position{};
    try {
        lastLength = textToDouble(last.length, separator);
        reduceDirector = textToDouble(table.reduceDirector, separator);
        lastSpacing = textToDouble(last.spacing.value_or(""), separator);
        reduceSpace = textToDouble(table.reduceSpace, separator);
        position = textToDouble(last.position, separator);
    } catch (const std::exception&) {
        throw LongBoomError("the table shows no design to extend beyond DIR 6");
    }
    for (int k = 1; k <= directors - fewestDirectors; ++k) {
        const int director = fewestDirectors + k;
        const auto shown = [&](double value, const char* what) {
            if (!(value > 0) || !std::isfinite(value)) {
                throw LongBoomError("the rule makes " + name(director) + "'s " + what +
                                    " 0 or less: fewer directors");
            }
            const auto text = cutNumberText(doubleToText(value, separator), boxLimit, separator);
            if (!text) {
                // The table could not show it: a cut text would be a different number.
                throw LongBoomError(
                    "the rule makes " + name(director) + "'s " + what + " " +
                    analysis::withDecimalSeparator(inches(value), std::string(separator)) +
                    ", more than its box's " + std::to_string(boxLimit) + " characters can show");
            }
            return *text;
        };
        TableTexts::Row row;
        row.element = name(director);
        row.length = shown(lastLength - k * reduceDirector, "length");
        row.spacing = shown(lastSpacing - k * reduceSpace, "spacing");
        // The builder adds the spacing the table shows, as read from its box.
        position += textToDouble(*row.spacing, separator);
        row.position = shown(position, "boom position");
        rows.push_back(std::move(row));
    }
    return rows;
}

analysis::AddedDirectors addedDirectorsOf(const DesignState& design, int directors, bool metric) {
    const TableTexts texts = boxTextsOf(design, false);
    if (directors < fewestDirectors || directors > mostDirectors) {
        addedRows(texts, directors, "."); // refuses it, saying why
    }
    const double wavelength = designWavelengthInches(design.freq);
    const double shortest = shortestDirectorWavelengths * wavelength;
    const double closest = closestSpacingWavelengths * wavelength;
    analysis::AddedDirectors added;
    // Director by director, so that the first to break a minimum is named before the rule runs
    // out of length further on.
    for (int n = fewestDirectors + 1; n <= directors; ++n) {
        const TableTexts::Row row = addedRows(texts, n, ".").back();
        const analysis::AddedDirector director{textToDouble(row.length, "."),
                                               textToDouble(*row.spacing, ".")};
        const double rod = director.lengthInches - double{design.x};
        const std::string most = "; at most " + std::to_string(n - 1) + " directors at " +
                                 analysis::formatNumber("%g", design.freq) + " MHz";
        // Told in the unit of the table the builder reads: a centimetre table's row is the rule
        // on its centimetre texts, as its added rows show it.
        const auto shownRow = [&] {
            return metric ? addedRows(boxTextsOf(design, true), n, ".").back() : row;
        };
        const std::string unit = metric ? " cm" : " in";
        const auto length = [&](double valueInches) {
            return inches(metric ? valueInches * 2.54 : valueInches) + unit;
        };
        if (!(rod >= shortest)) {
            const TableTexts::Row shown = shownRow();
            throw LongBoomError(shown.element + " would be " + shown.length + unit + " long (" +
                                length(rod) + " without the boom's correction), shorter than " +
                                "0.3 wavelength (" + length(shortest) + ")" + most);
        }
        if (!(director.spacingInches >= closest)) {
            const TableTexts::Row shown = shownRow();
            throw LongBoomError(shown.element + " would stand " + *shown.spacing + unit +
                                " from the director before it, closer than 0.05 wavelength (" +
                                length(closest) + ")" + most);
        }
        added.push_back(director);
    }
    return added;
}

void setDirectors(Plan& plan, int directors) {
    analysis::AddedDirectors added;
    try {
        added = addedDirectorsOf(plan.design, directors, plan.table.metric());
    } catch (const LongBoomError& error) {
        // Its lengths are read by a person: in the user's decimal separator, as the boxes.
        throw LongBoomError(analysis::withDecimalSeparator(error.what(), plan.separator));
    }
    std::vector<TableTexts::Row> rows = addedRows(plan.table, directors, plan.separator);
    if (directors != plan.directors) {
        plan.trim.reset();
    }
    plan.directors = directors;
    plan.added = std::move(added);
    plan.table.added = std::move(rows);
}

int mostDirectorsOf(const Plan& plan, std::string* why) {
    Plan extended = plan;
    for (int n = fewestDirectors + 1; n <= mostDirectors; ++n) {
        try {
            setDirectors(extended, n);
        } catch (const LongBoomError& error) {
            if (why != nullptr) {
                *why = error.what();
            }
            return n - 1;
        }
    }
    return mostDirectors;
}

} // namespace tarvo
