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
    const TrimSearch search = searchTrim(model144(), {2.05, 4.76}, [&](const std::string& deck) {
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
    const TrimSearch search = searchTrim(model, {2.05, 4.76}, [&](const std::string& deck) {
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
        searchTrim(model144(), {2.05, 4.76}, failingAt(7, Interrupted(2)));
        FAIL() << "the interruption was swallowed";
    } catch (const Interrupted& interrupted) {
        EXPECT_EQ(interrupted.signal(), 2);
    }
    // The search stopped at once: at most the runs already under way on the other cores.
    EXPECT_LE(runs.load(), 7 + static_cast<int>(std::thread::hardware_concurrency()));
    try {
        searchTrim(model144(), {2.05, 4.76}, failingAt(5, AnalysisError("nec2c failed")));
        FAIL() << "the failure was swallowed";
    } catch (const AnalysisError& error) {
        EXPECT_STREQ(error.what(), "nec2c failed");
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
