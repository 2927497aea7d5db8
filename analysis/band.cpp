// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/band.h"

#include "analysis/deck.h"
#include "analysis/nec_output.h"
#include "analysis/number_format.h"
#include "design/echo.h"
#include "design/number_text.h"

#include <cmath>

namespace tarvo::analysis {

Band readBand(std::string_view text, std::string_view separator) {
    // Built piece by piece: GCC 12's Release build warns falsely on "\"" + string&&.
    const std::string quoted = [&] {
        std::string q = "\"";
        q += echoOf(text);
        q += '"';
        return q;
    }();
    // The dash between the numbers: not a sign at the start, not an exponent's.
    std::optional<std::size_t> dash;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '-' && text[i - 1] != 'e' && text[i - 1] != 'E') {
            if (dash) {
                throw BandError(quoted + " is not LOW-HIGH in MHz: one dash between two numbers");
            }
            dash = i;
        }
    }
    if (!dash) {
        throw BandError(quoted + " is not LOW-HIGH in MHz, e.g. " +
                        withDecimalSeparator("143.9-144.4", std::string(separator)));
    }
    const auto read = [&](std::string_view part) {
        double value = 0;
        try {
            value = textToDouble(part, separator);
        } catch (const std::exception&) {
            throw BandError(quoted + ": \"" + echoOf(part) +
                            "\" is not a number (the decimal separator here is \"" +
                            std::string(separator) + "\")");
        }
        if (!std::isfinite(value) || value <= 0) {
            throw BandError(quoted + ": \"" + echoOf(part) + "\" is not a frequency above 0");
        }
        return value;
    };
    const Band band{read(text.substr(0, *dash)), read(text.substr(*dash + 1))};
    if (!(band.lowMhz < band.highMhz)) {
        throw BandError(quoted + ": the low end must lie below the high end");
    }
    return band;
}

void requireBandFor(const Band& band, double designMhz, std::string_view separator) {
    const std::string sep(separator);
    const std::string named = withDecimalSeparator(bandText(band), sep);
    const std::string design = withDecimalSeparator(formatNumber("%g", designMhz), sep);
    if (!(band.lowMhz <= designMhz && designMhz <= band.highMhz)) {
        throw BandError(named + " does not hold the design frequency, " + design + " MHz");
    }
    const double reach = designMhz * widestBandPercent / 100;
    if (designMhz - band.lowMhz > reach * (1 + 1e-12) ||
        band.highMhz - designMhz > reach * (1 + 1e-12)) {
        throw BandError(named + " reaches more than 5 % from the design frequency, " + design +
                        " MHz: the design holds its limits over a few per cent at most");
    }
}

Band defaultBand(double designMhz) {
    return {designMhz * (1 - defaultBandPercent / 100), designMhz * (1 + defaultBandPercent / 100)};
}

std::vector<double> bandGrid(const Band& band, double designMhz) {
    const double widestStep = designMhz * bandGridPercent / 100;
    const double width = band.highMhz - band.lowMhz;
    // A hair of rounding must not add a step: 0.5 % wide is 10 steps, not 11.
    const auto steps =
        static_cast<std::size_t>(std::max(1.0, std::ceil(width / widestStep - 1e-9)));
    std::vector<double> grid;
    for (std::size_t i = 0; i < steps; ++i) {
        grid.push_back(band.lowMhz + width * static_cast<double>(i) / static_cast<double>(steps));
    }
    grid.push_back(band.highMhz);
    return grid;
}

BandCheck judgeBand(const Band& band, std::vector<SweepPoint> points, double frontToBackDb,
                    double swr) {
    BandCheck check;
    check.band = band;
    check.points = std::move(points);
    for (std::size_t i = 0; i < check.points.size(); ++i) {
        const SweepPoint& p = check.points[i];
        if (!check.frontToBackMiss && !(p.frontToBackDb >= frontToBackDb)) {
            check.frontToBackMiss = i;
        }
        if (!check.swrMiss && !(p.swr <= swr)) {
            check.swrMiss = i;
        }
        if (i == 0 || !(p.frontToBackDb >= check.lowestFrontToBackDb)) {
            check.lowestFrontToBackDb = p.frontToBackDb;
        }
        if (i == 0 || !(p.swr <= check.highestSwr)) {
            check.highestSwr = p.swr;
        }
    }
    return check;
}

BandCheck checkBand(const Model& model, const Material& material, const NecRunner& runNec,
                    const Band& band, double frontToBackDb, double swr) {
    const std::vector<double> grid = bandGrid(band, model.frequencyMhz);
    const auto results = parseNecOutput(runNec(writePointsDeck(model, material, grid)));
    if (results.size() != grid.size()) {
        throw AnalysisError("the nec2c output holds " + std::to_string(results.size()) +
                            " frequencies, the deck asked for " + std::to_string(grid.size()));
    }
    std::vector<SweepPoint> points;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        points.push_back(checkedSweepPoint(results[i], grid[i]));
    }
    return judgeBand(band, std::move(points), frontToBackDb, swr);
}

std::string mhzText(double mhz) {
    std::string text = formatNumber("%.3f", mhz);
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

std::string bandText(const Band& band) {
    return mhzText(band.lowMhz) + " - " + mhzText(band.highMhz) + " MHz";
}

} // namespace tarvo::analysis
