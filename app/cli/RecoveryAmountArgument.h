#pragma once
// The amount of recovery parts as split --recovery and add-recovery take it.

#include <string>

#include "core/operations/SetRecovery.h"

namespace kivora::cli {

// CLI11's check of such an argument: empty when it reads, else what was expected.
// `some` refuses an amount of none.
std::string CheckRecoveryAmount(const std::string& text, bool some = false);

}  // namespace kivora::cli
