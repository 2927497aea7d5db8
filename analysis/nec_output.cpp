// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/nec_output.h"

#include "analysis/geometry.h"
#include "design/plain_number.h"

#include <cmath>
#include <numbers>
#include <optional>
#include <string>

namespace tarvo::analysis {
namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

std::optional<double> toNumber(std::string_view word) {
    double value{};
    const auto result = readPlainNumber(word.data(), word.data() + word.size(), value);
    if (result.ec != std::errc{} || result.ptr != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

[[noreturn]] void malformed(std::size_t line, const std::string& why) {
    throw AnalysisError::quoting("the nec2c output is malformed at line " +
                                 std::to_string(line + 1) + ": " + why);
}

double numberAt(const std::vector<std::string_view>& words, std::size_t index, std::size_t line,
                const char* what) {
    if (index >= words.size()) {
        malformed(line, std::string("no ") + what);
    }
    const auto value = toNumber(words[index]);
    if (!value) {
        malformed(line, std::string(what) + " is not a number");
    }
    return *value;
}

/// The number after the '=' or ':' of a line such as "EFFICIENCY    =   97.88 Percent".
double valueAfter(std::string_view line, char mark, std::size_t number, const char* what) {
    const auto at = line.find(mark);
    if (at == std::string_view::npos) {
        malformed(number, std::string("no ") + what);
    }
    return numberAt(fields(line.substr(at + 1)), 0, number, what);
}

/// Whether a figure carries nec2c's five significant digits ("3.7156E+00"): the field strengths
/// and the input power must, for the gain drawn from them to hold its precision.
bool hasFiveDigits(std::string_view word) {
    const auto point = word.find('.');
    const auto exponent = word.find_first_of("Ee");
    return point != std::string_view::npos && exponent != std::string_view::npos &&
           exponent > point && exponent - point - 1 >= 4;
}

double preciseNumberAt(const std::vector<std::string_view>& words, std::size_t index,
                       std::size_t line, const char* what) {
    const double value = numberAt(words, index, line, what);
    if (!hasFiveDigits(words[index])) {
        malformed(line, std::string(what) + " has fewer than five significant digits");
    }
    return value;
}

/// Free space's wave impedance, mu0 x c (ohms).
constexpr double eta0 = 376.730313668;

/// The decimal logarithm from sums, products and divisions, which IEEE arithmetic rounds alike on
/// every target: the C libraries' log10 differ in the last bit, and the trim's search, steered by
/// these gains, would part ways between the native program and the page. Within a few units in
/// the last place of the exact value.
double log10Everywhere(double value) {
    if (!(value > 0) || std::isinf(value)) {
        return std::log10(value); // -inf, NaN or inf: exact wherever it is computed
    }
    int exponent = 0;
    double mantissa = std::frexp(value, &exponent); // exact: [0.5, 1)
    if (mantissa < std::numbers::sqrt2 / 2) {
        mantissa *= 2;
        --exponent;
    }
    // ln m = 2 atanh s = 2 (s + s^3/3 + s^5/5 + ...), s = (m - 1) / (m + 1), |s| <= 0.172: 14
    // terms leave less than 1e-21.
    const double s = (mantissa - 1) / (mantissa + 1);
    const double s2 = s * s;
    double series = 0;
    for (int k = 13; k >= 0; --k) {
        series = series * s2 + 1.0 / (2 * k + 1);
    }
    const double ln = exponent * std::numbers::ln2 + 2 * s * series;
    return ln / std::numbers::ln10;
}

double fieldGainDbi(const PatternPoint& point, double inputPower) {
    const double fieldSquared = point.eTheta * point.eTheta + point.ePhi * point.ePhi;
    return 10 * log10Everywhere(4 * std::numbers::pi * fieldSquared / (eta0 * 2 * inputPower));
}

bool contains(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

} // namespace

std::vector<FrequencyResult> parseNecOutput(std::string_view output) {
    const auto lines = splitLines(output);
    std::vector<FrequencyResult> results;
    bool finished = false;
    struct Seen {
        bool impedance = false;
        bool budget = false;
    } seen;

    const auto current = [&](std::size_t line) -> FrequencyResult& {
        if (results.empty()) {
            malformed(line, "a section comes before any FREQUENCY");
        }
        return results.back();
    };
    const auto checkComplete = [&](std::size_t line) {
        if (!results.empty() &&
            (!seen.impedance || !seen.budget || results.back().patterns.empty())) {
            malformed(line, "the frequency " + std::to_string(results.back().frequencyMhz) +
                                " MHz lacks its input parameters, power budget or pattern");
        }
    };

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (contains(line, "FREQUENCY :")) {
            checkComplete(i);
            seen = {};
            FrequencyResult result;
            result.frequencyMhz = valueAfter(line, ':', i, "frequency");
            results.push_back(result);
        } else if (contains(line, "ANTENNA INPUT PARAMETERS")) {
            // Two heading lines, then the feed: tag, segment, voltage, current, impedance ...
            const std::size_t data = i + 3;
            if (data >= lines.size()) {
                malformed(i, "the input parameters are cut off");
            }
            const auto words = fields(lines[data]);
            current(i).impedance = {numberAt(words, 6, data, "feed resistance"),
                                    numberAt(words, 7, data, "feed reactance")};
            seen.impedance = true;
            i = data;
        } else if (contains(line, "POWER BUDGET")) {
            FrequencyResult& result = current(i);
            bool input = false;
            bool radiated = false;
            bool efficiency = false;
            std::size_t k = i + 1;
            for (; k < lines.size() && k <= i + 6; ++k) {
                if (contains(lines[k], "INPUT POWER")) {
                    const auto at = lines[k].find('=');
                    if (at == std::string_view::npos) {
                        malformed(k, "no input power");
                    }
                    result.inputPower =
                        preciseNumberAt(fields(lines[k].substr(at + 1)), 0, k, "input power");
                    input = true;
                } else if (contains(lines[k], "RADIATED POWER")) {
                    result.radiatedPower = valueAfter(lines[k], '=', k, "radiated power");
                    radiated = true;
                } else if (contains(lines[k], "EFFICIENCY")) {
                    result.efficiencyPercent = valueAfter(lines[k], '=', k, "efficiency");
                    efficiency = true;
                }
            }
            if (!input || !radiated || !efficiency) {
                malformed(i, "the power budget is incomplete");
            }
            seen.budget = true;
            i = k - 1;
        } else if (contains(line, "RADIATION PATTERNS")) {
            FrequencyResult& result = current(i);
            std::size_t k = i + 1;
            while (k < lines.size() && !contains(lines[k], "DEGREES")) {
                ++k;
            }
            std::vector<PatternPoint> pattern;
            for (++k; k < lines.size(); ++k) {
                const auto words = fields(lines[k]);
                if (words.size() < 5 || !toNumber(words[0]) || !toNumber(words[1])) {
                    break;
                }
                // theta, phi, three gains, axial ratio, tilt, sense, then E(theta) and E(phi),
                // each a magnitude and a phase.
                PatternPoint point;
                point.theta = numberAt(words, 0, k, "theta");
                point.phi = numberAt(words, 1, k, "phi");
                point.totalGain = numberAt(words, 4, k, "total gain");
                point.eTheta = preciseNumberAt(words, 8, k, "E(theta)");
                point.ePhi = preciseNumberAt(words, 10, k, "E(phi)");
                pattern.push_back(point);
            }
            if (pattern.empty()) {
                malformed(i, "a radiation pattern without points");
            }
            result.patterns.push_back(std::move(pattern));
            i = k - 1;
        } else if (contains(line, "TOTAL RUN TIME")) {
            finished = true;
        }
    }
    if (!finished) {
        throw AnalysisError("the nec2c output is truncated: it does not end with its run time");
    }
    checkComplete(lines.size());
    if (results.empty()) {
        throw AnalysisError("the nec2c output holds no frequency");
    }
    for (FrequencyResult& result : results) {
        for (auto& pattern : result.patterns) {
            for (PatternPoint& point : pattern) {
                point.fieldGain = fieldGainDbi(point, result.inputPower);
            }
        }
    }
    return results;
}

} // namespace tarvo::analysis
