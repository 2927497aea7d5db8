// SPDX-License-Identifier: GPL-3.0-or-later
// COMPUTE: the design in inches.
#include "design/arithmetic.h"
#include "design/box_text.h"
#include "design/director_length.h"
#include "design/faults.h"
#include "design/operations.h"

#include <array>

namespace tarvo {
namespace {

using enum Control;

// Constants of the design; every one is a double but 1000, which is a single.
constexpr double reflectorFactor = 1072.2;
constexpr double drivenFactor = 1027.86;
constexpr double wavelengthFactor = 983.6;
constexpr double correctionLinear = 12.5975;
constexpr double correctionSquare = 114.5;
constexpr float directorBase = 1000.0F;
constexpr std::array<double, 6> directorFactors{0.867373, 0.863731, 0.86217,
                                                0.860622, 0.859037, 0.840434};
constexpr double reflectorSpacingFactor = 0.204498;
constexpr std::array<double, 6> spacingFactors{0.179238, 0.368432, 0.222019,
                                               0.317411, 0.314468, 0.303574};

void showDirector(Form& form, const DesignState& s, std::size_t n) {
    const auto shown = static_cast<float>(evaluate([&] { return directorInches<Real>(s, n); }));
    requireDirectorLength(shown, n);
    showSingle(form, directorLengthBoxes[n], shown);
}

} // namespace

void computeDesign(Form& form, DesignState& s) {
    // 1-2: the unit, and the prompt while no boom correction is known.
    form.setText(Text29, "INCHES");
    if (s.x == 0) {
        form.setVisible(Text30, true);
    }

    // 3: the frequency. A negative one would give negative wire lengths.
    const float freq = readSingle(form, Text17);
    if (freq < 0) {
        throw RangeFault("The frequency must be greater than 0 MHz.");
    }
    s.freq = freq;

    // 4-5: the two loops.
    assign(s.ref, [&] { return reflectorFactor / Real{s.freq}; });
    showSingle(form, Text9, static_cast<float>(evaluate([&] { return Real{s.ref} * 12.0; })));
    assign(s.dri, [&] { return drivenFactor / Real{s.freq}; });
    showSingle(form, Text10, static_cast<float>(evaluate([&] { return Real{s.dri} * 12.0; })));

    // 6-8: the boom correction applies to a metallic boom only; otherwise x keeps its value.
    if (form.isSelected(Option2)) {
        assign(s.c, [&] { return Real{s.b} / (wavelengthFactor / Real{s.freq} * inchesPerFoot); });
    }
    if (form.isSelected(Option2)) {
        assign(s.x, [&] {
            return Real{s.c} * correctionLinear - Real{s.c} * Real{s.c} * correctionSquare;
        });
        assign(s.x, [&] { return Real{s.b} * Real{s.x}; });
    }

    // 9-12: the directors.
    assign(s.dir1, [&] { return Real{directorBase} / Real{s.freq} * directorFactors[0]; });
    if (s.x != 0) {
        form.setVisible(Text30, false);
    }
    showDirector(form, s, 0);
    for (std::size_t i = 1; i < 6; ++i) {
        assign(s.*directorLengths[i],
               [&] { return Real{directorBase} / Real{s.freq} * directorFactors[i]; });
        showDirector(form, s, i);
    }

    // 13: the spacings, each stored and then shown from the stored single.
    assign(s.rsp, [&] { return Real{s.dri} * reflectorSpacingFactor * inchesPerFoot; });
    showSingle(form, Text22, s.rsp);
    for (std::size_t i = 0; i < 6; ++i) {
        float& spacing = s.*directorSpacings[i];
        assign(spacing, [&] { return Real{s.dri} * spacingFactors[i] * inchesPerFoot; });
        showSingle(form, directorSpacingBoxes[i], spacing);
    }

    // 14-15: the reductions come from the texts just shown, as cut to their boxes.
    {
        const double dir5 = readDouble(form, Text15);
        const double dir6 = readDouble(form, Text16);
        assign(s.add, [&] { return Real{dir5} - dir6; });
        showSingle(form, Text19, s.add);
    }
    {
        const double d5 = readDouble(form, Text31);
        const double d6 = readDouble(form, Text33);
        showDouble(form, Text35, evaluate([&] { return Real{d5} - d6; }));
    }

    // 16: boom positions, each sum formed anew from the stored spacings.
    showSingle(form, Text39, static_cast<float>(evaluate([&] { return Real{s.rsp}; })));
    for (std::size_t n = 0; n < 6; ++n) {
        const double position = evaluate([&] {
            Real sum = Real{s.rsp};
            for (std::size_t i = 0; i <= n; ++i) {
                sum += Real{s.*directorSpacings[i]};
            }
            return sum;
        });
        showSingle(form, directorPositionBoxes[n], static_cast<float>(position));
    }
}

} // namespace tarvo
