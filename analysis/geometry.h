// SPDX-License-Identifier: GPL-3.0-or-later
// The wire model of a computed design for NEC-2: boom along +x, reflector loop at x = 0, the
// driven loop and the directors at their boom positions: the six of the design, and any added
// beyond DIR 6 by the table's rule.
#pragma once

#include "analysis/number_format.h"
#include "design/design_state.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo::analysis {

/// A failure of the analysis that the user is told about: a design that cannot be modelled, a
/// missing nec2c, an output that cannot be read.
/// Its message is read by a person: readBy() gives its numbers in the user's decimal separator.
/// One that quotes a path or nec2c's own words is made by quoting() and shown as it stands.
class AnalysisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    static AnalysisError quoting(const std::string& message) {
        AnalysisError error(message);
        error.m_quotes = true;
        return error;
    }
    std::string readBy(const std::string& decimalSeparator) const {
        return m_quotes ? std::string(what()) : withDecimalSeparator(what(), decimalSeparator);
    }

private:
    bool m_quotes{};
};

/// Element diameters or a segmentation outside NEC-2's thin-wire model: a usage error, since
/// no result could be trusted.
class ModelLimitError : public AnalysisError {
public:
    using AnalysisError::AnalysisError;
};

struct Point {
    double x{};
    double y{};
    double z{};
};

enum class Metal { Copper, Aluminium };

/// Conductivity in siemens per metre.
double conductivityOf(Metal metal);

/// Element thicknesses: the loops' wire and the directors' rods.
struct Material {
    double wireDiameterMm{};
    double rodDiameterMm{};
    bool operator==(const Material&) const = default;
};

/// The wire and rods the window's help text recommends for the band nearest the frequency.
Material recommendedMaterial(double frequencyMhz);

/// The thicknesses that keep the 144 MHz material's proportion to the wavelength.
Material scaledMaterial(double frequencyMhz);

struct Wire {
    int tag{};
    int segments{};
    Point start;
    Point end;
    double radius{}; ///< metres
    Metal metal{};
};

struct Model {
    double frequencyMhz{};
    std::vector<Wire> wires;
    int feedTag{};     ///< the bottom side of the driven loop
    int feedSegment{}; ///< its middle segment, counted within the wire
    int segmentsPerWavelength{};
    bool extendedKernel{}; ///< some segment is shorter than 8 radii: NEC-2's EK card is needed
    double shortestSegmentRadii{}; ///< the smallest segment length / radius of any wire
};

/// A director beyond DIR 6, as the table's rule gives it from the texts shown in inches.
struct AddedDirector {
    double lengthInches{};  ///< as the table shows it: with the metallic boom's correction
    double spacingInches{}; ///< from the director before it
    bool operator==(const AddedDirector&) const = default;
};
/// DIR 7, DIR 8 ... in boom order.
using AddedDirectors = std::vector<AddedDirector>;

/// Segments a wavelength for the defaults: the most, up to 40 and at least 10, for which every
/// segment is at least 8 times its wire's radius, so that the plain thin-wire kernel holds.
int defaultSegmentsPerWavelength(const DesignState& design, const Material& material,
                                 const AddedDirectors& added = {});

inline constexpr double speedOfLight = 299.792458; // metres times MHz
inline constexpr double metresPerInch = 0.0254;

/// The model of the design last computed. Directors carry no metallic-boom correction: NEC
/// models no boom, and the correction only makes up for one; an added director's shown length
/// holds the correction too (DIR 6's carries over), so the model takes it off. About
/// `segmentsPerWavelength` segments a wavelength, an odd count on every wire. Throws
/// ModelLimitError when a wire or a segment lies outside the thin-wire model.
Model buildModel(const DesignState& design, const Material& material, int segmentsPerWavelength,
                 const AddedDirectors& added = {});

} // namespace tarvo::analysis
