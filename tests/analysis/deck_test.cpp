// SPDX-License-Identifier: GPL-3.0-or-later
// The NEC-2 deck: every number written reads back.
#include "analysis/deck.h"
#include "analysis_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace tarvo::analysis {
namespace {

std::vector<std::vector<std::string>> cards(const std::string& deck, const std::string& kind) {
    std::vector<std::vector<std::string>> found;
    std::istringstream lines(deck);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;) {
            fields.push_back(word);
        }
        if (!fields.empty() && fields[0] == kind) {
            found.push_back(fields);
        }
    }
    return found;
}

// Every coordinate reads back to 1/400000 of a wavelength at every frequency the design takes
// (a micrometre at 1296 MHz): written to a micrometre, the loops' corners fold together at
// 1e8 MHz and the feed moves at 3e5 MHz.
TEST(Deck, EveryWireReadsBackFromItsCard) {
    for (const char* frequency : {"144", "1296", "100000", "300000"}) {
        // Wire and rods in the 144 MHz proportion to the wavelength, inside NEC-2's model.
        const Material material = scaledMaterial(std::stod(frequency));
        const Model model = buildModel(test::computedDesign(frequency, false), material, 40);
        const double wavelength = 299.792458 / model.frequencyMhz;
        const std::string deck = writeDeck(model, material, Sweep{});
        const auto wires = cards(deck, "GW");
        ASSERT_EQ(wires.size(), model.wires.size());
        for (std::size_t i = 0; i < wires.size(); ++i) {
            const Wire& wire = model.wires[i];
            const auto& card = wires[i];
            ASSERT_EQ(card.size(), 10U);
            EXPECT_EQ(std::stoi(card[1]), wire.tag);
            EXPECT_EQ(std::stoi(card[2]), wire.segments);
            const double coordinates[] = {wire.start.x, wire.start.y, wire.start.z,
                                          wire.end.x,   wire.end.y,   wire.end.z};
            for (std::size_t k = 0; k < 6; ++k) {
                EXPECT_NEAR(std::stod(card[3 + k]), coordinates[k], wavelength * 2.5e-6)
                    << frequency << " MHz, tag " << wire.tag;
            }
            EXPECT_NEAR(std::stod(card[9]), wire.radius, wire.radius * 1e-6);
        }
    }
}

// Other NEC-2 programs read the exported deck: xnec2c stops at a PT or PQ card ("Printing to
// file not implemented"), so the export has none and is otherwise the deck nec2c runs.
TEST(Deck, TheExportHasNoPrintControlCard) {
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const std::string run = writeDeck(model, {2.05, 4.76}, Sweep{3, 0.25});
    const std::string exported = exportDeck(model, {2.05, 4.76}, Sweep{3, 0.25});
    EXPECT_TRUE(cards(exported, "PT").empty()) << exported;
    EXPECT_TRUE(cards(exported, "PQ").empty()) << exported;
    std::string withoutPrinting = run;
    withoutPrinting.erase(run.find("PT -1 0 0 0\n"), 12);
    EXPECT_EQ(exported, withoutPrinting);
}

TEST(Deck, LoadsFeedFrequenciesAndPatterns) {
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const std::string deck = writeDeck(model, {2.05, 4.76}, Sweep{3, 0.25});
    EXPECT_EQ(deck.rfind("CM ", 0), 0U);
    EXPECT_NE(deck.find("\nCE\n"), std::string::npos);
    EXPECT_EQ(cards(deck, "GE").size(), 1U);

    const auto loads = cards(deck, "LD");
    ASSERT_EQ(loads.size(), model.wires.size());
    // Published conductivities: copper 5.8e7 S/m (the IACS standard), aluminium 3.5e7 S/m
    // (a common rod alloy); the eight loop wires are copper, the six directors aluminium.
    for (std::size_t i = 0; i < loads.size(); ++i) {
        EXPECT_EQ(loads[i][1], "5");
        EXPECT_EQ(loads[i][2], std::to_string(i + 1));
        EXPECT_EQ(loads[i][5], i < 8 ? "5.8e+07" : "3.5e+07") << "tag " << i + 1;
    }

    const auto excitation = cards(deck, "EX");
    ASSERT_EQ(excitation.size(), 1U);
    EXPECT_EQ(std::stoi(excitation[0][2]), model.feedTag);
    EXPECT_EQ(std::stoi(excitation[0][3]), model.feedSegment);

    const auto frequencies = cards(deck, "FR");
    ASSERT_EQ(frequencies.size(), 2U);
    EXPECT_EQ(std::stoi(frequencies[0][2]), 1);
    EXPECT_NEAR(std::stod(frequencies[0][5]), 144.0, 1e-9);
    EXPECT_EQ(std::stoi(frequencies[1][2]), 25);
    EXPECT_NEAR(std::stod(frequencies[1][5]), 144 * 0.97, 1e-6);
    EXPECT_NEAR(std::stod(frequencies[1][6]), 144 * 0.0025, 1e-9);

    const auto patterns = cards(deck, "RP");
    ASSERT_EQ(patterns.size(), 3U);
    EXPECT_EQ(std::stoi(patterns[0][3]), azimuthPoints);
    EXPECT_EQ(std::stoi(patterns[1][2]), elevationPoints);
    EXPECT_EQ(cards(deck, "EN").size(), 1U);
}

