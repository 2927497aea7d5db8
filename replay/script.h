// SPDX-License-Identifier: GPL-3.0-or-later
// Event scripts: an exact replay of what a person does in the main window, one event a line.
//
//   type TEXT            Text17 now holds TEXT (the rest of the line after one blank)
//   click Option1        NON METALLIC BOOM          click Option2   METALLIC BOOM
//   click Command1       COMPUTE                    click Command4  CONVERT TO METRIC
//   select List1 ENTRY   select an inch entry ("1 1/8") and deliver its Click
//   select List2 ENTRY   the same for the millimetre list ("25")
//   dump                 print the state block
//
// Blank lines and lines starting with '#' are skipped. A line ends at LF, CR LF or a lone CR; a
// UTF-8 byte order mark at the very start is skipped. A line is at most 4096 bytes of UTF-8 text.
#pragma once

#include "design/controls.h"
#include "replay/event_target.h"

#include <optional>

#include <cstddef>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

struct ScriptEvent {
    enum class Kind { Type, Click, Select, Dump };
    Kind kind{};
    Control control{};
    std::string text; ///< the typed text or the list entry
    std::size_t line{};
};

/// A script that cannot be run; line 0 when the fault is not on one line.
class ScriptError : public std::runtime_error {
public:
    ScriptError(std::size_t line, const std::string& why);
    std::size_t line() const { return m_line; }

private:
    std::size_t m_line;
};

/// Splits a script into lines as its bytes arrive, in chunks of any size, so that memory does
/// not grow with the script and each line can run as soon as it is complete. A byte that is not
/// text and a line that is too long are refused as soon as they are seen.
class ScriptLines {
public:
    static constexpr std::size_t maxLineBytes = 4096;
    using LineHandler = std::function<void(std::string_view line, std::size_t number)>;

    explicit ScriptLines(LineHandler onLine);
    /// Takes the next bytes; hands on every line they complete. Throws ScriptError.
    void feed(std::string_view bytes);
    /// The script ended: hands on a last line without a line end. Throws ScriptError.
    void finish();

private:
    void endLine();
    [[noreturn]] void notText() const;

    LineHandler m_onLine;
    std::string m_line;
    std::size_t m_number{1};
    int m_follow{};        ///< continuation bytes still due in the current UTF-8 sequence
    unsigned char m_low{}; ///< the range allowed for the next continuation byte
    unsigned char m_high{};
    bool m_afterCr{};     ///< an LF right after a CR ends no further line
    bool m_atStart{true}; ///< a byte order mark may still come
};

/// One line as an event, or std::nullopt for a blank line or a comment. Throws ScriptError.
std::optional<ScriptEvent> parseLine(std::string_view line, std::size_t number);

/// Reads a whole script before anything runs; throws ScriptError at the first malformed line.
std::vector<ScriptEvent> parseScript(std::string_view script);

/// Plays one event. A fault prints `error: KIND: MESSAGE`. Returns whether the event failed.
bool runEvent(const ScriptEvent& event, EventTarget& target, std::ostream& out);

/// Plays the events in order. A fault prints `error: KIND: MESSAGE` at that point and the next
/// event runs. Returns whether any event failed.
bool runScript(const std::vector<ScriptEvent>& events, EventTarget& target, std::ostream& out);

/// Reads a script from the open descriptor `fd` and plays each event as soon as its line is
/// complete, flushing `out` before waiting for more. Returns whether any event failed. Throws
/// ScriptError for a malformed line or a script that cannot be read (events before it have
/// run), and stops at once when `out` fails.
bool runScriptFrom(int fd, EventTarget& target, std::ostream& out);

} // namespace tarvo
