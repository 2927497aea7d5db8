// SPDX-License-Identifier: GPL-3.0-or-later
// Does a longer boom pay? For 6 ... N directors, NEC-2's figures of the table's rule and of that
// design trimmed for the plan's materials, with each one's boom length.
#pragma once

#include "analysis/performance.h"
#include "analysis/trim.h"
#include "plan/plan.h"
#include "plan/trim.h"

#include <functional>
#include <string>
#include <vector>

namespace tarvo {

/// One design of the study: its boom, from the reflector to the last director, and its figures.
struct StudiedDesign {
    double boomInches{};
    double boomWavelengths{};
    analysis::Performance performance;
    /// The limits of the trim it misses (F/B >= 20 dB, SWR <= 1.5, gain peak within 0.5 %),
    /// each in a few words: "F/B 17.9 dB". Empty: it meets them all.
    std::vector<std::string> missed;
    std::string deck; ///< its NEC-2 deck as --nec writes it; empty for a trim that missed
};

struct BoomStudyRow {
    int directors{};
    StudiedDesign rule;     ///< the table's rule, as the builder extends the table by hand
    StudiedDesign trimmed;  ///< the trim's lengths (and a long boom's spacings) for the materials
    bool trimMeetsLimits{}; ///< false: `trimmed` is the best found, NOT a trimmed design
    int evaluations{};      ///< the trim search's
    TrimOutcome trim;       ///< the whole trim: its table, changes and figures
};

struct BoomStudy {
    double frequencyMhz{};
    analysis::Material material;
    bool metric{}; ///< the plan's unit: centimetres, else inches
    std::vector<BoomStudyRow> rows;
};

/// Where a study stands, for a progress line: the design in hand and its trim's last evaluation.
struct BoomStudyProgress {
    int directors{};
    int done{};  ///< designs finished before this one
    int total{}; ///< designs in the study
    analysis::TrimProgress trim;
};

inline constexpr int boomStudyDefaultDirectors = 16;

/// The numbers of directors a study of up to `most` looks at: 6, 7 ... `most`.
std::vector<int> boomStudyCounts(int most);

/// The study of the plan's design with each number of `directors` (rising, 6 to 40), one after
/// another, each trim's nec2c runs side by side on the cores. Throws LongBoomError (a usage
/// error) before any run for counts out of order or that the rule cannot build;
/// analysis::AnalysisError, Interrupted and Cancelled as the analysis does.
BoomStudy runBoomStudy(const Plan& plan, const std::vector<int>& directors, const Job& job,
                       const std::function<void(const BoomStudyProgress&)>& progress = {});

/// The study as a table for a person to read: per N the boom in wavelengths and the plan's
/// unit, gain, F/B and SWR of the rule's design and of the trimmed, each miss marked; its numbers
/// in `decimalSeparator`.
std::string boomStudyReport(const BoomStudy& study, const std::string& decimalSeparator);

/// Gain and F/B against boom length in wavelengths, the rule's design and the trimmed, as SVG.
std::string boomStudySvg(const BoomStudy& study);

} // namespace tarvo
