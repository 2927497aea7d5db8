// SPDX-License-Identifier: GPL-3.0-or-later
// How long COMPUTE and CONVERT TO METRIC take on the in-memory form.
#include "design/memory_form.h"
#include "design/operations.h"

#include <benchmark/benchmark.h>

namespace {

tarvo::MemoryForm workedExample(tarvo::DesignState& state) {
    tarvo::MemoryForm form;
    form.setText(tarvo::Control::Text17, "144");
    form.selectOption(tarvo::Control::Option2);
    tarvo::chooseMetallicBoom(form);
    form.selectEntry(tarvo::Control::List1, "1");
    tarvo::takeInchDiameter(form, state);
    return form;
}

void computeAt144MHz(benchmark::State& run) {
    tarvo::DesignState state;
    tarvo::MemoryForm form = workedExample(state);
    for (auto _ : run) {
        tarvo::computeDesign(form, state);
        benchmark::DoNotOptimize(state);
    }
}
BENCHMARK(computeAt144MHz);

void convertToMetricAt144MHz(benchmark::State& run) {
    tarvo::DesignState state;
    tarvo::MemoryForm form = workedExample(state);
    tarvo::computeDesign(form, state);
    for (auto _ : run) {
        tarvo::convertToMetric(form, state);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(convertToMetricAt144MHz);

} // namespace

BENCHMARK_MAIN();
