// SPDX-License-Identifier: GPL-3.0-or-later
// The builder's plan as a sequence of COMPUTEs and choices leaves it: which wire and rods every
// output models, and when a trim's lengths stand in for the design's.
#include "plan/long_boom.h"
#include "plan/plan.h"
#include "plan/plan_json.h"
#include "plan/trim.h"
#include "plan/workshop.h"
#include "replay/memory_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

namespace tarvo {
namespace {

using enum Control;

/// The window after typing `frequency`, a non-metallic boom and COMPUTE (with CONVERT TO METRIC
/// when asked).
MemoryWindow computed(const char* frequency, bool metric = false, const char* separator = ".") {
    MemoryWindow window(separator);
    window.type(frequency);
    window.click(Option1);
    window.click(Command1);
    if (metric) {
        window.click(Command4);
    }
    return window;
}

Plan planAt(const char* frequency, const std::optional<Plan>& before = std::nullopt) {
    const MemoryWindow window = computed(frequency);
    return nextPlan(window.form(), window.state(), before);
}

TEST(Plan, MaterialsChosenForOneBandDoNotFollowTheDesignToAnother) {
    // The window's help text: 144 MHz 2.05 mm wire and 4.76 mm rods, 432 MHz 1.63 and 3.175,
    // 1296 MHz 1.02 and 1.59. The builder's 3 mm wire and 6 mm rods were chosen at 144 MHz.
    struct Case {
        const char* next;
        bool everyBand;
        double wireMm;
        double rodMm;
    };
    for (const Case& c : {Case{"146", false, 3, 6}, Case{"432", false, 1.63, 3.175},
                          Case{"1296", false, 1.02, 1.59}, Case{"1296", true, 3, 6}}) {
        Plan first = planAt("144");
        chooseMaterials(first, {3, 6}, c.everyBand);
        const Plan next = planAt(c.next, first);
        const analysis::Material material = materialOf(next);
        EXPECT_DOUBLE_EQ(material.wireDiameterMm, c.wireMm) << c.next;
        EXPECT_DOUBLE_EQ(material.rodDiameterMm, c.rodMm) << c.next;
        // ... and back at 144 MHz the builder's choice holds only if it was kept for every band.
        const Plan back = planAt("144", next);
        EXPECT_DOUBLE_EQ(materialOf(back).wireDiameterMm,
                         c.everyBand || std::string(c.next) == "146" ? 3 : 2.05)
            << c.next;
    }
}

TEST(Plan, AnAcceptedTrimIsBuiltUntilTheNextComputeOrOtherMaterials) {
    Plan plan = planAt("144");
    chooseMaterials(plan, {1.5, 4});
    TrimOutcome outcome;
    outcome.designed = plan.design;
    outcome.trimmed = plan.design;
    outcome.trimmed.dri = plan.design.dri * 1.02F;
    outcome.material = {1.5, 4};
    outcome.unmet = {"F/B 12.0 dB is below 20 dB"};
    acceptTrim(plan, outcome);
    EXPECT_FALSE(plan.trimmed()) << "lengths that miss a limit are never built";

    outcome.unmet.clear();
    acceptTrim(plan, outcome);
    ASSERT_TRUE(plan.trimmed());
    EXPECT_EQ(plan.built().dri, plan.design.dri * 1.02F);
    // The model is of the trimmed loop: 1.02 x the driven loop's wire, radius half of 1.5 mm.
    const analysis::Model model = modelOf(plan);
    double drivenMetres = 0;
    for (const analysis::Wire& wire : model.wires) {
        if (wire.metal == analysis::Metal::Copper && wire.start.x > 0) {
            drivenMetres += std::hypot(wire.end.y - wire.start.y, wire.end.z - wire.start.z);
            EXPECT_DOUBLE_EQ(wire.radius, 0.00075);
        }
    }
    // Feet to metres: the driven loop's stored length in feet x 0.3048.
    EXPECT_NEAR(drivenMetres, double{plan.design.dri * 1.02F} * 0.3048, 1e-6);

    Plan same = plan;
    chooseMaterials(same, {1.5, 4});
    EXPECT_TRUE(same.trimmed()) << "the trim's own materials chosen again keep it";
    Plan thicker = plan;
    chooseMaterials(thicker, {2, 4});
    EXPECT_FALSE(thicker.trimmed()) << "a trim holds for the wire it was found for";
    EXPECT_FALSE(planAt("144", plan).trimmed()) << "a new COMPUTE builds the design's lengths";
}

TEST(Plan, TheCsvTakesTheBoxesTextsWithAPoint) {
    // 144 MHz without a boom, in centimetres under a decimal comma: the boxes show the reflector
    // loop as "226,948" (89.35 in x 2.54 = 226.949, cut to seven characters from the single
    // stored value 226.9489...), and the CSV gives those very digits with a point.
    const MemoryWindow window = computed("144", true, ",");
    const Plan plan = nextPlan(window.form(), window.state(), std::nullopt);
    const std::string csv = csvReport(plan);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "element,length_cm,spacing_cm,boom_position_cm");
    EXPECT_NE(csv.find("\r\nREFLECTOR,226.948,44.4913,0\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\nDIR 1,91.7970,38.9956,83.4870\r\n"), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);
}

// One rule for every length TARVO prints: a trim's tables show the design as computed with the
// boxes' very digits (17.5162 and 36.2771 at 144 MHz, not 17.5163 and 36.2772), in inches and
// in centimetres, at frequencies whose lengths cut at different places.
TEST(Plan, StoredLengthsReadAsTheBoxesShowThem) {
    for (const char* frequency : {"144", "432", "906", "1296", "50.1", "10368"}) {
        for (const bool metric : {false, true}) {
            const MemoryWindow window = computed(frequency, metric);
            const TableTexts boxes = tableTextsOf(window.form());
            const TableTexts stored = boxTextsOf(window.state(), metric);
            const std::string where = std::string(frequency) + (metric ? " MHz, cm" : " MHz, in");
            EXPECT_EQ(stored.unit, boxes.unit) << where;
            for (std::size_t i = 0; i < boxes.rows.size(); ++i) {
                EXPECT_EQ(stored.rows[i].element, boxes.rows[i].element) << where;
                EXPECT_EQ(stored.rows[i].length, boxes.rows[i].length) << where << " row " << i;
                EXPECT_EQ(stored.rows[i].spacing, boxes.rows[i].spacing) << where << " row " << i;
                EXPECT_EQ(stored.rows[i].position, boxes.rows[i].position) << where << " row " << i;
            }
            EXPECT_EQ(stored.reduceDirector, boxes.reduceDirector) << where;
            EXPECT_EQ(stored.reduceSpace, boxes.reduceSpace) << where;
        }
    }
    // The worked example, 144 MHz with a 1 inch metallic boom.
    MemoryWindow window;
    window.type("144");
    window.click(Option2);
    window.select(List1, "1");
    window.click(Command1);
    const TableTexts worked = boxTextsOf(window.state(), false);
    EXPECT_EQ(*worked.rows[0].spacing, "17.5162");
    EXPECT_EQ(worked.rows[2].length, "36.2771");
    EXPECT_EQ(worked.reduceDirector, "0.7751");
}

/// The rows of a trim report's trimmed table and its two reductions, as printed.
struct PrintedTrim {
    std::map<std::string, std::vector<std::string>> rows; ///< element: length, spacing, position
    std::string reduceDirector;
    std::string reduceSpace;
};

PrintedTrim printedTrim(const std::string& report) {
    PrintedTrim printed;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line) && line.rfind("CHANGE", 0) != 0;) {
        const auto after = [&](const char* prefix) { return line.substr(std::strlen(prefix)); };
        if (line.rfind("REDUCE EACH ADDITIONAL DIRECTOR BY  ", 0) == 0) {
            printed.reduceDirector = after("REDUCE EACH ADDITIONAL DIRECTOR BY  ");
        } else if (line.rfind("REDUCE EACH ADDITIONAL SPACE BY     ", 0) == 0) {
            printed.reduceSpace = after("REDUCE EACH ADDITIONAL SPACE BY     ");
        } else if (line.rfind("REFLECTOR ", 0) == 0 || line.rfind("DRIVEN ", 0) == 0 ||
                   line.rfind("DIR ", 0) == 0) {
            const std::string element = line.substr(0, line.find("  "));
            std::istringstream words(line.substr(element.size()));
            for (std::string word; words >> word;) {
                printed.rows[element].push_back(word);
            }
        }
    }
    return printed;
}

