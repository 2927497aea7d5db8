// SPDX-License-Identifier: GPL-3.0-or-later
// A user's text inside a message: enough to recognise it, never enough to flood a terminal or
// stretch a message box across the screen.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

inline constexpr std::size_t echoCharacters = 40;

/// `text` as typed when it has at most 40 characters (UTF-8 code points), otherwise its first
/// 40 followed by "...". A multi-byte character is never split.
inline std::string echoOf(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (!continuation && characters++ == echoCharacters) {
            return std::string(text.substr(0, i)) + "...";
        }
    }
    return std::string(text);
}

} // namespace tarvo
