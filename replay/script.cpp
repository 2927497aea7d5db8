// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/script.h"

#include "design/echo.h"
#include "design/operations.h"
#include "replay/output.h"
#include "replay/state_dump.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tarvo {
namespace {

using enum Control;

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

std::string quoted(std::string_view text) {
    return "\"" + echoOf(text) + "\"";
}

ScriptEvent parseEvent(std::string_view line, std::size_t number) {
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
            throw ScriptError(number, "click takes Option1, Option2, Command1 or Command4, not " +
                                          quoted(rest));
        }
        return {ScriptEvent::Kind::Click, *control, "", number};
    }
    if (verb == "select") {
        const std::string_view listName = firstWord(rest);
        const auto list = controlNamed(listName);
        if (!list || (*list != List1 && *list != List2)) {
            throw ScriptError(number, "select takes List1 or List2, not " + quoted(listName));
        }
        const std::string entry(afterFirstBlank(rest));
        const auto entries = listEntries(*list);
        if (std::find(entries.begin(), entries.end(), entry) == entries.end()) {
            throw ScriptError(number, std::string(listName) + " has no entry " + quoted(entry));
        }
        return {ScriptEvent::Kind::Select, *list, entry, number};
    }
    throw ScriptError(number, "unknown event " + quoted(verb) + " (type, click, select or dump)");
}

} // namespace

ScriptError::ScriptError(std::size_t line, const std::string& why)
    : std::runtime_error(line == 0 ? why : "line " + std::to_string(line) + ": " + why)
    , m_line(line) {}

ScriptLines::ScriptLines(LineHandler onLine)
    : m_onLine(std::move(onLine)) {}

void ScriptLines::notText() const {
    throw ScriptError(m_number, "not text: a NUL byte or a byte that is not UTF-8");
}

void ScriptLines::endLine() {
    if (m_follow != 0) {
        notText(); // a character cut short by the line end
    }
    m_atStart = false;
    m_onLine(m_line, m_number);
    m_line.clear();
    ++m_number;
}

void ScriptLines::feed(std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\n' && m_afterCr) {
            m_afterCr = false; // the second half of CR LF
            continue;
        }
        m_afterCr = byte == '\r';
        if (byte == '\n' || byte == '\r') {
            endLine();
            continue;
        }
        if (m_follow > 0) {
            if (byte < m_low || byte > m_high) {
                notText();
            }
            --m_follow;
            m_low = 0x80;
            m_high = 0xBF;
        } else if (byte == 0) {
            notText();
        } else if (byte >= 0x80) {
            // The lead byte fixes the length and, against overlong forms, surrogates and code
            // points past U+10FFFF, the range of the first continuation byte.
            m_low = 0x80;
            m_high = 0xBF;
            if (byte >= 0xC2 && byte <= 0xDF) {
                m_follow = 1;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                m_follow = 2;
                m_low = byte == 0xE0 ? 0xA0 : 0x80;
                m_high = byte == 0xED ? 0x9F : 0xBF;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                m_follow = 3;
                m_low = byte == 0xF0 ? 0x90 : 0x80;
                m_high = byte == 0xF4 ? 0x8F : 0xBF;
            } else {
                notText();
            }
        }
        if (m_line.size() == maxLineBytes) {
            throw ScriptError(m_number, "longer than " + std::to_string(maxLineBytes) + " bytes");
        }
        m_line += c;
        if (m_atStart && m_line.size() == 3) {
            m_atStart = false;
            if (m_line == "\xEF\xBB\xBF") {
                m_line.clear(); // the byte order mark some editors put first
            }
        }
    }
}

void ScriptLines::finish() {
    if (m_follow != 0) {
        notText();
    }
    if (!m_line.empty()) {
        m_onLine(m_line, m_number);
        m_line.clear();
    }
}

std::optional<ScriptEvent> parseLine(std::string_view line, std::size_t number) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
        return std::nullopt;
    }
    return parseEvent(line, number);
}

std::vector<ScriptEvent> parseScript(std::string_view script) {
    std::vector<ScriptEvent> events;
    ScriptLines lines([&events](std::string_view line, std::size_t number) {
        if (auto event = parseLine(line, number)) {
            events.push_back(std::move(*event));
        }
    });
    lines.feed(script);
    lines.finish();
    return events;
}

bool runEvent(const ScriptEvent& event, EventTarget& target, std::ostream& out) {
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
        out << "error: " << keyOf(fault->kind) << ": " << fault->message << '\n';
    }
    return fault.has_value();
}

bool runScript(const std::vector<ScriptEvent>& events, EventTarget& target, std::ostream& out) {
    bool failed = false;
    for (const ScriptEvent& event : events) {
        failed = runEvent(event, target, out) || failed;
        if (!out) {
            break;
        }
    }
    return failed;
}

bool runScriptFrom(int fd, EventTarget& target, std::ostream& out) {
    bool failed = false;
    ScriptLines lines([&](std::string_view line, std::size_t number) {
        if (const auto event = parseLine(line, number)) {
            failed = runEvent(*event, target, out) || failed;
            if (!out) {
                throw OutputError("the output stream failed");
            }
        }
    });
    std::array<char, 65536> chunk{};
    for (;;) {
        // What the events so far printed goes out before the script keeps us waiting.
        if (!out.flush()) {
            throw OutputError("the output stream failed");
        }
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw ScriptError(0, errno == EISDIR
                                     ? std::string("it is a folder, not a script")
                                     : std::string("cannot be read: ") + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        lines.feed({chunk.data(), static_cast<std::size_t>(got)});
    }
    lines.finish();
    return failed;
}

} // namespace tarvo