// The trim's report in inches, of a 144 MHz design without a boom trimmed by hand-chosen
// factors: each length is the designed box's length times its factor (to the box's cut of
// 1e-4 in), spacings and positions are the design table's own texts, and the reductions are
// formed as the design table's are: DIR 5 less DIR 6 as printed, and the spacings' unchanged.
TEST(Plan, TheTrimReportInInchesAndItsReductions) {
    const MemoryWindow window = computed("144");
    const TableTexts boxes = tableTextsOf(window.form());
    TrimOutcome outcome;
    outcome.material = {2.05, 4.76};
    outcome.designed = window.state();
    for (const auto& [factors, name] :
         {std::pair{analysis::TrimParameters{1, 1, 1, 0}, "as designed"},
          std::pair{analysis::TrimParameters{1.01, 0.99, 0.98, 0.02}, "trimmed"}}) {
        outcome.search.parameters = factors;
        outcome.trimmed = analysis::trimmedDesign(outcome.designed, factors);
        const PrintedTrim printed = printedTrim(trimReport(outcome, false, "."));
        ASSERT_EQ(printed.rows.size(), 8U) << name;
        for (std::size_t i = 0; i < 8; ++i) {
            const TableTexts::Row& box = boxes.rows[i];
            const std::vector<std::string>& row = printed.rows.at(box.element);
            const double factor = i == 0   ? factors.reflector
                                  : i == 1 ? factors.driven
                                           : factors.directorFactor(i - 2);
            ASSERT_EQ(row.size(), box.spacing ? 3U : 2U) << name << ' ' << box.element;
            EXPECT_NEAR(std::stod(row[0]), std::stod(box.length) * factor, 1.5e-4)
                << name << ' ' << box.element;
            if (factor == 1) {
                EXPECT_EQ(row[0], box.length) << name << ' ' << box.element;
            }
            if (box.spacing) {
                EXPECT_EQ(row[1], *box.spacing) << name << ' ' << box.element;
            }
            EXPECT_EQ(row.back(), box.position) << name << ' ' << box.element;
        }
        const double dir5 = std::stod(printed.rows.at("DIR 5")[0]);
        const double dir6 = std::stod(printed.rows.at("DIR 6")[0]);
        EXPECT_NEAR(std::stod(printed.reduceDirector), dir5 - dir6, 1e-4) << name;
        EXPECT_LE(printed.reduceDirector.size(), 6U) << name << ": the reduction's box holds 6";
        EXPECT_EQ(printed.reduceSpace, boxes.reduceSpace) << name;
        if (factors.reflector == 1) {
            EXPECT_EQ(printed.reduceDirector, boxes.reduceDirector);
        }
    }
}

