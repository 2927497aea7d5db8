// SPDX-License-Identifier: GPL-3.0-or-later
// The builder's plan: the design COMPUTE stored, the boom, the materials, the analysis options
// and an accepted trim. Every front edits one and every output reads it, so the window and
// tarvo-cli print and write the same for the same plan.
#pragma once

#include "analysis/band.h"
#include "analysis/geometry.h"
#include "analysis/refine.h"
#include "design/design_state.h"
#include "design/form.h"
#include "workshop/feedline.h"
#include "workshop/touchstone_reader.h"

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

/// The design table's texts as the boxes show them after the last COMPUTE or CONVERT TO METRIC:
/// what the builder read, digit for digit.
struct TableTexts {
    struct Row {
        std::string element;
        std::string length;
        std::optional<std::string> spacing;
        std::string position;
        bool operator==(const Row&) const = default;
    };
    std::string unit; ///< "INCHES" or "CM"
    std::array<Row, 8> rows;
    std::string reduceDirector;
    std::string reduceSpace;
    /// DIR 7 ... DIR N by the table's rule from the texts above (see long_boom.h); none for six.
    std::vector<Row> added;

    bool metric() const { return unit == "CM"; }
    bool operator==(const TableTexts&) const = default;
};

/// The builder's wire and rods, chosen for one band.
struct MaterialChoice {
    analysis::Material material;
    double bandMhz{}; ///< the band they were chosen for
    bool everyBand{}; ///< the builder wants them for every band, not only this one
    bool operator==(const MaterialChoice&) const = default;
};

struct AnalysisOptions {
    std::optional<int> segmentsPerWavelength; ///< default: the most that keep the thin-wire kernel
    double sweepPercent{3};
    double necTimeoutSeconds{120};
    /// Where F/B and SWR must hold: the trim's limits and the verdicts. Default: the design
    /// frequency +-0.25 % (bandOf).
    std::optional<analysis::Band> band;
    bool operator==(const AnalysisOptions&) const = default;
};

/// A trim the builder accepted: its lengths replace the design's in every output until the
/// next COMPUTE.
struct AcceptedTrim {
    DesignState design;
    analysis::Material material;
    analysis::AddedDirectors added; ///< DIR 7 on, trimmed with the six
    bool operator==(const AcceptedTrim&) const = default;
};

/// A builder's analyser sweep to compare the model with, and the line it was taken through.
struct MeasuredSweep {
    std::string path;
    workshop::Measurement measurement;
    std::optional<workshop::FeedLine> line;
    bool operator==(const MeasuredSweep&) const = default;
};

struct Plan {
    DesignState design; ///< as COMPUTE stored it
    bool metallicBoom{};
    std::vector<std::string> warnings; ///< the boom-range warning, when the boom is beyond it
    TableTexts table;
    std::optional<MaterialChoice> materials;
    AnalysisOptions analysis;
    std::optional<AcceptedTrim> trim;
    /// How many directors the plan builds, 6 to 40: DIR 7 on by the table's rule (long_boom.h).
    int directors{6};
    /// DIR 7 ... DIR N as the rule gives them from the design's texts in inches: what the model,
    /// the sheet and the exports build (whatever unit the table shows). Set by setDirectors.
    analysis::AddedDirectors added;
    std::string separator{"."}; ///< the decimal separator the table's texts are written in
    /// A measurement compared in the analysis window, kept while that window is open.
    std::optional<MeasuredSweep> measurement;

    /// The lengths every output builds: the accepted trim's, else the design's.
    const DesignState& built() const { return trim ? trim->design : design; }
    /// The directors beyond DIR 6 every output builds: the accepted trim's, else the rule's.
    const analysis::AddedDirectors& builtAdded() const { return trim ? trim->added : added; }
    bool trimmed() const { return trim.has_value(); }
    /// The same plan: every output of one is the output of the other.
    bool operator==(const Plan&) const = default;
};

/// What runs a long job for a front: nec2c itself (within the plan's timeout) unless a runner
/// stands in for it, and the token that cancels it.
struct Job {
    analysis::NecRunner runner;
    const std::atomic<bool>* cancel{};
};

/// The band whose recommended materials apply at the frequency: 144, 432, 906 or 1296 MHz.
double bandOf(double frequencyMhz);

/// The texts of the window's result boxes.
TableTexts tableTextsOf(const Form& form);

/// What the design of the form warns about: a boom beyond the correction's range, read from
/// the list whose entry the design holds.
std::vector<std::string> boomWarnings(const Form& form, const DesignState& design);

/// A plan for the design COMPUTE just stored. The builder's materials and analysis options of
/// `before` carry over; materials chosen for another band only when chosen for every band. A
/// trim never carries over: it was of the lengths before. The number of directors carries over
/// where the new design can hold them; where it cannot, the plan has six and a warning says so.
/// A measurement carries over until the window comparing it closes.
Plan nextPlan(const Form& form, const DesignState& design, const std::optional<Plan>& before);

/// The table's texts after CONVERT TO METRIC (or any change of the boxes alone).
void retable(Plan& plan, const Form& form);

/// The wire and rods every output models: the trim's, the builder's for this band, or the band's
/// recommended ones.
analysis::Material materialOf(const Plan& plan);

/// "trimmed for 2.05 mm wire and 4.76 mm rods": what the trim was found for, with a point for
/// the decimal separator (a front shows it in the user's).
std::string trimmedForText(const AcceptedTrim& trim);

/// The builder's wire and rods for the plan's band (and every band, with `everyBand`).
void chooseMaterials(Plan& plan, const analysis::Material& material, bool everyBand = false);

/// The NEC-2 model of the built lengths, checked against NEC-2's limits: throws ModelLimitError
/// (a usage error) for diameters or segments outside them.
analysis::Model modelOf(const Plan& plan);

/// The band F/B and SWR must hold over: the builder's, else the design frequency +-0.25 %.
analysis::Band bandOf(const Plan& plan);

/// What runs nec2c for a job: its own runner, or nec2c within the plan's timeout, stopped by
/// the job's cancel.
analysis::NecRunner runnerOf(const Plan& plan, const Job& job);

} // namespace tarvo
