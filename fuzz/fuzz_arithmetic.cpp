// SPDX-License-Identifier: GPL-3.0-or-later
// Random sequences of the design's operations (+, -, x, / on doubles, a store rounding to
// single) through both ways of telling arithmetic faults: the IEEE exception flags as the engine
// reads them, and the checked operations of the builds without flags. Each step must give the
// same value and the same faults both ways; values persist from step to step, so an infinity or
// a not-a-number left by one step meets the next, as a faulty design variable does.
#include "design/arithmetic.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#if !TARVO_HAS_ARITHMETIC_FLAGS
#error "this comparison needs the exception flags"
#endif

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

/// Values where faults begin: zeros, infinities, not-a-number, the edges of the double and the
/// single range, subnormals, and the design's own constants.
constexpr std::array<double, 24> awkward{
    0.0,
    -0.0,
    1.0,
    -1.0,
    12.0,
    1072.2,
    0.5,
    1e308,
    -1e308,
    std::numeric_limits<double>::max(),
    std::numeric_limits<double>::min(),
    std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
    static_cast<double>(std::numeric_limits<float>::max()),
    3.4028235677973366e38, // just below the single's overflow threshold
    3.4028235677973367e38, // just above it
    static_cast<double>(std::numeric_limits<float>::denorm_min()),
    1e-36,
    1e-300,
    1e154,
    983.6,
    114.5,
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size) {}
    bool empty() const { return m_at >= m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    double number() {
        const std::uint8_t choice = byte();
        if (choice < 0xC0) {
            return awkward[choice % awkward.size()];
        }
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) {
            bits = bits << 8 | byte();
        }
        // A not-a-number the arithmetic makes is quiet; a signalling one, which no operation or
        // text of the engine makes, would raise the invalid flag wherever it goes.
        const auto value = std::bit_cast<double>(bits);
        return std::isnan(value) ? std::bit_cast<double>(bits | 0x0008'0000'0000'0000U) : value;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at{};
};

bool sameValue(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    constexpr std::size_t registers = 4;
    std::array<double, registers> plain{};
    for (std::size_t r = 0; r < registers; ++r) {
        plain[r] = input.number();
    }
    while (!input.empty()) {
        // One step: up to eight operations, each on two registers into a third, then either a
        // store into a single or a value checked as shown.
        const std::uint8_t header = input.byte();
        const int operations = 1 + (header & 7);
        const bool store = (header & 8) != 0;
        if ((header & 0x10) != 0) {
            plain[header >> 6] = input.number(); // a fresh operand, as a constant or typed text
        }
        std::array<tarvo::CheckedDouble, registers> checked{plain[0], plain[1], plain[2], plain[3]};
        std::array<volatile double, registers> flagged{plain[0], plain[1], plain[2], plain[3]};
        std::size_t last = 0;
        // The flags gather the faults of every operation of a step. In an expression every
        // operation's result flows into the value, so there the value's faults are all of them;
        // here a register may be overwritten unused, so the step gathers them itself.
        unsigned stepFaults = 0;
        tarvo::clearArithmeticFlags();
        for (int i = 0; i < operations; ++i) {
            const std::uint8_t op = input.byte();
            const std::size_t a = op & 3;
            const std::size_t b = (op >> 2) & 3;
            last = (op >> 4) & 3;
            switch (op >> 6) {
            case 0:
                flagged[last] = flagged[a] + flagged[b];
                checked[last] = checked[a] + checked[b];
                break;
            case 1:
                flagged[last] = flagged[a] - flagged[b];
                checked[last] = checked[a] - checked[b];
                break;
            case 2:
                flagged[last] = flagged[a] * flagged[b];
                checked[last] = checked[a] * checked[b];
                break;
            default:
                flagged[last] = flagged[a] / flagged[b];
                checked[last] = checked[a] / checked[b];
                break;
            }
            stepFaults |= checked[last].faults();
        }
        unsigned checkedFaults = stepFaults;
        double checkedValue = checked[last].value();
        double flaggedValue = flagged[last];
        if (store) {
            const volatile float single = static_cast<float>(flaggedValue);
            flaggedValue = single;
            const tarvo::CheckedDouble::Single stored = checked[last].toSingle();
            checkedFaults = stepFaults | stored.faults;
            checkedValue = stored.value;
        }
        const unsigned flaggedFaults = tarvo::flaggedFaults();
        require(sameValue(flaggedValue, checkedValue));
        require(flaggedFaults == checkedFaults);
        for (std::size_t r = 0; r < registers; ++r) {
            require(sameValue(flagged[r], checked[r].value()));
            plain[r] = flagged[r];
        }
        plain[last] = flaggedValue;
    }
    return 0;
}
