// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a tarvo-cli script, run on the in-memory window: either the script is
// refused as malformed, or every event runs, every fault is one of the named kinds, every box
// text fits its box, and no result box shows a number whose magnitude was cut away.
#include "design/director_length.h"
#include "design/number_text.h"
#include "replay/memory_window.h"
#include "replay/script.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tarvo::Control;
using tarvo::DesignState;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

/// What a result box must show, in inches after COMPUTE or centimetres after CONVERT TO METRIC.
struct Expected {
    Control box;
    std::function<double(const DesignState&)> value;
};

double positionSum(const DesignState& s, std::size_t directors) {
    double sum = s.rsp;
    for (std::size_t i = 0; i < directors; ++i) {
        sum += double{s.*tarvo::directorSpacings[i]};
    }
    return sum;
}

std::vector<Expected> expectedInches() {
    std::vector<Expected> boxes{
        {Control::Text9, [](const DesignState& s) { return double{s.ref} * 12; }},
        {Control::Text10, [](const DesignState& s) { return double{s.dri} * 12; }},
        {Control::Text22, [](const DesignState& s) { return double{s.rsp}; }},
        {Control::Text19, [](const DesignState& s) { return double{s.add}; }},
        {Control::Text39, [](const DesignState& s) { return double{s.rsp}; }},
    };
    for (std::size_t i = 0; i < 6; ++i) {
        boxes.push_back({tarvo::directorLengthBoxes[i],
                         [i](const DesignState& s) { return tarvo::directorInches(s, i); }});
        boxes.push_back({tarvo::directorSpacingBoxes[i], [i](const DesignState& s) {
                             return double{s.*tarvo::directorSpacings[i]};
                         }});
        boxes.push_back({tarvo::directorPositionBoxes[i],
                         [i](const DesignState& s) { return positionSum(s, i + 1); }});
    }
    return boxes;
}

int fractionDigits(const std::string& text) {
    const auto point = text.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

void checkMagnitudes(const tarvo::MemoryWindow& window, double scale) {
    for (const Expected& expected : expectedInches()) {
        const std::string text = window.form().text(expected.box);
        const double value = expected.value(window.state()) * scale;
        if (!std::isfinite(value) || text == "inf" || text == "-inf" || text == "nan") {
            continue;
        }
        const double shown = tarvo::textToDouble(text, ".");
        const bool exponent = text.find('E') != std::string::npos;
        const double unit = exponent ? 0.0 : std::pow(10.0, -fractionDigits(text));
        require(std::fabs(shown - value) <= unit + std::fabs(value) * 2e-6 + 1e-30);
    }
}

void checkLimits(const tarvo::Form& form) {
    for (const tarvo::ControlInfo& info : tarvo::allControls()) {
        require(info.limit == 0 || form.text(info.control).size() <= info.limit);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    std::vector<tarvo::ScriptEvent> events;
    try {
        events = tarvo::parseScript(script);
    } catch (const tarvo::ScriptError& error) {
        // Lines end at LF, CR LF or a lone CR.
        std::size_t ends = 0;
        for (std::size_t i = 0; i < script.size(); ++i) {
            ends += script[i] == '\r' || (script[i] == '\n' && (i == 0 || script[i - 1] != '\r'));
        }
        require(error.line() <= ends + 1);
        return 0;
    }
    tarvo::MemoryWindow window;
    for (const tarvo::ScriptEvent& event : events) {
        std::ostringstream out;
        const bool failed = tarvo::runScript({event}, window, out);
        const std::string printed = out.str();
        if (failed) {
            bool named = false;
            for (const char* kind : {"conversion", "division-by-zero", "overflow",
                                     "invalid-operation", "out-of-range"}) {
                named = named || printed.rfind("error: " + std::string(kind) + ": ", 0) == 0;
            }
            require(named);
        }
        checkLimits(window.form());
        if (!failed && event.kind == tarvo::ScriptEvent::Kind::Click) {
            if (event.control == Control::Command1) {
                checkMagnitudes(window, 1.0);
            } else if (event.control == Control::Command4) {
                checkMagnitudes(window, 2.54);
            }
        }
    }
    return 0;
}
