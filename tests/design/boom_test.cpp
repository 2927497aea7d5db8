// SPDX-License-Identifier: GPL-3.0-or-later
// The boom choices: diameters, the prompt and the unit captions' colours.
#include "design_fixture.h"

#include "design/diameter_tables.h"

namespace tarvo {
namespace {

using test::DesignTest;
using enum Control;

using Boom = DesignTest;

TEST_F(Boom, EveryInchEntrySetsItsDiameter) {
    const std::pair<const char*, float> cases[] = {
        {"3/4", 0.75F},    {"7/8", 0.875F}, {"1", 1.0F},      {"1 1/8", 1.125F}, {"1 1/4", 1.25F},
        {"1 3/8", 1.375F}, {"1 1/2", 1.5F}, {"1 3/4", 1.75F}, {"2", 1.9F},
    };
    for (const auto& [entry, inches] : cases) {
        ASSERT_TRUE(form.selectEntry(List1, entry));
        takeInchDiameter(form, state);
        EXPECT_EQ(state.b, inches) << entry;
    }
}

TEST_F(Boom, MillimetreEntriesUseTheListFactorNotAnExactInch) {
    const std::pair<const char*, double> cases[] = {
        {"19", 0.7486}, {"25", 0.985}, {"40", 1.576}, {"51", 2.0094}};
    for (const auto& [entry, inches] : cases) {
        ASSERT_TRUE(form.selectEntry(List2, entry));
        takeMillimetreDiameter(form, state);
        EXPECT_EQ(state.b, static_cast<float>(inches)) << entry;
    }
    EXPECT_NE(state.b, static_cast<float>(51 / 25.4));
}

TEST_F(Boom, TheListsHoldTheirEntriesInOrder) {
    const auto inches = listEntries(List1);
    ASSERT_EQ(inches.size(), 9U);
    EXPECT_EQ(inches.front(), "3/4");
    EXPECT_EQ(inches.back(), "2");
    const auto millimetres = listEntries(List2);
    ASSERT_EQ(millimetres.size(), 33U);
    EXPECT_EQ(millimetres.front(), "19");
    EXPECT_EQ(millimetres.back(), "51");
    EXPECT_FALSE(form.selectEntry(List2, "018"));
}

TEST_F(Boom, MetallicShowsTheListsAndHidesThePrompt) {
    form.setVisible(Text30, true);
    chooseMetallicBoom(form);
    for (const Control control : {List1, Text32, List2, Text34}) {
        EXPECT_TRUE(form.isVisible(control)) << nameOf(control);
    }
    EXPECT_FALSE(form.isVisible(Text30));
    EXPECT_EQ(state, DesignState{});
}

TEST_F(Boom, NonMetallicHidesTheListsAndKeepsTheDiameter) {
    chooseMetallicWithInch("1 1/2");
    form.setVisible(Text30, true);
    chooseNonMetallicBoom(form, state);
    for (const Control control : {List1, Text32, List2, Text34, Text30}) {
        EXPECT_FALSE(form.isVisible(control)) << nameOf(control);
    }
    EXPECT_EQ(state.x, 0.00001F);
    EXPECT_EQ(state.b, 1.5F);
}

TEST_F(Boom, TheListLastUsedHasItsCaptionHighlighted) {
    EXPECT_EQ(form.foreColor(Text32), colors::windowText);
    EXPECT_EQ(form.foreColor(Text34), colors::menuText);

    ASSERT_TRUE(form.selectEntry(List1, "1"));
    takeInchDiameter(form, state);
    EXPECT_EQ(form.foreColor(Text32), colors::highlight);
    EXPECT_EQ(form.foreColor(Text34), colors::menuText);

    ASSERT_TRUE(form.selectEntry(List2, "25"));
    takeMillimetreDiameter(form, state);
    EXPECT_EQ(form.foreColor(Text34), colors::highlight);
    EXPECT_EQ(form.foreColor(Text32), colors::menuText);
}

TEST_F(Boom, AnInchChoiceHidesThePromptAMillimetreChoiceLeavesIt) {
    form.setVisible(Text30, true);
    ASSERT_TRUE(form.selectEntry(List2, "25"));
    takeMillimetreDiameter(form, state);
    EXPECT_TRUE(form.isVisible(Text30));

    ASSERT_TRUE(form.selectEntry(List1, "1"));
    takeInchDiameter(form, state);
    EXPECT_FALSE(form.isVisible(Text30));
}

TEST_F(Boom, ReclickingTheHighlightedInchEntryTakesItAgain) {
    ASSERT_TRUE(form.selectEntry(List1, "1"));
    takeInchDiameter(form, state);
    ASSERT_TRUE(form.selectEntry(List2, "40"));
    takeMillimetreDiameter(form, state);
    EXPECT_EQ(state.b, 1.576F);
    takeInchDiameter(form, state); // List1 still has "1" selected
    EXPECT_EQ(state.b, 1.0F);
}

} // namespace
} // namespace tarvo
