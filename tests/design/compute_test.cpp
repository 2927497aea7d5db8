// SPDX-License-Identifier: GPL-3.0-or-later
// COMPUTE: the worked examples, the boom correction, and faults stopping at their step.
#include "design/arithmetic.h"
#include "design_fixture.h"

#include "design/faults.h"

#include <cmath>

namespace tarvo {
namespace {

using test::DesignTest;
using enum Control;

using Compute = DesignTest;

TEST_F(Compute, WorkedExampleAt144MHzWithAOneInchMetallicBoom) {
    type("144");
    chooseMetallicWithInch("1");
    computeDesign(form, state);

    expectTexts(test::inches144);
    EXPECT_FALSE(form.isVisible(Text30));
    EXPECT_NEAR(state.x, 0.1366481F, 1e-7F);
    EXPECT_EQ(state.add, 0.7751F);
}

TEST_F(Compute, WithoutABoomChoiceTheDirectorsCarryNoCorrection) {
    type("144");
    computeDesign(form, state);

    expectTexts({{Text11, "36.1405"},
                 {Text12, "35.9887"},
                 {Text13, "35.9237"},
                 {Text14, "35.8592"},
                 {Text15, "35.7932"},
                 {Text16, "35.0180"},
                 {Text19, "0.7752"},
                 {Text9, "89.35"},
                 {Text45, "163.570"}});
    EXPECT_TRUE(form.isVisible(Text30));
}

TEST_F(Compute, At145MHzTheSpaceReductionShowsTheFullDoubleDifference) {
    type("145");
    chooseMetallicWithInch("1");
    computeDesign(form, state);

    expectTexts({{Text31, "26.7499"}, {Text33, "25.8233"}, {Text35, "0.926600000000001"}});
}

TEST_F(Compute, ASecondRunWithUnchangedInputsShowsTheSameTexts) {
    type("144");
    chooseMetallicWithInch("1");
    computeDesign(form, state);
    const auto first = allTexts();
    computeDesign(form, state);
    EXPECT_EQ(allTexts(), first);
}

TEST_F(Compute, TextTypedIntoAResultBoxHasNoEffect) {
    type("144");
    chooseMetallicWithInch("1");
    form.setText(Text15, "99");
    form.setText(Text31, "x");
    computeDesign(form, state);
    expectTexts(test::inches144);
}

TEST_F(Compute, AMetallicBoomWithoutADiameterKeepsThePrompt) {
    type("144");
    form.selectOption(Option2);
    chooseMetallicBoom(form);
    computeDesign(form, state);

    EXPECT_EQ(state.c, 0.0F);
    EXPECT_EQ(state.x, 0.0F);
    EXPECT_TRUE(form.isVisible(Text30));
    EXPECT_EQ(form.text(Text11), "36.1405");
}

TEST_F(Compute, ANonMetallicBoomKeepsItsTinyCorrectionRunAfterRun) {
    type("144");
    chooseMetallicWithInch("1");
    form.selectOption(Option1);
    chooseNonMetallicBoom(form, state);
    for (int run = 0; run < 3; ++run) {
        computeDesign(form, state);
        EXPECT_EQ(state.x, 0.00001F) << "run " << run;
        EXPECT_FALSE(form.isVisible(Text30)) << "run " << run;
        EXPECT_EQ(form.text(Text11), "36.1405") << "run " << run;
    }
}

TEST_F(Compute, TheUnitComesBackToInchesAfterMetric) {
    type("144");
    computeDesign(form, state);
    convertToMetric(form, state);
    computeDesign(form, state);
    EXPECT_EQ(form.text(Text29), "INCHES");
    EXPECT_EQ(form.text(Text9), "89.35");
}

struct FaultCase {
    const char* frequency;
    FaultKind kind;
};

TEST_F(Compute, AFrequencyThatCannotBeUsedStopsBeforeAnyResultChanges) {
    const FaultCase cases[] = {
        {"0.0", FaultKind::DivisionByZero}, {"-0", FaultKind::DivisionByZero},
        {"abc", FaultKind::Conversion},     {"", FaultKind::Conversion},
        {"-144", FaultKind::OutOfRange},    {"-1e50", FaultKind::Overflow},
        {"1e50", FaultKind::Overflow},      {"1e-50", FaultKind::DivisionByZero},
    };
    for (const auto& c : cases) {
        MemoryForm fresh;
        DesignState freshState;
        fresh.setText(Text29, "CM");
        fresh.setText(Text17, c.frequency);
        MemoryForm before = fresh;
        EXPECT_EQ(test::faultOf([&] { computeDesign(fresh, freshState); }), c.kind) << c.frequency;
        EXPECT_EQ(fresh.text(Text29), "INCHES") << c.frequency;
        EXPECT_TRUE(fresh.isVisible(Text30)) << c.frequency;
        for (const ControlInfo& info : allControls()) {
            if (info.control != Text29) {
                EXPECT_EQ(fresh.text(info.control), before.text(info.control))
                    << c.frequency << " changed " << info.name;
            }
        }
    }
}

TEST_F(Compute, ZeroFrequencyStoresTheInfiniteReflectorBeforeTheFault) {
    EXPECT_THROW(computeDesign(form, state), ArithmeticFault);
    EXPECT_EQ(state.freq, 0.0F);
    EXPECT_TRUE(std::isinf(state.ref));
    EXPECT_EQ(state.dri, 0.0F);
}

TEST_F(Compute, ANegativeFrequencyIsOutOfRangeAndKeepsTheStoredFrequency) {
    type("144");
    computeDesign(form, state);
    type("-144");
    try {
        computeDesign(form, state);
        FAIL() << "computed";
    } catch (const RangeFault& fault) {
        EXPECT_STREQ(fault.what(), "The frequency must be greater than 0 MHz.");
    }
    EXPECT_EQ(state.freq, 144.0F);
    EXPECT_EQ(form.text(Text9), "89.35");
}

TEST_F(Compute, AResultTooLongForItsBoxStopsAtThatBox) {
    // 0.001 MHz gives a reflector of 12866400 inches: eight integer digits in a 7-character box.
    type("0.001");
    EXPECT_EQ(test::faultOf([&] { computeDesign(form, state); }), FaultKind::Overflow);
    EXPECT_EQ(form.text(Text9), "");
    EXPECT_NEAR(state.ref, 1072200.0F, 1.0F);
    EXPECT_EQ(state.dri, 0.0F);
}

TEST_F(Compute, AnOverflowOnStoreStopsAfterTheStore) {
    type("1e-36");
    EXPECT_EQ(test::faultOf([&] { computeDesign(form, state); }), FaultKind::Overflow);
    EXPECT_TRUE(std::isinf(state.ref));
    EXPECT_EQ(form.text(Text9), "");
}

// The three arithmetic faults, each told as its IEEE flag tells it, with the words and the key
// a user reads; and operations on an infinity or a not-a-number already there, which are no new
// fault.
TEST(Arithmetic, EachFaultIsToldByItsFlag) {
    volatile double zero = 0;
    volatile double large = 1e308;
    const struct {
        Real (*operation)(Real, Real);
        FaultKind kind;
        const char* key;
        const char* words;
    } cases[] = {
        {[](Real z, Real) { return 1 / z; }, FaultKind::DivisionByZero, "division-by-zero",
         "Division by zero."},
        {[](Real z, Real) { return z / z; }, FaultKind::InvalidOperation, "invalid-operation",
         "Invalid operation: the result is not a number."},
        {[](Real, Real l) { return l * 10; }, FaultKind::Overflow, "overflow",
         "Overflow: the number is too large."},
        {[](Real z, Real l) { return l + z; }, FaultKind::Overflow, nullptr, nullptr},
        // An infinity met on the way is its first fault; what it meets after adds only faults of
        // higher precedence: an infinity divided by zero is exact, no division by zero.
        {[](Real z, Real l) { return l * 10 / z; }, FaultKind::Overflow, "overflow",
         "Overflow: the number is too large."},
        {[](Real, Real l) { return l * 10 / (l * 10); }, FaultKind::InvalidOperation,
         "invalid-operation", "Invalid operation: the result is not a number."},
        {[](Real z, Real l) { return l * 10 * z; }, FaultKind::InvalidOperation,
         "invalid-operation", "Invalid operation: the result is not a number."},
        {[](Real z, Real) { return 1 / z * z; }, FaultKind::DivisionByZero, "division-by-zero",
         "Division by zero."},
        // The infinity vanishes again, the fault stays.
        {[](Real z, Real) { return z / (-1 / z) - 3; }, FaultKind::DivisionByZero,
         "division-by-zero", "Division by zero."},
        // Near the largest double, and below the smallest normal one: no fault.
        {[](Real z, Real l) { return l / 3 * 3 + z; }, FaultKind::Overflow, nullptr, nullptr},
        {[](Real z, Real l) { return (z + 1) / (l * 1e-300) * 1e-300; }, FaultKind::Overflow,
         nullptr, nullptr},
    };
    for (const auto& c : cases) {
        try {
            evaluate([&] { return c.operation(Real{zero}, Real{large}); });
            EXPECT_EQ(c.key, nullptr) << "no fault where one was due";
        } catch (const ArithmeticFault& fault) {
            ASSERT_NE(c.key, nullptr) << fault.what();
            EXPECT_EQ(fault.kind(), c.kind);
            EXPECT_EQ(keyOf(fault.kind()), c.key);
            EXPECT_STREQ(fault.what(), c.words);
        }
    }
}

// Past 0.11 wavelength the correction turns negative and shortens the directors, yet it is a
// correction: the prompt goes. Worked in single precision (Python, struct-rounded) for 700 MHz
// and 51 mm: c = 0.119169, x = -0.250808 inches, DIR 1 = 7.18381, DIR 6 = 6.95291.
TEST_F(Compute, ANegativeCorrectionHidesThePromptAndShortensTheDirectors) {
    type("700");
    form.selectOption(Option2);
    chooseMetallicBoom(form);
    ASSERT_TRUE(form.selectEntry(List2, "51"));
    takeMillimetreDiameter(form, state);
    form.setVisible(Text30, true);
    computeDesign(form, state);
    EXPECT_NEAR(state.x, -0.250808F, 1e-6F);
    expectTexts({{Text11, "7.18381"}, {Text16, "6.95291"}});
    EXPECT_FALSE(form.isVisible(Text30));
}

// A thick metallic boom at a high frequency: its correction is negative and outgrows the
// directors. Independent single-precision arithmetic (Python, struct-rounded) for 1185 MHz and
// 51 mm (b = 2.0094): DIR 1 ... DIR 5 = 0.13483, 0.11639, 0.10848, 0.10064, 0.09262 inches,
// DIR 6 = -0.0016. At 1296 MHz already DIR 1 is -1.5993.
struct NegativeDirector {
    const char* frequency;
    test::Texts inches;      ///< the directors written before the fault
    test::Texts centimetres; ///< the same after CONVERT TO METRIC
    test::Texts kept;        ///< the refused box and those after it keep the 144 MHz texts
};

TEST_F(Compute, ADirectorShorterThanZeroIsRefusedAtItsBox) {
    const NegativeDirector cases[] = {
        {"1185",
         {{Text11, "0.13483"},
          {Text12, "0.11639"},
          {Text13, "0.10848"},
          {Text14, "0.10064"},
          {Text15, "0.09262"}},
         {{Text11, "0.34247"},
          {Text12, "0.29563"},
          {Text13, "0.27555"},
          {Text14, "0.25564"},
          {Text15, "0.23526"}},
         {{Text16, "35.1547"}, {Text22, "17.5162"}, {Text45, "163.570"}, {Text19, "0.7751"}}},
        {"1296",
         {{Text9, "9.92777"}},
         {{Text9, "25.2165"}},
         {{Text11, "36.2771"}, {Text16, "35.1547"}, {Text22, "17.5162"}, {Text35, "0.9331"}}},
    };
    for (const NegativeDirector& c : cases) {
        form = MemoryForm();
        state = DesignState{};
        type("144");
        chooseMetallicWithInch("1");
        computeDesign(form, state);
        form.selectEntry(List2, "51");
        takeMillimetreDiameter(form, state);
        type(c.frequency);
        EXPECT_EQ(test::faultOf([&] { computeDesign(form, state); }), FaultKind::OutOfRange)
            << c.frequency;
        expectTexts(c.inches);
        expectTexts(c.kept);
        EXPECT_EQ(test::faultOf([&] { convertToMetric(form, state); }), FaultKind::OutOfRange);
        expectTexts(c.centimetres);
        expectTexts(c.kept);
    }
    try {
        computeDesign(form, state);
    } catch (const Fault& fault) {
        EXPECT_STREQ(fault.what(), "The boom is too thick for this frequency: with its correction "
                                   "DIR 1 would be shorter than zero.");
    }
}

} // namespace
} // namespace tarvo
