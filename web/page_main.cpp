// SPDX-License-Identifier: GPL-3.0-or-later
// The calculator's page: a window like the desktop's, its controls the elements of the page's
// document (each element's id its control's name). The Click of COMPUTE, the boom choice, the
// lists and CONVERT TO METRIC runs the engine's own operation through a Form over the document,
// so the page stops at the very step the desktop stops at, with the same fault text; the plan a
// COMPUTE stores gives the exports and the longer boom, as in the desktop window.
// The page's script calls the functions below (tarvo_...); each returns its text in the page's
// reply, read at once by the caller.

#include "analysis/band.h"
#include "analysis/geometry.h"
#include "analysis/number_format.h"
#include "design/controls.h"
#include "design/design_state.h"
#include "design/form.h"
#include "design/operations.h"
#include "plan/long_boom.h"
#include "plan/plan.h"
#include "plan/plan_json.h"
#include "plan/workshop.h"

#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iomanip>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// The document side of the Form: each reads or writes the element whose id is the name, through
// the page script's tarvoDocument (page.js). Strings handed back are malloc'ed here and freed by
// the caller.
// clang-format off
EM_JS(char*, page_text, (const char* name), {
    const text = tarvoDocument.text(UTF8ToString(name));
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
EM_JS(void, page_set_text, (const char* name, const char* text), {
    tarvoDocument.setText(UTF8ToString(name), UTF8ToString(text));
});
EM_JS(int, page_visible, (const char* name), {
    return tarvoDocument.visible(UTF8ToString(name)) ? 1 : 0;
});
EM_JS(void, page_set_visible, (const char* name, int visible), {
    tarvoDocument.setVisible(UTF8ToString(name), visible !== 0);
});
EM_JS(std::uint32_t, page_fore_color, (const char* name), {
    return tarvoDocument.foreColor(UTF8ToString(name));
});
EM_JS(void, page_set_fore_color, (const char* name, std::uint32_t color), {
    tarvoDocument.setForeColor(UTF8ToString(name), color >>> 0);
});
EM_JS(int, page_selected, (const char* name), {
    return tarvoDocument.selected(UTF8ToString(name)) ? 1 : 0;
});
EM_JS(char*, page_selected_entry, (const char* name), {
    const entry = tarvoDocument.selectedEntry(UTF8ToString(name));
    if (entry === null) {
        return 0;
    }
    const size = lengthBytesUTF8(entry) + 1;
    const copy = _malloc(size);
    stringToUTF8(entry, copy, size);
    return copy;
});
// clang-format on

std::string taken(char* text) {
    std::string copy = text == nullptr ? std::string() : std::string(text);
    std::free(text);
    return copy;
}

class PageForm final : public tarvo::Form {
public:
    explicit PageForm(std::string separator)
        : m_separator(std::move(separator)) {}

    std::string text(tarvo::Control box) const override { return taken(page_text(name(box))); }
    void setText(tarvo::Control box, std::string_view text) override {
        page_set_text(name(box), std::string(text).c_str());
    }
    bool isVisible(tarvo::Control control) const override {
        return page_visible(name(control)) != 0;
    }
    void setVisible(tarvo::Control control, bool visible) override {
        page_set_visible(name(control), visible ? 1 : 0);
    }
    std::uint32_t foreColor(tarvo::Control control) const override {
        return page_fore_color(name(control));
    }
    void setForeColor(tarvo::Control control, std::uint32_t color) override {
        page_set_fore_color(name(control), color);
    }
    bool isSelected(tarvo::Control option) const override {
        return page_selected(name(option)) != 0;
    }
    std::optional<std::string> selectedEntry(tarvo::Control list) const override {
        char* entry = page_selected_entry(name(list));
        if (entry == nullptr) {
            return std::nullopt;
        }
        return taken(entry);
    }
    std::string decimalSeparator() const override { return m_separator; }

private:
    static const char* name(tarvo::Control control) {
        // The names are string literals of the control table: ended by NUL.
        return tarvo::nameOf(control).data();
    }

    std::string m_separator;
};

/// The rows DIR 6 and beyond as the desktop's Longer boom dialog shows them.
std::string longBoomRows(const tarvo::Plan& plan) {
    std::ostringstream out;
    out << "LENGTHS IN " << plan.table.unit << "\n\n";
    out << std::left << std::setw(12) << "ELEMENT" << std::setw(10) << "LENGTH" << std::setw(10)
        << "SPACING"
        << "BOOM POSITION\n";
    const auto write = [&](const tarvo::TableTexts::Row& row) {
        out << std::setw(12) << row.element << std::setw(10) << row.length << std::setw(10)
            << row.spacing.value_or("") << row.position << '\n';
    };
    write(plan.table.rows.back());
    for (const tarvo::TableTexts::Row& row : plan.table.added) {
        write(row);
    }
    out << "\nREDUCE EACH ADDITIONAL DIRECTOR BY  " << plan.table.reduceDirector << '\n';
    out << "REDUCE EACH ADDITIONAL SPACE BY     " << plan.table.reduceSpace << '\n';
    return out.str();
}

/// The calculator of the page: its form, its design state and the plan COMPUTE stored.
class Page {
public:
    explicit Page(std::string separator)
        : m_form(std::move(separator)) {
        // The start state, as the desktop window sets it when it opens.
        for (const tarvo::ControlInfo& info : tarvo::allControls()) {
            m_form.setForeColor(info.control, info.initialForeColor);
            m_form.setText(info.control,
                           tarvo::startTextOf(info.control, m_form.decimalSeparator()));
            m_form.setVisible(info.control, info.initiallyVisible);
        }
    }

    /// A Click on a control: "" when it ran, else the fault's text for the fault dialog.
    std::string click(std::string_view name) {
        const std::optional<tarvo::Control> control = tarvo::controlNamed(name);
        if (!control || !tarvo::isDesignClick(*control)) {
            return "no design operation for " + std::string(name);
        }
        try {
            tarvo::runDesignClick(*control, m_form, m_state);
        } catch (const std::exception& fault) {
            if (*control == tarvo::Control::Command1 && m_plan) {
                // The boxes may show parts of two designs now: nothing is offered of the one
                // before until a COMPUTE succeeds, which takes the builder's choices from it.
                m_stalePlan = std::move(m_plan);
                m_plan.reset();
            }
            return fault.what();
        }
        if (*control == tarvo::Control::Command1) {
            m_plan = tarvo::nextPlan(m_form, m_state, m_plan ? m_plan : m_stalePlan);
            m_stalePlan.reset();
        } else if (*control == tarvo::Control::Command4 && m_plan) {
            tarvo::retable(*m_plan, m_form);
        }
        return {};
    }

    /// An export of the plan as tarvo-cli writes it: "1" and its text, or "0" and why not.
    std::string exported(std::string_view kind) const {
        if (!m_plan) {
            return "0Press COMPUTE first: this works on the computed design.";
        }
        const std::optional<tarvo::ExportFormat> format =
            kind == "maa"        ? std::optional(tarvo::ExportFormat::Maa)
            : kind == "nec"      ? std::optional(tarvo::ExportFormat::Nec)
            : kind == "symbolic" ? std::optional(tarvo::ExportFormat::SymbolicNec)
            : kind == "csv"      ? std::optional(tarvo::ExportFormat::Csv)
                                 : std::nullopt;
        if (!format) {
            return "0no such export: " + std::string(kind);
        }
        try {
            return "1" + tarvo::exportText(*m_plan, *format, std::nullopt);
        } catch (const std::exception& fault) {
            return "0" + std::string(fault.what());
        }
    }

    /// The file name the desktop suggests for an export: tarvo-144mhz-beam.maa.
    std::string fileName(std::string_view what) const {
        if (!m_plan) {
            return {};
        }
        char frequency[32];
        std::snprintf(frequency, sizeof frequency, "%g", static_cast<double>(m_plan->design.freq));
        // A longer boom's files say how many directors they build.
        const std::string directors = m_plan->directors != tarvo::fewestDirectors
                                          ? std::to_string(m_plan->directors) + "dir-"
                                          : std::string();
        return "tarvo-" + std::string(frequency) + "mhz-" + directors + std::string(what);
    }

    /// The Longer boom preview of `directors`: "1" and the rows, or "0" and why refused.
    std::string longBoom(int directors) const {
        if (!m_plan) {
            return "0Press COMPUTE first: this works on the computed design.";
        }
        tarvo::Plan extended = *m_plan;
        try {
            tarvo::setDirectors(extended, directors);
        } catch (const tarvo::LongBoomError& error) {
            return "0Refused: " + std::string(error.what());
        }
        return "1" + longBoomRows(extended);
    }

    /// The plan builds `directors` directors from now on: "" or why not.
    std::string useDirectors(int directors) {
        if (!m_plan) {
            return "Press COMPUTE first: this works on the computed design.";
        }
        try {
            tarvo::setDirectors(*m_plan, directors);
        } catch (const tarvo::LongBoomError& error) {
            return error.what();
        }
        return {};
    }

    /// What the design warns about (a boom beyond its correction's range), in the page's
    /// separator, as the window says it at COMPUTE; "" when nothing.
    std::string warnings() const {
        std::string text;
        if (m_plan) {
            for (const std::string& warning : m_plan->warnings) {
                text += (text.empty() ? "" : "\n\n") +
                        tarvo::analysis::withDecimalSeparator(warning, m_plan->separator);
            }
        }
        return text;
    }

    int directors() const { return m_plan ? m_plan->directors : tarvo::fewestDirectors; }

    /// The most directors the design can hold, a line feed, and why no more ("" at the most
    /// the rule takes), as the desktop's Longer boom dialog says it.
    std::string mostDirectors() const {
        if (!m_plan) {
            return std::to_string(tarvo::mostDirectors) + "\n";
        }
        std::string why;
        const int most = tarvo::mostDirectorsOf(*m_plan, &why);
        return std::to_string(most) + "\n" + why;
    }

    /// The plan as text for the page's worker: "1" and the plan, or "0" and why there is none.
    std::string planText() const {
        if (!m_plan) {
            return "0Press COMPUTE first: this works on the computed design.";
        }
        return "1" + tarvo::planToJson(*m_plan);
    }

    /// The plan the worker gave back after a trim the builder chose to use: its lengths build
    /// the sheet and the exports from now on; the boxes stay as COMPUTE wrote them. "" or why
    /// not.
    std::string usePlan(const std::string& text) {
        if (!m_plan) {
            return "Press COMPUTE first: this works on the computed design.";
        }
        try {
            tarvo::Plan trimmed = tarvo::planFromJson(text);
            if (trimmed.design != m_plan->design || trimmed.directors != m_plan->directors) {
                // A COMPUTE or a longer boom came between the trim and its use.
                return "The design changed since this trim: trim it again.";
            }
            m_plan = std::move(trimmed);
        } catch (const tarvo::PlanTextError& error) {
            return error.what();
        }
        return {};
    }

    /// What the trim starts from: the band's recommended wire and rods in mm and the design
    /// frequency +-0.25 % as LOW-HIGH, one a line, in the page's separator.
    std::string trimDefaults() const {
        if (!m_plan) {
            return {};
        }
        const tarvo::analysis::Material material =
            tarvo::analysis::recommendedMaterial(m_plan->design.freq);
        std::string band =
            tarvo::analysis::bandText(tarvo::analysis::defaultBand(m_plan->design.freq));
        band = band.substr(0, band.find(" MHz"));
        band.replace(band.find(" - "), 3, "-");
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%g\n%g\n", material.wireDiameterMm,
                      material.rodDiameterMm);
        return tarvo::analysis::withDecimalSeparator(numbers + band, m_plan->separator);
    }

    /// Keeps a reply for the page's script, which reads it before its next call.
    const char* answer(std::string text) {
        m_reply = std::move(text);
        return m_reply.c_str();
    }

private:
    PageForm m_form;
    tarvo::DesignState m_state;
    std::optional<tarvo::Plan> m_plan;
    /// The plan before a COMPUTE that stopped on a fault, kept for the builder's choices.
    std::optional<tarvo::Plan> m_stalePlan;
    std::string m_reply;
};

// The page's one window.
std::unique_ptr<Page> page;

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void tarvo_open(const char* separator) {
    page = std::make_unique<Page>(separator);
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_click(const char* name) {
    return page->answer(page->click(name));
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_export(const char* kind) {
    return page->answer(page->exported(kind));
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_file_name(const char* what) {
    return page->answer(page->fileName(what));
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_long_boom(int directors) {
    return page->answer(page->longBoom(directors));
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_use_directors(int directors) {
    return page->answer(page->useDirectors(directors));
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_most_directors() {
    return page->answer(page->mostDirectors());
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_warnings() {
    return page->answer(page->warnings());
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_plan_json() {
    return page->answer(page->planText());
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_use_plan(const char* text) {
    return page->answer(page->usePlan(text));
}

EMSCRIPTEN_KEEPALIVE const char* tarvo_trim_defaults() {
    return page->answer(page->trimDefaults());
}

EMSCRIPTEN_KEEPALIVE int tarvo_directors() {
    return page->directors();
}
}

int main() {
    return 0;
}
