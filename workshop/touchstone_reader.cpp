// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/touchstone_reader.h"

#include "analysis/number_format.h"
#include "design/plain_number.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <numbers>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo::workshop {
namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::vector<std::string> tokens(const std::string& text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') {
            ++end;
        }
        if (end > i) {
            words.push_back(text.substr(i, end - i));
        }
        i = end;
    }
    return words;
}

/// A word quoted in a message, cut so that no line is echoed whole.
std::string quoted(const std::string& word) {
    std::string shown;
    for (const char c : word.substr(0, 40)) {
        shown += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return "\"" + shown + (word.size() > 40 ? "..." : "") + "\"";
}

/// Whether a decimal number that does not fit a double lies below its least magnitude rather than
/// above its greatest: the power of ten of its first significant digit, counted from the digits
/// and the exponent, is negative.
bool underflows(std::string_view word) {
    const std::size_t e = word.find_first_of("eE");
    const std::string_view digits = word.substr(0, e);
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view text = word.substr(e + 1);
        if (!text.empty() && text.front() == '+') {
            text.remove_prefix(1);
        }
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), exponent);
        if (error == std::errc::result_out_of_range) {
            return !text.empty() && text.front() == '-';
        }
    }
    const std::size_t point = std::min(digits.find('.'), digits.size());
    const std::size_t first = digits.find_first_of("123456789");
    if (first == std::string_view::npos) {
        return true; // all zeros: 0 in any exponent
    }
    const long long order = first < point ? static_cast<long long>(point - first) - 1
                                          : -static_cast<long long>(first - point);
    return order + exponent < 0;
}

/// A number, finite and within touchstoneMaxValue; the whole word must be the number. One too
/// small for a double (1e-400) is 0: no analyser resolves the difference.
double number(const std::string& word, std::size_t line, const char* what) {
    double value = 0;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (!word.empty() && *first == '+') {
        ++first; // the plain form takes no leading plus
    }
    const auto [end, error] = readPlainNumber(first, last, value);
    if (error == std::errc::result_out_of_range && end == last) {
        const std::string_view digits(first, static_cast<std::size_t>(last - first));
        if (underflows(digits)) {
            return 0;
        }
        throw TouchstoneError(line, std::string(what) + " " + quoted(word) + " is too large");
    }
    if (error != std::errc() || end != last) {
        throw TouchstoneError(line, std::string(what) + " " + quoted(word) + " is not a number");
    }
    if (std::isnan(value)) {
        throw TouchstoneError(line, std::string(what) + " is NaN, not a measured value");
    }
    if (!std::isfinite(value) || std::fabs(value) > touchstoneMaxValue) {
        throw TouchstoneError(line, std::string(what) + " " + quoted(word) + " is too large");
    }
    return value;
}

struct Options {
    double hzPerUnit{1e9}; // the format's defaults: GHZ S MA R 50
    std::string unit{"GHZ"};
    std::string parameter{"S"};
    std::string format{"MA"};
    double reference{50};
};

Options optionLine(const std::vector<std::string>& words, std::size_t line) {
    Options options;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string w = upper(words[i]);
        if (w == "HZ" || w == "KHZ" || w == "MHZ" || w == "GHZ") {
            options.unit = w;
            options.hzPerUnit = w == "HZ" ? 1 : w == "KHZ" ? 1e3 : w == "MHZ" ? 1e6 : 1e9;
        } else if (w == "S" || w == "Z" || w == "Y") {
            options.parameter = w;
        } else if (w == "H" || w == "G") {
            throw TouchstoneError(line, "wrong option line: " + w +
                                            " parameters describe two ports; a one-port sweep "
                                            "holds S, Z or Y");
        } else if (w == "RI" || w == "MA" || w == "DB") {
            options.format = w;
        } else if (w == "R") {
            if (i + 1 >= words.size()) {
                throw TouchstoneError(line, "wrong option line: R without its resistance");
            }
            options.reference = number(words[++i], line, "the reference resistance");
            if (!(options.reference > 0)) {
                throw TouchstoneError(line, "wrong option line: the reference resistance " +
                                                quoted(words[i]) + " is not above 0 ohm");
            }
        } else {
            throw TouchstoneError(line, "wrong option line: " + quoted(words[i]) +
                                            " is none of HZ KHZ MHZ GHZ, S Z Y, RI MA DB, R n");
        }
    }
    return options;
}

/// The keyword of a "[Keyword] value" line, in upper case, and what follows it.
std::pair<std::string, std::string> keyword(const std::string& text, std::size_t line) {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) {
        throw TouchstoneError(line, "a keyword without its closing \"]\"");
    }
    std::string name = upper(text.substr(1, close - 1));
    return {name, text.substr(close + 1)};
}

