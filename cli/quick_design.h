// SPDX-License-Identifier: GPL-3.0-or-later
// Quick design: the clicks a person makes for one design, and the report of the results.
#pragma once

#include "analysis/performance.h"
#include "design/design_state.h"
#include "design/form.h"
#include "plan/boom_study.h"
#include "plan/measurement.h"
#include "plan/trim.h"
#include "replay/event_target.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvo {

struct QuickDesign {
    enum class Boom { Unchosen, NonMetallic, Metallic };
    std::string frequency;
    Boom boom{Boom::Unchosen};
    std::optional<std::string> inchEntry;       ///< an entry of List1; implies a metallic boom
    std::optional<std::string> millimetreEntry; ///< an entry of List2; implies a metallic boom
    bool metric{};
};

/// Types the frequency, clicks the boom option and the diameter entry, COMPUTE, then CONVERT TO
/// METRIC when asked. Stops at the first fault and returns it.
std::optional<FaultReport> playQuickDesign(const QuickDesign& design, EventTarget& window);

/// The results laid out like the window's rows, for a person to read; `added` (DIR 7 on, by the
/// table's rule) follow DIR 6.
std::string tableReport(const Form& form, const std::vector<TableTexts::Row>& added = {});
/// The same results as a JSON document; every value is the box's text. With an analysis, its
/// figures follow under "analysis".
/// `warnings`: what the design itself warns about (a boom beyond the correction's range).
/// With a trim, its table, changes and figures before and after follow under "trim".
std::string jsonReport(const Form& form, const analysis::Performance* performance = nullptr,
                       const std::vector<std::string>& warnings = {},
                       const TrimOutcome* trim = nullptr,
                       const std::vector<TableTexts::Row>& added = {},
                       const MeasurementAdvice* measured = nullptr);

/// The design as jsonReport gives it, and the boom study under "boomStudy": per number of
/// directors, the rule's design and the trimmed, each with its boom, figures, the limits it
/// misses and its NEC-2 deck (none for a trim that missed), and the whole trim.
std::string boomStudyJson(const Form& form, const std::vector<std::string>& warnings,
                          const BoomStudy& study);

} // namespace tarvo
