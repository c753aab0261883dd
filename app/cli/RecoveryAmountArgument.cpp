#include "app/cli/RecoveryAmountArgument.h"

namespace kivora::cli {

std::optional<RecoveryAmount> ParseRecoveryAmount(const std::string& text) {
  const bool share = !text.empty() && text.back() == '%';
  const std::string digits = share ? text.substr(0, text.size() - 1) : text;
  if (digits.empty() || digits.size() > 3 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int value = std::stoi(digits);
  if (share ? value > 100 : value > kMaxRecoveryPerGroup) return std::nullopt;
  return share ? RecoveryAmount{0, value} : RecoveryAmount{value, 0};
}

std::string CheckRecoveryAmount(const std::string& text, bool some) {
  const std::optional<RecoveryAmount> amount = ParseRecoveryAmount(text);
  if (some) return amount && amount->Any() ? std::string() : "expected R (1-254) or P% (1-100%)";
  return amount ? std::string() : "expected R (0-254) or P% (0-100%)";
}

}  // namespace kivora::cli
