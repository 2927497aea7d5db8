// SPDX-License-Identifier: GPL-3.0-or-later
// A builder's analyser sweep read back: a one-port Touchstone file (1.x, or 2.0 with its
// keywords), every point as the impedance at the analyser's port. A file that is not plainly
// one is refused with its line and what is wrong; nothing is guessed.
#pragma once

#include "workshop/feedline.h"

#include <complex>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo::workshop {

/// A malformed or unreadable file: `line` is 0 where no one line is at fault.
class TouchstoneError : public std::runtime_error {
public:
    TouchstoneError(std::size_t line, const std::string& what)
        : std::runtime_error(line ? "line " + std::to_string(line) + ": " + what : what)
        , m_line(line) {}
    std::size_t line() const { return m_line; }

private:
    std::size_t m_line;
};

/// Bounds on what is read: a sweep of a few thousand points fits many times over.
inline constexpr std::size_t touchstoneMaxBytes = std::size_t{4} << 20;
inline constexpr std::size_t touchstoneMaxLineBytes = 4096;
inline constexpr std::size_t touchstoneMaxPoints = 100001;
/// Above this no analyser measures, and a larger figure is a unit mistaken.
inline constexpr double touchstoneMaxFrequencyHz = 1e12;
/// The largest magnitude any number may have.
inline constexpr double touchstoneMaxValue = 1e12;

struct MeasuredPoint {
    double frequencyMhz{};
    std::complex<double> impedance; ///< ohms at the analyser's port
    std::size_t line{};             ///< the file's line that gave it
    bool operator==(const MeasuredPoint&) const = default;
};

struct Measurement {
    std::vector<MeasuredPoint> points; ///< frequencies strictly increasing
    double referenceOhms{50};          ///< the file's reference resistance
    std::string parameter;             ///< "S", "Z" or "Y"
    std::string format;                ///< "RI", "MA" or "DB"
    std::string unit;                  ///< "HZ", "KHZ", "MHZ" or "GHZ"
    int version{1};                    ///< 1, or 2 with the [Version] 2.0 keyword
    bool operator==(const Measurement&) const = default;
};

/// The file's text read as a one-port sweep. Throws TouchstoneError naming the line, also for a
/// point no passive antenna gives (|S11| above 1, a negative resistance or conductance): a
/// measurement or calibration fault, not something to fit.
Measurement readTouchstone(const std::string& text);

/// The file at `path`, read within touchstoneMaxBytes. Throws TouchstoneError.
Measurement readTouchstoneFile(const std::string& path);

/// Throws TouchstoneError naming the first point that `line` moves to the feed point as no
/// passive antenna could be there (a negative resistance, |S11| above 1): the line's length,
/// velocity factor or loss as given cannot be the line the sweep was taken through.
/// `given` names where the front took the line's figures from (tarvo-cli: its options).
void requirePassiveThroughLine(const Measurement& measurement, const FeedLine& line,
                               const std::string& given);

} // namespace tarvo::workshop
