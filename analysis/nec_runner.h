// Runs nec2c on a deck in a private temporary folder, without a shell.
#pragma once

#include <string>

namespace tarvo::analysis {

/// nec2c's output for the deck. Throws AnalysisError when nec2c is missing (naming the package
/// to install) or fails.
std::string runNec2c(const std::string& deck);

} // namespace tarvo::analysis
