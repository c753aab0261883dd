#pragma once
// The amount of recovery parts as split --recovery and add-recovery take it.

#include <optional>
#include <string>

#include "core/format/RecoveryFormat.h"

namespace kivora::cli {

// "R" recovery parts per group, or "P%" of a group's parts; empty optional when the
// text is neither.
std::optional<RecoveryAmount> ParseRecoveryAmount(const std::string& text);

// CLI11's check of such an argument: empty when it reads, else what was expected.
// `some` refuses an amount of none.
std::string CheckRecoveryAmount(const std::string& text, bool some = false);

}  // namespace kivora::cli
