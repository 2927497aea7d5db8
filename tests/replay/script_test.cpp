// SPDX-License-Identifier: GPL-3.0-or-later
// Event scripts on the in-memory window: parsing, faults between events, the state dump.
#include "replay/memory_window.h"
#include "replay/script.h"
#include "replay/state_dump.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvo {
namespace {

std::string play(std::string_view script, bool* failed = nullptr) {
    MemoryWindow window;
    std::ostringstream out;
    const bool anyFault = runScript(parseScript(script), window, out);
    if (failed != nullptr) {
        *failed = anyFault;
    }
    return out.str();
}

std::string valueIn(const std::string& dump, const std::string& name) {
    const auto at = dump.find(name + "=");
    if (at == std::string::npos) {
        return "<missing>";
    }
    const auto start = at + name.size() + 1;
    return dump.substr(start, dump.find('\n', start) - start);
}

TEST(StateDump, AFreshWindowDumpsItsStartState) {
    const std::string dump = dumpState(MemoryWindow().form());
    EXPECT_EQ(valueIn(dump, "Text17"), "0.0");
    EXPECT_EQ(valueIn(dump, "Text37"), "0");
    EXPECT_EQ(valueIn(dump, "Text29"), "INCHES");
    EXPECT_EQ(valueIn(dump, "Text9"), "");
    for (const char* hidden : {"Text30", "List1", "Text32", "List2", "Text34"}) {
        EXPECT_EQ(valueIn(dump, std::string(hidden) + ".Visible"), "0") << hidden;
    }
    EXPECT_EQ(valueIn(dump, "Text32.ForeColor"), "80000008");
    EXPECT_EQ(valueIn(dump, "Text34.ForeColor"), "80000007");
    EXPECT_EQ(valueIn(dump, "Option1.Value"), "0");
    EXPECT_EQ(valueIn(dump, "Option2.Value"), "0");
    EXPECT_EQ(dump.substr(dump.size() - 4), "end\n");
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 37); // 27 boxes, 10 other lines
}

TEST(Script, AFaultIsReportedWhereItHappensAndTheNextEventRuns) {
    bool failed = false;
    const std::string out = play("click Command1\ntype 144\nclick Command1\ndump\n", &failed);
    EXPECT_TRUE(failed);
    EXPECT_EQ(out.substr(0, out.find('\n')), "error: division-by-zero: Division by zero.");
    EXPECT_EQ(valueIn(out, "Text9"), "89.35");
}

TEST(Script, FaultKindsAreNamedForScripts) {
    const std::pair<const char*, const char*> cases[] = {
        {"type abc", "error: conversion: "},
        {"type -5", "error: out-of-range: The frequency must be greater than 0 MHz."},
        {"type 1e39", "error: overflow: "},
        {"type 0.001", "error: overflow: "},
    };
    for (const auto& [typed, expected] : cases) {
        const std::string out = play(std::string(typed) + "\nclick Command1\n");
        EXPECT_EQ(out.rfind(expected, 0), 0U) << typed << ": " << out;
    }
}

// A second click on METALLIC BOOM delivers no Click: were it run again, it would hide the
// prompt that the COMPUTE without a diameter showed.
TEST(Script, ASecondClickOnTheSelectedOptionRunsNothing) {
    const std::string out =
        play("click Option2\ntype 144\nclick Command1\ndump\nclick Option2\ndump\n");
    EXPECT_EQ(valueIn(out, "Text30.Visible"), "1");
    EXPECT_EQ(valueIn(out.substr(out.find("end\n") + 4), "Text30.Visible"), "1");
}

TEST(Script, AnOptionAlreadySelectedDoesNothing) {
    // NON METALLIC sets x; a second click must not run again after COMPUTE changed nothing.
    const std::string out =
        play("click Option2\nselect List1 1\nclick Option2\ndump\nclick Option1\ndump\n");
    EXPECT_EQ(valueIn(out, "Option2.Value"), "1");
    const std::string second = out.substr(out.find("end\n") + 4);
    EXPECT_EQ(valueIn(second, "Option1.Value"), "1");
    EXPECT_EQ(valueIn(second, "Option2.Value"), "0");
    EXPECT_EQ(valueIn(second, "List1.Visible"), "0");
}

TEST(Script, SelectingTheHighlightedInchEntryAgainTakesTheInchDiameter) {
    const std::string out = play("type 144\nclick Option2\nselect List1 1\nselect List2 51\n"
                                 "select List1 1\nclick Command1\ndump\n");
    EXPECT_EQ(valueIn(out, "Text11"), "36.2771");
    EXPECT_EQ(valueIn(out, "Text32.ForeColor"), "8000000D");
}

TEST(Script, TypeTakesTheRestOfTheLineAfterOneBlank) {
    EXPECT_EQ(valueIn(play("type  1 44\ndump\n"), "Text17"), " 1 44");
    EXPECT_EQ(valueIn(play("type\ndump\n"), "Text17"), "");
    EXPECT_EQ(valueIn(play("type 144\r\ndump\r\n"), "Text17"), "144");
}

