// SPDX-License-Identifier: GPL-3.0-or-later
// Reading nec2c's output, captured from real runs, and the figures drawn from it.
#include "analysis/nec_output.h"
#include "analysis/performance.h"
#include "analysis/svg_plot.h"
#include "analysis_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace tarvo::analysis {
namespace {

std::string captured(const std::string& name) {
    std::ifstream file(std::string(TARVO_TEST_DATA) + "/" + name);
    std::ostringstream content;
    content << file.rdbuf();
    EXPECT_FALSE(content.str().empty()) << name;
    return content.str();
}

TEST(NecOutput, ReadsEveryFrequencyOfARun) {
    const auto results = parseNecOutput(captured("nec2c_144mhz.out"));
    ASSERT_EQ(results.size(), 26U);
    EXPECT_DOUBLE_EQ(results[0].frequencyMhz, 144.0);
    EXPECT_DOUBLE_EQ(results[0].impedance.real(), 49.570);
    EXPECT_DOUBLE_EQ(results[0].impedance.imag(), 1.9335);
    EXPECT_DOUBLE_EQ(results[0].efficiencyPercent, 97.88);
    ASSERT_EQ(results[0].patterns.size(), 2U);
    EXPECT_EQ(results[0].patterns[0].size(), 361U);
    EXPECT_EQ(results[0].patterns[1].size(), 362U);
    EXPECT_DOUBLE_EQ(results[0].patterns[0][0].totalGain, 13.59);
    EXPECT_DOUBLE_EQ(results[1].frequencyMhz, 139.68);
    EXPECT_EQ(results[1].patterns[0].size(), 2U);
}

/// The recorded 144 MHz output with the first `count` occurrences of `from` replaced.
std::string doctored(const std::string& from, const std::string& to, int count = 1) {
    std::string output = captured("nec2c_144mhz.out");
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        at = output.find(from, at);
        EXPECT_NE(at, std::string::npos) << from;
        output.replace(at, from.size(), to);
        at += to.size();
    }
    return output;
}

/// Every nec2c output recorded in tests/data that holds whole frequencies: the two runs and each
/// run of the recorded window session.
std::vector<std::string> recordedOutputs() {
    std::vector<std::string> outputs{captured("nec2c_144mhz.out"),
                                     captured("nec2c_432mhz_short_sweep.out")};
    const std::string session = captured("nec2c_144mhz_session.txt");
    const std::string mark = "=== TARVO RECORDED OUTPUT ===\n";
    for (auto at = session.find(mark); at != std::string::npos;) {
        const auto start = at + mark.size();
        const auto end = session.find("=== TARVO RECORDED DECK ===", start);
        outputs.push_back(session.substr(start, end == std::string::npos ? end : end - start));
        at = session.find(mark, start);
    }
    return outputs;
}