// The worked example's deck, worked by hand: at 144 MHz a wavelength is 2.08189 m and 40
// segments a wavelength are wanted. The reflector's sides are 89.35 / 4 in = 0.567373 m (half
// 0.283686) in 10.9 -> 11 segments; the driven loop stands at the reflector spacing 17.5162 in
// = 0.444913 m with sides of 85.655 / 4 in (half 0.271955) and is fed at its bottom side (tag
// 5) in the middle of 11 segments; DIR 1 stands at 32.8689 in = 0.834870 m, 36.1405 in long
// without the boom correction (half 0.458985 m), 17.6 -> 18 -> 19 segments. Radii: 2.05 / 2 mm
// and 4.76 / 2 mm. The sweep starts 3 % low at 139.68 MHz in steps of 0.36 MHz.
TEST(Deck, TheWorkedExampleDeckHandWorked) {
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const std::string deck = writeDeck(model, {2.05, 4.76}, Sweep{3, 0.25});
    for (const char* card : {
             "\nGW 1 11 0.000000 -0.283686 -0.283686 0.000000 0.283686 -0.283686 0.001025\n",
             "\nGW 5 11 0.444913 -0.271955 -0.271955 0.444913 0.271955 -0.271955 0.001025\n",
             "\nGW 9 19 0.834870 -0.458985 0.000000 0.834870 0.458985 0.000000 0.00238\n",
         }) {
        EXPECT_NE(deck.find(card), std::string::npos) << card << deck;
    }
    EXPECT_EQ(deck.substr(deck.find("\nEX ") + 1), "EX 0 5 6 0 1 0\n"
                                                   "PT -1 0 0 0\n"
                                                   "FR 0 1 0 0 144 0\n"
                                                   "RP 0 1 361 1000 90 0 0 1\n"
                                                   "RP 0 181 2 1000 0 0 1 180\n"
                                                   "FR 0 25 0 0 139.68 0.36\n"
                                                   "RP 0 1 2 1000 90 0 0 180\n"
                                                   "EN\n");
}

// The sweep is whole steps each side of the design frequency, which is one of its points:
// +/-1.1 % in 0.25 % steps is four steps each side, 142.56 to 145.44 MHz at 144.
// The sweep cut for the cores: the parts' frequencies one after another are the whole deck's,
// 144 MHz and then 139.68 + 0.36 i MHz for i = 0 ... 24, and the design's cuts come only once.
TEST(Deck, TheSweepCutIntoPartsAsksForEveryFrequencyOnceInOrder) {
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const std::string whole = writeDeck(model, {2.05, 4.76}, Sweep{});
    EXPECT_EQ(writeSweepDecks(model, {2.05, 4.76}, Sweep{}, 1), std::vector<std::string>{whole});
    std::vector<double> expected{144};
    for (int i = 0; i < 25; ++i) {
        expected.push_back(139.68 + 0.36 * i);
    }
    for (const int parts : {2, 3, 26, 40}) {
        const auto decks = writeSweepDecks(model, {2.05, 4.76}, Sweep{}, parts);
        EXPECT_EQ(decks.size(), static_cast<std::size_t>(std::min(parts, 26)));
        std::vector<double> asked;
        int cuts = 0;
        int frs = 0;
        for (const std::string& deck : decks) {
            EXPECT_EQ(deck.substr(0, deck.find("FR")), whole.substr(0, whole.find("FR")));
            for (const auto& card : cards(deck, "FR")) {
                ++frs;
                for (int k = 0; k < std::stoi(card[2]); ++k) {
                    asked.push_back(std::stod(card[5]) + k * std::stod(card[6]));
                }
            }
            cuts += static_cast<int>(cards(deck, "RP").size());
        }
        ASSERT_EQ(asked.size(), expected.size()) << parts;
        for (std::size_t i = 0; i < asked.size(); ++i) {
            EXPECT_NEAR(asked[i], expected[i], 1e-9) << parts << " parts, frequency " << i;
        }
        // Two cuts at the design frequency's FR, one forward-and-back pattern for every other.
        EXPECT_EQ(cuts, 2 + frs - 1) << parts;
    }
}

TEST(Deck, SweepSizes) {
    EXPECT_EQ((Sweep{3, 0.25}.count()), 25);
    EXPECT_EQ((Sweep{0.5, 0.25}.count()), 5);
    EXPECT_EQ((Sweep{0, 0.25}.count()), 0);
    const Sweep odd{1.1, 0.25};
    EXPECT_EQ(odd.count(), 9);
    EXPECT_DOUBLE_EQ(odd.reachPercent(), 1.0);
    EXPECT_DOUBLE_EQ(odd.startMhz(144), 142.56);
    EXPECT_DOUBLE_EQ(odd.frequencyMhz(144, 4), 144);
    EXPECT_DOUBLE_EQ(odd.frequencyMhz(144, 8), 145.44);
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    EXPECT_EQ(cards(writeDeck(model, {2.05, 4.76}, Sweep{0, 0.25}), "FR").size(), 1U);
}

} // namespace
} // namespace tarvo::analysis
