// SPDX-License-Identifier: GPL-3.0-or-later
// The decimal separator of the user's numbers, from one source for the window and tarvo-cli.
#pragma once

#include <string>

namespace tarvo {

/// The separator of the C library's numeric locale as the environment chooses it (LC_ALL,
/// LC_NUMERIC, LANG). A locale that is not installed on this machine is the "C" locale, "." ,
/// as for every other program here. The numeric locale is left as "C" afterwards.
std::string userDecimalSeparator();

} // namespace tarvo
