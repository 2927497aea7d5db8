// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/boom_study.h"

#include "analysis/interrupt.h"
#include "analysis/number_format.h"
#include "analysis/svg_plot.h"
#include "plan/analysis.h"
#include "plan/long_boom.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace tarvo {
namespace {

using analysis::formatNumber;

/// The trim's limits that the analysed design misses, each in a few words.
std::vector<std::string> missedLimits(const analysis::Performance& p) {
    std::vector<std::string> missed;
    const double f = p.design.frequencyMhz;
    if (!(p.design.frontToBackDb >= analysis::trimFrontToBackDb)) {
        missed.push_back("F/B " + formatNumber("%.1f", p.design.frontToBackDb) + " dB");
    }
    if (!(p.design.swr <= analysis::trimSwr)) {
        missed.push_back("SWR " + formatNumber("%.2f", p.design.swr));
    }
    const double offset = (p.peakGainMhz - f) / f * 100;
    if (p.peakGainEdge != 0) {
        missed.push_back(std::string("gain peak ") + (p.peakGainEdge < 0 ? "below " : "above ") +
                         formatNumber("%+.2f", offset) + " %");
    } else if (!(std::fabs(offset) <= analysis::trimPeakPercent)) {
        missed.push_back("gain peak " + formatNumber("%+.2f", offset) + " %");
    }
    return missed;
}

StudiedDesign studied(const DesignState& design, const analysis::AddedDirectors& added,
                      const analysis::Performance& performance, std::string deck) {
    StudiedDesign s;
    s.boomInches = stateRows(design, false, added).back().position;
    s.boomWavelengths = s.boomInches * analysis::metresPerInch /
                        (analysis::speedOfLight / performance.design.frequencyMhz);
    s.performance = performance;
    s.missed = missedLimits(performance);
    s.deck = std::move(deck);
    return s;
}

std::string figures(const StudiedDesign& s, bool metric) {
    const double toUnit = metric ? 2.54 : 1;
    std::ostringstream line;
    line << std::left << std::setw(11) << formatNumber("%.2f", s.boomWavelengths) << std::setw(11)
         << formatNumber("%.1f", s.boomInches * toUnit) << std::setw(11)
         << formatNumber("%.2f", s.performance.design.forwardGainDbi) << std::setw(10)
         << formatNumber("%.1f", s.performance.design.frontToBackDb) << std::setw(7)
         << formatNumber("%.2f", s.performance.design.swr);
    return line.str();
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) {
        out += (out.empty() ? "" : ", ") + w;
    }
    return out;
}

} // namespace

std::vector<int> boomStudyCounts(int most) {
    std::vector<int> counts;
    for (int n = fewestDirectors; n <= most; ++n) {
        counts.push_back(n);
    }
    return counts;
}

BoomStudy runBoomStudy(const Plan& plan, const std::vector<int>& directors, const Job& job,
                       const std::function<void(const BoomStudyProgress&)>& progress) {
    // Refused before any run: counts out of order or outside 6 ... 40, or one the rule cannot
    // build (the most, since the rule shortens each added director and spacing further).
    if (directors.empty() || !std::is_sorted(directors.begin(), directors.end()) ||
        std::adjacent_find(directors.begin(), directors.end()) != directors.end()) {
        throw LongBoomError("a boom study needs numbers of directors, rising, each once");
    }
    Plan longest = plan;
    setDirectors(longest, directors.back());
    if (directors.front() < fewestDirectors) {
        throw LongBoomError("the directors must number " + std::to_string(fewestDirectors) +
                            " to " + std::to_string(mostDirectors) + ", not " +
                            std::to_string(directors.front()));
    }
    BoomStudy study;
    study.frequencyMhz = plan.design.freq;
    study.metric = plan.table.metric();
    Plan untrimmed = plan;
    untrimmed.trim.reset();
    study.material = materialOf(untrimmed);
    const int total = static_cast<int>(directors.size());
    for (int done = 0; done < total; ++done) {
        const int n = directors[static_cast<std::size_t>(done)];
        analysis::throwIfInterrupted();
        Plan designed = untrimmed;
        setDirectors(designed, n);
        const TrimOutcome trim = runTrim(designed, job, [&](const analysis::TrimProgress& p) {
            if (progress) {
                progress({n, done, total, p});
            }
        });
        BoomStudyRow row;
        row.directors = n;
        row.rule = studied(trim.designed, trim.addedDesigned, trim.before, deckOf(designed));
        row.trimMeetsLimits = trim.meetsLimits();
        Plan trimmed = designed;
        acceptTrim(trimmed, trim);
        row.trimmed = studied(trim.trimmed, trim.addedTrimmed, trim.after,
                              trim.meetsLimits() ? deckOf(trimmed) : std::string());
        row.evaluations = trim.search.evaluations;
        row.trim = trim;
        study.rows.push_back(std::move(row));
    }
    analysis::throwIfInterrupted();
    return study;
}

