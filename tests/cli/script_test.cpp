// Event scripts on the in-memory window: parsing, faults between events, the state dump.
#include "cli/memory_window.h"
#include "cli/script.h"
#include "cli/state_dump.h"

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
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 27 + 5 + 2 + 2 + 1);
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

} // namespace
} // namespace tarvo
