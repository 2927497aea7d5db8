// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/plan.h"

#include "plan/long_boom.h"

#include "analysis/nec_runner.h"
#include "analysis/number_format.h"
#include "design/boom_range.h"
#include "design/controls.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace tarvo {

using enum Control;

double bandOf(double frequencyMhz) {
    constexpr std::array<double, 4> bands{144, 432, 906, 1296};
    double nearest = bands[0];
    for (const double band : bands) {
        if (std::fabs(band - frequencyMhz) < std::fabs(nearest - frequencyMhz)) {
            nearest = band;
        }
    }
    return nearest;
}

TableTexts tableTextsOf(const Form& form) {
    TableTexts table;
    table.unit = form.text(Text29);
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const TableRow& row = tableRows()[i];
        table.rows[i].element = row.caption;
        table.rows[i].length = form.text(row.length);
        if (row.spacing) {
            table.rows[i].spacing = form.text(*row.spacing);
        }
        table.rows[i].position = form.text(row.position);
    }
    table.reduceDirector = form.text(Text19);
    table.reduceSpace = form.text(Text35);
    return table;
}

std::vector<std::string> boomWarnings(const Form& form, const DesignState& design) {
    std::vector<std::string> warnings;
    if (!form.isSelected(Option2)) {
        return warnings;
    }
    // The boom is the entry whose diameter the design holds: the list chosen last.
    for (const Control list : {List2, List1}) {
        const auto entry = form.selectedEntry(list);
        if (!entry) {
            continue;
        }
        if (list == List2 &&
            std::fabs(std::strtod(entry->c_str(), nullptr) * 0.0394 - double{design.b}) > 1e-4) {
            continue;
        }
        if (auto warning = boomRangeWarning(list, *entry, design.b, design.freq)) {
            warnings.push_back(*warning);
        }
        break;
    }
    return warnings;
}

Plan nextPlan(const Form& form, const DesignState& design, const std::optional<Plan>& before) {
    Plan plan;
    plan.design = design;
    plan.metallicBoom = form.isSelected(Option2);
    plan.warnings = boomWarnings(form, design);
    plan.table = tableTextsOf(form);
    plan.separator = form.decimalSeparator();
    if (before) {
        plan.analysis = before->analysis;
        // A band chosen about another design frequency is not this design's.
        const std::optional<analysis::Band>& band = plan.analysis.band;
        if (band &&
            !(band->lowMhz <= double{design.freq} && double{design.freq} <= band->highMhz)) {
            plan.analysis.band.reset();
        }
        if (before->directors != plan.directors) {
            try {
                setDirectors(plan, before->directors);
            } catch (const LongBoomError& error) {
                plan.warnings.push_back(std::string("Six directors: ") + error.what());
            }
        }
        plan.measurement = before->measurement;
        const auto& chosen = before->materials;
        if (chosen && (chosen->everyBand || chosen->bandMhz == bandOf(design.freq))) {
            plan.materials = chosen;
            plan.materials->bandMhz = bandOf(design.freq);
        }
    }
    return plan;
}

void retable(Plan& plan, const Form& form) {
    plan.table = tableTextsOf(form);
    plan.table.added = addedRows(plan.table, plan.directors, plan.separator);
}

analysis::Material materialOf(const Plan& plan) {
    if (plan.trim) {
        return plan.trim->material;
    }
    if (plan.materials) {
        return plan.materials->material;
    }
    return analysis::recommendedMaterial(plan.design.freq);
}

std::string trimmedForText(const AcceptedTrim& trim) {
    return "trimmed for " + analysis::formatNumber("%g", trim.material.wireDiameterMm) +
           " mm wire and " + analysis::formatNumber("%g", trim.material.rodDiameterMm) + " mm rods";
}

void chooseMaterials(Plan& plan, const analysis::Material& material, bool everyBand) {
    plan.materials = MaterialChoice{material, bandOf(plan.design.freq), everyBand};
    // A trim holds for the wire and rods it was found for, no others.
    if (plan.trim && (plan.trim->material.wireDiameterMm != material.wireDiameterMm ||
                      plan.trim->material.rodDiameterMm != material.rodDiameterMm)) {
        plan.trim.reset();
    }
}

analysis::Model modelOf(const Plan& plan) {
    const analysis::Material material = materialOf(plan);
    const int segments = plan.analysis.segmentsPerWavelength.value_or(
        analysis::defaultSegmentsPerWavelength(plan.built(), material, plan.builtAdded()));
    return analysis::buildModel(plan.built(), material, segments, plan.builtAdded());
}

analysis::Band bandOf(const Plan& plan) {
    return plan.analysis.band.value_or(analysis::defaultBand(plan.design.freq));
}

analysis::NecRunner runnerOf(const Plan& plan, const Job& job) {
    if (job.runner) {
        return job.runner;
    }
    analysis::NecLimits limits;
    limits.timeout = std::chrono::milliseconds(
        static_cast<std::chrono::milliseconds::rep>(plan.analysis.necTimeoutSeconds * 1000));
    limits.cancel = job.cancel;
    return [limits](const std::string& deck) { return analysis::runNec2c(deck, limits); };
}

} // namespace tarvo
