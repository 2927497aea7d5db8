// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/deck.h"

#include "analysis/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace tarvo::analysis {
namespace {

std::string number(double value) {
    return formatNumber("%.7g", value);
}

/// Decimals that carry a coordinate to 1/200000 of a wavelength or finer, and never fewer than
/// six (a micrometre, which is that up to 1.5 GHz): at 1e5 MHz and above a micrometre would fold
/// the loops' corners together and shift the feed.
int coordinateDecimals(double frequencyMhz) {
    const double wavelength = 299.792458 / frequencyMhz;
    const double needed = std::ceil(std::log10(2e5 / wavelength) - 1e-9);
    return needed > 6 ? static_cast<int>(std::min(needed, 30.0)) : 6;
}

std::string fixed(double value, int decimals) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

/// Comments, geometry, loads and the feed: everything before the frequencies.
/// The run's own deck keeps nec2c from printing the currents, which nothing reads; the exported
/// deck leaves that card out because other NEC-2 programs (xnec2c) refuse print control cards.
enum class Printing { FiguresOnly, ProgramDefault };

void writeModel(std::ostringstream& deck, const Model& model, const Material& material,
                Printing printing) {
    deck << "CM TARVO design for " << number(model.frequencyMhz) << " MHz, in free space\n";
    deck << "CM Loops of copper wire " << number(material.wireDiameterMm)
         << " mm, directors of aluminium rod " << number(material.rodDiameterMm) << " mm\n";
    deck << "CM Directors without the metallic-boom correction: NEC models no boom\n";
    deck << "CE\n";
    const int decimals = coordinateDecimals(model.frequencyMhz);
    for (const Wire& wire : model.wires) {
        deck << "GW " << wire.tag << ' ' << wire.segments;
        for (const double coordinate :
             {wire.start.x, wire.start.y, wire.start.z, wire.end.x, wire.end.y, wire.end.z}) {
            deck << ' ' << fixed(coordinate, decimals);
        }
        deck << ' ' << number(wire.radius) << '\n';
    }
    deck << "GE 0\n";
    if (model.extendedKernel) {
        deck << "EK 0\n"; // segments short against their radius: the extended thin-wire kernel
    }
    for (const Wire& wire : model.wires) {
        deck << "LD 5 " << wire.tag << " 0 0 " << number(conductivityOf(wire.metal)) << '\n';
    }
    deck << "EX 0 " << model.feedTag << ' ' << model.feedSegment << " 0 1 0\n";
    if (printing == Printing::FiguresOnly) {
        deck << "PT -1 0 0 0\n"; // no currents in the output: only the figures are read
    }
}

} // namespace

int Sweep::stepsEachSide() const {
    if (!(percent > 0) || !(stepPercent > 0)) {
        return 0;
    }
    return static_cast<int>(std::floor(percent / stepPercent + 1e-9));
}

int Sweep::count() const {
    return percent > 0 && stepPercent > 0 ? 2 * stepsEachSide() + 1 : 0;
}

std::string writeDeck(const Model& model, const Material& material, const Sweep& sweep) {
    return writeSweepDecks(model, material, sweep, 1).front();
}

namespace {

std::vector<std::string> sweepDecks(const Model& model, const Material& material,
                                    const Sweep& sweep, int parts, Printing printing) {
    // The design frequency first, then the sweep's: each part takes its share of them.
    const int total = 1 + sweep.count();
    parts = std::clamp(parts, 1, total);
    std::vector<std::string> decks;
    for (int part = 0; part < parts; ++part) {
        const int first = total * part / parts;
        const int end = total * (part + 1) / parts;
        std::ostringstream deck;
        writeModel(deck, model, material, printing);
        if (first == 0) {
            deck << "FR 0 1 0 0 " << number(model.frequencyMhz) << " 0\n";
            deck << "RP 0 1 " << azimuthPoints << " 1000 90 0 0 1\n";
            deck << "RP 0 " << elevationPoints << " 2 1000 0 0 1 180\n";
        }
        const int from = std::max(first, 1) - 1; // the first sweep frequency of this part
        const int count = end - 1 - from;
        if (count > 0) {
            deck << "FR 0 " << count << " 0 0 "
                 << formatNumber("%.9g", sweep.frequencyMhz(model.frequencyMhz, from)) << ' '
                 << formatNumber("%.9g", sweep.stepMhz(model.frequencyMhz)) << '\n';
            deck << "RP 0 1 2 1000 90 0 0 180\n";
        }
        deck << "EN\n";
        decks.push_back(deck.str());
    }
    return decks;
}

} // namespace

std::vector<std::string> writeSweepDecks(const Model& model, const Material& material,
                                         const Sweep& sweep, int parts) {
    return sweepDecks(model, material, sweep, parts, Printing::FiguresOnly);
}

std::string exportDeck(const Model& model, const Material& material, const Sweep& sweep) {
    return sweepDecks(model, material, sweep, 1, Printing::ProgramDefault).front();
}

std::string writePointsDeck(const Model& model, const Material& material,
                            const std::vector<double>& frequenciesMhz) {
    std::ostringstream deck;
    writeModel(deck, model, material, Printing::FiguresOnly);
    for (const double frequency : frequenciesMhz) {
        deck << "FR 0 1 0 0 " << formatNumber("%.9g", frequency) << " 0\n";
        deck << "RP 0 1 2 1000 90 0 0 180\n";
    }
    deck << "EN\n";
    return deck.str();
}

} // namespace tarvo::analysis
