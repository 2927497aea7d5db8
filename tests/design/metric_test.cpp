// SPDX-License-Identifier: GPL-3.0-or-later
// CONVERT TO METRIC: centimetres from the stored values, truncated by the boxes.
#include "design_fixture.h"

#include "design/faults.h"

#include <limits>

namespace tarvo {
namespace {

using test::DesignTest;
using enum Control;

using Metric = DesignTest;

TEST_F(Metric, WorkedExampleAt144MHzInCentimetres) {
    type("144");
    chooseMetallicWithInch("1");
    computeDesign(form, state);
    const DesignState stored = state;
    convertToMetric(form, state);

    test::expectTexts(form, test::centimetres144);
    EXPECT_EQ(state, stored);
}

TEST_F(Metric, ASecondConversionShowsTheSameTexts) {
    type("144");
    chooseMetallicWithInch("1");
    computeDesign(form, state);
    convertToMetric(form, state);
    const auto first = allTexts();
    convertToMetric(form, state);
    EXPECT_EQ(allTexts(), first);
}

TEST_F(Metric, BeforeAnyComputeShowsZerosAndTheBoomCorrection) {
    form.selectOption(Option1);
    chooseNonMetallicBoom(form, state);
    convertToMetric(form, state);
    for (const Control box : {Text9, Text10, Text19, Text22, Text24, Text33, Text39, Text45}) {
        EXPECT_EQ(form.text(box), "0") << nameOf(box);
    }
    // 0.00001 inches is 0.0000254 cm, cut to 7 characters.
    for (const Control box : directorLengthBoxes) {
        EXPECT_EQ(form.text(box), "0.00002") << nameOf(box);
    }
    EXPECT_EQ(form.text(Text35), "0");
    EXPECT_EQ(form.text(Text29), "CM");
}

TEST_F(Metric, AnInfiniteStoredValueShowsInfAndTheReadBackFails) {
    state.d5sp = std::numeric_limits<float>::infinity();
    EXPECT_EQ(test::faultOf([&] { convertToMetric(form, state); }), FaultKind::Conversion);
    EXPECT_EQ(form.text(Text31), "inf");
    EXPECT_EQ(form.text(Text29), "CM");
    EXPECT_EQ(form.text(Text35), "");
}

} // namespace
} // namespace tarvo