/// The single whole number after a keyword.
long count(const std::string& rest, std::size_t line, const std::string& name) {
    const std::vector<std::string> words = tokens(rest);
    if (words.size() != 1) {
        throw TouchstoneError(line, "[" + name + "] needs one whole number");
    }
    long value = 0;
    const auto [end, error] =
        std::from_chars(words[0].data(), words[0].data() + words[0].size(), value);
    if (error != std::errc() || end != words[0].data() + words[0].size() || value < 1) {
        throw TouchstoneError(line, "[" + name + "] " + quoted(words[0]) +
                                        " is not a whole number above 0");
    }
    return value;
}

/// How far past the passive limit a point may lie by its digits' rounding alone.
constexpr double passiveSlack = 1e-9;

std::complex<double> impedanceOf(const Options& o, int version, double a, double b,
                                 std::size_t line) {
    std::complex<double> value;
    if (o.format == "RI") {
        value = {a, b};
    } else {
        const double magnitude = o.format == "MA" ? a : std::pow(10.0, a / 20);
        if (o.format == "MA" && a < 0) {
            throw TouchstoneError(line, "a magnitude below 0");
        }
        value = std::polar(magnitude, b * std::numbers::pi / 180);
    }
    // A passive antenna reflects at most what it receives: |S11| <= 1, a resistance and a
    // conductance of 0 or more. A rounding's worth over is allowed (0.6 + 0.8j is 1).
    const std::string passive = ": no passive antenna gives it (a measurement, calibration or "
                                "file fault)";
    std::complex<double> z;
    if (o.parameter == "S") {
        if (std::abs(value) > 1 + passiveSlack) {
            throw TouchstoneError(line, "|S11| is " +
                                            analysis::formatNumber("%.6g", std::abs(value)) +
                                            ", above 1" + passive);
        }
        if (std::abs(1.0 - value) < 1e-12) {
            throw TouchstoneError(line, "S11 of 1 is an open circuit: no impedance to compare");
        }
        z = o.reference * (1.0 + value) / (1.0 - value);
    } else {
        // Version 1 normalises Z and Y to the reference resistance; version 2 gives ohms and
        // siemens.
        const double scale = version == 1 ? o.reference : 1;
        if (o.parameter == "Z") {
            z = value * scale;
            if (z.real() < -passiveSlack * std::abs(z)) {
                throw TouchstoneError(line, "the resistance is " +
                                                analysis::formatNumber("%.6g", z.real()) +
                                                " ohm, below 0" + passive);
            }
        } else {
            if (value.real() < -passiveSlack * std::abs(value)) {
                throw TouchstoneError(line,
                                      "the conductance is " +
                                          analysis::formatNumber("%.6g", value.real() / scale) +
                                          " S, below 0" + passive);
            }
            if (std::abs(value) == 0) {
                throw TouchstoneError(line, "Y11 of 0 is an open circuit: no impedance to compare");
            }
            z = scale / value;
        }
    }
    if (!std::isfinite(z.real()) || !std::isfinite(z.imag()) || std::abs(z) > touchstoneMaxValue) {
        throw TouchstoneError(line, "the impedance is too large to compare");
    }
    return z;
}

/// The reference resistance of a [Reference] keyword, above 0 ohm.
double referenceOf(const std::string& word, std::size_t line) {
    const double value = number(word, line, "the reference resistance");
    if (!(value > 0)) {
        throw TouchstoneError(line, "[Reference] " + quoted(word) + " is not above 0 ohm");
    }
    return value;
}

} // namespace

