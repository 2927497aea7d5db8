// SPDX-License-Identifier: GPL-3.0-or-later
// CONVERT TO METRIC: the stored results in centimetres, shown with 15 significant digits and cut
// to the boxes, so the centimetres appear truncated rather than rounded.
#include "design/arithmetic.h"
#include "design/box_text.h"
#include "design/director_length.h"
#include "design/operations.h"

#include <array>

namespace tarvo {
namespace {

using enum Control;

constexpr double centimetresPerInch = 2.54;

template <class Expression> void showMetric(Form& form, Control box, Expression&& expression) {
    showDouble(form, box, evaluate(expression));
}

} // namespace

void convertToMetric(Form& form, const DesignState& s) {
    showMetric(form, Text9, [&] { return Real{s.ref} * inchesPerFoot * centimetresPerInch; });
    showMetric(form, Text10, [&] { return Real{s.dri} * inchesPerFoot * centimetresPerInch; });
    for (std::size_t i = 0; i < 6; ++i) {
        const double shown =
            evaluate([&] { return directorInches<Real>(s, i) * centimetresPerInch; });
        requireDirectorLength(shown, i);
        showDouble(form, directorLengthBoxes[i], shown);
    }
    showMetric(form, Text19, [&] { return Real{s.add} * centimetresPerInch; });
    showMetric(form, Text22, [&] { return Real{s.rsp} * centimetresPerInch; });
    for (std::size_t i = 0; i < 6; ++i) {
        const float spacing = s.*directorSpacings[i];
        showMetric(form, directorSpacingBoxes[i],
                   [&] { return Real{spacing} * centimetresPerInch; });
    }
    form.setText(Text29, "CM");
    {
        const double d5 = readDouble(form, Text31);
        const double d6 = readDouble(form, Text33);
        showDouble(form, Text35, evaluate([&] { return Real{d5} - d6; }));
    }
    // Boom positions: the sums start with d1sp, then rsp, then the further spacings.
    showMetric(form, Text39, [&] { return Real{s.rsp} * centimetresPerInch; });
    for (std::size_t n = 0; n < 6; ++n) {
        showMetric(form, directorPositionBoxes[n], [&] {
            Real sum = Real{s.d1sp} + Real{s.rsp};
            for (std::size_t i = 1; i <= n; ++i) {
                sum += Real{s.*directorSpacings[i]};
            }
            return sum * centimetresPerInch;
        });
    }
}

} // namespace tarvo
