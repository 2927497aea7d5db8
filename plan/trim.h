// SPDX-License-Identifier: GPL-3.0-or-later
// The trim: the plan's lengths corrected by NEC-2 for the builder's wire and rods.
#pragma once

#include "analysis/performance.h"
#include "analysis/trim.h"
#include "design/design_state.h"
#include "plan/plan.h"

#include <functional>
#include <string>
#include <vector>

namespace tarvo {

struct TrimOutcome {
    analysis::Material material;
    analysis::TrimSearch search;
    DesignState designed;
    DesignState trimmed;
    analysis::AddedDirectors addedDesigned; ///< DIR 7 on, as the rule gives them
    analysis::AddedDirectors addedTrimmed;  ///< DIR 7 on, trimmed with the six
    analysis::Performance before;           ///< the design as computed
    analysis::Performance after;    ///< the trimmed design, analysed afresh as it is exported
    std::vector<std::string> unmet; ///< the limits the trimmed design misses; empty: all met
    bool meetsLimits() const { return unmet.empty(); }
};

/// Analyses the plan's design, searches the trim for the plan's materials, and analyses the
/// trimmed design on its own, as every export of it will be built. `progress` is told of each
/// evaluation.
TrimOutcome runTrim(const Plan& plan, const Job& job,
                    const std::function<void(const analysis::TrimProgress&)>& progress = {});

/// From now on the plan builds the trimmed lengths, until the next COMPUTE. Only a trim that
/// meets its limits is taken.
void acceptTrim(Plan& plan, const TrimOutcome& outcome);

/// One length of the table as the window would show it: inches, or centimetres with `metric`.
struct TrimmedRow {
    std::string element;
    double designed{};
    double trimmed{};
    double changeMm{};
    double changePercent{};
};
std::vector<TrimmedRow> trimmedLengths(const TrimOutcome& outcome, bool metric);

/// The trimmed table in the design table's layout, the changes and the figures before and after,
/// every number in `decimalSeparator`, as the boxes beside it show theirs.
std::string trimReport(const TrimOutcome& outcome, bool metric,
                       const std::string& decimalSeparator);

/// The design table's rows from stored values (for a trimmed design, which has no window):
/// element, length, spacing (or nothing), boom position; in inches or centimetres.
struct StateRow {
    std::string element;
    double length{};
    std::optional<double> spacing;
    double position{};
};
std::vector<StateRow> stateRows(const DesignState& design, bool metric,
                                const analysis::AddedDirectors& added = {});

/// The design table's texts of stored values by the one rule of every length TARVO prints, the
/// boxes': in inches the single's 7 significant digits, in centimetres the double's 15, each cut
/// (not rounded) to its box, the sums and reductions formed as COMPUTE and CONVERT TO METRIC
/// form them. Of the design as computed, they are the boxes' texts digit for digit.
/// Added directors (DIR 7 on) follow by the same rule, from their values in inches, their
/// positions summed on from DIR 6's.
TableTexts boxTextsOf(const DesignState& design, bool metric,
                      const analysis::AddedDirectors& added = {});

} // namespace tarvo
