// SPDX-License-Identifier: GPL-3.0-or-later
// nec2c's answers as recorded for the 144 MHz, 1 inch design (tests/data): each deck of a run
// with the output nec2c printed for it, replayed by deck.
#pragma once

#include "analysis/geometry.h"
#include "analysis/nec_runner.h"

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace tarvo::test {

inline analysis::NecRunner recordedSession(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream whole;
    whole << file.rdbuf();
    const std::string text = whole.str();
    const std::string deckMark = "=== TARVO RECORDED DECK ===\n";
    const std::string outputMark = "=== TARVO RECORDED OUTPUT ===\n";
    auto answers = std::make_shared<std::map<std::string, std::string>>();
    for (std::size_t at = text.find(deckMark); at != std::string::npos;) {
        const std::size_t deck = at + deckMark.size();
        const std::size_t output = text.find(outputMark, deck);
        const std::size_t next = text.find(deckMark, output);
        (*answers)[text.substr(deck, output - deck)] = text.substr(
            output + outputMark.size(),
            (next == std::string::npos ? text.size() : next) - output - outputMark.size());
        at = next;
    }
    return [answers](const std::string& deck) {
        const auto found = answers->find(deck);
        if (found == answers->end()) {
            throw analysis::AnalysisError("no recorded nec2c output for this deck");
        }
        return found->second;
    };
}

} // namespace tarvo::test
