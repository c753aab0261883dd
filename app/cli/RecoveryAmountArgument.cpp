#include "app/cli/RecoveryAmountArgument.h"

namespace kivora::cli {

std::string CheckRecoveryAmount(const std::string& text, bool some) {
  const std::optional<RecoveryAmount> amount = ParseRecoveryAmount(text);
  if (some) return amount && amount->Any() ? std::string() : "expected R (1-254) or P% (1-100%)";
  return amount ? std::string() : "expected R (0-254) or P% (0-100%)";
}

}  // namespace kivora::cli
