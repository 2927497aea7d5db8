#include "cli/script.h"

#include "cli/state_dump.h"
#include "design/operations.h"

#include <algorithm>

namespace tarvo {
namespace {

using enum Control;

/// Where the bytes stop being UTF-8 text without NUL, or npos when they are text throughout.
std::size_t firstNonText(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t follow = 0;
        if (lead == 0) {
            return i;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
        } else if (lead >= 0x80) {
            return i;
        }
        for (std::size_t k = 1; k <= follow; ++k) {
            if (i + k >= bytes.size() ||
                (static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return i;
            }
        }
        i += follow + 1;
    }
    return std::string_view::npos;
}

bool isBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

std::string_view firstWord(std::string_view line) {
    return line.substr(0, line.find(' '));
}

std::string_view afterFirstBlank(std::string_view line) {
    const auto blank = line.find(' ');
    return blank == std::string_view::npos ? std::string_view{} : line.substr(blank + 1);
}

ScriptEvent parseLine(std::string_view line, std::size_t number) {
    const std::string_view verb = firstWord(line);
    const std::string_view rest = afterFirstBlank(line);
    if (verb == "type") {
        return {ScriptEvent::Kind::Type, Text17, std::string(rest), number};
    }
    if (verb == "dump") {
        if (!isBlankLine(rest)) {
            throw ScriptError(number, "dump takes nothing after it");
        }
        return {ScriptEvent::Kind::Dump, Text17, "", number};
    }
    if (verb == "click") {
        const auto control = controlNamed(rest);
        if (!control || !isDesignClick(*control) || *control == List1 || *control == List2) {
            throw ScriptError(number, "click takes Option1, Option2, Command1 or Command4, not \"" +
                                          std::string(rest) + "\"");
        }
        return {ScriptEvent::Kind::Click, *control, "", number};
    }
    if (verb == "select") {
        const std::string_view listName = firstWord(rest);
        const auto list = controlNamed(listName);
        if (!list || (*list != List1 && *list != List2)) {
            throw ScriptError(number,
                              "select takes List1 or List2, not \"" + std::string(listName) + "\"");
        }
        const std::string entry(afterFirstBlank(rest));
        const auto entries = listEntries(*list);
        if (std::find(entries.begin(), entries.end(), entry) == entries.end()) {
            throw ScriptError(number, std::string(listName) + " has no entry \"" + entry + "\"");
        }
        return {ScriptEvent::Kind::Select, *list, entry, number};
    }
    throw ScriptError(number,
                      "unknown event \"" + std::string(verb) + "\" (type, click, select or dump)");
}

} // namespace

ScriptError::ScriptError(std::size_t line, const std::string& why)
    : std::runtime_error(line == 0 ? why : "line " + std::to_string(line) + ": " + why)
    , m_line(line) {}

std::vector<ScriptEvent> parseScript(std::string_view script) {
    if (const auto bad = firstNonText(script); bad != std::string_view::npos) {
        const auto line = static_cast<std::size_t>(
            std::count(script.begin(), script.begin() + static_cast<std::ptrdiff_t>(bad), '\n'));
        throw ScriptError(line + 1, "not text: a NUL byte or a byte that is not UTF-8");
    }
    std::vector<ScriptEvent> events;
    std::size_t number = 0;
    while (!script.empty()) {
        ++number;
        const auto end = script.find('\n');
        std::string_view line = script.substr(0, end);
        script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') {
            continue;
        }
        events.push_back(parseLine(line, number));
    }
    return events;
}

bool runScript(const std::vector<ScriptEvent>& events, EventTarget& target, std::ostream& out) {
    bool failed = false;
    for (const ScriptEvent& event : events) {
        std::optional<FaultReport> fault;
        switch (event.kind) {
        case ScriptEvent::Kind::Type:
            fault = target.type(event.text);
            break;
        case ScriptEvent::Kind::Click:
            fault = target.click(event.control);
            break;
        case ScriptEvent::Kind::Select:
            fault = target.select(event.control, event.text);
            break;
        case ScriptEvent::Kind::Dump:
            out << dumpState(target.form());
            break;
        }
        if (fault) {
            failed = true;
            out << "error: " << keyOf(fault->kind) << ": " << fault->message << '\n';
        }
    }
    return failed;
}

} // namespace tarvo
