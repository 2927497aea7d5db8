// Event scripts: an exact replay of what a person does in the main window, one event a line.
//
//   type TEXT            Text17 now holds TEXT (the rest of the line after one blank)
//   click Option1        NON METALLIC BOOM          click Option2   METALLIC BOOM
//   click Command1       COMPUTE                    click Command4  CONVERT TO METRIC
//   select List1 ENTRY   select an inch entry ("1 1/8") and deliver its Click
//   select List2 ENTRY   the same for the millimetre list ("25")
//   dump                 print the state block
//
// Blank lines and lines starting with '#' are skipped.
#pragma once

#include "cli/event_target.h"
#include "design/controls.h"

#include <cstddef>
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

/// Reads a whole script before anything runs; throws ScriptError at the first malformed line.
std::vector<ScriptEvent> parseScript(std::string_view script);

/// Plays the events in order. A fault prints `error: KIND: MESSAGE` at that point and the next
/// event runs. Returns whether any event failed.
bool runScript(const std::vector<ScriptEvent>& events, EventTarget& target, std::ostream& out);

} // namespace tarvo
