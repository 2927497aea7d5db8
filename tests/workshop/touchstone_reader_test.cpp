// SPDX-License-Identifier: GPL-3.0-or-later
// One-port Touchstone files as analysers write them, each read to the impedance worked by hand:
// every unit, parameter and format, the defaults without an option line, Touchstone 2.0's
// keywords (Z in ohms there, not normalised), CR LF, CR alone, a byte order mark and comments;
// and what no file of a passive antenna holds, refused with its line.
#include "workshop/feedline.h"
#include "workshop/touchstone_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <ostream>

namespace tarvo::workshop {
namespace {

struct Accepted {
    const char* name;
    const char* text;
    double frequencyMhz;
    std::complex<double> impedance;
    double reference;
};

void PrintTo(const Accepted& accepted, std::ostream* out) {
    *out << accepted.name;
}

class TouchstoneAccepted : public ::testing::TestWithParam<Accepted> {};

TEST_P(TouchstoneAccepted, GivesTheImpedanceWorkedByHand) {
    const Accepted& a = GetParam();
    const Measurement m = readTouchstone(a.text);
    ASSERT_EQ(m.points.size(), 1U);
    EXPECT_NEAR(m.points[0].frequencyMhz, a.frequencyMhz, 1e-9);
    EXPECT_NEAR(m.points[0].impedance.real(), a.impedance.real(), 1e-3);
    EXPECT_NEAR(m.points[0].impedance.imag(), a.impedance.imag(), 1e-3);
    EXPECT_EQ(m.referenceOhms, a.reference);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TouchstoneAccepted,
    ::testing::Values(
        // A matched load.
        Accepted{"MhzSRi", "# MHZ S RI R 50\n144 0 0\n", 144, {50, 0}, 50},
        // No option line: GHZ S MA R 50. S = 0.2 at 90 deg = 0.2j;
        // Z = 50 (1 + 0.2j) / (1 - 0.2j) = 50 (0.96 + 0.4j) / 1.04.
        Accepted{"Defaults", "0.144 0.2 90\n", 144, {46.153846, 19.230769}, 50},
        // -20 dB is |S| = 0.1 (20 log10): Z = 50 x 1.1 / 0.9.
        Accepted{"KhzSDb", "# KHZ S DB R 50\n144000 -20 0\n", 144, {61.111111, 0}, 50},
        // z = 0.8 at 36.8699 deg = 0.64 + 0.48j, normalised to 75 ohm: 48 + 36j.
        Accepted{"HzZMa", "# HZ Z MA R 75\n144e6 0.8 36.869898\n", 144, {48, 36}, 75},
        // y = 0.8 - 0.4j normalised: z = 1 / y = 1 + 0.5j, times 50.
        Accepted{"MhzYRi", "# MHZ Y RI R 50\n144 0.8 -0.4\n", 144, {50, 25}, 50},
        // Lower case, tokens in any order, a comment after the values.
        Accepted{"AnyOrder", "# ri r 50 s mhz\n144 0 0 ! a point\n", 144, {50, 0}, 50},
        // A byte order mark, CR LF and comments.
        Accepted{"CrLf",
                 "\xEF\xBB\xBF! analyser\r\n# MHz S RI R 50\r\n\r\n144 0 0\r\n",
                 144,
                 {50, 0},
                 50},
        // Touchstone 2.0: Z in ohms, not normalised; the reference on the line after.
        Accepted{"Version2Z",
                 "[Version] 2.0\n# MHZ Z RI R 50\n[Number of Ports] 1\n"
                 "[Number of Frequencies] 1\n[Reference]\n75\n[Network Data]\n144 30 -40\n"
                 "[End]\n",
                 144,
                 {30, -40},
                 75},
        // Touchstone 2.0: S against its [Reference] of 75 ohm, information skipped.
        Accepted{"Version2S",
                 "[Version] 2.0\n# GHZ S RI R 50\n[Number of Ports] 1\n[Reference] 75\n"
                 "[Matrix Format] Full\n[Begin Information]\nanything\n[End Information]\n"
                 "[Number of Frequencies] 1\n[Network Data]\n0.144 0 0\n[End]\n",
                 144,
                 {75, 0},
                 75},
        // CR alone ends the lines, as some scripts write them: y = 0.8 - 0.4j as above.
        Accepted{"CrOnly", "! analyser\r# MHZ Y RI R 50\r\r144 0.8 -0.4\r", 144, {50, 25}, 50},
        // A number below a double's least, 1e-400, is 0: a matched load.
        Accepted{"Underflow", "# MHZ S RI R 50\n144 1e-400 -0.0000e-999\n", 144, {50, 0}, 50},
        // |S| of exactly 1 is a pure reactance, which a passive load can be: S = 0.6 + 0.8j,
        // Z = 50 (1.6 + 0.8j) / (0.4 - 0.8j) = 50 (1.6j / 0.8) = 100j.
        Accepted{"LosslessReactance", "# MHZ S RI R 50\n144 0.6 0.8\n", 144, {0, 100}, 50}),
    [](const auto& param) { return std::string(param.param.name); });

struct Refused {
    const char* name;
    const char* text;
    std::size_t line;
    const char* words;
};

void PrintTo(const Refused& refused, std::ostream* out) {
    *out << refused.name;
}

class TouchstoneRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(TouchstoneRefused, NamesTheLineAndWhatIsWrong) {
    const Refused& r = GetParam();
    try {
        readTouchstone(r.text);
        FAIL() << "read";
    } catch (const TouchstoneError& error) {
        EXPECT_EQ(error.line(), r.line) << error.what();
        EXPECT_NE(std::string(error.what()).find(r.words), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TouchstoneRefused,
    ::testing::Values(
        // 0.72 + 0.96j is 1.2 (0.6 + 0.8j): more reflected than was sent.
        Refused{"SAboveOne", "# MHZ S RI R 50\n144 0.1 0.2\n145 0.72 0.96\n", 3,
                "line 3: |S11| is 1.2, above 1: no passive antenna gives it"},
        // +1.583625 dB is 10^(1.583625 / 20) = 1.2.
        Refused{"SAboveOneInDb", "# MHZ S DB R 50\n144 1.583625 30\n", 2, "|S11| is 1.2, above 1"},
        Refused{"SAboveOneInMa", "# MHZ S MA R 50\n144 1.0001 -170\n", 2, "|S11| is 1.0001"},
        // z = -1 normalised to 50 ohm: -50 ohm.
        Refused{"NegativeResistance", "# MHZ Z RI R 50\n144 -1 0\n", 2,
                "the resistance is -50 ohm, below 0: no passive antenna gives it"},
        // Version 2 gives ohms as they are.
        Refused{"NegativeResistanceInOhms",
                "[Version] 2.0\n# MHZ Z RI R 50\n[Number of Ports] 1\n"
                "[Number of Frequencies] 1\n[Network Data]\n144 -3 10\n[End]\n",
                6, "the resistance is -3 ohm, below 0"},
        // y = -0.5 normalised to 50 ohm: -0.5 / 50 = -0.01 S.
        Refused{"NegativeConductance", "# MHZ Y RI R 50\n144 -0.5 0.1\n", 2,
                "the conductance is -0.01 S, below 0"},
        // A CR alone ends a line: the third line is the faulty one.
        Refused{"CrOnlyLines", "! x\r# MHZ S RI R 50\r144 0.72 0.96\r", 3, "|S11| is 1.2"},
        Refused{"Overflow", "# MHZ S RI R 50\n144 1e400 0\n", 2, "\"1e400\" is too large"},
        Refused{"LongOverflow", "# MHZ S RI R 50\n144 0.5 1000e306\n", 2, "is too large"},
        Refused{"UnderflowWithLetters", "# MHZ S RI R 50\n144 1e-400x 0\n", 2,
                "\"1e-400x\" is not a number"},
        // 1e-400 MHz is 0 MHz, which no analyser sweeps.
        Refused{"FrequencyUnderflow", "# MHZ S RI R 50\n1e-400 0 0\n", 2,
                "the frequency \"1e-400\" MHZ is not above 0"},
        Refused{"OptionLineAfterData", "! x\n0.144 0 0\n# MHZ S RI R 50\n", 3,
                "the option line after data: it must come before the first point (line 2)"},
        Refused{"SecondOptionLine", "# MHZ S RI R 50\n144 0 0\n# MHZ S RI R 50\n", 3,
                "a second option line (the first is line 1)"},
        Refused{"NegativeReference",
                "[Version] 2.0\n# MHZ S RI R 50\n[Number of Ports] 1\n[Reference] -5\n"
                "[Number of Frequencies] 1\n[Network Data]\n144 0 0\n[End]\n",
                4, "line 4: [Reference] \"-5\" is not above 0 ohm"},
        Refused{"ZeroReferenceOnItsOwnLine",
                "[Version] 2.0\n# MHZ S RI R 50\n[Number of Ports] 1\n[Reference]\n0\n"
                "[Number of Frequencies] 1\n[Network Data]\n144 0 0\n[End]\n",
                5, "[Reference] \"0\" is not above 0 ohm"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(FeedLine, AnImpossibleFeedPointNamesTheLineAndThePoint) {
    // A short measured at the near end of a half wave of line losing 1 dB one way: the far end
    // would reflect 2 dB more than was sent, Gamma = -10^(2/20) = -1.258925, Z = 50 (1 + Gamma)
    // / (1 - Gamma) = -5.73116 ohm. No passive antenna: the line is not the one given.
    const double half = 299.792458 / 100 * 0.8 / 2;
    const double lossPer100m = 1 / half * 100 / std::sqrt(100.0 / 25); // 1 dB at 100 MHz
    Measurement m;
    m.points = {{99, {50, 0}, 6}, {100, {0, 0}, 7}};
    try {
        requirePassiveThroughLine(m, {half, 0.8, 50, lossPer100m, 25}, "the line");
        FAIL() << "taken";
    } catch (const TouchstoneError& error) {
        EXPECT_EQ(error.line(), 7U);
        const std::string what = error.what();
        EXPECT_NE(what.find("moved through the feed line (the line: "), std::string::npos) << what;
        EXPECT_NE(what.find("at 100 MHz has a resistance of -5.73116 ohm"), std::string::npos)
            << what;
    }
    // Without the loss the short stays a short: passive.
    EXPECT_NO_THROW(requirePassiveThroughLine(m, {half, 0.8, 50, 0, 0}, "the line"));
}

TEST(FeedLine, AQuarterWaveOfLosslessLineInvertsTheLoad) {
    // At 144 MHz with velocity factor 0.66 a quarter wave is 0.3436 m; a 50 ohm line shows
    // 50^2 / Z_L at its near end, so a measured 25 ohm is 100 ohm at the feed point.
    const double quarter = 299.792458 / 144 * 0.66 / 4;
    const auto z = atFeedPoint({25, 0}, 144, {quarter, 0.66, 50, 0, 0});
    EXPECT_NEAR(z.real(), 100, 1e-6);
    EXPECT_NEAR(z.imag(), 0, 1e-6);
}

TEST(FeedLine, AHalfWaveOfLossyLineShowsTheLoadAttenuatedTwice) {
    // A half wave repeats the load; with 1 dB one way, a short at the far end shows |S| of
    // -2 dB at the near end: measured S = -10^(-2/20) gives back a short circuit.
    const double half = 299.792458 / 100 * 0.8 / 2;
    const double lossPer100m = 1 / half * 100 / std::sqrt(100.0 / 25); // 1 dB at 100 MHz
    const double s = -std::pow(10, -2.0 / 20);
    const std::complex<double> measured = 50 * (1 + s) / (1 - s);
    const auto z = atFeedPoint(measured, 100, {half, 0.8, 50, lossPer100m, 25});
    EXPECT_NEAR(std::abs(z), 0, 1e-6);
}

} // namespace
} // namespace tarvo::workshop