std::string boomStudyReport(const BoomStudy& study, const std::string& decimalSeparator) {
    std::ostringstream out;
    const std::string f = formatNumber("%g", study.frequencyMhz);
    std::string counts;
    for (const BoomStudyRow& row : study.rows) {
        counts += (counts.empty() ? "" : ", ") + std::to_string(row.directors);
    }
    out << "BOOM STUDY at " << f << " MHz, " << counts
        << " directors: the table's rule and the trim for loops of "
        << formatNumber("%.6g", study.material.wireDiameterMm) << " mm wire and directors of "
        << formatNumber("%.6g", study.material.rodDiameterMm) << " mm rod\n"
        << "(NEC-2 in free space, no boom modelled; the boom from the reflector to the last "
           "director; limits: F/B >= 20 dB, SWR <= 1.5, gain peak within 0.5 %)\n";
    const auto header = [&](const char* title) {
        out << '\n'
            << title << '\n'
            << std::left << std::setw(6) << "DIRS" << std::setw(11) << "BOOM (WL)" << std::setw(11)
            << "BOOM (" + std::string(study.metric ? "CM" : "IN") + ")" << std::setw(11)
            << "GAIN (dBi)" << std::setw(10) << "F/B (dB)" << std::setw(7) << "SWR"
            << "LIMITS\n";
    };
    header("THE RULE'S DESIGN: DIR 7 on as the table's reductions give them");
    for (const BoomStudyRow& row : study.rows) {
        out << std::left << std::setw(6) << row.directors << figures(row.rule, study.metric)
            << (row.rule.missed.empty() ? "met" : "MISSED: " + joined(row.rule.missed)) << '\n';
    }
    header("TRIMMED: lengths for the materials, spacings from DIR 7 on each the DIR 5-DIR 6 one");
    for (const BoomStudyRow& row : study.rows) {
        out << std::left << std::setw(6) << row.directors << figures(row.trimmed, study.metric)
            << (row.trimMeetsLimits ? "met"
                                    : "NOT TRIMMED, the best found: " + joined(row.trimmed.missed))
            << '\n';
    }
    return analysis::withDecimalSeparator(out.str(), decimalSeparator);
}

std::string boomStudySvg(const BoomStudy& study) {
    analysis::StudySeries rule{"the table's rule", true, {}};
    analysis::StudySeries trimmed{"trimmed for the materials", false, {}};
    for (const BoomStudyRow& row : study.rows) {
        const auto point = [&](const StudiedDesign& s, bool meets) {
            return analysis::StudyPoint{row.directors, s.boomWavelengths,
                                        s.performance.design.forwardGainDbi,
                                        s.performance.design.frontToBackDb, meets};
        };
        rule.points.push_back(point(row.rule, row.rule.missed.empty()));
        trimmed.points.push_back(point(row.trimmed, row.trimMeetsLimits));
    }
    return analysis::svgStudyPlot("Does a longer boom pay? " +
                                      formatNumber("%g", study.frequencyMhz) +
                                      " MHz, gain and F/B by NEC-2",
                                  {rule, trimmed});
}

} // namespace tarvo