// The CHANGE table gives every change in millimetres, whichever unit the plan shows. The
// reflector trimmed 1 % longer: 1 % of 89.35 in is 0.8935 in, 22.69 mm; the driven loop 1 %
// shorter: 0.85655 in, 21.76 mm. The same in a centimetre plan, where a slip to inches' factor
// would print 2.54 times too much, and its lengths' column in centimetres (226.9 for 89.35 in).
TEST(Plan, TheTrimReportsChangesInMillimetresInEitherUnit) {
    const MemoryWindow window = computed("144");
    TrimOutcome outcome;
    outcome.material = {2.05, 4.76};
    outcome.designed = window.state();
    outcome.search.parameters = analysis::TrimParameters{1.01, 0.99, 1, 0};
    outcome.trimmed = analysis::trimmedDesign(outcome.designed, outcome.search.parameters);
    for (const bool metric : {false, true}) {
        const std::string report = trimReport(outcome, metric, ".");
        std::istringstream lines(report.substr(report.find("\nCHANGE ")));
        std::map<std::string, std::vector<std::string>> change;
        for (std::string line; std::getline(lines, line) && change.count("DRIVEN") == 0;) {
            std::istringstream fields(line);
            std::string element, word;
            if (!(fields >> element)) {
                continue;
            }
            if (element == "DIR" || element == "CHANGE") {
                fields >> word;
                element += ' ' + word;
            }
            std::vector<std::string> values;
            while (fields >> word) {
                values.push_back(word);
            }
            change[element] = values;
        }
        const char* unit = metric ? "centimetres" : "inches";
        ASSERT_EQ(change["CHANGE DESIGNED"], (std::vector<std::string>{"TRIMMED", "mm", "%"}))
            << unit << '\n'
            << report;
        ASSERT_EQ(change["REFLECTOR"].size(), 4U) << unit << '\n' << report;
        EXPECT_EQ(change["REFLECTOR"][2], "+22.7") << unit;
        EXPECT_EQ(change["REFLECTOR"][3], "+1.00") << unit;
        ASSERT_EQ(change["DRIVEN"].size(), 4U) << unit << '\n' << report;
        EXPECT_EQ(change["DRIVEN"][2], "-21.8") << unit;
        EXPECT_EQ(change["DRIVEN"][3], "-1.00") << unit;
        EXPECT_EQ(change["REFLECTOR"][0].substr(0, 5), metric ? "226.9" : "89.35") << unit;
    }
}

