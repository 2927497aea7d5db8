// SPDX-License-Identifier: GPL-3.0-or-later
// The trim's search against stand-ins for nec2c: what it says when the limits cannot be met,
// and that a failure or a Ctrl-C inside the optimiser reaches the front as itself.
#include "analysis/interrupt.h"
#include "analysis/trim.h"
#include "analysis_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <thread>

namespace tarvo::analysis {
namespace {

/// nec2c's output for each frequency of a points deck: 13 dBi forward, F/B `frontToBack`, the
/// feed matched.
std::string answers(const std::string& deck, double frontToBack) {
    std::istringstream lines(deck);
    std::string output;
    for (std::string line; std::getline(lines, line);) {
        double f = 0;
        if (std::sscanf(line.c_str(), "FR 0 1 0 0 %lf 0", &f) != 1) {
            continue;
        }
        output += test::necAnswer(f, {50, 0}, 13, 13 - frontToBack);
    }
    return output + "  TOTAL RUN TIME: 1 msec\n";
}

Model model144() {
    return buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
}

TEST(Trim, LimitsThatCannotBeMetGiveNoFeasibleLengths) {
    std::atomic<int> runs{0};
    const TrimSearch search =
        searchTrim(model144(), {2.05, 4.76}, defaultBand(144), [&](const std::string& deck) {
            ++runs;
            return answers(deck, 10);
        });
    EXPECT_FALSE(search.feasibleFound);
    EXPECT_EQ(search.necRuns, runs.load());
    EXPECT_GT(search.evaluations, 4);
}

/// The half-length of wire `tag` (its y end) in a deck.
double halfLength(const std::string& deck, int tag) {
    std::istringstream lines(deck);
    for (std::string line; std::getline(lines, line);) {
        int t = 0;
        int segments = 0;
        double x1 = 0, y1 = 0, z1 = 0, x2 = 0, y2 = 0;
        if (std::sscanf(line.c_str(), "GW %d %d %lf %lf %lf %lf %lf", &t, &segments, &x1, &y1, &z1,
                        &x2, &y2) == 7 &&
            t == tag) {
            return std::fabs(y2);
        }
    }
    return 0;
}

TEST(Trim, WhatWouldHelpComesFromWhereTheSearchPushedTheLengths) {
    // F/B rises as the directors shorten, 1 dB a per cent from 5 dB as designed: 20 dB at 15 %
    // shorter, the most the trim may change them by, and the search aims 0.5 dB higher. The SWR
    // and the peak are met everywhere.
    const Model model = model144();
    const TrimSearch search =
        searchTrim(model, {2.05, 4.76}, defaultBand(144), [&](const std::string& deck) {
            // The six directors' mean scale, which the taper leaves as it is.
            double scale = 0;
            for (int n = 0; n < 6; ++n) {
                scale += halfLength(deck, 9 + n) / std::fabs(model.wires[8 + n].end.y) / 6;
            }
            return answers(deck, 5 + (1 - scale) * 100);
        });
    EXPECT_FALSE(search.feasibleFound);
    EXPECT_NEAR(search.highestFrontToBackDb, 20, 0.2); // 15 % shorter, whatever the taper
    ASSERT_EQ(search.help.size(), 3U);
    EXPECT_EQ(search.help[0], "shorter directors than the 15 % the trim may change them by: "
                              "thinner rods for them");
}

TEST(Trim, AFailureInsideTheOptimiserReachesTheFrontAsItself) {
    std::atomic<int> runs{0};
    const auto failingAt = [&](int run, auto failure) {
        runs = 0;
        return [&runs, run, failure](const std::string& deck) {
            if (++runs == run) {
                throw failure;
            }
            return answers(deck, 25);
        };
    };
    try {
        searchTrim(model144(), {2.05, 4.76}, defaultBand(144), failingAt(7, Interrupted(2)));
        FAIL() << "the interruption was swallowed";
    } catch (const Interrupted& interrupted) {
        EXPECT_EQ(interrupted.signal(), 2);
    }
    // The search stopped at once: at most the runs already under way on the other cores.
    EXPECT_LE(runs.load(), 7 + static_cast<int>(std::thread::hardware_concurrency()));
    try {
        searchTrim(model144(), {2.05, 4.76}, defaultBand(144),
                   failingAt(5, AnalysisError("nec2c failed")));
        FAIL() << "the failure was swallowed";
    } catch (const AnalysisError& error) {
        EXPECT_STREQ(error.what(), "nec2c failed");
    }
}

TEST(Trim, TheSearchJudgesFrontToBackAndSwrAtTheBandsEnds) {
    // F/B 25 dB and the feed matched, except above 144.45 MHz, where F/B is 10 dB (or, the
    // second time, the feed 100 ohm: SWR 2): the default band (to 144.36 MHz) can be met, a
    // band to 144.5 MHz cannot.
    for (const bool swr : {false, true}) {
        const auto runner = [swr](const std::string& deck) {
            std::istringstream lines(deck);
            std::string output;
            for (std::string line; std::getline(lines, line);) {
                double f = 0;
                if (std::sscanf(line.c_str(), "FR 0 1 0 0 %lf 0", &f) == 1) {
                    const bool top = f > 144.45;
                    output += test::necAnswer(f, {top && swr ? 100.0 : 50.0, 0}, 13,
                                              13 - (top && !swr ? 10 : 25));
                }
            }
            return output + "  TOTAL RUN TIME: 1 msec\n";
        };
        EXPECT_TRUE(searchTrim(model144(), {2.05, 4.76}, defaultBand(144), runner).feasibleFound);
        const TrimSearch wide = searchTrim(model144(), {2.05, 4.76}, {143.5, 144.5}, runner);
        EXPECT_FALSE(wide.feasibleFound) << (swr ? "SWR" : "F/B");
        // nec2c prints gains to 0.01 dB.
        EXPECT_NEAR(swr ? wide.lowestSwr : wide.highestFrontToBackDb, swr ? 2 : 10, 0.01);
    }
}

TEST(Band, GridHasBothEndsAndAPointEvery005PercentOfTheDesignFrequency) {
    // 0.05 % of 144 MHz is 0.072 MHz: 143.64 ... 144.36 in 10 steps, 11 points.
    const std::vector<double> grid = bandGrid(defaultBand(144), 144);
    ASSERT_EQ(grid.size(), 11U);
    EXPECT_DOUBLE_EQ(grid.front(), 143.64);
    EXPECT_NEAR(grid[1], 143.712, 1e-9);
    EXPECT_NEAR(grid[5], 144, 1e-9);
    EXPECT_DOUBLE_EQ(grid.back(), 144.36);
    // 0.1 MHz over a 0.072 MHz step: two steps of 0.05 MHz.
    const std::vector<double> narrow = bandGrid({144, 144.1}, 144);
    ASSERT_EQ(narrow.size(), 3U);
    EXPECT_NEAR(narrow[1], 144.05, 1e-9);
    EXPECT_EQ(bandText(defaultBand(432)), "430.92 - 433.08 MHz");
}

TEST(Band, TheFirstFrequencyWhereEachLimitFailsIsNamed) {
    std::vector<SweepPoint> points;
    const double frontToBack[] = {21, 20, 19.9, 18, 22};
    const double swr[] = {1.2, 1.5, 1.3, 1.51, std::nan("")};
    for (int i = 0; i < 5; ++i) {
        points.push_back({144 + i * 0.1, 13, frontToBack[i], swr[i], {50, 0}});
    }
    const BandCheck check = judgeBand({144, 144.4}, points, 20, 1.5);
    EXPECT_FALSE(check.met());
    EXPECT_EQ(check.frontToBackMiss, 2U); // 19.9 dB at 144.2 MHz
    EXPECT_EQ(check.swrMiss, 3U);         // 1.51 at 144.3 MHz
    EXPECT_EQ(check.lowestFrontToBackDb, 18);
    EXPECT_TRUE(std::isnan(check.highestSwr)); // no number is the worst
    points.resize(2);
    EXPECT_TRUE(judgeBand({144, 144.1}, points, 20, 1.5).met());
}

TEST(Band, ReadInTheUsersSeparatorAndRefusedWithWhy) {
    EXPECT_EQ(readBand("143,9-144,4", ","), (Band{143.9, 144.4}));
    EXPECT_EQ(readBand(" 143.9 - 144.4 ", "."), (Band{143.9, 144.4}));
    EXPECT_EQ(readBand("1.439e2-1.444E2", "."), (Band{143.9, 144.4}));
    const struct {
        const char* text;
        const char* separator;
        const char* message;
    } refused[] = {
        {"143.9-144.4", ",",
         "\"143.9-144.4\": \"143.9\" is not a number (the decimal separator here is \",\")"},
        {"144,4", ",", "\"144,4\" is not LOW-HIGH in MHz, e.g. 143,9-144,4"},
        {"144-143", ".", "\"144-143\": the low end must lie below the high end"},
        {"144-144", ".", "\"144-144\": the low end must lie below the high end"},
        {"1-2-3", ".", "\"1-2-3\" is not LOW-HIGH in MHz: one dash between two numbers"},
        {"0-144", ".", "\"0-144\": \"0\" is not a frequency above 0"},
        {"143-inf", ".",
         "\"143-inf\": \"inf\" is not a number (the decimal separator here is "
         "\".\")"},
    };
    for (const auto& r : refused) {
        try {
            readBand(r.text, r.separator);
            ADD_FAILURE() << r.text << " was taken";
        } catch (const BandError& error) {
            EXPECT_STREQ(error.what(), r.message);
        }
    }
    EXPECT_NO_THROW(requireBandFor({136.8, 151.2}, 144, "."));
    const struct {
        Band band;
        const char* message;
    } unfit[] = {
        {{144.1, 144.4}, "144,1 - 144,4 MHz does not hold the design frequency, 144 MHz"},
        {{136.7, 144.4},
         "136,7 - 144,4 MHz reaches more than 5 % from the design frequency, "
         "144 MHz: the design holds its limits over a few per cent at most"},
    };
    for (const auto& u : unfit) {
        try {
            requireBandFor(u.band, 144, ",");
            ADD_FAILURE() << u.message;
        } catch (const BandError& error) {
            EXPECT_STREQ(error.what(), u.message);
        }
    }
}

TEST(Trim, TrimmedDesignScalesLengthsAndKeepsSpacingsAndCorrection) {
    const DesignState design = test::computedDesign("144");
    const TrimParameters p{0.99, 1.01, 0.98, 0.05};
    const DesignState t = trimmedDesign(design, p);
    EXPECT_FLOAT_EQ(t.ref, design.ref * 0.99F);
    EXPECT_FLOAT_EQ(t.dri, design.dri * 1.01F);
    // DIR 1 gets 0.98 x (1 - 0.05), DIR 6 0.98 x (1 + 0.05), DIR 3 0.98 x (1 - 0.01).
    EXPECT_FLOAT_EQ(t.dir1, design.dir1 * 0.98F * 0.95F);
    EXPECT_FLOAT_EQ(t.dir6, design.dir6 * 0.98F * 1.05F);
    EXPECT_FLOAT_EQ(t.dir3, design.dir3 * 0.98F * 0.99F);
    EXPECT_EQ(t.rsp, design.rsp);
    EXPECT_EQ(t.d6sp, design.d6sp);
    EXPECT_EQ(t.x, design.x);
}

} // namespace
} // namespace tarvo::analysis