TEST(Script, CommentsAndBlankLinesAreSkipped) {
    EXPECT_EQ(parseScript("# a comment\n\n   \n  # indented\ndump\n").size(), 1U);
}

struct Malformed {
    const char* script;
    std::size_t line;
};

TEST(Script, AMalformedLineIsAnErrorNamingItsLine) {
    const Malformed cases[] = {
        {"dump\npush Command1\n", 2},
        {"click Command2\n", 1},
        {"click Command3\n", 1},
        {"click List1\n", 1},
        {"click\n", 1},
        {"# ok\nselect List1 2 1/2\n", 2},
        {"select List3 1\n", 1},
        {"select List2 25.0\n", 1},
        {"dump now\n", 1},
        {"Click Command1\n", 1},
    };
    for (const auto& c : cases) {
        try {
            parseScript(c.script);
            ADD_FAILURE() << c.script << " parsed";
        } catch (const ScriptError& error) {
            EXPECT_EQ(error.line(), c.line) << c.script;
            EXPECT_NE(std::string(error.what()).find("line " + std::to_string(c.line)),
                      std::string::npos);
        }
    }
}

TEST(Script, BytesThatAreNotTextAreRejected) {
    using namespace std::string_literals;
    const std::pair<std::string, std::size_t> cases[] = {
        {"type 1\0 44\n"s, 1}, {"dump\ntype \xff\n"s, 2}, {"dump\n\ndump\ntype \xc3"s, 4}};
    for (const auto& [bytes, line] : cases) {
        try {
            parseScript(bytes);
            ADD_FAILURE() << "parsed";
        } catch (const ScriptError& error) {
            EXPECT_EQ(error.line(), line);
            EXPECT_NE(std::string(error.what()).find("not text"), std::string::npos);
        }
    }
    EXPECT_NO_THROW(parseScript("type \xc3\xa9\n"));
}

struct Split {
    std::string bytes;
    std::vector<std::string> lines; ///< the lines handed on, numbered from 1
    std::size_t errorLine;          ///< 0: no error
};

/// Splits as the streaming reader does, the bytes fed in pieces of `piece` bytes.
Split splitInPieces(const std::string& bytes, std::size_t piece) {
    Split result{bytes, {}, 0};
    ScriptLines lines([&result](std::string_view line, std::size_t number) {
        EXPECT_EQ(number, result.lines.size() + 1);
        result.lines.emplace_back(line);
    });
    try {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            lines.feed(std::string_view(bytes).substr(at, piece));
        }
        lines.finish();
    } catch (const ScriptError& error) {
        result.errorLine = error.line();
    }
    return result;
}

TEST(ScriptLines, LineEndsByteOrderMarkAndMalformedTextInAnyPieces) {
    using namespace std::string_literals;
    const std::string full(4096, '7');
    const Split cases[] = {
        {"a\rb\r\nc\n\rd", {"a", "b", "c", "", "d"}, 0},
        {"\r\n\r\n", {"", ""}, 0},
        {"\xEF\xBB\xBF"
         "dump\n",
         {"dump"},
         0},
        {"\xEF\xBB\xBF", {}, 0},
        {"dump\n\xEF\xBB\xBF"
         "dump",
         {"dump", "\xEF\xBB\xBF"
                  "dump"},
         0},
        {"type \xF0\x9F\x93\xA1\xC3\xA9\xE2\x82\xAC",
         {"type \xF0\x9F\x93\xA1\xC3\xA9\xE2\x82\xAC"},
         0},
        {"x\n\xC0\xAF", {"x"}, 2},   // overlong two-byte form
        {"\xE0\x80\xAF", {}, 1},     // overlong three-byte form
        {"\xF0\x8F\xBF\xBF", {}, 1}, // overlong four-byte form
        {"\xED\xA0\x80", {}, 1},     // a surrogate
        {"\xF4\x90\x80\x80", {}, 1}, // past U+10FFFF
        {"\xF5\x80\x80\x80", {}, 1},
        {"\xC3\nx", {}, 1},    // a character cut by the line end
        {"x\n\xC3", {"x"}, 2}, // ... or by the end of the script
        {"a\nb\0c\n"s, {"a"}, 2},
        {full + "\n" + full, {full, full}, 0},
        {"x\r" + full + "7\n", {"x"}, 2},
    };
    for (const Split& c : cases) {
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{2}, std::size_t{3}, c.bytes.size() + 1}) {
            const Split got = splitInPieces(c.bytes, piece);
            EXPECT_EQ(got.lines, c.lines) << testing::PrintToString(c.bytes) << " in " << piece;
            EXPECT_EQ(got.errorLine, c.errorLine)
                << testing::PrintToString(c.bytes) << " in " << piece;
        }
    }
}

} // namespace
} // namespace tarvo
