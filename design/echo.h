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
/// 40 followed by "...". A multi-byte character is never split. A control character (a tab, an
/// escape sequence's ESC, DEL) is shown as \xHH and counts as one: typed into a path or a
/// number, it must not move a terminal's cursor or recolour what follows.
inline std::string echoOf(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (!continuation && characters++ == echoCharacters) {
            return shown + "...";
        }
        if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0x0F];
        } else {
            shown += text[i];
        }
    }
    return shown;
}

} // namespace tarvo
