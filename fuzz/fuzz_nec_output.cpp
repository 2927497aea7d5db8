// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as nec2c's output: the reader either refuses them with an AnalysisError or gives
// results whose every figure is a number it read, and the figures drawn from them never crash.
#include "analysis/nec_output.h"
#include "analysis/performance.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    std::vector<tarvo::analysis::FrequencyResult> results;
    try {
        results = tarvo::analysis::parseNecOutput(output);
    } catch (const tarvo::analysis::AnalysisError&) {
        return 0;
    }
    if (results.empty()) {
        std::abort();
    }
    for (const auto& result : results) {
        if (result.patterns.empty()) {
            std::abort();
        }
    }
    tarvo::analysis::Model model;
    model.frequencyMhz = results.front().frequencyMhz;
    const tarvo::analysis::Sweep sweep{0.25 * static_cast<double>((results.size() - 1) / 2), 0.25};
    try {
        const auto performance = tarvo::analysis::evaluate(results, model, {2, 4}, sweep);
        (void)tarvo::analysis::performanceText(performance);
    } catch (const tarvo::analysis::AnalysisError&) {
    }
    return 0;
}
