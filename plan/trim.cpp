// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/trim.h"

#include "plan/analysis.h"

#include "analysis/number_format.h"
#include "design/box_text.h"
#include "design/director_length.h"
#include "design/number_text.h"

#include <cmath>
#include <iomanip>
#include <sstream>

namespace tarvo {
namespace {

using analysis::formatNumber;

constexpr double centimetresPerInch = 2.54;
constexpr std::size_t lengthLimit = 7;    // the length, spacing and position boxes
constexpr std::size_t reductionLimit = 6; // REDUCE EACH ADDITIONAL DIRECTOR BY

std::string number(double value) {
    return formatNumber("%.6g", value);
}

/// Each limit the trimmed design misses: what it reached against what is needed, the best the
/// search saw, and what the builder could change.
std::vector<std::string> unmetLimits(const analysis::Performance& p,
                                     const analysis::TrimSearch& search) {
    std::vector<std::string> unmet;
    const double f = p.design.frequencyMhz;
    const auto help = [&](analysis::TrimLimit limit) {
        const auto i = static_cast<std::size_t>(limit);
        return i < search.help.size() ? "; would help: " + search.help[i] : std::string();
    };
    if (!(p.design.frontToBackDb >= analysis::trimFrontToBackDb)) {
        unmet.push_back("F/B reached " + formatNumber("%.1f", p.design.frontToBackDb) +
                        " dB of the 20 dB needed (at most " +
                        formatNumber("%.1f", search.highestFrontToBackDb) +
                        " dB in the search, whatever else it missed)" +
                        help(analysis::TrimLimit::FrontToBack));
    }
    if (!(p.design.swr <= analysis::trimSwr)) {
        unmet.push_back("SWR reached " + formatNumber("%.2f", p.design.swr) +
                        ", 1.5 at most needed (at least " + formatNumber("%.2f", search.lowestSwr) +
                        " in the search, whatever else it missed)" +
                        help(analysis::TrimLimit::Swr));
    }
    if (p.peakGainEdge != 0 ||
        !(std::fabs(p.peakGainMhz - f) <= f * analysis::trimPeakPercent / 100)) {
        const std::string offset = p.peakGainEdge != 0
                                       ? (p.peakGainEdge < 0 ? "below " : "above ") +
                                             formatNumber("%+.2f", (p.peakGainMhz - f) / f * 100)
                                       : formatNumber("%+.2f", (p.peakGainMhz - f) / f * 100);
        unmet.push_back("the gain peaks at " +
                        analysis::frequencyText(p.peakGainMhz, p.precisionMhz) + " MHz (" + offset +
                        " %), more than 0.5 % from " + number(f) + " MHz" +
                        help(analysis::TrimLimit::Peak));
    }
    return unmet;
}

std::string figuresLine(const char* what, double before, double after, const char* format) {
    std::ostringstream line;
    line << std::left << std::setw(22) << what << std::setw(17) << formatNumber(format, before)
         << formatNumber(format, after) << '\n';
    return line.str();
}

} // namespace

TrimOutcome runTrim(const Plan& plan, const Job& job,
                    const std::function<void(const analysis::TrimProgress&)>& progress) {
    Plan untrimmed = plan;
    untrimmed.trim.reset();
    TrimOutcome outcome;
    outcome.designed = untrimmed.design;
    outcome.addedDesigned = untrimmed.added;
    outcome.material = materialOf(untrimmed);
    outcome.before = analyse(untrimmed, job);
    // A long boom is searched in the trim's own family: the spacings beyond DIR 6 held at the
    // DIR 5-DIR 6 spacing, the added directors tapered from DIR 6 (analysis/trim.h).
    Plan searched = untrimmed;
    searched.added = analysis::trimmedAdded(untrimmed.design, untrimmed.added.size(), {});
    outcome.search = analysis::searchTrim(
        modelOf(searched), outcome.material, runnerOf(untrimmed, job),
        progress ? progress : [](const analysis::TrimProgress&) {});
    // The design rebuilt from the lengths, analysed on its own as it will be built, may miss a
    // limit the search's model met: the next best lengths are tried then.
    std::vector<analysis::TrimParameters> candidates{outcome.search.parameters};
    candidates.insert(candidates.end(), outcome.search.alternatives.begin(),
                      outcome.search.alternatives.end());
    for (const analysis::TrimParameters& candidate : candidates) {
        TrimOutcome tried = outcome;
        tried.search.parameters = candidate;
        tried.trimmed = analysis::trimmedDesign(untrimmed.design, candidate);
        tried.addedTrimmed =
            analysis::trimmedAdded(untrimmed.design, untrimmed.added.size(), candidate);
        Plan trimmed = untrimmed;
        trimmed.trim = AcceptedTrim{tried.trimmed, tried.material, tried.addedTrimmed};
        tried.after = analyse(trimmed, job);
        tried.unmet = unmetLimits(tried.after, tried.search);
        const bool first = &candidate == &candidates.front();
        if (first || tried.meetsLimits()) {
            outcome = std::move(tried);
        }
        if (outcome.meetsLimits()) {
            break;
        }
    }
    return outcome;
}

void acceptTrim(Plan& plan, const TrimOutcome& outcome) {
    if (outcome.meetsLimits()) {
        plan.trim = AcceptedTrim{outcome.trimmed, outcome.material, outcome.addedTrimmed};
    }
}

std::vector<StateRow> stateRows(const DesignState& s, bool metric,
                                const analysis::AddedDirectors& added) {
    const double k = metric ? centimetresPerInch : 1;
    std::vector<StateRow> rows;
    double position = 0;
    rows.push_back({"REFLECTOR", double{s.ref} * inchesPerFoot * k, double{s.rsp} * k, 0});
    position += s.rsp;
    rows.push_back({"DRIVEN", double{s.dri} * inchesPerFoot * k, std::nullopt, position * k});
    for (std::size_t n = 0; n < 6; ++n) {
        position += s.*directorSpacings[n];
        rows.push_back({"DIR " + std::to_string(n + 1), directorInches(s, n) * k,
                        double{s.*directorSpacings[n]} * k, position * k});
    }
    double addedPosition = position;
    for (std::size_t n = 0; n < added.size(); ++n) {
        addedPosition += added[n].spacingInches;
        rows.push_back({"DIR " + std::to_string(n + 7), added[n].lengthInches * k,
                        added[n].spacingInches * k, addedPosition * k});
    }
    return rows;
}

TableTexts boxTextsOf(const DesignState& s, bool metric, const analysis::AddedDirectors& added) {
    constexpr std::string_view point = ".";
    const auto cut = [&](const std::string& text, std::size_t limit) {
        return cutNumberText(text, limit, point).value_or(text);
    };
    // Inches as COMPUTE shows them, from singles; centimetres as CONVERT TO METRIC, from doubles.
    const auto inches = [&](double value, std::size_t limit = lengthLimit) {
        return cut(singleToText(static_cast<float>(value), point), limit);
    };
    const auto cm = [&](double value, std::size_t limit = lengthLimit) {
        return cut(doubleToText(value * centimetresPerInch, point), limit);
    };
    const auto shown = [&](double value) { return metric ? cm(value) : inches(value); };

    TableTexts t;
    t.unit = metric ? "CM" : "INCHES";
    const char* names[] = {"REFLECTOR", "DRIVEN", "DIR 1", "DIR 2",
                           "DIR 3",     "DIR 4",  "DIR 5", "DIR 6"};
    t.rows[0] = {names[0], shown(double{s.ref} * inchesPerFoot), shown(double{s.rsp}), "0"};
    t.rows[1] = {names[1], shown(double{s.dri} * inchesPerFoot), std::nullopt,
                 shown(double{s.rsp})};
    for (std::size_t n = 0; n < 6; ++n) {
        // COMPUTE sums from the reflector spacing on; CONVERT TO METRIC from DIR 1's spacing.
        double sum = metric ? double{s.d1sp} + double{s.rsp} : double{s.rsp};
        for (std::size_t i = metric ? 1 : 0; i <= n; ++i) {
            sum += double{s.*directorSpacings[i]};
        }
        t.rows[n + 2] = {names[n + 2], shown(directorInches(s, n)),
                         shown(double{s.*directorSpacings[n]}), shown(sum)};
    }
    // The reductions come from the texts as cut to their boxes, as COMPUTE forms them.
    const auto read = [&](const std::string& text) { return textToDouble(text, point); };
    const float add =
        static_cast<float>(read(inches(directorInches(s, 4))) - read(inches(directorInches(s, 5))));
    t.reduceDirector = metric ? cm(double{add}, reductionLimit) : inches(add, reductionLimit);
    t.reduceSpace = doubleToText(read(*t.rows[6].spacing) - read(*t.rows[7].spacing), point);
    // Added directors hold their lengths as doubles already: their texts are the double's.
    const auto added15 = [&](double value) {
        return cut(doubleToText(metric ? value * centimetresPerInch : value, point), lengthLimit);
    };
    // Positions go on from DIR 6's as shown by the spacings as shown, as the table's rule sums
    // them: a trim keeps the spacings, so its positions are the design's.
    double position = read(t.rows[7].position);
    for (std::size_t n = 0; n < added.size(); ++n) {
        const std::string spacing = added15(added[n].spacingInches);
        position += read(spacing);
        t.added.push_back({"DIR " + std::to_string(n + 7), added15(added[n].lengthInches), spacing,
                           cut(doubleToText(position, point), lengthLimit)});
    }
    return t;
}

std::vector<TrimmedRow> trimmedLengths(const TrimOutcome& outcome, bool metric) {
    const auto designed = stateRows(outcome.designed, metric, outcome.addedDesigned);
    const auto trimmed = stateRows(outcome.trimmed, metric, outcome.addedTrimmed);
    const double toMm = metric ? 10 : 25.4;
    std::vector<TrimmedRow> rows;
    for (std::size_t i = 0; i < designed.size(); ++i) {
        rows.push_back({designed[i].element, designed[i].length, trimmed[i].length,
                        (trimmed[i].length - designed[i].length) * toMm,
                        (trimmed[i].length / designed[i].length - 1) * 100});
    }
    return rows;
}

std::string trimReport(const TrimOutcome& o, bool metric, const std::string& decimalSeparator) {
    std::ostringstream out;
    const std::string materials = "loops of " + number(o.material.wireDiameterMm) +
                                  " mm wire and directors of " + number(o.material.rodDiameterMm) +
                                  " mm rod";
    out << (o.meetsLimits() ? "TRIMMED for "
                            : "NOT TRIMMED: no lengths found that meet the "
                              "limits for ")
        << materials << ", lengths in " << (metric ? "CM" : "INCHES") << '\n';
    if (!o.meetsLimits()) {
        out << "The best lengths found (they do NOT meet the limits):\n";
    }
    const bool longBoom = !o.addedTrimmed.empty();
    out << (longBoom ? "(NEC-2 in free space, no boom modelled; spacings as designed to DIR 6, "
                       "from DIR 7 on each the DIR 5-DIR 6 spacing)\n\n"
                     : "(NEC-2 in free space, no boom modelled; spacings as designed)\n\n");
    out << std::left << std::setw(12) << "ELEMENT" << std::setw(10) << "LENGTH" << std::setw(10)
        << "SPACING"
        << "BOOM POSITION\n";
    // Every length by the boxes' rule, so a value reads as in the design table.
    const TableTexts trimmed = boxTextsOf(o.trimmed, metric, o.addedTrimmed);
    const TableTexts designed = boxTextsOf(o.designed, metric, o.addedDesigned);
    std::vector<TableTexts::Row> rows(trimmed.rows.begin(), trimmed.rows.end());
    rows.insert(rows.end(), trimmed.added.begin(), trimmed.added.end());
    for (const TableTexts::Row& row : rows) {
        out << std::setw(12) << row.element << std::setw(10) << row.length << std::setw(10)
            << row.spacing.value_or("") << row.position << '\n';
    }
    // A long boom's trimmed directors do not follow the table's reductions: every one is listed.
    if (!longBoom) {
        out << "\nREDUCE EACH ADDITIONAL DIRECTOR BY  " << trimmed.reduceDirector << '\n';
        out << "REDUCE EACH ADDITIONAL SPACE BY     " << trimmed.reduceSpace << '\n';
    }
    out << '\n';
    out << std::setw(12) << "CHANGE" << std::setw(10) << "DESIGNED" << std::setw(10) << "TRIMMED"
        << std::setw(10) << "mm"
        << "%\n";
    const auto changes = trimmedLengths(o, metric);
    const auto lengthText = [](const TableTexts& t, std::size_t i) {
        return i < t.rows.size() ? t.rows[i].length : t.added[i - t.rows.size()].length;
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        out << std::setw(12) << changes[i].element << std::setw(10) << lengthText(designed, i)
            << std::setw(10) << lengthText(trimmed, i) << std::setw(10)
            << formatNumber("%+.1f", changes[i].changeMm)
            << formatNumber("%+.2f", changes[i].changePercent) << '\n';
    }
    out << '\n'
        << std::setw(22) << "At " + number(o.after.design.frequencyMhz) + " MHz" << std::setw(17)
        << "DESIGNED"
        << "TRIMMED\n";
    out << figuresLine("Forward gain (dBi)", o.before.design.forwardGainDbi,
                       o.after.design.forwardGainDbi, "%.2f");
    out << figuresLine("Front to back (dB)", o.before.design.frontToBackDb,
                       o.after.design.frontToBackDb, "%.1f");
    out << figuresLine("SWR (50 ohm)", o.before.design.swr, o.after.design.swr, "%.2f");
    // A peak at the sweep's edge lies beyond it: said so, not shown as where it is.
    const auto peak = [](const analysis::Performance& p) {
        const std::string at = analysis::frequencyText(p.peakGainMhz, p.precisionMhz);
        return p.peakGainEdge < 0 ? "below " + at : p.peakGainEdge > 0 ? "above " + at : at;
    };
    out << std::setw(22) << "Gain peak (MHz)" << std::setw(17) << peak(o.before) << peak(o.after)
        << '\n';
    out << '\n';
    if (o.meetsLimits()) {
        out << "Limits met: F/B >= 20 dB, SWR <= 1.5, gain peak within 0.5 % of the design "
               "frequency.\n";
    } else {
        for (const std::string& limit : o.unmet) {
            out << "Limit not met: " << limit << ".\n";
        }
    }
    out << "Directors include the boom correction as designed; " << o.search.evaluations
        << " evaluations, " << o.search.necRuns << " nec2c runs in the search.\n";
    return analysis::withDecimalSeparator(out.str(), decimalSeparator);
}

} // namespace tarvo
