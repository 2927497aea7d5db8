// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh main window in memory with its design state, and the box texts of the worked examples.
#pragma once

#include "design/design_state.h"
#include "design/faults.h"
#include "design/memory_form.h"
#include "design/operations.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::test {

using Texts = std::vector<std::pair<Control, std::string>>;

/// The kind of fault an operation stopped with, or nothing when it ran through.
template <class Operation> std::optional<FaultKind> faultOf(Operation&& operation) {
    try {
        operation();
    } catch (const Fault& fault) {
        return fault.kind();
    }
    return std::nullopt;
}

inline void expectTexts(const Form& form, const Texts& expected) {
    for (const auto& [box, text] : expected) {
        EXPECT_EQ(form.text(box), text) << nameOf(box);
    }
}

class DesignTest : public ::testing::Test {
protected:
    void type(const std::string& frequency) { form.setText(Control::Text17, frequency); }
    void chooseMetallicWithInch(const std::string& entry) {
        form.selectOption(Control::Option2);
        chooseMetallicBoom(form);
        ASSERT_TRUE(form.selectEntry(Control::List1, entry));
        takeInchDiameter(form, state);
    }
    void expectTexts(const Texts& expected) const { test::expectTexts(form, expected); }
    std::map<Control, std::string> allTexts() const {
        std::map<Control, std::string> texts;
        for (const ControlInfo& info : allControls()) {
            texts[info.control] = form.text(info.control);
        }
        return texts;
    }

    MemoryForm form;
    DesignState state;
};

/// 144 MHz, metallic boom, 1 inch: the inch results.
inline const Texts inches144{
    {Control::Text9, "89.35"},    {Control::Text10, "85.655"},  {Control::Text11, "36.2771"},
    {Control::Text12, "36.1254"}, {Control::Text13, "36.0604"}, {Control::Text14, "35.9959"},
    {Control::Text15, "35.9298"}, {Control::Text16, "35.1547"}, {Control::Text22, "17.5162"},
    {Control::Text24, "15.3526"}, {Control::Text25, "31.5580"}, {Control::Text26, "19.0170"},
    {Control::Text27, "27.1878"}, {Control::Text31, "26.9357"}, {Control::Text33, "26.0026"},
    {Control::Text39, "17.5162"}, {Control::Text40, "32.8689"}, {Control::Text41, "64.4269"},
    {Control::Text42, "83.4439"}, {Control::Text43, "110.631"}, {Control::Text44, "137.567"},
    {Control::Text45, "163.570"}, {Control::Text19, "0.7751"},  {Control::Text35, "0.9331"},
    {Control::Text29, "INCHES"},  {Control::Text37, "0"},
};

/// The same design after CONVERT TO METRIC.
inline const Texts centimetres144{
    {Control::Text9, "226.948"},  {Control::Text10, "217.563"}, {Control::Text11, "92.1440"},
    {Control::Text12, "91.7586"}, {Control::Text13, "91.5934"}, {Control::Text14, "91.4295"},
    {Control::Text15, "91.2618"}, {Control::Text16, "89.2930"}, {Control::Text19, "1.9687"},
    {Control::Text22, "44.4913"}, {Control::Text24, "38.9956"}, {Control::Text25, "80.1574"},
    {Control::Text26, "48.3032"}, {Control::Text27, "69.0571"}, {Control::Text31, "68.4168"},
    {Control::Text33, "66.0466"}, {Control::Text35, "2.3702"},  {Control::Text29, "CM"},
    {Control::Text39, "44.4913"}, {Control::Text40, "83.4870"}, {Control::Text41, "163.644"},
    {Control::Text42, "211.947"}, {Control::Text43, "281.004"}, {Control::Text44, "349.421"},
    {Control::Text45, "415.468"}, {Control::Text37, "0"},
};

} // namespace tarvo::test
