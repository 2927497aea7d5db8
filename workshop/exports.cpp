// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/exports.h"

#include "analysis/number_format.h"

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace tarvo::workshop {
namespace {

using analysis::formatNumber;

/// The model's elements as a builder names them: two loops of four wires, the directors.
struct Elements {
    double reflectorLoop{}; ///< wire length, metres
    double drivenLoop{};
    std::vector<double> directors;
    std::vector<double> positions; ///< along the boom, metres: REF, DE, DIR 1 ...
};

double lengthOf(const analysis::Wire& wire) {
    return std::hypot(wire.end.x - wire.start.x, wire.end.y - wire.start.y,
                      wire.end.z - wire.start.z);
}

Elements elementsOf(const analysis::Model& model) {
    if (model.wires.size() < 14) {
        throw std::invalid_argument("the model does not hold two loops and six directors");
    }
    Elements e;
    e.reflectorLoop = 4 * lengthOf(model.wires[0]);
    e.drivenLoop = 4 * lengthOf(model.wires[4]);
    e.positions.push_back(model.wires[0].start.x);
    e.positions.push_back(model.wires[4].start.x);
    for (std::size_t w = 8; w < model.wires.size(); ++w) {
        e.directors.push_back(lengthOf(model.wires[w]));
        e.positions.push_back(model.wires[w].start.x);
    }
    return e;
}

/// MMANA-GAL's material code for copper.
constexpr int maaCopper = 1;

std::string g(double value) {
    return formatNumber("%.9g", value);
}

} // namespace

std::string maaFile(const analysis::Model& model, const analysis::Material& material) {
    std::ostringstream out;
    out << "TARVO " << g(model.frequencyMhz) << " MHz loop beam\n";
    out << "*\n";
    out << g(model.frequencyMhz) << '\n';
    out << "***Wires***\n";
    out << model.wires.size() << '\n';
    for (const analysis::Wire& wire : model.wires) {
        out << g(wire.start.x) << ",\t" << g(wire.start.y) << ",\t" << g(wire.start.z) << ",\t"
            << g(wire.end.x) << ",\t" << g(wire.end.y) << ",\t" << g(wire.end.z) << ",\t"
            << g(wire.radius) << ",\t" << wire.segments << '\n';
    }
    out << "***Source***\n";
    out << "1,\t1\n";
    // The source sits at the middle of a wire with an odd segment count: "c" is the centre.
    out << "w" << model.feedTag << "c,\t0.0,\t1.0\n";
    out << "***Load***\n";
    out << "0,\t1\n";
    out << "***Segmentation***\n";
    out << "800,\t80,\t2.0,\t2\n";
    // Free space, the material, 50 ohm. MMANA-GAL takes one material for every wire (its list:
    // 0 lossless, 1 copper, 2 aluminium, 3 iron): copper, the loops' metal. The loops carry
    // most of the loss, so copper everywhere is nearer the mixed model than aluminium
    // everywhere (nec2c: 0.2 against 0.4 percentage points of efficiency at 144 MHz, 0.4
    // against 0.7 at 432, both about 0.7 at 1296) and lossless is furthest off.
    out << "***G/H/M/R/AzEl/X***\n";
    out << "0,\t0.0,\t" << maaCopper << ",\t50.0,\t120,\t60,\t0.0\n";
    out << "###Comment###\n";
    out << "Free space. Loops of copper wire " << g(material.wireDiameterMm)
        << " mm, directors of aluminium rod " << g(material.rodDiameterMm)
        << " mm, without the metallic-boom correction (no boom is modelled). MMANA-GAL takes one "
           "material for all wires: copper here, so the directors' loss is that of copper, a "
           "little less than aluminium's.\n";
    return out.str();
}

std::string symbolicDeck(const analysis::Model& model, const analysis::Material& material) {
    const Elements e = elementsOf(model);
    std::ostringstream deck;
    deck << "CM TARVO design for " << g(model.frequencyMhz) << " MHz, in free space, tunable\n";
    const std::string last = std::to_string(e.directors.size());
    deck << "CM Lengths in metres: LR, LD the loops' wire lengths, L1-L" << last
         << " the directors,\n";
    deck << "CM SR reflector to driven loop, S1-S" << last << " the spacings ahead of it\n";
    deck << "CM Directors without the metallic-boom correction: NEC models no boom\n";
    // What the tests have seen: both NEC-2 programs Debian 12 ships stop at the first SY card.
    deck << "CM SY cards are for NEC-2 programs that read them: nec2c 1.3 and xnec2c 4.4.12\n";
    deck << "CM stop at the first one; open the plain .nec export there\n";
    deck << "CE\n";
    deck << "SY F=" << g(model.frequencyMhz) << '\n';
    deck << "SY RW=" << g(material.wireDiameterMm / 2000) << '\n';
    deck << "SY RR=" << g(material.rodDiameterMm / 2000) << '\n';
    deck << "SY LR=" << g(e.reflectorLoop) << '\n';
    deck << "SY LD=" << g(e.drivenLoop) << '\n';
    for (std::size_t n = 0; n < e.directors.size(); ++n) {
        deck << "SY L" << n + 1 << '=' << g(e.directors[n]) << '\n';
    }
    deck << "SY SR=" << g(e.positions[1] - e.positions[0]) << '\n';
    for (std::size_t n = 0; n < e.directors.size(); ++n) {
        deck << "SY S" << n + 1 << '=' << g(e.positions[n + 2] - e.positions[n + 1]) << '\n';
    }
    // Positions along the boom, each from the one before, so a spacing moves what lies ahead.
    deck << "SY X1=SR\n";
    for (std::size_t n = 1; n <= e.directors.size(); ++n) {
        deck << "SY X" << n + 1 << "=X" << n << "+S" << n << '\n';
    }
    const auto loop = [&](int firstTag, const std::string& x, const std::string& length,
                          int segments) {
        const std::string h = length + "/8";
        const std::string corners[4][2] = {{"-" + h, "-" + h}, {h, "-" + h}, {h, h}, {"-" + h, h}};
        for (int side = 0; side < 4; ++side) {
            const auto& a = corners[side];
            const auto& b = corners[(side + 1) % 4];
            deck << "GW " << firstTag + side << ' ' << segments << ' ' << x << ' ' << a[0] << ' '
                 << a[1] << ' ' << x << ' ' << b[0] << ' ' << b[1] << " RW\n";
        }
    };
    loop(1, "0", "LR", model.wires[0].segments);
    loop(5, "X1", "LD", model.wires[4].segments);
    for (std::size_t n = 0; n < e.directors.size(); ++n) {
        const std::string l = std::string("L").append(std::to_string(n + 1));
        deck << "GW " << 9 + n << ' ' << model.wires[8 + n].segments << " X" << n + 2 << " -" << l
             << "/2 0 X" << n + 2 << ' ' << l << "/2 0 RR\n";
    }
    deck << "GE 0\n";
    if (model.extendedKernel) {
        deck << "EK 0\n";
    }
    for (const analysis::Wire& wire : model.wires) {
        deck << "LD 5 " << wire.tag << " 0 0 " << g(analysis::conductivityOf(wire.metal)) << '\n';
    }
    deck << "EX 0 " << model.feedTag << ' ' << model.feedSegment << " 0 1 0\n";
    deck << "FR 0 1 0 0 F 0\n";
    deck << "RP 0 1 361 1000 90 0 0 1\n";
    deck << "EN\n";
    return deck.str();
}

std::string touchstoneFile(const analysis::Performance& performance) {
    std::ostringstream out;
    out << "! TARVO " << g(performance.design.frequencyMhz)
        << " MHz design: the feed's reflection over the NEC-2 sweep, in free space\n";
    out << "! Loops of " << g(performance.material.wireDiameterMm) << " mm wire, directors of "
        << g(performance.material.rodDiameterMm) << " mm rod\n";
    out << "# MHZ S RI R " << g(analysis::referenceImpedance) << '\n';
    for (const analysis::SweepPoint& point : performance.sweep) {
        const std::complex<double> z = point.impedance;
        const std::complex<double> s11 =
            (z - analysis::referenceImpedance) / (z + analysis::referenceImpedance);
        out << formatNumber("%.9g", point.frequencyMhz) << ' ' << formatNumber("%.9g", s11.real())
            << ' ' << formatNumber("%.9g", s11.imag()) << '\n';
    }
    return out.str();
}

} // namespace tarvo::workshop
