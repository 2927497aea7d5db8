// SPDX-License-Identifier: GPL-3.0-or-later
// The twenty single-precision design values that the main window owns for its whole life.
#pragma once

#include <array>

namespace tarvo {

struct DesignState {
    float ref{};  ///< feet: wire length of the reflector loop
    float dri{};  ///< feet: wire length of the driven loop
    float dir1{}; ///< feet: twice director 1's length before the boom correction
    float dir2{};
    float dir3{};
    float dir4{};
    float dir5{};
    float dir6{};
    float freq{}; ///< MHz: the frequency as last read from Text17
    float add{};  ///< inches: how much shorter each director beyond DIR 6 should be
    float rsp{};  ///< inches: reflector to driven element
    float d1sp{}; ///< inches: driven to DIR 1
    float d2sp{}; ///< inches: DIR 1 to DIR 2, and so on
    float d3sp{};
    float d4sp{};
    float d5sp{};
    float d6sp{};
    float x{}; ///< inches: boom correction added to every director's shown length
    float c{}; ///< wavelengths: boom diameter over the wavelength
    float b{}; ///< inches: boom diameter

    bool operator==(const DesignState&) const = default;
};

/// dir1 ... dir6 in row order, for the steps that treat the six directors alike.
inline constexpr std::array<float DesignState::*, 6> directorLengths{
    &DesignState::dir1, &DesignState::dir2, &DesignState::dir3,
    &DesignState::dir4, &DesignState::dir5, &DesignState::dir6};

/// d1sp ... d6sp in row order.
inline constexpr std::array<float DesignState::*, 6> directorSpacings{
    &DesignState::d1sp, &DesignState::d2sp, &DesignState::d3sp,
    &DesignState::d4sp, &DesignState::d5sp, &DesignState::d6sp};

} // namespace tarvo