TEST(Plan, ReadFromItsJsonTextIsTheSamePlan) {
    // The page hands its plan to the worker as text: every field must come back, and every
    // number to its last bit (nec2c's deck and the sheet are written from them).
    const MemoryWindow window = computed("144", true, ",");
    Plan plan = nextPlan(window.form(), window.state(), std::nullopt);
    plan.metallicBoom = true;
    plan.warnings = {"the boom is beyond the correction's range"};
    setDirectors(plan, 9);
    chooseMaterials(plan, {2.0000000000000004, 4.7625}, true);
    plan.analysis.segmentsPerWavelength = 31;
    plan.analysis.sweepPercent = 0.1 + 0.2; // 0.30000000000000004: needs all 17 digits
    plan.analysis.necTimeoutSeconds = 7.5;
    plan.analysis.band = analysis::Band{143.9, 144.3};
    AcceptedTrim trim{plan.design, {2.05, 4.76}, plan.added};
    trim.design.dir3 = 1.0F / 3.0F;
    trim.added.back().spacingInches = 1.0 / 3.0;
    plan.trim = trim;
    workshop::Measurement measured;
    measured.points = {{143.5, {48.25, -3.125}, 7}, {144.5, {51.0, 1e-17}, 8}};
    measured.referenceOhms = 75;
    measured.parameter = "Z";
    measured.format = "MA";
    measured.unit = "GHZ";
    measured.version = 2;
    plan.measurement =
        MeasuredSweep{"sweep.s1p", measured, workshop::FeedLine{5.5, 0.66, 50, 4.3, 144}};
    ASSERT_EQ(plan.separator, ",");
    ASSERT_EQ(plan.table.added.size(), 3U);

    const Plan back = planFromJson(planToJson(plan));
    EXPECT_TRUE(back == plan);
    EXPECT_EQ(back.analysis.sweepPercent, 0.30000000000000004);
    EXPECT_EQ(back.trim->design.dir3, 1.0F / 3.0F);
    EXPECT_EQ(back.table.rows, plan.table.rows);
    // ... and the plan of a plain COMPUTE, with none of the optional parts.
    const Plan plain = planAt("432");
    EXPECT_TRUE(planFromJson(planToJson(plain)) == plain);
}

TEST(Plan, TextThatIsNoPlanIsRefused) {
    for (const char* text : {"", "{", "[]", "{\"design\":{}}", "null"}) {
        EXPECT_THROW(planFromJson(text), PlanTextError) << text;
    }
}

} // namespace
} // namespace tarvo