Measurement readTouchstone(const std::string& text) {
    if (text.size() > touchstoneMaxBytes) {
        throw TouchstoneError(0, "larger than " + std::to_string(touchstoneMaxBytes >> 20) +
                                     " MiB: not an analyser's one-port sweep");
    }
    Measurement m;
    std::optional<Options> options;
    std::optional<std::size_t> optionsAt;
    std::optional<long> ports;
    std::optional<long> frequencies;
    bool networkData = false;
    bool information = false;
    bool ended = false;
    bool referencePending = false;
    std::optional<double> reference;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        // A line ends in LF, CR LF or a CR alone, as scripts and older analysers write them.
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++lineNumber;
        if (line.size() > touchstoneMaxLineBytes) {
            throw TouchstoneError(
                lineNumber, "longer than " + std::to_string(touchstoneMaxLineBytes) + " bytes");
        }
        if (lineNumber == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) {
            line.erase(0, 3);
        }
        if (std::any_of(line.begin(), line.end(), [](char c) {
                const auto u = static_cast<unsigned char>(c);
                return u < 0x20 && c != '\t';
            })) {
            throw TouchstoneError(lineNumber, "not text: a control character");
        }
        const std::size_t bang = line.find('!');
        if (bang != std::string::npos) {
            line.erase(bang);
        }
        std::vector<std::string> words = tokens(line);
        if (words.empty()) {
            continue;
        }
        if (ended) {
            throw TouchstoneError(lineNumber, "more after [End]");
        }
        if (words[0][0] == '[') {
            const auto [name, rest] = keyword(line.substr(line.find('[')), lineNumber);
            if (information) {
                if (name == "END INFORMATION") {
                    information = false;
                }
                continue;
            }
            if (name == "VERSION") {
                if (m.version == 2 || optionsAt || !m.points.empty()) {
                    throw TouchstoneError(lineNumber, "[Version] must come first");
                }
                const std::vector<std::string> v = tokens(rest);
                if (v.size() != 1 || (v[0] != "2.0" && v[0] != "2.1")) {
                    throw TouchstoneError(lineNumber, "[Version] " +
                                                          (v.empty() ? std::string("without a "
                                                                                   "number")
                                                                     : quoted(v[0])) +
                                                          ": only 2.0 and 2.1 are read");
                }
                m.version = 2;
                continue;
            }
            if (m.version != 2) {
                throw TouchstoneError(lineNumber,
                                      "the keyword [" + name + "] without [Version] 2.0 first");
            }
            if (name == "NUMBER OF PORTS") {
                ports = count(rest, lineNumber, "Number of Ports");
                if (*ports != 1) {
                    throw TouchstoneError(lineNumber, "[Number of Ports] " +
                                                          std::to_string(*ports) +
                                                          ": a one-port sweep is needed");
                }
            } else if (name == "NUMBER OF FREQUENCIES") {
                frequencies = count(rest, lineNumber, "Number of Frequencies");
                if (static_cast<unsigned long>(*frequencies) > touchstoneMaxPoints) {
                    throw TouchstoneError(lineNumber, "[Number of Frequencies] over " +
                                                          std::to_string(touchstoneMaxPoints));
                }
            } else if (name == "REFERENCE") {
                const std::vector<std::string> r = tokens(rest);
                if (r.size() > 1) {
                    throw TouchstoneError(lineNumber, "[Reference] holds one resistance for "
                                                      "one port");
                }
                if (r.empty()) {
                    referencePending = true;
                } else {
                    reference = referenceOf(r[0], lineNumber);
                }
            } else if (name == "MATRIX FORMAT") {
                const std::vector<std::string> f = tokens(rest);
                if (f.size() != 1 ||
                    (upper(f[0]) != "FULL" && upper(f[0]) != "LOWER" && upper(f[0]) != "UPPER")) {
                    throw TouchstoneError(lineNumber, "[Matrix Format] is Full, Lower or Upper");
                }
            } else if (name == "BEGIN INFORMATION") {
                information = true;
            } else if (name == "NETWORK DATA") {
                if (!ports) {
                    throw TouchstoneError(lineNumber, "[Network Data] before [Number of Ports]");
                }
                if (!frequencies) {
                    throw TouchstoneError(lineNumber,
                                          "[Network Data] before [Number of Frequencies]");
                }
                if (!options) {
                    throw TouchstoneError(lineNumber, "[Network Data] before the option line");
                }
                networkData = true;
            } else if (name == "END") {
                if (!networkData) {
                    throw TouchstoneError(lineNumber, "[End] before [Network Data]");
                }
                ended = true;
            } else if (name == "TWO-PORT DATA ORDER" || name == "NUMBER OF NOISE FREQUENCIES" ||
                       name == "NOISE DATA" || name == "MIXED-MODE ORDER") {
                throw TouchstoneError(lineNumber, "[" + name + "] belongs to a file of more ports");
            } else {
                throw TouchstoneError(lineNumber, "an unknown keyword [" + name + "]");
            }
            continue;
        }
        if (information) {
            continue;
        }
        if (referencePending) {
            if (words.size() != 1) {
                throw TouchstoneError(lineNumber, "[Reference] holds one resistance for one port");
            }
            reference = referenceOf(words[0], lineNumber);
            referencePending = false;
            continue;
        }
        if (words[0][0] == '#') {
            if (optionsAt) {
                throw TouchstoneError(lineNumber, "a second option line (the first is line " +
                                                      std::to_string(*optionsAt) + ")");
            }
            if (!m.points.empty()) {
                throw TouchstoneError(lineNumber,
                                      "the option line after data: it must come before the "
                                      "first point (line " +
                                          std::to_string(m.points.front().line) + ")");
            }
            if (words[0] != "#") {
                words.insert(words.begin() + 1, words[0].substr(1));
            }
            options = optionLine(words, lineNumber);
            optionsAt = lineNumber;
            continue;
        }
        if (m.version == 2 && !networkData) {
            throw TouchstoneError(lineNumber, "data before [Network Data]");
        }
        if (!options) {
            if (m.version == 2) {
                throw TouchstoneError(lineNumber, "data before the option line");
            }
            options = Options{};
        }
        if (words.size() < 3) {
            throw TouchstoneError(lineNumber,
                                  "a truncated data line: " + std::to_string(words.size()) +
                                      " numbers, a one-port point has 3 (frequency "
                                      "and two values)");
        }
        if (words.size() == 9) {
            throw TouchstoneError(lineNumber, "two-port data (9 numbers): a one-port sweep "
                                              "(.s1p) is needed");
        }
        if (words.size() != 3) {
            throw TouchstoneError(lineNumber, std::to_string(words.size()) +
                                                  " numbers: a one-port point has 3 (frequency "
                                                  "and two values)");
        }
        const double f = number(words[0], lineNumber, "the frequency");
        const double a = number(words[1], lineNumber, "the first value");
        const double b = number(words[2], lineNumber, "the second value");
        const double hz = f * options->hzPerUnit;
        if (!(f > 0) || hz > touchstoneMaxFrequencyHz) {
            throw TouchstoneError(lineNumber, "the frequency " + quoted(words[0]) + " " +
                                                  options->unit +
                                                  (f > 0 ? " is too large" : " is not above 0"));
        }
        if (!m.points.empty() && !(hz / 1e6 > m.points.back().frequencyMhz)) {
            throw TouchstoneError(lineNumber, "the frequency " + quoted(words[0]) + " " +
                                                  options->unit +
                                                  " does not increase on the line before");
        }
        if (m.points.size() >= touchstoneMaxPoints) {
            throw TouchstoneError(lineNumber,
                                  "more than " + std::to_string(touchstoneMaxPoints) + " points");
        }
        Options used = *options;
        if (reference) {
            used.reference = *reference;
        }
        m.points.push_back({hz / 1e6, impedanceOf(used, m.version, a, b, lineNumber), lineNumber});
    }
    if (information) {
        throw TouchstoneError(lineNumber, "[Begin Information] without [End Information]");
    }
    if (referencePending) {
        throw TouchstoneError(lineNumber, "[Reference] without its resistance");
    }
    if (m.points.empty()) {
        throw TouchstoneError(lineNumber, "no data: the file holds no measured point");
    }
    if (m.version == 2) {
        if (!ended) {
            throw TouchstoneError(lineNumber, "the file ends without [End]");
        }
        if (static_cast<std::size_t>(*frequencies) != m.points.size()) {
            throw TouchstoneError(lineNumber, "[Number of Frequencies] is " +
                                                  std::to_string(*frequencies) + ", the data has " +
                                                  std::to_string(m.points.size()));
        }
    }
    const Options used = options.value_or(Options{});
    m.referenceOhms = reference.value_or(used.reference);
    m.parameter = used.parameter;
    m.format = used.format;
    m.unit = used.unit;
    return m;
}

