// SPDX-License-Identifier: GPL-3.0-or-later
#include "workshop/display_list.h"

#include "design/plain_number.h"

#include <sstream>
#include <stdexcept>

namespace tarvo::workshop {
namespace {

std::string number(double value) {
    return shortestText(value);
}

double readNumber(std::string_view& line) {
    while (!line.empty() && line.front() == ' ') {
        line.remove_prefix(1);
    }
    double value{};
    const auto [end, error] = readPlainNumber(line.data(), line.data() + line.size(), value);
    if (error != std::errc{}) {
        throw std::invalid_argument("the sheet's drawing list holds a bad number");
    }
    line.remove_prefix(static_cast<std::size_t>(end - line.data()));
    return value;
}

} // namespace

std::string serialize(const DisplayList& list) {
    std::ostringstream out;
    out << "page " << number(list.widthMm) << ' ' << number(list.heightMm) << '\n';
    for (const DrawItem& item : list.items) {
        out << static_cast<int>(item.kind) << ' ' << number(item.x1) << ' ' << number(item.y1)
            << ' ' << number(item.x2) << ' ' << number(item.y2) << ' ' << number(item.width) << ' '
            << (item.dashed ? 1 : 0) << ' ' << number(item.sizePt) << ' '
            << static_cast<int>(item.align) << ' ' << number(item.rotation) << ' '
            << (item.bold ? 1 : 0) << ' ';
        for (const char c : item.text) {
            out << (c == '\n' ? ' ' : c);
        }
        out << '\n';
    }
    return out.str();
}

DisplayList parseDisplayList(std::string_view text) {
    DisplayList list;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (first) {
            if (line.substr(0, 5) != "page ") {
                throw std::invalid_argument("the sheet's drawing list has no page");
            }
            line.remove_prefix(5);
            list.widthMm = readNumber(line);
            list.heightMm = readNumber(line);
            first = false;
            continue;
        }
        DrawItem item;
        const int kind = static_cast<int>(readNumber(line));
        if (kind < 0 || kind > static_cast<int>(DrawItem::Kind::Text)) {
            throw std::invalid_argument("the sheet's drawing list holds an unknown item");
        }
        item.kind = static_cast<DrawItem::Kind>(kind);
        item.x1 = readNumber(line);
        item.y1 = readNumber(line);
        item.x2 = readNumber(line);
        item.y2 = readNumber(line);
        item.width = readNumber(line);
        item.dashed = readNumber(line) != 0;
        item.sizePt = readNumber(line);
        item.align = static_cast<char>(readNumber(line));
        item.rotation = readNumber(line);
        item.bold = readNumber(line) != 0;
        if (!line.empty() && line.front() == ' ') {
            line.remove_prefix(1);
        }
        item.text = std::string(line);
        list.items.push_back(std::move(item));
    }
    if (first) {
        throw std::invalid_argument("the sheet's drawing list is empty");
    }
    return list;
}

} // namespace tarvo::workshop