// The gain from the field strengths and the input power is nec2c's own: on every pattern point
// of every recorded run it rounds to nec2c's printed two decimals (0.005 dB, and the reading of
// five digits, 0.00066 dB). Worked by hand at 144 MHz forward: r|E| 3.7156 V, 10.071 mW in,
// 4 pi 3.7156^2 / (2 x 376.7303 x 0.010071) = 22.8462, 13.59135 dBi.
TEST(NecOutput, TheGainFromTheFieldStrengthsIsNec2csOwnToFiveDigits) {
    const auto first = parseNecOutput(captured("nec2c_144mhz.out"));
    EXPECT_NEAR(first[0].patterns[0][0].fieldGain, 13.59135, 2e-5);
    EXPECT_DOUBLE_EQ(first[0].inputPower, 1.0071e-2);
    std::size_t checked = 0;
    for (const std::string& output : recordedOutputs()) {
        for (const FrequencyResult& result : parseNecOutput(output)) {
            for (const auto& pattern : result.patterns) {
                for (const PatternPoint& point : pattern) {
                    if (point.totalGain > -99) {
                        ASSERT_NEAR(point.fieldGain, point.totalGain, 0.005 + fieldGainErrorDb)
                            << result.frequencyMhz << " MHz, theta " << point.theta << ", phi "
                            << point.phi;
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 2000U);
}

TEST(NecOutput, TruncatedOrIncompleteOutputIsAnErrorNeverAFigure) {
    for (const char* name : {"nec2c_432mhz_truncated.out", "nec2c_432mhz_no_power_budget.out"}) {
        EXPECT_THROW(parseNecOutput(captured(name)), AnalysisError) << name;
    }
    EXPECT_THROW(parseNecOutput(""), AnalysisError);
    EXPECT_THROW(parseNecOutput("garbage\n TOTAL RUN TIME: 1 msec\n"), AnalysisError);
    // Field strengths or an input power with fewer digits than nec2c's five would not give
    // the gain to its precision.
    EXPECT_THROW(
        parseNecOutput(doctored("INPUT POWER   =  1.0071E-02", "INPUT POWER   =  1.007E-02")),
        AnalysisError);
    EXPECT_THROW(parseNecOutput(doctored("LINEAR  1.1001E-08     24.05  3.7156E+00",
                                         "LINEAR  1.1001E-08     24.05  3.716E+00 ")),
                 AnalysisError);
    std::string badNumber = captured("nec2c_432mhz_short_sweep.out");
    badNumber.replace(badNumber.find("EFFICIENCY    =") + 16, 6, " x.yz ");
    EXPECT_THROW(parseNecOutput(badNumber), AnalysisError);
    EXPECT_NO_THROW(parseNecOutput(captured("nec2c_432mhz_short_sweep.out")));
}

// A nec2c that prints nonsense, or answers for other frequencies than asked, is refused with
// what was implausible; no figure is shown.
TEST(Performance, ImplausibleResultsAreRefusedNamingWhat) {
    const std::string feed = "4.9570E+01  1.9335E+00";
    const struct {
        std::string output;
        const char* words;
    } cases[] = {
        {doctored(feed, "       nan  1.9335E+00"), "the feed impedance is not a number at 144 MHz"},
        {doctored(feed, "       inf  1.9335E+00"), "the feed impedance is not a number"},
        {doctored(feed, "-4.9570E+01  1.9335E+00"), "the feed resistance is -49.57 ohm"},
        {doctored(feed, " 0.0000E+00  1.9335E+00"), "the feed resistance is 0 ohm"},
        {doctored("EFFICIENCY    =   97.88", "EFFICIENCY    =  250.00"),
         "the efficiency is 250 %, not within (0, 100] %"},
        {doctored("EFFICIENCY    =   97.88", "EFFICIENCY    =    0.00"), "the efficiency is 0 %"},
        {doctored("EFFICIENCY    =   97.88", "EFFICIENCY    =  100.01"),
         "the efficiency is 100.01 %"},
        {doctored("EFFICIENCY    =   97.88", "EFFICIENCY    =     nan"), "the efficiency is nan %"},
        {doctored("FREQUENCY : 1.3968E+02", "FREQUENCY : 1.3970E+02"),
         "the results are for 139.7 MHz, not for the frequency asked at 139.68 MHz"},
        {doctored("FREQUENCY : 1.4400E+02", "FREQUENCY : 1.4500E+02"),
         "the results are for 145 MHz"},
        {doctored("13.59    13.59", "13.59      nan"), "is not a number at 144 MHz"},
        {doctored("13.59    13.59", "13.59     -inf"), "phi 0 is not a number"},
        {doctored("3.7156E+00", "3.9156E+00"),
         "the gain towards theta 90, phi 0 from the field strengths, 14.0467 dBi, is not "
         "nec2c's 13.59 dBi at 144 MHz"},
        {doctored("INPUT POWER   =  1.0071E-02", "INPUT POWER   =  0.0000E+00"),
         "the input power is 0 W, not a number above 0 at 144 MHz"},
        {doctored("INPUT POWER   =  1.0071E-02", "INPUT POWER   = -1.0071E-02"),
         "the input power is -0.010071 W"},
    };
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    for (const auto& c : cases) {
        try {
            evaluate(parseNecOutput(c.output), model, {2.05, 4.76}, Sweep{});
            ADD_FAILURE() << c.words << ": shown";
        } catch (const AnalysisError& error) {
            EXPECT_NE(std::string(error.what()).find(c.words), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).rfind("nec2c's results are not plausible", 0), 0U);
        }
    }
}

// The whole report for the recorded 144 MHz run, checked line by line by hand against the
// recording: gain 13.59 dBi; F/B 13.59 + 11.98; 49.570 + j1.9335 ohm gives |rho| 0.0199 and SWR
// 1.04; the SWR 2 crossing between 141.48 (2.01) and 141.12 MHz (2.22) at 141.51. Unrefined,
// the frequencies are known to one 0.25 % step (0.36 MHz) and carry one decimal.
TEST(Performance, TheWorkedExampleReportsWhole) {
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const Performance p =
        evaluate(parseNecOutput(captured("nec2c_144mhz.out")), model, {2.05, 4.76}, Sweep{});
    EXPECT_EQ(performanceText(p), captured("report_144mhz.txt"));
    EXPECT_TRUE(p.design.forwardMainLobe);
    EXPECT_NEAR(p.swrBelow2->lowMhz, 141.508, 5e-4);
    // The sweep's gains carry the field strengths' digits: at 144 MHz 13.59135 dBi (worked
    // above), at 146.16 MHz 2.0773 V forward and 0.55591 V back, F/B 20 log 3.73676 = 11.4499 dB.
    EXPECT_NEAR(p.sweep[12].gainDbi, 13.59135, 2e-5);
    EXPECT_NEAR(p.sweep[18].frontToBackDb, 11.4499, 1e-4);
}

// A main lobe towards the back: no beamwidth is reported around the forward direction, and the
// plot's outer ring follows the largest gain, so the lobe is not clipped.
TEST(Performance, ABackwardMainLobeHasNoForwardBeamwidthAndIsNotClipped) {
    // 21.30 dBi from 10.071 mW in: r|E| = sqrt(10^2.13 x 2 x 376.73 x 0.010071 / 4 pi).
    const std::string rear = "   90.00    180.00   -163.44   -11.98   -11.98      0.0000     90.00 "
                             "LINEAR  5.2272E-09     88.14  1.9558E-01";
    const std::string output = doctored(rear,
                                        "   90.00    180.00   -163.44    21.30    21.30      "
                                        "0.0000     90.00 LINEAR  5.2272E-09     88.14  9.0253E+00",
                                        1);
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const Performance p = evaluate(parseNecOutput(output), model, {2.05, 4.76}, Sweep{});
    EXPECT_FALSE(p.design.forwardMainLobe);
    EXPECT_TRUE(std::isnan(p.design.azimuthBeamwidthDeg));
    const std::string text = performanceText(p);
    EXPECT_NE(text.find("  -3 dB beamwidth, horizontal  none: the main lobe is not forward\n"),
              std::string::npos)
        << text;
    const std::string svg = svgPlot(p);
    EXPECT_NE(svg.find(">25 dBi</text>"), std::string::npos);  // 21.3 rounded up to 5 dBi
    EXPECT_EQ(svg.find(">-15 dBi</text>"), std::string::npos); // the forward-scaled ring
    // The material's diameters keep their digits.
    Performance thin = p;
    thin.material = {1.63, 3.175};
    EXPECT_NE(
        performanceText(thin).find("copper wire 1.63 mm, directors of aluminium rod 3.175 mm"),
        std::string::npos);
}

// The warnings, worked by hand: at 432 MHz a peak at 423.7 MHz is 1.92 % below; 441 MHz is
// 2.08 % above; the 144 MHz proportions scaled to 432 MHz are 4.76 x 144 / 432 = 1.59 mm rods
// and 2.05 x 144 / 432 = 0.68 mm wire.
TEST(Performance, WarningsSayWhatIsWrongAndWhichWay) {
    const std::string advice =
        "The lengths scale with the wavelength but the recommended rods do not: for the "
        "proportions of the 144 MHz design use rods of 1.59 mm (4.76 mm x 144 / f) and wire of "
        "0.68 mm (2.05 mm x 144 / f).";
    const std::string pulled = ": the elements' thickness pulls the design off its frequency.";
    const struct {
        double peakMhz;
        int edge;
        double frontToBack;
        std::vector<std::string> warnings;
    } cases[] = {
        {423.7,
         0,
         25,
         {"The gain peaks at 423.7 MHz, 1.9 % below the design frequency" + pulled, advice}},
        {441.0,
         0,
         25,
         {"The gain peaks at 441.0 MHz, 2.1 % above the design frequency" + pulled, advice}},
        {429.84,
         -1,
         25,
         {"The gain peaks at the sweep's edge, beyond -0.5 % (429.84 MHz or below)" + pulled,
          advice}},
        {434.16,
         1,
         25,
         {"The gain peaks at the sweep's edge, beyond +0.5 % (434.16 MHz or above)" + pulled,
          advice}},
        {432.5,
         0,
         13.7,
         {"The front-to-back ratio is only 13.7 dB at the design frequency.", advice}},
        {430.0, 0, 15.0, {}},
    };
    for (const auto& c : cases) {
        Performance p;
        p.design.frequencyMhz = 432;
        p.design.frontToBackDb = c.frontToBack;
        p.peakGainMhz = c.peakMhz;
        p.peakGainEdge = c.edge;
        p.sweepPercent = 0.5;
        addWarnings(p);
        EXPECT_EQ(p.warnings, c.warnings) << c.peakMhz;
    }
}

// Report lines that only some designs show: a capacitive feed, a band that runs past the
// sweep's end, no band at all.
TEST(Performance, ReportLinesForFeedAndBand) {
    Performance p;
    p.material = {2.05, 4.76};
    p.design.frequencyMhz = 144;
    p.design.forwardMainLobe = true;
    p.design.impedance = {38.24, -12.36};
    p.sweep = {{139.68, 12, 20, 2.5, {}}, {144, 13, 25, 1.5, {}}, {148.32, 12, 20, 2.5, {}}};
    p.sweepPercent = 3;
    p.precisionMhz = 0.36;
    p.peakGainMhz = 144;
    p.lowestSwrMhz = 144;
    p.swrBelow2 = SwrBand{139.68, 145.26, true, false, 0, 1};
    const std::string text = performanceText(p);
    for (const char* line : {"  Feed impedance               38.2 - j12.4 ohm\n",
                             "  SWR <= 2 from                below 139.7 to 145.3 MHz (5.6 MHz)\n",
                             "  Known to                     +/-0.36 MHz (0.25 %)\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
    p.swrBelow2.reset();
    EXPECT_NE(performanceText(p).find("  SWR <= 2                     nowhere in the sweep\n"),
              std::string::npos);
    // What "known to" says must hold: 0.02641 MHz is rounded up to 0.027 MHz, and its 0.01834 %
    // of 144 MHz to 0.019 %.
    p.precisionMhz = 0.02641;
    EXPECT_NE(performanceText(p).find("  Known to                     +/-0.027 MHz (0.019 %)\n"),
              std::string::npos)
        << performanceText(p);
}

TEST(Performance, AMismatchedOutputIsRefused) {
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const auto results = parseNecOutput(captured("nec2c_144mhz.out"));
    EXPECT_THROW(evaluate(results, model, {2.05, 4.76}, Sweep{1, 0.25}), AnalysisError);
    const Model other = buildModel(test::computedDesign("432"), {2.05, 4.76}, 40);
    EXPECT_THROW(evaluate(results, other, {2.05, 4.76}, Sweep{}), AnalysisError);
}

TEST(Performance, StandingWaveRatioAgainstFiftyOhm) {
    EXPECT_DOUBLE_EQ(standingWaveRatio({50, 0}), 1.0);
    EXPECT_NEAR(standingWaveRatio({100, 0}), 2.0, 1e-12);
    EXPECT_NEAR(standingWaveRatio({25, 0}), 2.0, 1e-12);
    EXPECT_NEAR(standingWaveRatio({50, 50}), 2.618, 1e-3);
}

TEST(SvgPlot, HasThePatternTheSweepAndLabelledAxes) {
    const Model model = buildModel(test::computedDesign("144"), {2.05, 4.76}, 40);
    const Performance p =
        evaluate(parseNecOutput(captured("nec2c_144mhz.out")), model, {2.05, 4.76}, Sweep{});
    const std::string svg = svgPlot(p);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0U);
    for (const char* part : {"<polygon", "<polyline", "Frequency (MHz)", "Forward gain (dBi)",
                             "SWR against 50 ohm", "dBi</text>", "</svg>"}) {
        EXPECT_NE(svg.find(part), std::string::npos) << part;
    }
    // The chart spans y 75 to 375 for SWR 4 down to 1 and x 540 to 880: the SWR 2 line lies at
    // 75 + 300 x 2 / 3 = 275, and the design frequency, 144 MHz in the middle of the +/-3 %
    // sweep, at x 710.
    EXPECT_NE(
        svg.find(
            "<line x1=\"540.00\" y1=\"275.00\" x2=\"880.00\" y2=\"275.00\" stroke=\"#d62728\""),
        std::string::npos);
    EXPECT_NE(svg.find("<line x1=\"710.00\" y1=\"75.00\" x2=\"710.00\" y2=\"375.00\""),
              std::string::npos);
}

} // namespace
} // namespace tarvo::analysis