void requirePassiveThroughLine(const Measurement& measurement, const FeedLine& line,
                               const std::string& given) {
    for (const MeasuredPoint& p : measurement.points) {
        const std::complex<double> z = atFeedPoint(p.impedance, p.frequencyMhz, line);
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag()) ||
            z.real() < -passiveSlack * std::abs(z)) {
            const std::string resistance =
                std::isfinite(z.real())
                    ? "a resistance of " + analysis::formatNumber("%.6g", z.real()) + " ohm"
                    : std::string("no finite impedance");
            throw TouchstoneError(
                p.line, "moved through the feed line (" + given + ": " + feedLineText(line) +
                            ") the point at " + analysis::formatNumber("%.6g", p.frequencyMhz) +
                            " MHz has " + resistance +
                            " at the feed point, which no passive antenna gives: the sweep "
                            "was not taken through this line; check its length, velocity "
                            "factor and loss");
        }
    }
}

Measurement readTouchstoneFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw TouchstoneError(0, std::string("cannot be read: ") + std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        throw TouchstoneError(0, "it is a folder, not a Touchstone file");
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw TouchstoneError(0, std::string("cannot be read: ") + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > touchstoneMaxBytes) {
            throw TouchstoneError(0, "larger than " + std::to_string(touchstoneMaxBytes >> 20) +
                                         " MiB: not an analyser's one-port sweep");
        }
    }
    return readTouchstone(text);
}

} // namespace tarvo::workshop
