// SPDX-License-Identifier: GPL-3.0-or-later
// The windows are laid out for MS Sans Serif, which Linux lacks: Liberation Sans, of the same
// metrics family, stands in at the same point sizes.
#pragma once

#include <QFont>

namespace tarvo {

inline void substituteWindowFont() {
    QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
}

} // namespace tarvo
